#include "image_viewer_window.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

#include "button_icons.h"
#include "image_impl.h"
#include "image_viewer.h"
#include "picture_prompt.h"
#include "prompter.h"
#include "view_zoom.h"

bool ViewerSizeAccepted(int width, int height) {
    return std::min(width, height) >= 120 && std::max(width, height) <= 100000;
}

std::string ImageViewerCaption(const std::string& path, int width, int height) {
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    char size[64];
    std::snprintf(size, sizeof size, " %d by %d", width, height);
    return "Image Viewer - " + name + size;
}

void AddZoomControls(CImageViewer* viewer, QWidget* owner, QHBoxLayout* row) {
    auto* box = new QLineEdit(owner);
    box->setObjectName("id1028");
    box->setFixedWidth(box->fontMetrics().horizontalAdvance("0000.0%") + 16);
    box->setAlignment(Qt::AlignRight);
    box->setToolTip(QObject::tr("Zoom in percent; type a value and leave the box to apply it"));
    QToolButton* zoomIn = MakeToolButton(owner, 2171, ButtonIcon::ZoomIn, QObject::tr("Zoom-In"));
    QToolButton* zoomOut =
        MakeToolButton(owner, 2172, ButtonIcon::ZoomOut, QObject::tr("Zoom-Out"));
    QToolButton* fit =
        MakeToolButton(owner, 2173, ButtonIcon::ZoomFit, QObject::tr("Show Entire Image"));
    for (QWidget* w : std::initializer_list<QWidget*>{zoomIn, zoomOut, fit, box}) row->addWidget(w);
    auto show = [viewer, box] {
        box->setText(QString::fromStdString(FormatZoomPercent(viewer->GetZoom())));
    };
    QObject::connect(zoomIn, &QToolButton::clicked, viewer, &CImageViewer::ZoomIn);
    QObject::connect(zoomOut, &QToolButton::clicked, viewer, &CImageViewer::ZoomOut);
    QObject::connect(fit, &QToolButton::clicked, viewer, &CImageViewer::Fit);
    QObject::connect(viewer, &CImageViewer::ZoomChanged, box, show);
    QObject::connect(box, &QLineEdit::editingFinished, viewer, [viewer, show, box] {
        const std::optional<float> zoom = ParseZoomPercent(box->text().toStdString());
        if (zoom) *zoom > 0.0f ? viewer->SetZoom(*zoom) : viewer->Fit();
        show();
    });
    show();
}

ImageViewerWindow::ImageViewerWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("id142");
    setWindowTitle(tr("Quiltwork"));
    m_viewer = new CImageViewer(this);
    auto* close = new QPushButton(tr("Close"), this);
    close->setObjectName("id28031");
    close->setAutoDefault(false);

    auto* tools = new QHBoxLayout;
    AddZoomControls(m_viewer, this, tools);
    tools->addStretch(1);
    tools->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(m_viewer, 1);
    resize(900, 640);

    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

ImageViewerWindow::~ImageViewerWindow() = default;

bool ImageViewerWindow::SetPicture(std::unique_ptr<CImageImpl> picture, const std::string& title) {
    if (!picture || !ViewerSizeAccepted(picture->GetWidth(), picture->GetHeight())) {
        AppMessageBox("Image Viewer Error: Image Size is Wrong!", "Warning", kMbOk | kMbIconHand);
        return false;
    }
    if (!m_viewer->SetPicture(picture.get())) {
        AppMessageBox("No memory.", "Warning", kMbOk | kMbIconHand);
        m_viewer->SetPicture(m_picture.get());
        return false;
    }
    m_picture = std::move(picture);
    setWindowTitle(
        QString::fromStdString(title + " - " +
                               ImageViewerCaption(m_picture->GetFileName(), m_picture->GetWidth(),
                                                  m_picture->GetHeight())));
    m_viewer->Fit();
    return true;
}

bool ImageViewerWindow::OpenFile(const std::string& path, const std::string& title) {
    std::unique_ptr<CImageImpl> picture;
    std::string detail;
    {
        const PicturePromptCapture capture;
        picture = CImageImpl::Open(path);
        for (const std::string& text : capture.Texts()) detail += "\n" + text;
    }
    if (!picture || !picture->IsValid()) {
        AppMessageBox("Cannot open the picture " + path + "." + detail, "Warning",
                      kMbOk | kMbIconExclamation);
        return false;
    }
    return SetPicture(std::move(picture), title);
}
