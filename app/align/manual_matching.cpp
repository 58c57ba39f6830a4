#include "manual_matching.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include "button_icons.h"
#include "feature_matching_view.h"
#include "image_impl.h"
#include "message_box.h"
#include "prompter.h"
#include "stitchkit/MFCPanorama.h"

namespace {

QString Caption(int number, const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return QStringLiteral("%1 ").arg(number) +
           QString::fromStdString(slash == std::string::npos ? path : path.substr(slash + 1));
}

} // namespace

ManualMatchingWindow::ManualMatchingWindow(CAlignDocument& document, MFCPanorama& engine,
                                           const std::string& title, AlignmentHooks hooks,
                                           QWidget* parent)
    : QDialog(parent), m_document(document), m_engine(engine), m_title(title),
      m_hooks(std::move(hooks)) {
    setObjectName("id141");
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    SetTitle();

    m_leftPane = new CFeatureMatchingView(m_store, this);
    m_rightPane = new CFeatureMatchingView(m_store, this);
    m_rightPane->SetMayAdd(true); // new correspondences are marked in the right picture
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName("id1025");
    m_leftLabel = new QLabel(this);
    m_leftLabel->setObjectName("id1026");
    m_rightLabel = new QLabel(this);
    m_rightLabel->setObjectName("id1027");
    for (auto [pane, label] : {std::pair{m_leftPane, m_leftLabel}, {m_rightPane, m_rightLabel}}) {
        auto* side = new QWidget(splitter);
        auto* column = new QVBoxLayout(side);
        column->setContentsMargins(0, 0, 0, 0);
        column->addWidget(label);
        column->addWidget(pane, 1);
        splitter->addWidget(side);
    }
    auto* magnifiers = new QHBoxLayout;
    const char* tips[3] = {QT_TR_NOOP("The left picture around the selected point"),
                           QT_TR_NOOP("The right picture around the selected point"),
                           QT_TR_NOOP("Both pictures mixed around the selected point")};
    for (int k = 0; k < 3; ++k) {
        m_zoom[k] = new CZoomSelectionView(m_store, this);
        m_zoom[k]->setObjectName(QStringLiteral("id%1").arg(1009 + k));
        m_zoom[k]->setToolTip(tr(tips[k]));
        m_zoom[k]->setFixedSize(160, 160);
        magnifiers->addWidget(m_zoom[k]);
    }
    magnifiers->addStretch(1);

    QToolButton* previous =
        MakeToolButton(this, 28014, ButtonIcon::Previous, tr("Previous Pair"), "<<");
    QToolButton* next = MakeToolButton(this, 2112, ButtonIcon::Next, tr("Next Pair"), ">>");
    QToolButton* remove = MakeToolButton(this, 28017, ButtonIcon::Out,
                                         tr("Delete the selected correspondence"), tr("Del"));
    QToolButton* stitch =
        MakeToolButton(this, 28013, ButtonIcon::Stitch, tr("Stitch"), tr("Stitch"));
    QToolButton* back =
        MakeToolButton(this, 2117, ButtonIcon::Back, tr("Back to Image Browser"), "X");
    QToolButton* help = MakeToolButton(this, 28015, ButtonIcon::Help, tr("Help"));
    QToolButton* end = MakeToolButton(this, 28016, ButtonIcon::Exit, tr("Exit"));
    help->setVisible(static_cast<bool>(m_hooks.help));
    auto* tools = new QHBoxLayout;
    for (QToolButton* b : {back, previous, next, remove, stitch}) tools->addWidget(b);
    tools->addStretch(1);
    tools->addWidget(help);
    tools->addWidget(end);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(splitter, 1);
    layout->addLayout(magnifiers);
    resize(1200, 800);

    connect(previous, &QToolButton::clicked, this, &ManualMatchingWindow::PreviousPair);
    connect(next, &QToolButton::clicked, this, &ManualMatchingWindow::NextPair);
    connect(remove, &QToolButton::clicked, this, &ManualMatchingWindow::DeleteSelected);
    connect(stitch, &QToolButton::clicked, this, &ManualMatchingWindow::Stitch);
    connect(back, &QToolButton::clicked, this, [this] {
        if (AppMessageBox(tr("Do you want to go back to Image Browser?"), tr("Question"),
                          kMbOkCancel | kMbIconQuestion) != kIdOk)
            return;
        RestoreFirst();
        if (m_hooks.back) m_hooks.back();
    });
    connect(help, &QToolButton::clicked, this, [this] {
        if (m_hooks.help) m_hooks.help();
    });
    connect(end, &QToolButton::clicked, this, [this] {
        if (m_hooks.exit) m_hooks.exit();
    });
    for (CFeatureMatchingView* pane : {m_leftPane, m_rightPane})
        connect(pane, &CFeatureMatchingView::PointsChanged, this, &ManualMatchingWindow::Refresh);
}

ManualMatchingWindow::~ManualMatchingWindow() {
    RestoreFirst();
}

QToolButton* ManualMatchingWindow::Button(int id) const {
    return FindToolButton(this, id);
}

void ManualMatchingWindow::SetTitle() {
    QString title = QString::fromStdString(m_title) + " - " + tr("Feature Matching");
    if (m_closes360) title += " " + tr("(360 degree)");
    setWindowTitle(title);
}

bool ManualMatchingWindow::Start() {
    RestoreFirst();
    m_store.Clear();
    m_pair = -1;
    m_reached = 0;
    m_known360 = m_closes360 = m_allow360 = false;
    SetTitle();
    if (m_document.Count() < 2 || !ChoosePair(0)) return false;
    // Both panes start at the top-left corner of the pictures' overlap.
    const PlacementRect& a = m_document.At(0)->Rect();
    const PlacementRect& b = m_document.At(1)->Rect();
    const int left = std::max(a.left, b.left), top = std::max(a.top, b.top);
    m_leftPane->ScrollTo(left - a.left, top - a.top);
    m_rightPane->ScrollTo(left - b.left, top - b.top);
    return true;
}

void ManualMatchingWindow::RestoreFirst() {
    if (!m_firstMoved) return;
    m_firstMoved = false;
    if (CImageInfo* first = m_document.At(0)) first->SetRect(m_firstPlacement);
}

bool ManualMatchingWindow::ChoosePair(int i) {
    const int n = m_document.Count();
    const bool seam = i == n - 1;
    CImageInfo* left = m_document.At(i);
    CImageInfo* right = seam ? m_document.At(0) : m_document.At(i + 1);
    if (!left || !right || !left->Picture() || !right->Picture() ||
        !m_leftPixels.SetPicture(left->Picture()) || !m_rightPixels.SetPicture(right->Picture())) {
        AppMessageBox(tr("Error : No Image ?").toStdString(), m_title, kMbOk | kMbIconExclamation);
        return false;
    }
    if (seam && !m_firstMoved) {
        // The first picture shown beside the last one, where the seam's alignment puts it (by
        // default as far on as the first pair's step).
        m_firstPlacement = right->Rect();
        const PlacementRect& last = left->Rect();
        const PlacementRect& second = m_document.At(1)->Rect();
        right->MoveTo(last.left + (second.left - m_firstPlacement.left),
                      last.top + (second.top - m_firstPlacement.top));
        m_firstMoved = true;
    } else if (!seam) {
        RestoreFirst();
    }
    m_pair = i;
    m_reached = std::max(m_reached, std::min(i + 1, n - 1));
    const PairPicture l{left, &m_leftPixels}, r{right, &m_rightPixels};
    m_leftPane->SetPictures(l, r, {left, right});
    m_rightPane->SetPictures(r, l, {left, right});
    m_zoom[0]->SetPictures({l, r}, left);
    m_zoom[1]->SetPictures({l, r}, right);
    m_zoom[2]->SetPictures({l, r}, nullptr);
    m_leftLabel->setText(Caption(i + 1, left->Path()));
    m_rightLabel->setText(Caption(seam ? 1 : i + 2, right->Path()));
    m_store.SetSelected(-1);
    Refresh();
    return true;
}

void ManualMatchingWindow::Refresh() {
    m_leftPane->RedrawCanvas();
    m_rightPane->RedrawCanvas();
    for (CZoomSelectionView* zoom : m_zoom) zoom->update();
    Button(28017)->setEnabled(m_store.Selected() >= 0);
}

void ManualMatchingWindow::PreviousPair() {
    if (m_pair <= 0) {
        AppBeep();
        return;
    }
    ChoosePair(m_pair - 1);
}

void ManualMatchingWindow::NextPair() {
    // Pairs 0 .. n - 2, then the pair (last, first) once a 360-degree stitch was chosen.
    const int last = m_document.Count() - (m_allow360 ? 1 : 2);
    if (m_pair + 1 > last) {
        AppBeep();
        return;
    }
    ChoosePair(m_pair + 1);
}

void ManualMatchingWindow::DeleteSelected() {
    if (m_store.Selected() < 0) {
        AppMessageBox(tr("Please select feature point to delete."), tr("Warning"),
                      kMbOk | kMbIconExclamation);
        return;
    }
    m_store.Remove(m_store.Selected());
    Refresh();
    setFocus();
}

void ManualMatchingWindow::Stitch() {
    const int n = m_document.Count();
    if (m_reached < n - 1) {
        AppMessageBox(tr("Images are remain.").toStdString(), m_title, kMbOk | kMbIconExclamation);
        return;
    }
    if (!m_known360) {
        bool closes = false;
        if (!m_hooks.prepareMatching || !m_hooks.prepareMatching(&closes)) return;
        m_known360 = true;
        m_closes360 = closes;
        SetTitle();
        if (m_closes360) {
            // The first press opens the pair of the last and the first picture.
            m_allow360 = true;
            AppMessageBox(tr("Please match features between the first and the last images."),
                          tr("Question"), kMbOk | kMbIconQuestion);
            return;
        }
    }
    if (m_closes360 &&
        AppMessageBox(tr("Are you sure you want to stitch 360-degree cylindrical panorama?"),
                      tr("Question"), kMbOkCancel | kMbIconQuestion) != kIdOk)
        return;
    // The engine fits a pair from 6 correspondences or more.
    const int pairs = m_closes360 ? n : n - 1;
    for (int k = 0; k < pairs; ++k) {
        const auto count = m_store.Extract(m_document.At(k), m_document.At((k + 1) % n)).size();
        if (count >= kFewestMatches) continue;
        if (AppMessageBox(tr("You have specified less than 6 correspondence points. You won't be "
                             "able to stitch the images if you don't specify more points. Press OK "
                             "to close the window anyway."),
                          tr("Warning"), kMbOkCancel | kMbIconExclamation) != kIdOk)
            return;
        break;
    }
    for (int k = 1; k < n; ++k)
        for (const MatchRecord& m : m_store.Extract(m_document.At(k - 1), m_document.At(k)))
            m_engine.AddMatch(k - 1, k, m[0], m[1], m[2], m[3]);
    if (m_closes360) {
        const bool moved = m_firstMoved;
        if (!moved) ChoosePair(n - 1); // places the first picture beside the last one
        const PlacementRect& last = m_document.At(n - 1)->Rect();
        const PlacementRect& first = m_document.At(0)->Rect();
        const int dy = first.top - last.top, dx = first.left - last.left;
        const std::vector<MatchRecord> seam =
            m_store.Extract(m_document.At(n - 1), m_document.At(0));
        RestoreFirst();
        if (seam.empty()) {
            m_engine.SetAlignment360(dy, dx);
        } else {
            for (const MatchRecord& m : seam) m_engine.AddMatch360(m[0], m[1], m[2], m[3]);
        }
    }
    // The engine takes the matches with the stitch; another stitch starts from the dialog.
    m_known360 = false;
    if (m_hooks.runMosaic) m_hooks.runMosaic(this);
}

void ManualMatchingWindow::reject() {
    if (m_hooks.exit) m_hooks.exit();
}

void ManualMatchingWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}
