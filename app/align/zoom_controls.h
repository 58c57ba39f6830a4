// The zoom controls of a picture window: Zoom-In, Zoom-Out, Show Entire Image and the zoom box,
// which shows the view's zoom and applies a typed percentage when it loses the focus (0 or
// less fits; text that is no number is put back). Works with any view that has ZoomIn(),
// ZoomOut(), Fit(), SetZoom(float), GetZoom() and a ZoomChanged(float) signal.
#pragma once

#include <QHBoxLayout>
#include <QLineEdit>
#include <QObject>
#include <QToolButton>

#include <initializer_list>

#include "button_icons.h"
#include "view_zoom.h"

// The object ids of the four controls (the windows number them differently).
struct ZoomControlIds {
    int zoomIn = 2171;
    int zoomOut = 2172;
    int fit = 2173;
    int box = 1028;
};

template <class View>
void AddZoomControls(View* view, QWidget* owner, QHBoxLayout* row, ZoomControlIds ids = {}) {
    auto* box = new QLineEdit(owner);
    box->setObjectName(QStringLiteral("id%1").arg(ids.box));
    box->setFixedWidth(box->fontMetrics().horizontalAdvance("0000.0%") + 16);
    box->setAlignment(Qt::AlignRight);
    box->setToolTip(QObject::tr("Zoom in percent; type a value and leave the box to apply it"));
    QToolButton* zoomIn =
        MakeToolButton(owner, ids.zoomIn, ButtonIcon::ZoomIn, QObject::tr("Zoom-In"));
    QToolButton* zoomOut =
        MakeToolButton(owner, ids.zoomOut, ButtonIcon::ZoomOut, QObject::tr("Zoom-Out"));
    QToolButton* fit =
        MakeToolButton(owner, ids.fit, ButtonIcon::ZoomFit, QObject::tr("Show Entire Image"));
    for (QWidget* w : std::initializer_list<QWidget*>{zoomIn, zoomOut, fit, box}) row->addWidget(w);
    auto show = [view, box] {
        box->setText(QString::fromStdString(FormatZoomPercent(view->GetZoom())));
    };
    QObject::connect(zoomIn, &QToolButton::clicked, view, [view] { view->ZoomIn(); });
    QObject::connect(zoomOut, &QToolButton::clicked, view, [view] { view->ZoomOut(); });
    QObject::connect(fit, &QToolButton::clicked, view, [view] { view->Fit(); });
    QObject::connect(view, &View::ZoomChanged, box, show);
    QObject::connect(box, &QLineEdit::editingFinished, view, [view, show, box] {
        const std::optional<float> zoom = ParseZoomPercent(box->text().toStdString());
        if (zoom) *zoom > 0.0f ? view->SetZoom(*zoom) : view->Fit();
        show();
    });
    show();
}
