// quiltapp: the desktop program.
#include <QApplication>
#include <QFileDialog>
#include <QStandardPaths>

#include "host_services.h"
#include "image_viewer_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setApplicationName(QStringLiteral("Quiltwork"));
    InstallHostServices();

    QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (path.isEmpty()) {
        path = QFileDialog::getOpenFileName(
            nullptr, QObject::tr("Open a picture"),
            QStandardPaths::writableLocation(QStandardPaths::PicturesLocation),
            QObject::tr("Pictures (*.jpg *.jpeg *.bmp *.rle *.tif *.tiff *.png *.gif);;All files (*)"));
    }
    int status = 0;
    if (!path.isEmpty()) {
        ImageViewerWindow viewer;
        if (viewer.OpenFile(path.toStdString(), "Quiltwork"))
            viewer.exec();
        else
            status = 1;
    }
    RemoveHostServices();
    return status;
}
