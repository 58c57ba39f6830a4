#include "correction_window.h"

#include "button_icons.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "image_impl.h"
#include "input_correction.h"
#include "picture_qimage.h"
#include "stitchkit/CProgressWnd.h"

// A picture drawn as large as fits, centred, with its aspect kept.
class PreviewPane : public QWidget {
public:
    explicit PreviewPane(QWidget* parent) : QWidget(parent) { setMinimumSize(160, 120); }
    void SetImage(const QImage& image) {
        m_image = image;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(64, 64, 64));
        if (m_image.isNull()) return;
        const QSize fitted = m_image.size().scaled(size(), Qt::KeepAspectRatio);
        const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                           fitted);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, m_image);
    }

private:
    QImage m_image;
};

namespace {

QToolButton* MakeButton(QWidget* parent, int id, const QString& text, const QString& tip = {}) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QStringLiteral("id%1").arg(id));
    button->setText(text);
    if (!tip.isEmpty()) button->setToolTip(tip);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setMinimumWidth(80);
    return button;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, Qt::Alignment align) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(align);
    return label;
}

} // namespace

CorrectionWindow::CorrectionWindow(Kind kind, std::unique_ptr<CImageImpl> preview, int value,
                                   int model, QWidget* parent)
    : QDialog(parent), m_kind(kind), m_preview(std::move(preview)), m_model(model) {
    const bool lens = kind == Kind::Lens;
    setObjectName(lens ? "id133" : "id132");
    setWindowTitle(lens ? tr("Lens Distortion Correction") : tr("Shading Correction"));
    setSizeGripEnabled(true);

    m_beforePane = new PreviewPane(this);
    m_beforePane->setObjectName("id1006");
    m_afterPane = new PreviewPane(this);
    m_afterPane->setObjectName("id1007");

    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(lens ? "id1013" : "id1002");
    m_slider->setRange(lens ? -100 : 0, 100);
    m_slider->setSingleStep(1);
    m_slider->setPageStep(10);
    m_slider->setTickInterval(10);
    m_slider->setTickPosition(QSlider::TicksBelow);

    if (m_preview && m_preview->IsValid())
        m_maxKappa = MaxKappa(m_preview->GetWidth(), m_preview->GetHeight());

    auto* labels = new QHBoxLayout;
    if (lens) {
        char low[32], high[32];
        std::snprintf(low, sizeof low, "-%.3f", m_maxKappa * 1e6);
        std::snprintf(high, sizeof high, "%.3f", m_maxKappa * 1e6);
        QLabel* lowLabel = MakeLabel(this, low, Qt::AlignLeft);
        lowLabel->setObjectName("lowLabel");
        QLabel* highLabel = MakeLabel(this, high, Qt::AlignRight);
        highLabel->setObjectName("highLabel");
        QLabel* unit = MakeLabel(this, QStringLiteral("\u00d710<sup>-6</sup>"), Qt::AlignCenter);
        unit->setTextFormat(Qt::RichText);
        labels->addWidget(lowLabel);
        labels->addStretch(1);
        labels->addWidget(unit);
        labels->addStretch(1);
        labels->addWidget(highLabel);
    } else {
        labels->addWidget(MakeLabel(this, "0", Qt::AlignLeft));
        labels->addStretch(1);
        labels->addWidget(MakeLabel(this, "50", Qt::AlignCenter));
        labels->addStretch(1);
        labels->addWidget(MakeLabel(this, "100", Qt::AlignRight));
    }

    m_number = new QLineEdit(this);
    m_number->setObjectName("number");
    m_number->setValidator(new QIntValidator(m_slider->minimum(), m_slider->maximum(), m_number));
    m_number->setMaximumWidth(70);
    m_number->setAlignment(Qt::AlignRight);

    QToolButton* linear = MakeButton(this, 1010, tr("Linear"));
    QToolButton* quadratic = MakeButton(this, 1011, tr("Quadratic"));
    for (QToolButton* b : {linear, quadratic}) b->setCheckable(true);
    auto* models = new QButtonGroup(this);
    models->setExclusive(true);
    models->addButton(linear, 0);
    models->addButton(quadratic, 1);
    (m_model == 1 ? quadratic : linear)->setChecked(true);
    QToolButton* cancel = MakeButton(this, 28031, tr("Cancel"), tr("Cancel"));
    QToolButton* apply = MakeButton(this, 2144, tr("Apply All"), tr("Apply All"));

    auto* previews = new QHBoxLayout;
    auto* beforeBox = new QVBoxLayout;
    beforeBox->addWidget(MakeLabel(this, tr("Before"), Qt::AlignCenter));
    beforeBox->addWidget(m_beforePane, 1);
    auto* afterBox = new QVBoxLayout;
    afterBox->addWidget(MakeLabel(this, tr("After"), Qt::AlignCenter));
    afterBox->addWidget(m_afterPane, 1);
    previews->addLayout(beforeBox, 1);
    previews->addLayout(afterBox, 1);

    auto* controls = new QHBoxLayout;
    auto* sliderBox = new QVBoxLayout;
    sliderBox->addWidget(m_slider);
    sliderBox->addLayout(labels);
    controls->addLayout(sliderBox, 1);
    controls->addWidget(m_number);
    controls->addSpacing(12);
    controls->addWidget(linear);
    controls->addWidget(quadratic);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(apply);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(previews, 1);
    layout->addLayout(controls);
    layout->addLayout(buttons);

    if (m_preview && m_preview->IsValid()) {
        m_before = ToQImage(*m_preview);
        m_beforePane->SetImage(m_before);
        m_aspect = static_cast<double>(2 * m_preview->GetWidth()) / (m_preview->GetHeight() + 120);
    }
    const int initial = std::clamp(value, m_slider->minimum(), m_slider->maximum());
    {
        const QSignalBlocker block(m_slider);
        m_slider->setValue(initial);
    }
    m_value = initial;
    m_number->setText(QString::number(initial));
    {
        const std::string caption = tr("Progress").toStdString();
        CProgressWnd progress(nullptr, caption.c_str());
        progress.GoModal(caption.c_str());
        progress.SetText("%s", tr("Correcting images...").toUtf8().constData());
        RecomputeNow();
    }

    connect(m_slider, &QSlider::valueChanged, this, &CorrectionWindow::SetValue);
    connect(m_slider, &QSlider::sliderReleased, this, [this] { SetValue(m_slider->value()); });
    connect(m_number, &QLineEdit::returnPressed, this, [this] {
        bool ok = false;
        const int typed = m_number->text().toInt(&ok);
        if (!ok) return;
        const QSignalBlocker block(m_slider);
        m_slider->setValue(std::clamp(typed, m_slider->minimum(), m_slider->maximum()));
        SetValue(m_slider->value());
    });
    connect(models, &QButtonGroup::idClicked, this, [this](int id) {
        m_model = id;
        m_dirty = true;
        Schedule();
    });
    connect(apply, &QToolButton::clicked, this, &QDialog::accept);
    connect(cancel, &QToolButton::clicked, this, &QDialog::reject);
    // The first size: 820 pixels wide, within 90 % of the screen.
    int startWidth = 820;
    if (const QScreen* s = screen()) {
        const QSize limit = s->availableGeometry().size() * 0.9;
        startWidth =
            std::min({startWidth, limit.width(), static_cast<int>(limit.height() * m_aspect)});
    }
    resize(startWidth, static_cast<int>(std::lround(startWidth / m_aspect)));
    m_baseWidth = startWidth;
    m_baseFont = font();
    // When a resize ends (no further size change for a moment) the fonts follow the width.
    m_resizeEnd = new QTimer(this);
    m_resizeEnd->setSingleShot(true);
    m_resizeEnd->setInterval(150);
    connect(m_resizeEnd, &QTimer::timeout, this, [this] {
        const double factor = std::clamp(static_cast<double>(width()) / m_baseWidth, 0.75, 2.0);
        QFont scaled = m_baseFont;
        if (m_baseFont.pointSizeF() > 0) scaled.setPointSizeF(m_baseFont.pointSizeF() * factor);
        setFont(scaled);
    });
}

CorrectionWindow::~CorrectionWindow() = default;

QToolButton* CorrectionWindow::Button(int id) const {
    return FindToolButton(this, id);
}

double CorrectionWindow::Kappa() const {
    return m_value * m_maxKappa / 100.0;
}

void CorrectionWindow::SetValue(int value) {
    m_value = value;
    m_number->setText(QString::number(value));
    m_dirty = true;
    Schedule();
}

void CorrectionWindow::Schedule() {
    // One computation is queued at a time; values set before it runs are folded into it.
    if (m_scheduled) return;
    m_scheduled = true;
    QTimer::singleShot(0, this, &CorrectionWindow::RecomputeNow);
}

void CorrectionWindow::RecomputeNow() {
    m_scheduled = false;
    if (!m_dirty) return;
    m_dirty = false;
    if (!m_preview || !m_preview->IsValid()) return;
    std::unique_ptr<CImageImpl> after;
    if (m_value != 0)
        after = m_kind == Kind::Shading ? ShadingCorrected(*m_preview, m_value)
                                        : LensCorrectedPreview(*m_preview, Kappa());
    m_after = after ? ToQImage(*after) : m_before;
    ++m_computations;
    m_afterPane->SetImage(m_after);
}

void CorrectionWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    // The window keeps its aspect ratio, within the screen.
    if (!isVisible() || event->oldSize().width() <= 0) return;
    const QSize size = event->size();
    int w = size.width();
    int h = static_cast<int>(std::lround(w / m_aspect));
    if (const QScreen* s = screen()) {
        const QSize limit = s->availableGeometry().size();
        if (h > limit.height()) {
            h = limit.height();
            w = static_cast<int>(std::lround(h * m_aspect));
        }
        w = std::min(w, limit.width());
    }
    if (std::abs(h - size.height()) > 1 || w != size.width()) resize(w, h);
    m_resizeEnd->start();
}
