#include "image_file_view.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QSplitter>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>

#include "button_icons.h"
#include "correction_window.h"
#include "file_list_model.h"
#include "file_view.h"
#include "help_desk.h"
#include "help_pages.h"
#include "image_browser.h"
#include "image_impl.h"
#include "image_viewer_window.h"
#include "input_correction.h"
#include "main_app.h"
#include "stitchkit/CProgressWnd.h"

namespace {

std::vector<std::string> ToStd(const QStringList& list) {
    std::vector<std::string> out;
    for (const QString& s : list) out.push_back(s.toStdString());
    return out;
}

// A button with a caption and no picture.
QToolButton* MakeTextButton(QWidget* parent, int id, const QString& tip, const QString& text) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QStringLiteral("id%1").arg(id));
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setText(text);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

// The longest side of the reduced copy the correction windows preview.
constexpr int kPreviewWidth = 640;
constexpr int kPreviewHeight = 480;

} // namespace

ImageFileView::ImageFileView(CMainApp& app, QWidget* parent) : QDialog(parent), m_app(app) {
    setObjectName("id139");
    setWindowTitle(QString::fromStdString(app.Title()) + " - " + tr("Image File View"));
    setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
    setSizeGripEnabled(true);

    auto* display = new QWidget(this);
    display->setObjectName("id28009");
    display->setToolTip(tr("Display"));
    m_browser = new CImageBrowser(display);
    auto* displayLayout = new QVBoxLayout(display);
    displayLayout->setContentsMargins(0, 0, 0, 0);
    displayLayout->addWidget(m_browser);

    m_list = new QListWidget(this);
    m_list->setObjectName("id28010");
    m_list->setToolTip(tr("Selected Image List"));
    m_list->setViewMode(QListView::IconMode);
    m_list->setIconSize(QSize(100, 100));
    m_list->setGridSize(QSize(130, 136));
    m_list->setFlow(QListView::LeftToRight);
    m_list->setWrapping(false);
    m_list->setMovement(QListView::Static);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setAcceptDrops(true);
    m_list->viewport()->setAcceptDrops(true);
    m_list->setDropIndicatorShown(true);
    m_list->setMinimumHeight(150);
    m_list->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
    QPalette palette = m_list->palette();
    palette.setColor(QPalette::Base, QColor(201, 192, 187));
    m_list->setPalette(palette);

    m_info = new QLabel(this);
    m_info->setObjectName("id28011");
    auto* version = new QLabel(QString::fromLatin1(CMainApp::kVersion), this);
    version->setObjectName("id2170");
    version->setToolTip(tr("Version"));

    QToolButton* in =
        MakeToolButton(this, 28014, ButtonIcon::In, tr("Input Selected Images"), tr("IN"));
    QToolButton* allIn =
        MakeToolButton(this, 2117, ButtonIcon::AllIn, tr("Input All"), tr("ALL IN"));
    QToolButton* out =
        MakeToolButton(this, 2112, ButtonIcon::Out, tr("Delete Selected Images"), tr("OUT"));
    QToolButton* allOut =
        MakeToolButton(this, 28013, ButtonIcon::AllOut, tr("Delete All"), tr("ALL OUT"));
    QToolButton* rotate =
        MakeToolButton(this, 2113, ButtonIcon::Rotate, tr("Rotate All"), tr("ROT"));
    QToolButton* shade = MakeTextButton(this, 2145, tr("Shading Correction"), tr("Shade"));
    QToolButton* lens = MakeTextButton(this, 2146, tr("Lens Distortion Correction"), tr("Lens"));
    QToolButton* mask = MakeTextButton(this, 2147, tr("Mask"), tr("Mask"));
    QToolButton* left = MakeToolButton(this, 2114, ButtonIcon::Previous, tr("Move Left"));
    QToolButton* right = MakeToolButton(this, 2115, ButtonIcon::Next, tr("Move Right"));
    QToolButton* base = MakeToolButton(this, 2119, ButtonIcon::Base, tr("Set Base Image"));
    QToolButton* autoStep =
        MakeToolButton(this, 2116, ButtonIcon::Stitch, tr("Automatic Alignment"), tr("Auto"));
    QToolButton* manual =
        MakeToolButton(this, 28017, ButtonIcon::Align, tr("Manual Align (pairwise)"), tr("Manual"));
    QToolButton* matching = MakeToolButton(this, 2120, ButtonIcon::Panorama,
                                           tr("Manual Matching (pairwise)"), tr("Matching"));
    QToolButton* exit = MakeToolButton(this, 28016, ButtonIcon::Exit, tr("Exit"), tr("End"));
    QToolButton* help = MakeToolButton(this, 28015, ButtonIcon::Help, tr("Help"));

    auto* listButtons = new QHBoxLayout;
    for (QToolButton* b : {in, allIn, out, allOut, rotate, shade, lens, mask, left, right, base})
        listButtons->addWidget(b);
    listButtons->addSpacing(16);
    listButtons->addWidget(m_info, 1);
    auto* stepButtons = new QHBoxLayout;
    stepButtons->addWidget(new QLabel(tr("Align and stitch:"), this));
    for (QToolButton* b : {autoStep, manual, matching}) stepButtons->addWidget(b);
    stepButtons->addStretch(1);
    stepButtons->addWidget(version);
    stepButtons->addWidget(help);
    stepButtons->addWidget(exit);

    auto* lower = new QWidget(this);
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->addLayout(listButtons);
    lowerLayout->addWidget(m_list, 1);
    lowerLayout->addLayout(stepButtons);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(display);
    split->addWidget(lower);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split);

    InputImageList& inputs = m_app.Inputs();
    CFileView* files = m_browser->Files();
    connect(in, &QToolButton::clicked, this, [this, files] { AddFiles(files->SelectedPaths()); });
    connect(allIn, &QToolButton::clicked, this, [this, files, &inputs] {
        inputs.AskAddAll(ToStd(files->AllPaths()));
        RefreshList();
    });
    connect(out, &QToolButton::clicked, this, [this, &inputs] {
        inputs.RemoveSelected();
        RefreshList();
    });
    connect(allOut, &QToolButton::clicked, this, [this, &inputs] {
        inputs.RemoveAll();
        RefreshList();
    });
    connect(rotate, &QToolButton::clicked, this, [this, &inputs] {
        inputs.Rotate();
        RefreshList();
    });
    connect(shade, &QToolButton::clicked, this, [this] { OpenCorrection(false); });
    connect(lens, &QToolButton::clicked, this, [this] { OpenCorrection(true); });
    connect(mask, &QToolButton::clicked, this, &ImageFileView::OpenMask);
    // Files added in a batch while a correction is on get corrected thumbnails.
    inputs.SetCorrectionBatch([&inputs] { inputs.RebuildThumbnails(); });
    connect(left, &QToolButton::clicked, this, [this, &inputs] {
        inputs.MoveSelected(-1);
        RefreshList();
        m_list->setFocus();
    });
    connect(right, &QToolButton::clicked, this, [this, &inputs] {
        inputs.MoveSelected(+1);
        RefreshList();
        m_list->setFocus();
    });
    connect(base, &QToolButton::clicked, this, [this, &inputs] {
        inputs.SetBaseToSelected();
        RefreshList();
    });
    connect(autoStep, &QToolButton::clicked, this, [this] { m_app.SwitchTo(Step::AutoAlign); });
    connect(manual, &QToolButton::clicked, this, [this] { m_app.SwitchTo(Step::ManualAlign); });
    connect(matching, &QToolButton::clicked, this, [this] { m_app.SwitchTo(Step::ManualMatch); });
    connect(help, &QToolButton::clicked, this,
            [this] { m_app.Help().Open(this, help_page::kFileView); });
    connect(exit, &QToolButton::clicked, this, [this] {
        // Staying after End throws the stitch state away, as a change of the list would.
        if (!m_app.AskExit()) m_app.ResetStitchState();
    });
    connect(m_list, &QListWidget::currentRowChanged, this, [this, &inputs](int row) {
        inputs.SetSelected(row);
        UpdateButtons();
    });
    connect(files, &CFileView::SelectionChanged, this, &ImageFileView::UpdateButtons);
    connect(files->Model(), &QAbstractItemModel::rowsInserted, this, &ImageFileView::UpdateButtons);
    connect(files->Model(), &QAbstractItemModel::modelReset, this, &ImageFileView::UpdateButtons);
    connect(files, &CFileView::OpenRequested, this, &ImageFileView::OpenViewer);
    RefreshList();
}

QToolButton* ImageFileView::Button(int id) const {
    return FindToolButton(this, id);
}

void ImageFileView::RefreshList() {
    const InputImageList& inputs = m_app.Inputs();
    const QSignalBlocker block(m_list);
    m_list->clear();
    for (int k = 0; k < inputs.Count(); ++k) {
        auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(inputs.Thumbnail(k))),
                                         QString::fromStdString(inputs.Label(k)), m_list);
        item->setToolTip(QString::fromStdString(inputs.Paths()[k]));
    }
    if (inputs.Selected() >= 0) {
        m_list->setCurrentRow(inputs.Selected());
        m_list->scrollToItem(m_list->item(inputs.Selected()));
    }
    m_info->setText(QString::fromStdString(inputs.InfoLine()));
    UpdateButtons();
}

void ImageFileView::UpdateButtons() {
    const InputImageList& inputs = m_app.Inputs();
    const bool selected = inputs.Selected() >= 0;
    const bool any = inputs.Count() > 0;
    CFileView* files = m_browser->Files();
    Button(28014)->setEnabled(!files->SelectedRows().isEmpty());
    Button(2117)->setEnabled(files->Model()->rowCount() > 0);
    for (int id : {2112, 2114, 2115, 2119}) Button(id)->setEnabled(selected);
    for (int id : {28013, 2113, 2145, 2146, 2147, 2116, 28017, 2120}) Button(id)->setEnabled(any);
}

void ImageFileView::AddFiles(const QStringList& paths) {
    m_app.Inputs().AddFiles(ToStd(paths));
    RefreshList();
}

void ImageFileView::OpenViewer(const QString& path) {
    ImageViewerWindow viewer(this);
    viewer.setGeometry(geometry().adjusted(40, 40, -40, -40));
    viewer.SetHelpAction([this, &viewer] { m_app.Help().Open(&viewer, help_page::kImageViewer); });
    if (viewer.OpenFile(path.toStdString(), m_app.Title())) viewer.exec();
}

void ImageFileView::OpenCorrection(bool lens) {
    InputImageList& inputs = m_app.Inputs();
    if (inputs.Count() == 0) return;
    PictureCorrection correction = inputs.Correction();
    std::unique_ptr<CImageImpl> preview;
    {
        const std::string caption = tr("Progress").toStdString();
        CProgressWnd progress(nullptr, caption.c_str());
        progress.GoModal(caption.c_str());
        progress.SetRange(0, 100);
        progress.SetText("%s", tr("Preparing images...").toUtf8().constData());
        progress.SetPos(10);
        const int index = inputs.Selected() >= 0 ? inputs.Selected() : 0;
        std::unique_ptr<CImageImpl> picture =
            LoadCorrectedPicture(inputs.Paths()[index], PictureCorrection{inputs.Rotation(), 0, 0});
        if (!picture) return;
        progress.SetPos(50);
        // The lens window shows the picture with the current shading, made at full size so that
        // its centre and radius are those of the picture itself.
        if (lens && correction.shading != 0 && picture->GetBitsPerPixel() == 24) {
            std::unique_ptr<CImageImpl> shaded = ShadingCorrected(*picture, correction.shading);
            if (shaded) picture = std::move(shaded);
        }
        preview = picture->MakeThumbnail(kPreviewWidth, kPreviewHeight);
        progress.SetPos(90);
    }
    if (!preview) return;
    CorrectionWindow window(lens ? CorrectionWindow::Kind::Lens : CorrectionWindow::Kind::Shading,
                            std::move(preview), lens ? correction.lens : correction.shading,
                            lens ? m_lensModel : m_shadingModel, this);
    if (window.exec() != QDialog::Accepted) return;
    (lens ? correction.lens : correction.shading) = window.Value();
    (lens ? m_lensModel : m_shadingModel) = window.Model();
    inputs.SetCorrection(correction);
    inputs.RebuildThumbnails();
    RefreshList();
}

void ImageFileView::OpenMask() {
    InputImageList& inputs = m_app.Inputs();
    if (inputs.Count() == 0) return;
    const int index = inputs.Selected() >= 0 ? inputs.Selected() : 0;
    PictureCorrection correction = inputs.Correction();
    correction.rotation = inputs.Rotation();
    std::unique_ptr<CImageImpl> picture = LoadCorrectedPicture(inputs.Paths()[index], correction);
    if (!picture) return;
    MaskWindow window(std::move(picture), m_maskCircle, this);
    if (window.exec() != QDialog::Accepted) return;
    std::unique_ptr<CImageImpl> made = window.TakeMask();
    if (!made) return;
    m_maskCircle = window.PictureCircle();
    m_app.SetMask(std::move(made));
}

bool ImageFileView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
            m_app.Inputs().RemoveSelected();
            RefreshList();
            return true;
        }
    }
    if (watched == m_list->viewport()) {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDropEvent*>(event);
            if (drag->mimeData()->hasUrls()) {
                drag->acceptProposedAction();
                return true;
            }
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            QStringList paths;
            for (const QUrl& url : drop->mimeData()->urls())
                if (url.isLocalFile()) paths.push_back(url.toLocalFile());
            drop->acceptProposedAction();
            AddFiles(paths);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ImageFileView::reject() {
    // Escape and the close box ask before the program ends.
    m_app.AskExit();
}

void ImageFileView::closeEvent(QCloseEvent* event) {
    event->ignore();
    m_app.AskExit();
}
