// The icons of the program's bitmap buttons, drawn as vectors at every size Qt asks for, so
// they stay sharp at any display scaling.
#pragma once

#include <QIcon>

enum class ButtonIcon {
    ZoomIn,
    ZoomOut,
    ZoomFit,
    Trim,
    CancelTrim,
    Save,
    Print,
    Panorama,
    Help,
    Exit,
    Back,
    Previous,
    Next,
    Stitch,
    Align,
    In,
    AllIn,
    Out,
    AllOut,
    Rotate,
    Up,
    Down,
    Base,
    Rearrange,
};

QIcon MakeButtonIcon(ButtonIcon kind);

class QToolButton;
class QString;
class QWidget;

// A bitmap button of a window: object name "id<number>", the icon, its tooltip (also its
// accessible name) and, when given, a caption beside the icon.
QToolButton* MakeToolButton(QWidget* parent, int id, ButtonIcon icon, const QString& tip,
                            const QString& text = {});

// The bitmap button of `window` with object name "id<id>", or null.
QToolButton* FindToolButton(const QWidget* window, int id);
