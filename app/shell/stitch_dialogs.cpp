#include "stitch_dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "button_icons.h"
#include "message_box.h"
#include "prompter.h"

namespace {

constexpr int kFocalMin = 5;
constexpr int kFocalMax = 300;

QRadioButton* Radio(QWidget* parent, QButtonGroup* group, int id, int index, const QString& text) {
    auto* radio = new QRadioButton(text, parent);
    radio->setObjectName(QStringLiteral("id%1").arg(id));
    group->addButton(radio, index);
    return radio;
}

} // namespace

QIcon ColourSwatch(int item) {
    const std::array<std::uint8_t, 3> rgb = ColourOfItem(item);
    QPixmap swatch(32, 16);
    swatch.fill(Qt::transparent);
    QPainter p(&swatch);
    p.setPen(QColor(90, 90, 90));
    p.setBrush(QColor(rgb[0], rgb[1], rgb[2]));
    p.drawRect(QRect(1, 1, 29, 13));
    return QIcon(swatch);
}

StitchParameterDialog::StitchParameterDialog(ParameterDialogKind kind,
                                             const StitchSettings& settings, QWidget* parent)
    : QDialog(parent), m_kind(kind), m_result(settings) {
    int blendIndex = 0;
    if (kind != ParameterDialogKind::LensAngle) ReadDialogSettings(kind, m_result, &blendIndex);
    auto* layout = new QVBoxLayout(this);
    auto* methods = new QGroupBox(this);
    auto* methodRow = new QHBoxLayout(methods);
    m_size = new QButtonGroup(this);
    auto* sizeBox = new QGroupBox(tr("Image Size"), this);
    auto* sizeRow = new QHBoxLayout(sizeBox);

    if (kind == ParameterDialogKind::LensAngle) {
        setObjectName("id13");
        setWindowTitle(tr("Stitch"));
        methods->setTitle(tr("Select a method"));
        methodRow->addWidget(MethodButton(35003, tr("Translation"), tr("Translation")));
        methodRow->addWidget(
            MethodButton(35008, tr("Translation+rotation"), tr("Translation+rotation")));
        int index = 0;
        for (const QString& text : {tr("Small"), tr("Medium"), tr("Large")}) {
            sizeRow->addWidget(Radio(sizeBox, m_size, 35009 + index, index, text));
            ++index;
        }
        m_full360 = new QCheckBox(tr("360-degree panorama"), this);
        m_full360->setObjectName("id35012");
        m_full360->setChecked(settings.flag360);
        m_lensAngle = new QLineEdit(QString::number(180), this);
        m_lensAngle->setObjectName("id35014");
        m_lensAngle->setValidator(new QIntValidator(1, 360, m_lensAngle));
        auto* angleRow = new QHBoxLayout;
        angleRow->addWidget(new QLabel(tr("Lens angle of view"), this));
        angleRow->addWidget(m_lensAngle);
        angleRow->addWidget(new QLabel(tr("degrees"), this));
        angleRow->addStretch(1);
        layout->addWidget(methods);
        layout->addWidget(sizeBox);
        layout->addWidget(m_full360);
        layout->addLayout(angleRow);
    } else {
        const bool plane = kind == ParameterDialogKind::PlaneCylinder;
        setObjectName(plane ? "id25501" : "id25504");
        setWindowTitle(tr("Stitch"));
        layout->addWidget(new QLabel(tr("After confirming the alignment, "), this));
        methods->setTitle(plane ? tr("Select a method") : tr("Select a button"));
        if (plane) {
            methodRow->addWidget(MethodButton(28006, tr("Big Plane"), tr("Big Plane")));
            methodRow->addWidget(MethodButton(28007, tr("Cylinder"), tr("Cylinder")));
        } else {
            methodRow->addWidget(MethodButton(35002, tr("Translation"), tr("Translation")));
            methodRow->addWidget(
                MethodButton(28027, tr("Trans.+Rot."), tr("Translation and rotation")));
        }
        layout->addWidget(methods);
        if (plane) {
            m_focal = new QLineEdit(QString::number(m_result.focalLength), this);
            m_focal->setObjectName("id28002");
            m_focal->setMaxLength(4);
            m_focal->setMaximumWidth(m_focal->fontMetrics().horizontalAdvance("00000") + 16);
            m_focal->setToolTip(
                tr("Focal length of the lens in millimetres of a 35 mm frame (5 to 300)"));
            m_full360 = new QCheckBox(tr("360 degree"), this);
            m_full360->setObjectName("id28040");
            m_full360->setChecked(m_result.flag360);
            auto* focalRow = new QHBoxLayout;
            focalRow->addWidget(new QLabel(tr("Focal Length"), this));
            focalRow->addWidget(m_focal);
            focalRow->addWidget(new QLabel(tr("mm"), this));
            focalRow->addSpacing(20);
            focalRow->addWidget(m_full360);
            focalRow->addStretch(1);
            layout->addLayout(focalRow);
        }
        int index = 0;
        for (const QString& text : {tr("Small"), tr("Medium"), tr("Large")}) {
            sizeRow->addWidget(Radio(sizeBox, m_size, 28003 + index, index, text));
            ++index;
        }
        layout->addWidget(sizeBox);
        if (!plane) {
            m_colourAdjust = new QCheckBox(tr("Color Adjustment"), this);
            m_colourAdjust->setObjectName("id35016");
            layout->addWidget(m_colourAdjust);
        }
        m_blend = new QButtonGroup(this);
        auto* blendBox = new QGroupBox(tr("Blending"), this);
        auto* blendRow = new QHBoxLayout(blendBox);
        if (plane) {
            blendRow->addWidget(Radio(blendBox, m_blend, 35022, 0, tr("Gradual")));
            blendRow->addWidget(Radio(blendBox, m_blend, 35023, 1, tr("Steep")));
        } else {
            blendRow->addWidget(Radio(blendBox, m_blend, 35025, 0, tr("Smooth")));
            blendRow->addWidget(Radio(blendBox, m_blend, 35026, 1, tr("Average")));
        }
        blendRow->addWidget(Radio(blendBox, m_blend, 35024, 2, tr("None")));
        m_blend->button(blendIndex)->setChecked(true);
        layout->addWidget(blendBox);
        m_colour = new QComboBox(this);
        m_colour->setObjectName("id35000");
        m_colour->setIconSize(QSize(32, 16));
        m_colour->addItem(ColourSwatch(0), tr("Black"));
        m_colour->addItem(ColourSwatch(1), tr("Grey"));
        m_colour->addItem(ColourSwatch(2), tr("White"));
        m_colour->setCurrentIndex(m_result.colourItem);
        auto* colourRow = new QHBoxLayout;
        colourRow->addWidget(
            new QLabel(plane ? tr("Background Color") : tr("Background color"), this));
        colourRow->addWidget(m_colour);
        colourRow->addStretch(1);
        layout->addLayout(colourRow);
    }
    m_size->button(m_result.sizeIndex)->setChecked(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName("id2");
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(cancel);
    layout->addLayout(bottom);
}

QWidget* StitchParameterDialog::MethodButton(int id, const QString& text, const QString& tip) {
    auto* button = new QToolButton(this);
    button->setObjectName(QStringLiteral("id%1").arg(id));
    button->setText(text);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    ButtonIcon icon = ButtonIcon::Stitch; // one flat plane
    if (id == 28007) icon = ButtonIcon::Panorama;
    if (id == 35002 || id == 35003) icon = ButtonIcon::Next;
    if (id == 28027 || id == 35008) icon = ButtonIcon::Rotate;
    button->setIcon(MakeButtonIcon(icon));
    button->setIconSize(QSize(48, 48));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setMinimumWidth(120);
    connect(button, &QToolButton::clicked, this, [this, id] { ChooseMethod(id); });
    return button;
}

bool StitchParameterDialog::ReadFields() {
    if (m_focal) {
        bool ok = false;
        const int focal = m_focal->text().trimmed().toInt(&ok);
        if (!ok || focal < kFocalMin || focal > kFocalMax) {
            AppMessageBox(tr("Please enter an integer between 5 and 300."), tr("Stitch"),
                          kMbOk | kMbIconExclamation);
            m_focal->setFocus();
            m_focal->selectAll();
            return false;
        }
        m_result.focalLength = focal;
    }
    if (m_lensAngle) m_result.lensAngle = m_lensAngle->text().toInt();
    m_result.sizeIndex = std::max(0, m_size->checkedId());
    if (m_colour) m_result.colourItem = m_colour->currentIndex();
    if (m_colourAdjust) m_result.colourCorrection = m_colourAdjust->isChecked();
    return true;
}

void StitchParameterDialog::ChooseMethod(int id) {
    if (!ReadFields()) return; // the dialog stays open
    const bool full360 = m_full360 && m_full360->isChecked();
    const int blendIndex = m_blend ? std::max(0, m_blend->checkedId()) : 0;
    switch (id) {
    case 28006:
        m_result.method = kMethodBigPlane;
        break;
    case 28007:
        m_result.method = full360 ? kMethodCylinder360 : kMethodCylinder;
        break;
    case 35002:
        m_result.method = kMethodTranslation;
        break;
    case 28027:
        m_result.method = kMethodRigid;
        break;
    case 35003:
        m_result.method = full360 ? kMethodTranslationStrip360 : kMethodTranslationStrip;
        break;
    case 35008:
        m_result.method = full360 ? kMethodRigidStrip360 : kMethodRigidStrip;
        break;
    default:
        return;
    }
    if (m_kind == ParameterDialogKind::PlaneCylinder) {
        m_result.flag360 = full360 && m_result.method == kMethodCylinder360;
        m_result.blend =
            blendIndex == 0 ? kBlendGradual : (blendIndex == 1 ? kBlendSteep : kBlendNone);
        m_result.colourCorrection = false;
    } else if (m_kind == ParameterDialogKind::Translation) {
        m_result.flag360 = false;
        m_result.blend =
            blendIndex == 0 ? kBlendGradual : (blendIndex == 1 ? kBlendHalf : kBlendNone);
    } else {
        m_result.flag360 = full360;
    }
    if (m_kind != ParameterDialogKind::LensAngle) WriteDialogSettings(m_kind, m_result, blendIndex);
    accept();
}
