#include "result_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <cstdio>

#include "button_icons.h"
#include "image_impl.h"
#include "image_viewer_window.h"
#include "message_box.h"
#include "picture_qimage.h"
#include "print_result.h"
#include "prompter.h"
#include "save_result.h"
#include "view_zoom.h"
#include "zoom_controls.h"

ResultWindow::ResultWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("id142");
    setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
    m_viewer = new CImageViewer(this);
    m_viewer->SetTrimTarget(&m_trim);
    QToolButton* trim = MakeToolButton(this, 2121, ButtonIcon::Trim, tr("Trimming"), tr("Trim"));
    QToolButton* untrim =
        MakeToolButton(this, 2122, ButtonIcon::CancelTrim, tr("Cancel Trimming"), tr("X Trm"));
    QToolButton* panorama =
        MakeToolButton(this, 2143, ButtonIcon::Panorama, tr("VR Viewer"), tr("VR"));
    QToolButton* print = MakeToolButton(this, 2155, ButtonIcon::Print, tr("Print"), tr("Print"));
    QToolButton* save = MakeToolButton(this, 2144, ButtonIcon::Save, tr("Save"), tr("Save"));
    QToolButton* help = MakeToolButton(this, 28015, ButtonIcon::Help, tr("Help"));
    help->setVisible(false);
    // Print, with preview and the page's margins one click away.
    auto* printMenu = new QMenu(print);
    printMenu->addAction(tr("Print..."), this, &ResultWindow::Print);
    printMenu->addAction(tr("Print Preview..."), this, [this] {
        if (const CImageImpl* picture = ShownPicture()) CPrint().Preview(this, *picture);
    });
    printMenu->addAction(tr("Page Setup..."), this, [this] { CPrint::EditMargins(this); });
    print->setMenu(printMenu);
    print->setPopupMode(QToolButton::MenuButtonPopup);
    m_save = [](QWidget* window, CImageImpl& picture, const ResultInfo& info) {
        CSave save;
        save.SetImageSize(info.sizeIndex);
        save.SetFlag360(info.isResult &&
                        (info.method == 2 || info.method == 5 || info.method == 9));
        save.SetFocalLength(info.focalLength);
        save.SetImage(&picture);
        save.SetBkColor(RGB(info.background[0], info.background[1], info.background[2]));
        save.SetFirstImageSize(info.referenceWidth, info.referenceHeight);
        save.SetCallbacks({}, [window] {
            window->update();
            window->raise();
            window->activateWindow();
        });
        save.Run(window);
    };
    m_print = [](QWidget* window, CImageImpl& picture, const ResultInfo&) {
        CPrint().Run(window, picture);
    };
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName("id28031");
    cancel->setToolTip(tr("Cancel"));
    cancel->setAutoDefault(false);
    untrim->setEnabled(false);
    panorama->setEnabled(false);
    panorama->setToolTip(tr("VR Viewer (not available in this build)"));

    auto* tools = new QHBoxLayout;
    AddZoomControls(m_viewer, this, tools);
    tools->addSpacing(16);
    tools->addWidget(trim);
    tools->addWidget(untrim);
    tools->addStretch(1);
    for (QWidget* w : std::initializer_list<QWidget*>{panorama, print, save, help, cancel})
        tools->addWidget(w);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(m_viewer, 1);
    resize(1000, 700);

    connect(trim, &QToolButton::clicked, this, &ResultWindow::Trim);
    connect(untrim, &QToolButton::clicked, this, &ResultWindow::CancelTrimming);
    connect(save, &QToolButton::clicked, this, &ResultWindow::Save);
    connect(print, &QToolButton::clicked, this, &ResultWindow::Print);
    connect(panorama, &QToolButton::clicked, this, [this] {
        if (CImageImpl* picture = ShownPicture(); picture && m_panorama)
            m_panorama(this, *picture, m_info);
    });
    connect(cancel, &QPushButton::clicked, this, &ResultWindow::reject);
    connect(help, &QToolButton::clicked, this, [this] {
        if (m_help) m_help();
    });
}

ResultWindow::~ResultWindow() = default;

QToolButton* ResultWindow::Button(int id) const {
    return FindToolButton(this, id);
}

void ResultWindow::SetPanoramaViewerAction(PictureAction action) {
    m_panorama = std::move(action);
    Button(2143)->setEnabled(static_cast<bool>(m_panorama));
    Button(2143)->setToolTip(tr("VR Viewer"));
}

void ResultWindow::SetHelpAction(std::function<void()> action) {
    m_help = std::move(action);
    Button(28015)->setVisible(static_cast<bool>(m_help));
}

bool ResultWindow::SetPicture(std::unique_ptr<CImageImpl> picture, const ResultInfo& info) {
    if (!picture || !ViewerSizeAccepted(picture->GetWidth(), picture->GetHeight())) {
        AppMessageBox(tr("Image Viewer Error: Image Size is Wrong!"), tr("Warning"),
                      kMbOk | kMbIconHand);
        return false;
    }
    m_info = info;
    m_picture = std::move(picture);
    m_trim.trimmed.reset();
    m_trimmed = false;
    const std::string caption =
        info.isResult ? info.title + " - " +
                            tr("Result - %1 by %2")
                                .arg(m_picture->GetWidth())
                                .arg(m_picture->GetHeight())
                                .toStdString()
                      : info.title + " - " +
                            ImageViewerCaption(m_picture->GetFileName(), m_picture->GetWidth(),
                                               m_picture->GetHeight());
    setWindowTitle(QString::fromStdString(caption));
    m_viewer->SetBackground(222, 222, 222);
    m_viewer->SetPicture(m_picture.get());
    m_viewer->SetTrimmingEnabled(info.isResult);
    m_viewer->Fit();
    Button(2121)->setEnabled(info.isResult);
    Button(2122)->setEnabled(false);
    return true;
}

const CImageImpl* ResultWindow::ShownPicture() const {
    if (m_trimmed && m_trim.trimmed) return m_trim.trimmed.get();
    return m_picture.get();
}

CImageImpl* ResultWindow::ShownPicture() {
    if (m_trimmed && m_trim.trimmed) return m_trim.trimmed.get();
    return m_picture.get();
}

void ResultWindow::Trim() {
    if (!m_picture || m_trimmed) return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_zoomAtTrim = m_viewer->GetZoom();
    m_trimInPicture = m_viewer->TrimmingRectangleInPicture();
    if (!m_viewer->MakeTrimmedPicture()) { // warned; nothing changes
        QGuiApplication::restoreOverrideCursor();
        return;
    }
    m_trimmed = true;
    // The trimmed picture is shown (and kept) while trimmed; its frame comes back on cancel.
    m_viewer->SetTrimmingEnabled(false);
    m_viewer->SetPicture(m_trim.trimmed.get());
    m_viewer->Fit();
    Button(2121)->setEnabled(false);
    Button(2122)->setEnabled(true);
    const QImage copy = ToQImage(*m_trim.trimmed);
    if (!copy.isNull()) QApplication::clipboard()->setImage(copy);
    QGuiApplication::restoreOverrideCursor();
}

void ResultWindow::CancelTrimming() {
    if (!m_trimmed) return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_trimmed = false;
    m_viewer->SetPicture(m_picture.get());
    m_viewer->SetZoom(1.0f);
    m_viewer->Fit();
    // The rectangle goes back where it was on the whole picture.
    m_viewer->SetTrimmingEnabled(true);
    const float z = m_viewer->GetZoom();
    auto at = [z](int v) { return static_cast<int>(std::lround(v * static_cast<double>(z))); };
    m_viewer->SetTrimmingRectangle({m_viewer->OriginX() + at(m_trimInPicture.left),
                                    m_viewer->OriginY() + at(m_trimInPicture.top),
                                    m_viewer->OriginX() + at(m_trimInPicture.right),
                                    m_viewer->OriginY() + at(m_trimInPicture.bottom)});
    m_trim.trimmed.reset();
    Button(2121)->setEnabled(true);
    Button(2122)->setEnabled(false);
    QGuiApplication::restoreOverrideCursor();
}

void ResultWindow::Save() {
    CImageImpl* picture = ShownPicture();
    if (!picture) {
        AppMessageBox(tr("Error : Not Image for saving"), tr("Warning"),
                      kMbOk | kMbIconExclamation);
        return;
    }
    if (m_save) m_save(this, *picture, m_info);
}

void ResultWindow::Print() {
    if (CImageImpl* picture = ShownPicture(); picture && m_print) m_print(this, *picture, m_info);
}

void ResultWindow::reject() {
    if (AppMessageBox(tr("Are you sure you want to exit Image Viewer?"), tr("Question"),
                      kMbYesNo | kMbIconQuestion | kMbSystemModal) == kIdYes)
        QDialog::reject();
}

void ResultWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}
