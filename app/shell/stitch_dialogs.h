// The stitch parameter dialogs: plane/cylinder ("Stitch"), translation, and lens angle. Each
// ends with OK only through one of its method buttons, which fixes the method code; the other
// choices fill the settings block.
#pragma once

#include <QDialog>

#include "stitch_settings.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;

class StitchParameterDialog : public QDialog {
    Q_OBJECT
public:
    // Starts from `settings` and, for the first two kinds, the remembered choices.
    StitchParameterDialog(ParameterDialogKind kind, const StitchSettings& settings,
                          QWidget* parent = nullptr);

    const StitchSettings& Result() const { return m_result; }
    ParameterDialogKind Kind() const { return m_kind; }
    // Presses the method button `id` (what a click does).
    void ChooseMethod(int id);

private:
    QWidget* MethodButton(int id, const QString& text, const QString& tip);
    bool ReadFields();

    ParameterDialogKind m_kind;
    StitchSettings m_result;
    QLineEdit* m_focal = nullptr;
    QLineEdit* m_lensAngle = nullptr;
    QCheckBox* m_full360 = nullptr;
    QCheckBox* m_colourAdjust = nullptr;
    QButtonGroup* m_size = nullptr;
    QButtonGroup* m_blend = nullptr;
    QComboBox* m_colour = nullptr;
};

// The colour combo's icons: swatches 32 pixels wide.
QIcon ColourSwatch(int item);
