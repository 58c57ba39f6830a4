#include "qt_prompter.h"

#include <QApplication>
#include <QPushButton>

QtPrompter::Layout QtPrompter::LayoutFor(unsigned flags) {
    Layout layout{QMessageBox::Ok, QMessageBox::Ok, QMessageBox::NoIcon};
    switch (flags & kMbButtonMask) {
    case kMbOkCancel:
        layout = {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, {}};
        break;
    case kMbAbortRetryIgnore:
        layout = {
            QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore, QMessageBox::Abort, {}};
        break;
    case kMbYesNoCancel:
        layout = {QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes, {}};
        break;
    case kMbYesNo:
        layout = {QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, {}};
        break;
    case kMbRetryCancel:
        layout = {QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry, {}};
        break;
    default:
        break;
    }
    switch (flags & kMbIconMask) {
    case kMbIconHand:
        layout.icon = QMessageBox::Critical;
        break;
    case kMbIconQuestion:
        layout.icon = QMessageBox::Question;
        break;
    case kMbIconExclamation:
        layout.icon = QMessageBox::Warning;
        break;
    case kMbIconInformation:
        layout.icon = QMessageBox::Information;
        break;
    default:
        layout.icon = QMessageBox::NoIcon;
        break;
    }
    return layout;
}

int QtPrompter::AnswerFor(QMessageBox::StandardButton button) {
    switch (button) {
    case QMessageBox::Ok:
        return kIdOk;
    case QMessageBox::Cancel:
        return kIdCancel;
    case QMessageBox::Abort:
        return kIdAbort;
    case QMessageBox::Retry:
        return kIdRetry;
    case QMessageBox::Ignore:
        return kIdIgnore;
    case QMessageBox::Yes:
        return kIdYes;
    case QMessageBox::No:
        return kIdNo;
    default:
        return kIdCancel;
    }
}

int QtPrompter::Show(std::string_view text, std::string_view caption, unsigned flags) {
    const Layout layout = LayoutFor(flags);
    QString body = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).trimmed();
    QMessageBox box(layout.icon,
                    QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())), body,
                    layout.buttons, QApplication::activeWindow());
    box.setDefaultButton(layout.defaultButton);
    // Escape answers Cancel where there is one, No on a Yes/No question, else the only button.
    if (layout.buttons & QMessageBox::Cancel)
        box.setEscapeButton(QMessageBox::Cancel);
    else if (layout.buttons & QMessageBox::No)
        box.setEscapeButton(QMessageBox::No);
    if (flags & kMbSystemModal) box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (!clicked) return (layout.buttons & QMessageBox::Cancel) ? kIdCancel : kIdOk;
    return AnswerFor(box.standardButton(clicked));
}

void QtPrompter::Beep() {
    QApplication::beep();
}
