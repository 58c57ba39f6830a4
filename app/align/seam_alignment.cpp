#include "seam_alignment.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "alignment_view.h"
#include "button_icons.h"
#include "message_box.h"
#include "prompter.h"
#include "stitchkit/MFCPanorama.h"
#include "zoom_controls.h"

SeamAlignmentWindow::SeamAlignmentWindow(CAlignDocument& document, MFCPanorama& engine,
                                         const std::string& title, AlignmentHooks hooks,
                                         QWidget* parent)
    : QDialog(parent), m_document(document), m_engine(engine), m_hooks(std::move(hooks)) {
    setObjectName("id25505");
    setWindowTitle(QString::fromStdString(title) + " - " + tr("Manual Alignment") + " " +
                   tr("(360 degree)"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);

    m_view = new CAlignmentView(this);
    m_view->setObjectName("id28028");
    m_view->SetFitFlag(false);
    m_view->setMinimumSize(320, 200);

    QToolButton* back = MakeToolButton(this, 28031, ButtonIcon::Back, tr("Cancel"), tr("Cancel"));
    QToolButton* align =
        MakeToolButton(this, 28030, ButtonIcon::Align,
                       tr("Align the last and the first image automatically"), tr("Align"));
    QToolButton* stitch =
        MakeToolButton(this, 28029, ButtonIcon::Stitch, tr("Stitch"), tr("Stitch"));
    QToolButton* help = MakeToolButton(this, 28032, ButtonIcon::Help, tr("Help"));
    QToolButton* end = MakeToolButton(this, 28059, ButtonIcon::Exit, tr("Exit"));

    auto* tools = new QHBoxLayout;
    tools->addWidget(back);
    tools->addWidget(align);
    tools->addWidget(stitch);
    tools->addSpacing(12);
    AddZoomControls(m_view, this, tools, {28033, 28034, 28035, 28039});
    tools->addStretch(1);
    tools->addWidget(help);
    tools->addWidget(end);

    auto* hint = new QLabel(tr("Place the first image (drawn over the last one) where it continues "
                               "the last image."),
                            this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(hint);
    layout->addWidget(m_view, 1);
    resize(1000, 640);

    connect(back, &QToolButton::clicked, this, &SeamAlignmentWindow::AskCancel);
    connect(align, &QToolButton::clicked, this, [this] {
        AlignSeam();
        m_view->Fit();
    });
    connect(stitch, &QToolButton::clicked, this, &SeamAlignmentWindow::Confirm);
    help->setVisible(static_cast<bool>(m_hooks.help));
    connect(help, &QToolButton::clicked, this, [this] {
        if (m_hooks.help) m_hooks.help();
    });
    connect(end, &QToolButton::clicked, this, [this] {
        if (!m_hooks.exit || !m_hooks.exit()) return;
        // The program ends: this window ends with it.
        RestoreFirst();
        QDialog::reject();
    });
}

SeamAlignmentWindow::~SeamAlignmentWindow() {
    RestoreFirst();
}

QToolButton* SeamAlignmentWindow::Button(int id) const {
    return FindToolButton(this, id);
}

bool SeamAlignmentWindow::Open() {
    const int n = m_document.Count();
    if (n < 2) return false;
    CImageInfo* last = m_document.At(n - 1);
    CImageInfo* first = m_document.At(0);
    // The first picture is moved here only to show the seam; its place in the chain of
    // placements is given back when the window closes, so a later stitch is not disturbed.
    m_firstPlacement = first->Rect();
    m_open = true;
    first->MoveTo(last->Rect().right, last->Rect().top);
    m_view->SetPictures({last, first});
    AlignSeam();
    m_view->Fit();
    return true;
}

bool SeamAlignmentWindow::AlignSeam() {
    const int n = m_document.Count();
    if (n < 2) return false;
    if (m_engine.GetImagesCount() == 0 &&
        !(m_hooks.ensureEngineImages && m_hooks.ensureEngineImages()))
        return false;
    int dy = 0, dx = 0;
    if (!m_engine.DoAutoAlignPair(m_engine.GetImagesCount() - 1, 0, &dy, &dx, nullptr))
        return false;
    const PlacementRect& last = m_document.At(n - 1)->Rect();
    m_document.At(0)->MoveTo(last.left + dx, last.top + dy);
    m_view->UpdateLayout();
    return true;
}

void SeamAlignmentWindow::Confirm() {
    if (AppMessageBox(tr("Are you sure you want to stitch 360-degree cylindrical panorama?"),
                      tr("Question"), kMbOkCancel | kMbIconQuestion) != kIdOk)
        return;
    const int n = m_document.Count();
    m_dx = m_document.At(0)->Rect().left - m_document.At(n - 1)->Rect().left;
    m_dy = m_document.At(0)->Rect().top - m_document.At(n - 1)->Rect().top;
    RestoreFirst();
    accept();
}

void SeamAlignmentWindow::AskCancel() {
    if (AppMessageBox(tr("Are you sure you go back to the previous window?"), tr("Question"),
                      kMbOkCancel | kMbIconQuestion) != kIdOk)
        return;
    RestoreFirst();
    QDialog::reject();
}

void SeamAlignmentWindow::RestoreFirst() {
    if (!m_open) return;
    m_open = false;
    if (CImageInfo* first = m_document.At(0)) first->SetRect(m_firstPlacement);
}

void SeamAlignmentWindow::reject() {
    AskCancel(); // Escape asks like the Cancel button
}

void SeamAlignmentWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    AskCancel();
}
