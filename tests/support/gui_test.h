// Window tests: a QApplication on the offscreen platform for the whole run, and a helper that
// renders a window to a PNG in build/screenshots/ so a developer can look at it.
#pragma once

#include <string>

class QWidget;

// Renders `widget` with QWidget::grab() to <build>/screenshots/<name>.png; returns the path.
std::string SaveScreenshot(QWidget* widget, const std::string& name);
