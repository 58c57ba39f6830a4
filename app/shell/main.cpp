// quiltapp: the desktop program.
#include <QApplication>
#include <QFileInfo>

#include "host_services.h"
#include "main_app.h"
#include "result_window.h"
#include "vr_viewer_dialog.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setApplicationName(QStringLiteral("Quiltwork"));
    InstallHostServices();
    int status = 0;
    {
        CMainApp app;
        // The Result window's VR button opens the panorama viewer on the shown picture.
        app.SetResultWindowHook(
            [](ResultWindow& window) { window.SetPanoramaViewerAction(OpenPanoramaViewer); });
        QStringList files;
        for (const QString& argument : QApplication::arguments().mid(1))
            files << QFileInfo(argument).absoluteFilePath();
        status = app.Run(files);
    }
    RemoveHostServices();
    return status;
}
