#include "help_desk.h"

#include <QEvent>
#include <QWidget>

#include <algorithm>

#include "help_window.h"

HelpDesk::HelpDesk() = default;

HelpDesk::~HelpDesk() {
    Close();
    delete m_window.data();
}

void HelpDesk::Open(QWidget* opener, const QString& page) {
    QWidget* top = opener ? opener->window() : nullptr;
    if (m_opener && m_opener != top) m_opener->removeEventFilter(this);
    if (!m_window) m_window = new HelpWindow;
    if (m_window->parentWidget() != top) {
        // A window of its own above the opener: usable while a modal opener runs, and never
        // behind it. Reparenting hides it and may move it, so the place is kept.
        const bool placed = m_window->testAttribute(Qt::WA_Moved);
        const QRect geometry = m_window->geometry();
        m_window->setParent(top, Qt::Window);
        if (placed) m_window->setGeometry(geometry);
    }
    if (!m_window->testAttribute(Qt::WA_Moved) && top) {
        // The first time: beside the right edge of the opener, as far as it goes on screen.
        const QRect frame = top->frameGeometry();
        m_window->move(std::max(0, frame.right() - m_window->width() - 24), frame.top() + 48);
    }
    m_opener = top;
    if (top) top->installEventFilter(this);
    m_window->ShowPage(page);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void HelpDesk::Close() {
    if (m_opener) m_opener->removeEventFilter(this);
    m_opener = nullptr;
    if (!m_window) return;
    m_window->hide();
    // Free of the window it was opened over, which may go away now.
    if (m_window->parentWidget()) {
        const QRect geometry = m_window->geometry();
        m_window->setParent(nullptr, Qt::Window);
        m_window->setGeometry(geometry);
    }
}

void HelpDesk::CloseFor(const QWidget* window) {
    if (IsOpenFor(window)) Close();
}

bool HelpDesk::IsOpenFor(const QWidget* window) const {
    return window && m_window && m_window->isVisible() && m_opener == window->window();
}

bool HelpDesk::eventFilter(QObject* watched, QEvent* event) {
    // The opener hidden by the program (gone back, ended, closed; not minimized by the user):
    // it was left.
    if (watched == m_opener.data() && event->type() == QEvent::Hide && !event->spontaneous())
        Close();
    return false;
}
