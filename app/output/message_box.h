// The prompt service for the windows' texts: the same boxes as AppMessageBox, taking the
// (translated) QStrings the windows hold.
#pragma once

#include <QString>

#include "prompter.h"

inline int AppMessageBox(const QString& text, const QString& caption, unsigned flags = kMbOk) {
    return AppMessageBox(text.toStdString(), caption.toStdString(), flags);
}
