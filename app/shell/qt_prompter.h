// The prompt service on screen: each box is a QMessageBox with the buttons and icon its Win32
// flags name, over the active window, answering with the Win32 button id; a beep is the
// desktop's bell.
#pragma once

#include <QMessageBox>

#include "prompter.h"

class QtPrompter final : public Prompter {
public:
    int Show(std::string_view text, std::string_view caption, unsigned flags) override;
    void Beep() override;

    // The buttons, default button, escape answer and icon for a set of flags.
    struct Layout {
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton;
        QMessageBox::Icon icon;
    };
    static Layout LayoutFor(unsigned flags);
    // The Win32 answer for a pressed button.
    static int AnswerFor(QMessageBox::StandardButton button);
};
