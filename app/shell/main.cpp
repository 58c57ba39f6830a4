// quiltapp: the desktop program.
#include <QApplication>
#include <QFileInfo>
#include <QLocale>

#include "app_translations.h"
#include "help_desk.h"
#include "help_pages.h"
#include "host_services.h"
#include "main_app.h"
#include "result_window.h"
#include "vr_viewer_dialog.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setApplicationName(QStringLiteral("Quiltwork"));
    // The texts follow the user's locale: Japanese under a Japanese one, English otherwise.
    InstallTranslations(QLocale::system());
    InstallHostServices();
    int status = 0;
    {
        CMainApp app;
        // The Result window's VR button opens the panorama viewer on the shown picture; the
        // viewer's Help button opens its page of the manual.
        app.SetResultWindowHook([&app](ResultWindow& window) {
            window.SetPanoramaViewerAction(
                [&app](QWidget* parent, CImageImpl& picture, const ResultInfo& info) {
                    OpenPanoramaViewer(parent, picture, info, [&app](QWidget* viewer) {
                        app.Help().Open(viewer, help_page::kVrViewer);
                    });
                });
        });
        QStringList files;
        for (const QString& argument : QApplication::arguments().mid(1))
            files << QFileInfo(argument).absoluteFilePath();
        status = app.Run(files);
    }
    RemoveHostServices();
    RemoveTranslations();
    return status;
}
