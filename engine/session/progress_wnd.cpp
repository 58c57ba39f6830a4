#include <cstdarg>
#include <cstdio>

#include "core/string_table.h"
#include "session/progress_backends.h"
#include "stitchkit/CProgressWnd.h"

namespace {

constexpr int kTextBufferSize = 512;
constexpr const char* kSettingsSection = "Settings";

} // namespace

CProgressWnd::CProgressWnd() {
    CommonConstruct();
}

CProgressWnd::CProgressWnd(void* parent, const char* title, bool smooth) {
    CommonConstruct();
    m_title = title != nullptr ? title : "";
    Create(parent, m_title.c_str(), smooth);
}

CProgressWnd::CProgressWnd(void* parent, unsigned titleId, bool smooth) {
    CommonConstruct();
    m_title = stitchkit::LoadResourceString(static_cast<int>(titleId));
    Create(parent, m_title.c_str(), smooth);
}

CProgressWnd::~CProgressWnd() {
    // A host backend that throws while closing cannot keep the window from going.
    try {
        DestroyWindow();
    } catch (...) {
    }
}

void CProgressWnd::CommonConstruct() {
    m_cancelled = m_modal = m_persist = 0;
    m_position = m_lastPercent = 0;
    m_step = 1;
    m_lower = 0;
    m_upper = 100;
    m_lines = 4;
    m_title = "Progress";
    m_cancelLabel = stitchkit::LoadResourceString(30013);
    m_sink = MakeProgressSink(this);
}

bool CProgressWnd::Create(void* parent, const char* title, bool smooth) {
    if (m_backend) return true;
    m_title = title != nullptr ? title : "";
    auto backend = MakeProgressBackend();
    if (!backend || !backend->Create(parent, m_title, smooth, m_cancelLabel)) return false;
    m_backend = std::move(backend);
    m_caption = m_title;
    m_text.clear();
    m_backend->SetCaption(m_caption);
    m_backend->SetRange(m_lower, m_upper, m_step);
    if (m_persist)
        GetPreviousSettings();
    else
        m_backend->CentreOnParent();
    Show();
    return true;
}

bool CProgressWnd::GoModal(const char* title, bool smooth) {
    // An existing window keeps its title.
    if (!m_backend && !Create(nullptr, title, smooth)) return false;
    m_backend->SetModal(true);
    m_modal = 1;
    return true;
}

bool CProgressWnd::DestroyWindow() {
    if (!m_backend) return false;
    if (m_persist) SaveCurrentSettings();
    if (m_modal) {
        m_modal = 0;
        m_backend->SetModal(false);
    }
    m_backend->Destroy();
    m_backend.reset();
    return true;
}

void CProgressWnd::SetRange(int lower, int upper, int step) {
    if (!m_backend) return;
    m_lower = lower;
    m_upper = upper;
    m_step = step;
    m_backend->SetRange(lower, upper, step);
}

int CProgressWnd::SetPos(int pos) {
    if (!m_backend) return m_position;
    m_position = pos;
    // The lower bound is not subtracted from the position: with a range of 50 .. 150 a
    // position of 100 shows 100 %.
    const int percent =
        m_upper > m_lower
            ? static_cast<int>(static_cast<long long>(pos) * 100 / (m_upper - m_lower))
            : 0;
    if (percent != m_lastPercent) {
        char caption[kTextBufferSize];
        std::snprintf(caption, sizeof caption, "%s [%d%%]", m_title.c_str(), percent);
        m_caption = caption;
        m_backend->SetCaption(m_caption);
        m_lastPercent = percent;
    }
    const int previous = m_barPosition;
    m_barPosition = pos;
    m_backend->SetBarPosition(pos);
    return previous;
}

int CProgressWnd::OffsetPos(int delta) {
    if (!m_backend) return m_position;
    return SetPos(m_position + delta);
}

int CProgressWnd::StepIt() {
    if (!m_backend) return m_position;
    return SetPos(m_position + m_step);
}

int CProgressWnd::SetStep(int step) {
    const int old = m_step;
    m_step = step;
    if (m_backend) m_backend->SetRange(m_lower, m_upper, m_step);
    return old;
}

void CProgressWnd::SetText(const char* format, ...) {
    if (!m_backend) return;
    char buffer[kTextBufferSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    ShowText(buffer);
}

void CProgressWnd::ShowText(const std::string& text) {
    if (!m_backend) return;
    m_text = text.substr(0, kTextBufferSize - 1);
    m_backend->SetText(m_text);
}

void CProgressWnd::LoadString(unsigned id) {
    // Shown as it stands: a resource text is never used as a format without its arguments.
    ShowText(stitchkit::LoadResourceString(static_cast<int>(id)));
}

void CProgressWnd::Clear() {
    ShowText("");
    m_position = 0;
    m_barPosition = 0;
    if (m_backend) m_backend->SetBarPosition(0);
    m_cancelled = 0;
}

void CProgressWnd::Hide() {
    if (!m_backend) return;
    Clear();
    if (m_backend->IsVisible()) m_backend->Hide();
}

void CProgressWnd::Show() {
    if (m_backend && !m_backend->IsVisible()) m_backend->Show();
}

bool CProgressWnd::PeekAndPump(bool cancelOnEscape) {
    if (m_cancelled || !m_backend) return !m_cancelled;
    const stitchkit::ProgressPumpResult events = m_backend->Pump();
    if (events.cancelClicked || (cancelOnEscape && events.escapePressed)) OnCancel();
    return !m_cancelled;
}

void CProgressWnd::OnCancel() {
    m_cancelled = 1;
    // A modal window closes at once; the operation notices the flag at its next report.
    if (m_modal) DestroyWindow();
}

bool CProgressWnd::SetPosition(int pos) {
    SetPos(pos);
    PeekAndPump(true);
    return !m_cancelled;
}

bool CProgressWnd::SetMaxPosition(int) {
    return true;
}

void CProgressWnd::SetDescription(int stringId, int n) {
    ShowText(FormatIntegers(stitchkit::LoadResourceString(stringId), {n, n + 1}));
}

void CProgressWnd::SetDescriptionFrames(int stringId, int a, int b) {
    ShowText(FormatIntegers(stitchkit::LoadResourceString(stringId), {a, b}));
}

void CProgressWnd::SetDescriptionPairFrames(int stringId, int a, int b) {
    ShowText(FormatIntegers(stitchkit::LoadResourceString(stringId), {a, a + 1, b}));
}

void CProgressWnd::SaveCurrentSettings() {
    int x = 0, y = 0;
    if (!m_backend || !m_backend->GetPosition(&x, &y)) return;
    stitchkit::ProfileStore().WriteInt(kSettingsSection, "X", x);
    stitchkit::ProfileStore().WriteInt(kSettingsSection, "Y", y);
}

void CProgressWnd::GetPreviousSettings() {
    const int x = stitchkit::ProfileStore().GetInt(kSettingsSection, "X", -1);
    const int y = stitchkit::ProfileStore().GetInt(kSettingsSection, "Y", -1);
    int width = 0, height = 0;
    if (m_backend->GetScreenSize(&width, &height) && x >= 0 && x < width && y >= 0 && y < height)
        m_backend->MoveTo(x, y);
    else
        m_backend->CentreOnParent();
}
