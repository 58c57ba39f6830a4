// The program's one help window and the window that opened it. A window's help-open flag is
// "the help window is open and this window opened it": the help window closes when the user
// leaves that window (it is hidden or closed), and the step flow closes it explicitly where the
// window stays on screen (a stitch, a switch to an alignment step).
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include "help_window.h"

class QWidget;

class HelpDesk final : public QObject {
public:
    HelpDesk();
    ~HelpDesk() override;
    HelpDesk(const HelpDesk&) = delete;
    HelpDesk& operator=(const HelpDesk&) = delete;

    // Shows `page` of the manual for `opener` (the window whose Help button was pressed). The
    // help window stays usable over a modal opener: it is a window of its own above it.
    void Open(QWidget* opener, const QString& page);
    // Closes the help window.
    void Close();
    // Closes the help window when `window` opened it.
    void CloseFor(const QWidget* window);
    // The help-open flag of `window`.
    bool IsOpenFor(const QWidget* window) const;
    // The help window, or null before the first Help.
    HelpWindow* Window() const { return m_window.data(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<HelpWindow> m_window;
    QPointer<QWidget> m_opener;
};
