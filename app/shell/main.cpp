// quiltapp: the desktop program.
#include <QApplication>

#include "host_services.h"
#include "main_app.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setApplicationName(QStringLiteral("Quiltwork"));
    InstallHostServices();
    int status = 0;
    {
        CMainApp app;
        status = app.Run();
    }
    RemoveHostServices();
    return status;
}
