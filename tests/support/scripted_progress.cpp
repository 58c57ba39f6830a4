#include "support/scripted_progress.h"

#include "stitchkit/Host.h"

namespace {

class ScriptedBackend final : public stitchkit::IProgressWindowBackend {
public:
    explicit ScriptedBackend(std::shared_ptr<ProgressLog> log) : m_log(std::move(log)) {}

    bool Create(void*, const std::string&, bool, const std::string&) override { return true; }
    void Destroy() override {}
    void SetCaption(const std::string&) override {}
    void SetText(const std::string&) override {}
    void SetRange(int, int, int) override {}
    void SetBarPosition(int position) override {
        m_log->positions.push_back(position);
        if (m_log->onPosition) m_log->onPosition(position);
        if (m_log->cancelAtPosition >= 0 && position == m_log->cancelAtPosition)
            m_cancelArmed = true;
    }
    void Show() override { m_visible = true; }
    void Hide() override { m_visible = false; }
    bool IsVisible() const override { return m_visible; }
    void SetModal(bool modal) override { m_log->modal = modal; }
    stitchkit::ProgressPumpResult Pump() override {
        stitchkit::ProgressPumpResult result;
        if (m_cancelArmed) {
            (m_log->cancelByEscape ? result.escapePressed : result.cancelClicked) = true;
            m_cancelArmed = false;
        }
        return result;
    }
    bool GetPosition(int*, int*) const override { return false; }
    bool GetScreenSize(int*, int*) const override { return false; }
    void MoveTo(int, int) override {}
    void CentreOnParent() override {}

private:
    std::shared_ptr<ProgressLog> m_log;
    bool m_visible = false;
    bool m_cancelArmed = false;
};

} // namespace

ScriptedProgress::ScriptedProgress() : m_log(std::make_shared<ProgressLog>()) {
    auto log = m_log;
    stitchkit::SetProgressBackendFactory([log] { return std::make_unique<ScriptedBackend>(log); });
}

ScriptedProgress::~ScriptedProgress() {
    stitchkit::SetProgressBackendFactory({});
}
