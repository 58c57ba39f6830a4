#include "manual_alignment.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "alignment_view.h"
#include "button_icons.h"
#include "message_box.h"
#include "prompter.h"
#include "stitchkit/MFCPanorama.h"
#include "zoom_controls.h"

namespace {

QString FileName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return QString::fromStdString(slash == std::string::npos ? path : path.substr(slash + 1));
}

} // namespace

ManualAlignmentWindow::ManualAlignmentWindow(CAlignDocument& document, MFCPanorama& engine,
                                             const std::string& title, AlignmentHooks hooks,
                                             QWidget* parent)
    : QDialog(parent), m_document(document), m_engine(engine), m_hooks(std::move(hooks)) {
    setObjectName("id143");
    setWindowTitle(QString::fromStdString(title) + " - " + tr("Manual Alignment"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);

    m_view = new CImageAlignment(this);
    m_view->setMinimumSize(320, 200);
    m_strip = new PictureStrip(this);
    m_label = new QLabel(this);

    QToolButton* back = MakeToolButton(this, 28014, ButtonIcon::Back, tr("Cancel"), tr("Cancel"));
    QToolButton* previous =
        MakeToolButton(this, 2114, ButtonIcon::Previous, tr("Previous Pair"), "<<");
    QToolButton* next = MakeToolButton(this, 2115, ButtonIcon::Next, tr("Next Pair"), ">>");
    QToolButton* align = MakeToolButton(this, 2116, ButtonIcon::Align,
                                        tr("Align the shown pair automatically"), tr("Align"));
    QToolButton* stitch =
        MakeToolButton(this, 2174, ButtonIcon::Stitch, tr("Stitch"), tr("Stitch"));
    QToolButton* base = MakeToolButton(this, 28013, ButtonIcon::Base, tr("Set Base Image"));
    QToolButton* help = MakeToolButton(this, 28015, ButtonIcon::Help, tr("Help"));
    QToolButton* end = MakeToolButton(this, 28016, ButtonIcon::Exit, tr("Exit"));

    auto* tools = new QHBoxLayout;
    for (QWidget* w :
         {static_cast<QWidget*>(back), static_cast<QWidget*>(previous), static_cast<QWidget*>(next),
          static_cast<QWidget*>(align), static_cast<QWidget*>(stitch), static_cast<QWidget*>(base)})
        tools->addWidget(w);
    tools->addSpacing(12);
    AddZoomControls(m_view, this, tools);
    // This window names its zoom buttons in words beside their icons.
    Button(2171)->setText(tr("Big"));
    Button(2172)->setText(tr("Small"));
    Button(2173)->setText(tr("ALL"));
    for (int id : {2171, 2172, 2173}) Button(id)->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tools->addStretch(1);
    tools->addWidget(help);
    tools->addWidget(end);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_label);
    layout->addWidget(m_strip);
    resize(1000, 720);

    connect(back, &QToolButton::clicked, this, &ManualAlignmentWindow::AskBack);
    connect(previous, &QToolButton::clicked, this, &ManualAlignmentWindow::PreviousPair);
    connect(next, &QToolButton::clicked, this, &ManualAlignmentWindow::NextPair);
    connect(align, &QToolButton::clicked, this, &ManualAlignmentWindow::AlignPair);
    connect(stitch, &QToolButton::clicked, this, &ManualAlignmentWindow::Stitch);
    connect(base, &QToolButton::clicked, this, &ManualAlignmentWindow::SetBase);
    help->setVisible(static_cast<bool>(m_hooks.help));
    connect(help, &QToolButton::clicked, this, [this] {
        if (m_hooks.help) m_hooks.help();
    });
    connect(end, &QToolButton::clicked, this, [this] {
        if (m_hooks.exit) m_hooks.exit();
    });
    connect(m_strip, &PictureStrip::PictureOpened, this, [this](int index) {
        if (m_hooks.openPicture) m_hooks.openPicture(index);
    });
}

ManualAlignmentWindow::~ManualAlignmentWindow() {
    Commit();
}

QToolButton* ManualAlignmentWindow::Button(int id) const {
    return FindToolButton(this, id);
}

bool ManualAlignmentWindow::Start() {
    m_pair = -1;
    m_reached = 0;
    if (m_hooks.entries) m_strip->SetEntries(m_hooks.entries());
    if (m_document.Count() < 2 || !ChoosePair(0)) return false;
    m_view->Fit();
    return true;
}

void ManualAlignmentWindow::Commit() {
    if (m_pair < 0) return;
    CImageInfo* first = m_document.At(m_pair);
    CImageInfo* second = m_document.At(m_pair + 1);
    if (!first || !second) return;
    CommitPairMoves(m_document, m_pair, m_savedFirst, m_savedSecond);
    // The moves are carried over once: from here on they count from the new placements.
    m_savedFirst = first->Rect();
    m_savedSecond = second->Rect();
}

bool ManualAlignmentWindow::ChoosePair(int i) {
    Commit();
    CImageInfo* first = m_document.At(i);
    if (!first) {
        AppMessageBox(tr("Something wrong with m_ImageInfoList 1."), windowTitle(), kMbOk);
        return false;
    }
    CImageInfo* second = m_document.At(i + 1);
    if (!second) {
        AppMessageBox(tr("Something wrong with m_ImageInfoList 2."), windowTitle(), kMbOk);
        return false;
    }
    m_pair = i;
    m_reached = std::max(m_reached, i + 1);
    m_savedFirst = first->Rect();
    m_savedSecond = second->Rect();
    m_view->SetPair(first, second);
    m_strip->SetPairFrame(i);
    ShowPairLabel();
    return true;
}

void ManualAlignmentWindow::ShowPairLabel() {
    m_label->setText(tr("Pair %1 of %2:  %3  and  %4")
                         .arg(m_pair + 1)
                         .arg(m_document.Count() - 1)
                         .arg(FileName(m_document.At(m_pair)->Path()))
                         .arg(FileName(m_document.At(m_pair + 1)->Path())));
}

void ManualAlignmentWindow::PreviousPair() {
    if (m_pair <= 0) {
        AppBeep();
        return;
    }
    ChoosePair(m_pair - 1);
}

void ManualAlignmentWindow::NextPair() {
    if (m_pair + 2 >= m_document.Count()) {
        AppBeep();
        return;
    }
    ChoosePair(m_pair + 1);
}

void ManualAlignmentWindow::AlignPair() {
    CImageInfo* first = m_document.At(m_pair);
    CImageInfo* second = m_document.At(m_pair + 1);
    if (!first || !second) return;
    setEnabled(false);
    bool ok = m_engine.GetImagesCount() > 0 ||
              (m_hooks.ensureEngineImages && m_hooks.ensureEngineImages());
    int dy = 0, dx = 0;
    if (ok) {
        CImageImpl* mask = m_hooks.mask ? m_hooks.mask() : nullptr;
        if (mask) {
            GreyMaskAdapter adapter(*mask);
            ok = m_engine.DoAutoAlignPairMask(adapter.Get(), m_pair, m_pair + 1, &dy, &dx, nullptr);
        } else {
            ok = m_engine.DoAutoAlignPair(m_pair, m_pair + 1, &dy, &dx, nullptr);
        }
    }
    if (ok) {
        second->MoveTo(first->Rect().left + dx, first->Rect().top + dy);
        m_view->UpdateLayout();
    }
    setEnabled(true);
    raise();
    activateWindow();
}

void ManualAlignmentWindow::Stitch() {
    if (m_reached < m_document.Count() - 1) {
        AppMessageBox(tr("Images are remain."), tr("Warning"), kMbOk | kMbIconExclamation);
        return;
    }
    Commit();
    if (m_hooks.stitch) m_hooks.stitch(this);
}

void ManualAlignmentWindow::AskBack() {
    if (AppMessageBox(tr("Do you want to go back to Image Browser?"), tr("Question"),
                      kMbOkCancel | kMbIconQuestion) != kIdOk)
        return;
    Commit();
    if (m_hooks.back) m_hooks.back();
}

void ManualAlignmentWindow::SetBase() {
    if (!m_hooks.setBase || !m_hooks.setBase(m_strip->currentRow())) return;
    const int row = m_strip->currentRow();
    if (m_hooks.entries) m_strip->SetEntries(m_hooks.entries());
    m_strip->setCurrentRow(row);
    m_strip->SetPairFrame(m_pair);
}

void ManualAlignmentWindow::reject() {
    // Escape and the close box leave the program after its question, as End does.
    if (m_hooks.exit) m_hooks.exit();
}

void ManualAlignmentWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}
