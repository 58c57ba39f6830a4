// main() of the window test programs: one QApplication on the offscreen platform (unless the
// caller chose another one, e.g. xcb under Xvfb) for all tests.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdlib>

#include <gtest/gtest.h>

#include "support/gui_test.h"

std::string SaveScreenshot(QWidget* widget, const std::string& name) {
    const QString folder = QStringLiteral(QUILT_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    const QString path = folder + '/' + QString::fromStdString(name) + ".png";
    QCoreApplication::processEvents(); // pending layouts (scroll bars) first
    widget->grab().save(path);
    return path.toStdString();
}

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Settings and caches of the run go to a folder of its own, never the user's.
    QTemporaryDir home;
    if (!home.isValid()) return 2;
    setenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit().constData(), 1);
    setenv("XDG_CACHE_HOME", (home.path() + "/cache").toLocal8Bit().constData(), 1);
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setApplicationName(QStringLiteral("Quiltwork"));
    return RUN_ALL_TESTS();
}
