#include "qt_progress_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// The engine reports (and pumps) far more often than a person can see the window change, and
// bringing the window up to date (painting the text and the bar and flushing them to the
// screen) costs more than the work between reports. The events are handled, and the bar
// takes its newest position, at most this often; a click or key reaches the window within
// that time. (QProgressBar::setValue repaints at once, so it waits for the pump too.)
constexpr qint64 kPumpIntervalMs = 40;

} // namespace

ProgressDialog::ProgressDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("ProgressWindow");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    text = new QLabel(this);
    text->setMinimumWidth(320);
    text->setWordWrap(true);
    bar = new QProgressBar(this);
    bar->setTextVisible(false);
    cancel = new QPushButton(this);
    cancel->setObjectName("CancelButton");
    connect(cancel, &QPushButton::clicked, this, [this] { cancelClicked = true; });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(bar);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(cancel);
    layout->addLayout(row);
}

void ProgressDialog::closeEvent(QCloseEvent* event) {
    // The close box asks to cancel; the window goes when the work has stopped.
    cancelClicked = true;
    event->ignore();
}

QtProgressBackend::QtProgressBackend() = default;

QtProgressBackend::~QtProgressBackend() {
    Destroy();
}

bool QtProgressBackend::Create(void* parent, const std::string& title, bool,
                               const std::string& cancelLabel) {
    QWidget* owner = static_cast<QWidget*>(parent);
    if (!owner) owner = QApplication::activeWindow();
    m_dialog = new ProgressDialog(owner);
    m_dialog->setWindowTitle(QString::fromStdString(title));
    m_dialog->cancel->setText(cancelLabel.empty() ? QObject::tr("Cancel")
                                                  : QString::fromStdString(cancelLabel));
    m_dialog->adjustSize();
    m_barPending = false;
    m_pumped.invalidate();
    return true;
}

void QtProgressBackend::Destroy() {
    SetModal(false);
    if (m_dialog) {
        m_dialog->hide();
        m_dialog->deleteLater();
        m_dialog = nullptr;
    }
}

void QtProgressBackend::SetCaption(const std::string& caption) {
    if (m_dialog) m_dialog->setWindowTitle(QString::fromStdString(caption));
}

void QtProgressBackend::SetText(const std::string& text) {
    if (m_dialog) m_dialog->text->setText(QString::fromStdString(text));
}

void QtProgressBackend::SetRange(int lower, int upper, int) {
    if (m_dialog) m_dialog->bar->setRange(lower, upper);
}

void QtProgressBackend::SetBarPosition(int position) {
    m_barPosition = position;
    m_barPending = m_dialog != nullptr;
}

void QtProgressBackend::Show() {
    if (!m_dialog) return;
    m_dialog->show();
    m_dialog->raise();
}

void QtProgressBackend::Hide() {
    if (m_dialog) m_dialog->hide();
}

bool QtProgressBackend::IsVisible() const {
    return m_dialog && m_dialog->isVisible();
}

void QtProgressBackend::SetModal(bool modal) {
    if (modal == m_modal) return;
    m_modal = modal;
    if (modal) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window == m_dialog || !window->isVisible() || !window->isEnabled()) continue;
            window->setEnabled(false);
            m_disabled.emplace_back(window);
        }
        if (m_dialog) m_dialog->setEnabled(true), m_dialog->activateWindow();
        QApplication::setOverrideCursor(Qt::BusyCursor);
    } else {
        for (const QPointer<QWidget>& window : m_disabled)
            if (window) window->setEnabled(true);
        m_disabled.clear();
        QApplication::restoreOverrideCursor();
    }
}

stitchkit::ProgressPumpResult QtProgressBackend::Pump() {
    if (!m_pumped.isValid() || m_pumped.elapsed() >= kPumpIntervalMs) {
        if (m_barPending && m_dialog) m_dialog->bar->setValue(m_barPosition);
        m_barPending = false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        m_pumped.start();
    }
    stitchkit::ProgressPumpResult result;
    result.quit = QCoreApplication::closingDown();
    if (m_dialog) {
        result.escapePressed = m_dialog->escapePressed;
        result.cancelClicked = m_dialog->cancelClicked;
        m_dialog->escapePressed = m_dialog->cancelClicked = false;
    }
    return result;
}

bool QtProgressBackend::GetPosition(int* x, int* y) const {
    if (!m_dialog) return false;
    *x = m_dialog->x();
    *y = m_dialog->y();
    return true;
}

bool QtProgressBackend::GetScreenSize(int* width, int* height) const {
    const QScreen* screen = m_dialog ? m_dialog->screen() : QGuiApplication::primaryScreen();
    if (!screen) return false;
    *width = screen->geometry().width();
    *height = screen->geometry().height();
    return true;
}

void QtProgressBackend::MoveTo(int x, int y) {
    if (m_dialog) m_dialog->move(x, y);
}

void QtProgressBackend::CentreOnParent() {
    if (!m_dialog) return;
    const QWidget* parent = m_dialog->parentWidget();
    QRect area;
    if (parent)
        area = parent->frameGeometry();
    else if (const QScreen* screen = m_dialog->screen())
        area = screen->availableGeometry();
    m_dialog->adjustSize();
    m_dialog->move(area.center() - m_dialog->rect().center());
}
