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

ImageViewerWindow::ImageViewerWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("id142");
    setWindowTitle(tr("Quiltwork"));
    m_viewer = new CImageViewer(this);
    m_zoomEdit = new QLineEdit(this);
    m_zoomEdit->setObjectName("id1028");
    m_zoomEdit->setFixedWidth(m_zoomEdit->fontMetrics().horizontalAdvance("0000.0%") + 16);
    m_zoomEdit->setAlignment(Qt::AlignRight);
    m_zoomEdit->setToolTip(tr("Zoom in percent; type a value and leave the box to apply it"));

    QToolButton* zoomIn = MakeToolButton(this, 2171, ButtonIcon::ZoomIn, tr("Zoom-In"));
    QToolButton* zoomOut = MakeToolButton(this, 2172, ButtonIcon::ZoomOut, tr("Zoom-Out"));
    QToolButton* fit = MakeToolButton(this, 2173, ButtonIcon::ZoomFit, tr("Show Entire Image"));
    auto* close = new QPushButton(tr("Close"), this);
    close->setObjectName("id28031");
    close->setAutoDefault(false);

    auto* tools = new QHBoxLayout;
    tools->addWidget(zoomIn);
    tools->addWidget(zoomOut);
    tools->addWidget(fit);
    tools->addWidget(m_zoomEdit);
    tools->addStretch(1);
    tools->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(m_viewer, 1);
    resize(900, 640);

    connect(zoomIn, &QToolButton::clicked, m_viewer, &CImageViewer::ZoomIn);
    connect(zoomOut, &QToolButton::clicked, m_viewer, &CImageViewer::ZoomOut);
    connect(fit, &QToolButton::clicked, m_viewer, &CImageViewer::Fit);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_viewer, &CImageViewer::ZoomChanged, this, &ImageViewerWindow::ShowZoom);
    connect(m_zoomEdit, &QLineEdit::editingFinished, this, &ImageViewerWindow::ApplyTypedZoom);
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
    ShowZoom(m_viewer->GetZoom());
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

void ImageViewerWindow::ShowZoom(float zoom) {
    m_zoomEdit->setText(QString::fromStdString(FormatZoomPercent(zoom)));
}

void ImageViewerWindow::ApplyTypedZoom() {
    const std::optional<float> zoom = ParseZoomPercent(m_zoomEdit->text().toStdString());
    if (!zoom) {
        ShowZoom(m_viewer->GetZoom());
        return;
    }
    *zoom > 0.0f ? m_viewer->SetZoom(*zoom) : m_viewer->Fit();
    ShowZoom(m_viewer->GetZoom());
}
