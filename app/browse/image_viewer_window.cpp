#include "image_viewer_window.h"

#include <QCoreApplication>
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
#include "message_box.h"
#include "picture_prompt.h"
#include "prompter.h"
#include "zoom_controls.h"

bool ViewerSizeAccepted(int width, int height) {
    return std::min(width, height) >= 120 && std::max(width, height) <= 100000;
}

std::string ImageViewerCaption(const std::string& path, int width, int height) {
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return QCoreApplication::translate("ImageViewerWindow", "Image Viewer - %1 %2 by %3")
        .arg(QString::fromStdString(name), QString::number(width), QString::number(height))
        .toStdString();
}

ImageViewerWindow::ImageViewerWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("id142");
    setWindowTitle(tr("Quiltwork"));
    m_viewer = new CImageViewer(this);
    auto* close = new QPushButton(tr("Close"), this);
    close->setObjectName("id28031");
    close->setAutoDefault(false);

    QToolButton* help = MakeToolButton(this, 28015, ButtonIcon::Help, tr("Help"));
    help->setVisible(false);

    auto* tools = new QHBoxLayout;
    AddZoomControls(m_viewer, this, tools);
    tools->addStretch(1);
    tools->addWidget(help);
    tools->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(m_viewer, 1);
    resize(900, 640);

    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QToolButton::clicked, this, [this] {
        if (m_help) m_help();
    });
}

void ImageViewerWindow::SetHelpAction(std::function<void()> action) {
    m_help = std::move(action);
    FindToolButton(this, 28015)->setVisible(static_cast<bool>(m_help));
}

ImageViewerWindow::~ImageViewerWindow() = default;

bool ImageViewerWindow::SetPicture(std::unique_ptr<CImageImpl> picture, const std::string& title) {
    if (!picture || !ViewerSizeAccepted(picture->GetWidth(), picture->GetHeight())) {
        AppMessageBox(tr("Image Viewer Error: Image Size is Wrong!"), tr("Warning"),
                      kMbOk | kMbIconHand);
        return false;
    }
    if (!m_viewer->SetPicture(picture.get())) {
        AppMessageBox(tr("No memory."), tr("Warning"), kMbOk | kMbIconHand);
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
        AppMessageBox(
            tr("Cannot open the picture %1.").arg(QString::fromStdString(path)).toStdString() +
                detail,
            tr("Warning").toStdString(), kMbOk | kMbIconExclamation);
        return false;
    }
    return SetPicture(std::move(picture), title);
}
