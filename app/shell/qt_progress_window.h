// The progress window on screen: caption, one text line, a bar and Cancel. While it is modal
// every other top-level window is disabled and a busy cursor shows; its pump handles the
// pending events and reports Escape, Cancel and the end of the application.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <vector>

#include "stitchkit/Host.h"

class QLabel;
class QProgressBar;
class QPushButton;

class ProgressDialog final : public QDialog {
    Q_OBJECT
public:
    explicit ProgressDialog(QWidget* parent);
    QLabel* text = nullptr;
    QProgressBar* bar = nullptr;
    QPushButton* cancel = nullptr;
    bool escapePressed = false;
    bool cancelClicked = false;

protected:
    void reject() override { escapePressed = true; }
    void closeEvent(QCloseEvent* event) override;
};

class QtProgressBackend final : public stitchkit::IProgressWindowBackend {
public:
    QtProgressBackend();
    ~QtProgressBackend() override;
    bool Create(void* parent, const std::string& title, bool smooth,
                const std::string& cancelLabel) override;
    void Destroy() override;
    void SetCaption(const std::string& caption) override;
    void SetText(const std::string& text) override;
    void SetRange(int lower, int upper, int step) override;
    void SetBarPosition(int position) override;
    void Show() override;
    void Hide() override;
    bool IsVisible() const override;
    void SetModal(bool modal) override;
    stitchkit::ProgressPumpResult Pump() override;
    bool GetPosition(int* x, int* y) const override;
    bool GetScreenSize(int* width, int* height) const override;
    void MoveTo(int x, int y) override;
    void CentreOnParent() override;

    ProgressDialog* Dialog() const { return m_dialog; }

private:
    QPointer<ProgressDialog> m_dialog;
    std::vector<QPointer<QWidget>> m_disabled;
    bool m_modal = false;
    // The newest bar position and whether the bar still shows an older one.
    int m_barPosition = 0;
    bool m_barPending = false;
    QElapsedTimer m_pumped; // since the window last handled its events
};
