#include "vr_viewer_dialog.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedLayout>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdlib>
#include <initializer_list>
#include <string>

#include "button_icons.h"
#include "image_impl.h"
#include "message_box.h"
#include "prompter.h"
#include "save_result.h"
#include "vista_file.h"

namespace {

void SaveWithSaveStep(QWidget* window, CImageImpl& picture, const ResultInfo& info) {
    CSave save;
    save.SetImageSize(info.sizeIndex);
    save.SetFlag360(info.isResult && (info.method == 2 || info.method == 5 || info.method == 9));
    save.SetFocalLength(info.focalLength);
    save.SetImage(&picture);
    save.SetBkColor(RGB(info.background[0], info.background[1], info.background[2]));
    save.SetFirstImageSize(info.referenceWidth, info.referenceHeight);
    save.SetCallbacks({}, [window] {
        window->raise();
        window->activateWindow();
    });
    save.Run(window);
}

} // namespace

VrViewerDialog::VrViewerDialog(QWidget* parent, const QSurfaceFormat& format)
    : QDialog(parent), m_save(SaveWithSaveStep) {
    setObjectName("id148");
    setWindowTitle(tr("VR Viewer"));
    setWindowFlag(Qt::WindowMinMaxButtonsHint, true);

    QToolButton* zoomIn = MakeToolButton(this, 28033, ButtonIcon::ZoomIn, tr("Zoom-In"));
    QToolButton* zoomOut = MakeToolButton(this, 28034, ButtonIcon::ZoomOut, tr("Zoom-Out"));
    QToolButton* showAll = MakeToolButton(this, 28035, ButtonIcon::ZoomFit, tr("Show All"));
    m_zoomBox = new QLineEdit(this);
    m_zoomBox->setObjectName("id28039");
    m_zoomBox->setFixedWidth(m_zoomBox->fontMetrics().horizontalAdvance("0000.0%") + 16);
    m_zoomBox->setAlignment(Qt::AlignRight);
    m_zoomBox->setToolTip(tr("Zoom in percent; type a value and leave the box to apply it"));
    QToolButton* save = MakeToolButton(this, 2144, ButtonIcon::Save, tr("Save"), tr("Save"));
    QToolButton* help = MakeToolButton(this, 28032, ButtonIcon::Help, tr("Help"));
    help->setVisible(false);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName("id28031");
    cancel->setToolTip(tr("Cancel"));
    cancel->setAutoDefault(false);

    // The picture area: the view 2 pixels inside the frame, or the reason there is none.
    auto* frame = new QFrame(this);
    frame->setObjectName("id1032");
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    m_area = new QStackedLayout(frame);
    m_area->setContentsMargins(2, 2, 2, 2);
    m_view = new COpenGLView(nullptr, format);
    m_failure = new QLabel(frame);
    m_failure->setAlignment(Qt::AlignCenter);
    m_failure->setWordWrap(true);
    m_area->addWidget(m_failure);
    if (m_view->Failed()) { // no context here: the view only keeps the zoom rules
        m_viewOutside.reset(m_view);
        ShowFailure(m_view->LastError());
    } else {
        m_area->insertWidget(0, m_view);
        m_area->setCurrentWidget(m_view);
    }

    auto* tools = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{zoomIn, zoomOut, showAll, m_zoomBox})
        tools->addWidget(w);
    tools->addStretch(1);
    tools->addWidget(save);
    tools->addWidget(help);
    tools->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(frame, 1);
    resize(900, 640);
    m_view->setFocus();

    connect(zoomIn, &QToolButton::clicked, m_view, &COpenGLView::ZoomIn);
    connect(zoomOut, &QToolButton::clicked, m_view, &COpenGLView::ZoomOut);
    connect(showAll, &QToolButton::clicked, m_view, &COpenGLView::ShowAll);
    connect(m_zoomBox, &QLineEdit::editingFinished, this, [this] {
        const std::string text = m_zoomBox->text().toStdString();
        char* end = nullptr;
        const double percent = std::strtod(text.c_str(), &end);
        if (end != text.c_str() && m_view->HasPicture()) m_view->SetZoomPercent(percent);
        ShowZoom(m_view->ZoomPercent());
    });
    connect(m_view, &COpenGLView::ZoomChanged, this, &VrViewerDialog::ShowZoom);
    connect(m_view, &COpenGLView::Failure, this, &VrViewerDialog::ShowFailure);
    connect(save, &QToolButton::clicked, this, &VrViewerDialog::Save);
    connect(cancel, &QPushButton::clicked, this, &VrViewerDialog::reject);
    connect(help, &QToolButton::clicked, this, [this] {
        if (m_help) m_help();
    });
}

void VrViewerDialog::SetHelpAction(std::function<void()> action) {
    m_help = std::move(action);
    FindToolButton(this, 28032)->setVisible(static_cast<bool>(m_help));
}

VrViewerDialog::~VrViewerDialog() = default;

bool VrViewerDialog::SetPicture(CImageImpl& picture, const ResultInfo& info) {
    m_info = info;
    if (!info.isResult) return SetPicture(picture, VrFieldOfView{}, true);
    const int width = picture.GetWidth(), height = picture.GetHeight();
    const int inputWidth =
        VistaInputWidth(info.referenceWidth, info.referenceHeight, info.sizeIndex);
    const double hfov = PanoramaHfov(info.method, width, inputWidth, info.focalLength);
    return SetPicture(picture, HandOverFieldOfView(hfov, PanoramaVfov(hfov, width, height)),
                      info.method != 2);
}

bool VrViewerDialog::SetPicture(CImageImpl& picture, const VrFieldOfView& fov, bool yawLimit) {
    m_picture = &picture;
    // The viewer keeps its own copy as red, green, blue.
    RgbPixels copy = RgbPixels::Allocate(picture.GetWidth(), picture.GetHeight());
    if (!copy.data) {
        AppMessageBox(tr("Error : Out of Memory\n"), tr("Error"), kMbOk | kMbIconHand);
        return false;
    }
    for (int y = 0; y < copy.height; ++y) picture.RowToRgb(y, copy.Row(y));
    m_view->SetPicture(std::move(copy), fov, yawLimit);
    return true;
}

void VrViewerDialog::ShowZoom(double percent) {
    m_zoomBox->setText(QString::asprintf("%.1f%%", percent));
}

void VrViewerDialog::ShowFailure(const QString& text) {
    m_failure->setText(COpenGLView::tr(text.toUtf8().constData()));
    m_area->setCurrentWidget(m_failure);
}

void VrViewerDialog::Save() {
    if (m_picture && m_save) m_save(this, *m_picture, m_info);
}

void VrViewerDialog::reject() {
    if (AppMessageBox(tr("Are you sure you go back to the previous window?"), tr("Question"),
                      kMbYesNo | kMbIconQuestion | kMbSystemModal) == kIdYes)
        QDialog::reject();
}

void VrViewerDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}

void OpenPanoramaViewer(QWidget* parent, CImageImpl& picture, const ResultInfo& info,
                        const std::function<void(QWidget* viewer)>& help) {
    VrViewerDialog dialog(parent);
    if (help) dialog.SetHelpAction([&help, &dialog] { help(&dialog); });
    dialog.SetPicture(picture, info); // without a copy the viewer opens empty
    dialog.exec();
}
