#include "auto_alignment.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "alignment_view.h"
#include "arrangement.h"
#include "button_icons.h"
#include "help_desk.h"
#include "help_pages.h"
#include "image_impl.h"
#include "main_app.h"
#include "message_box.h"
#include "picture_strip.h"
#include "prompter.h"
#include "step_windows.h"
#include "stitch_driver.h"
#include "zoom_controls.h"

AutoAlignmentWindow::AutoAlignmentWindow(CMainApp& app, int mode, QWidget* parent)
    : QDialog(parent), m_app(app), m_mode(mode) {
    setObjectName("id25503");
    setWindowTitle(QString::fromStdString(app.Title()) + " - " + tr("Automatic Alignment"));
    Qt::WindowFlags flags =
        windowFlags() & ~(Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    if (mode & 0x1) flags |= Qt::WindowMinimizeButtonHint;
    if (mode & 0x2) flags |= Qt::WindowMaximizeButtonHint;
    setWindowFlags(flags);

    m_view = new CAlignmentView(this);
    m_view->setObjectName("id28009");
    m_view->SetFitFlag(false);
    m_view->setMinimumSize(320, 200);
    m_strip = new PictureStrip(this);
    m_info = new QLabel(this);

    QToolButton* back = MakeToolButton(this, 28014, ButtonIcon::Back, tr("Cancel"), tr("Back"));
    QToolButton* stitch =
        MakeToolButton(this, 28013, ButtonIcon::Stitch, tr("Stitch"), tr("Stitch"));
    QToolButton* base = MakeToolButton(this, 28064, ButtonIcon::Base, tr("Set Base Image"));
    QToolButton* rearrange =
        MakeToolButton(this, 28050, ButtonIcon::Rearrange, tr("Automatic Rearrangement"));
    QToolButton* end = MakeToolButton(this, 28016, ButtonIcon::Exit, tr("Exit"));
    QToolButton* help = MakeToolButton(this, 28015, ButtonIcon::Help, tr("Help"));

    auto* tools = new QHBoxLayout;
    tools->addWidget(back);
    tools->addWidget(stitch);
    tools->addSpacing(12);
    tools->addWidget(base);
    tools->addWidget(rearrange);
    tools->addSpacing(12);
    AddZoomControls(m_view, this, tools, {28033, 28034, 28035, 28039});
    tools->addStretch(1);
    tools->addWidget(m_info);
    tools->addSpacing(12);
    tools->addWidget(help);
    tools->addWidget(end);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_strip);
    resize(1000, 720);

    connect(back, &QToolButton::clicked, this, [this] {
        if (AppMessageBox(tr("Do you want to go back to Image Browser?"), tr("Question"),
                          kMbOkCancel | kMbIconQuestion) == kIdOk)
            m_app.BackToFileView();
    });
    connect(stitch, &QToolButton::clicked, this, &AutoAlignmentWindow::Stitch);
    connect(base, &QToolButton::clicked, this, &AutoAlignmentWindow::SetBase);
    connect(rearrange, &QToolButton::clicked, this, &AutoAlignmentWindow::Rearrange);
    connect(help, &QToolButton::clicked, this,
            [this] { m_app.Help().Open(this, help_page::kAutomaticAlignment); });
    connect(end, &QToolButton::clicked, this, [this] { m_app.AskExit(); });
    connect(m_strip, &PictureStrip::PictureOpened, this,
            [this](int index) { OpenInputPicture(m_app, index, this); });
}

QToolButton* AutoAlignmentWindow::Button(int id) const {
    return FindToolButton(this, id);
}

ParameterDialogKind AutoAlignmentWindow::DialogKind() const {
    if (m_mode & 0x20) return ParameterDialogKind::Translation;
    if (m_mode & 0x40) return ParameterDialogKind::LensAngle;
    return ParameterDialogKind::PlaneCylinder;
}

bool AutoAlignmentWindow::RunAlignment() {
    InputImageList& inputs = m_app.Inputs();
    CAlignDocument& document = m_app.Document();
    MFCPanorama& engine = m_app.Panorama();
    m_view->SetPictures({}); // the records are rebuilt below
    m_strip->SetEntries(StripEntries(inputs));
    if (!HasTwoPictures(inputs)) return false;
    if (inputs.BuildImageInfoList(document) == 0) return false;
    if (engine.GetImagesCount() == 0 &&
        !InputImageList::TransferToEngine(document, engine, true, m_app.Transfer()))
        return false;
    if (!engine.DoAutoAlign(nullptr)) return false;

    const PlacementRect first = document.At(0)->Rect();
    m_firstWidth = first.Width();
    m_firstHeight = first.Height();
    int x = first.left, y = first.top;
    for (int i = 0; i < engine.GetImagesCount() && document.At(i + 1); ++i) {
        int dy = 0, dx = 0;
        engine.GetAlign(i, i + 1, &dy, &dx);
        x += dx;
        y += dy;
        document.At(i + 1)->MoveTo(x, y);
    }
    // The engine keeps its converted copies of the pictures after aligning them; they are
    // handed over again when a stitch or a pair alignment needs them, so they are not kept
    // beside the pictures meanwhile.
    engine.DestroyInternalData();
    m_app.Transfer() = {};
    ShowPictures();
    return true;
}

void AutoAlignmentWindow::ShowPictures() {
    std::vector<CImageInfo*> pictures;
    for (const auto& record : m_app.Document().m_ImageInfoList) pictures.push_back(record.get());
    m_view->SetPictures(std::move(pictures));
    m_info->setText(QString::fromStdString(m_app.Inputs().InfoLine()));
    m_view->Fit();
}

void AutoAlignmentWindow::Rearrange() {
    CAlignDocument& document = m_app.Document();
    if (document.Count() < 3 || document.Count() != m_app.Inputs().Count()) return;
    std::vector<PlacementRect> placements;
    for (const auto& record : document.m_ImageInfoList) placements.push_back(record->Rect());
    const std::vector<int> order = RearrangementOrder(placements);
    m_app.Inputs().Reorder(order, document);
    // The engine holds the pictures in the old order; they are handed over again when needed.
    m_app.Panorama().DestroyInternalData();
    m_app.Transfer() = {};
    m_strip->SetEntries(StripEntries(m_app.Inputs()));
    m_strip->setCurrentRow(-1);
    ShowPictures();
}

void AutoAlignmentWindow::Stitch() {
    if (!NeighboursOverlap(m_app.Document())) {
        if (AppMessageBox(tr("There is no overlap between consecutive images?\n Do you want to "
                             "re-order images automatically?"),
                          tr("Question"), kMbOkCancel | kMbIconQuestion) != kIdOk)
            return;
        Rearrange();
    }
    StitchDriver& driver = m_app.Driver();
    if (!driver.PrepareAndChoose(0, DialogKind())) return;
    if (!driver.RunMosaic(true)) return;
    driver.ShowResult(this);
}

void AutoAlignmentWindow::SetBase() {
    InputImageList& inputs = m_app.Inputs();
    const int row = m_strip->currentRow();
    inputs.SetSelected(row);
    if (!inputs.SetBaseToSelected()) return;
    m_strip->SetEntries(StripEntries(inputs));
    m_strip->setCurrentRow(row);
}

void AutoAlignmentWindow::reject() {
    m_app.AskExit();
}

void AutoAlignmentWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    m_app.AskExit();
}
