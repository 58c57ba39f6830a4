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
};

QIcon MakeButtonIcon(ButtonIcon kind);
