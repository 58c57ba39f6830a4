// COpenGLView: the panorama on the inside of a cylinder, drawn with fixed-function OpenGL and
// GLU in a compatibility-profile context, turned by dragging with the left button (a 20 ms
// timer turns it while the button is held), zoomed with the right button (wider with Shift)
// and the mouse wheel, turned step by step with the arrow keys. Its rules live in
// VrController; this widget forwards events and draws.
//
// When no usable context can be had the view records the first failure's text (LastError,
// "No Error" until then), draws nothing and reports it with Failure().
#pragma once

#include <QOpenGLWidget>
#include <QString>
#include <QSurfaceFormat>
#include <QTimer>

#include <cstdint>
#include <optional>
#include <vector>

#include "vr_controller.h"
#include "vr_texture.h"

class GLUquadric;

class COpenGLView : public QOpenGLWidget {
    Q_OBJECT
public:
    // The errors the view records (the first one is kept); the viewer shows them translated.
    static constexpr const char* kNoError = QT_TR_NOOP("No Error");
    static constexpr const char* kCreateContextFailed = QT_TR_NOOP("wglCreateContest failed");
    static constexpr const char* kMakeCurrentFailed = QT_TR_NOOP("wglMakeCurrent failed");
    static constexpr const char* kPixelFormatFailed = QT_TR_NOOP("ChoosePixelFormat failed");
    static constexpr const char* kOutOfMemory = QT_TR_NOOP("Error : Out of Memory");
    static constexpr const char* kFieldOfViewOutOfRange =
        QT_TR_NOOP("Error : The panorama's field of view is out of range");

    // 24 colour bits, 16 depth bits, double buffered, compatibility profile.
    static QSurfaceFormat RequestedFormat();
    // Why no context of `format` with fixed-function OpenGL can be had here, or null. An OpenGL
    // widget must not go into a window where none can (Qt fails in the window's drawing).
    static const char* ContextProblem(const QSurfaceFormat& format);

    // Tries a context of `format` first: when none can be had the view is Failed() from the
    // start, and its owner keeps it out of every window.
    explicit COpenGLView(QWidget* parent = nullptr,
                         const QSurfaceFormat& format = RequestedFormat());
    ~COpenGLView() override;

    // Takes the picture's pixels and its extent (as handed over); the texture is made at the
    // next drawing. A field of view out of range makes the view unusable.
    void SetPicture(RgbPixels picture, const VrFieldOfView& fov, bool yawLimit);
    bool HasPicture() const { return m_layout.has_value(); }
    const std::optional<VrTextureLayout>& TextureLayout() const { return m_layout; }

    VrController& Controller() { return m_controller; }
    const VrController& Controller() const { return m_controller; }

    const QString& LastError() const { return m_error; }
    bool Failed() const { return m_failed; }

    // The zoom steps of the dialog's buttons, the wheel and the zoom box; each redraws and
    // reports the new percentage.
    void ZoomIn();
    void ZoomOut();
    void ShowAll();
    void SetZoomPercent(double percent);
    double ZoomPercent() const { return m_controller.ZoomPercent(); }

signals:
    void ZoomChanged(double percent);
    void Failure(const QString& text);

protected:
    void initializeGL() override;
    void paintGL() override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Fail(const char* text);
    // After Qt had its chance to make the context (on a resize, or on showing): records why
    // there is none.
    void CheckContext(bool shown);
    bool MakeTexture();
    // Deletes the texture, display list and quadric (the context must be current).
    void FreeGl();
    void ReleaseGl();
    // The context is about to go (the view moves to another window): its objects go first.
    void ContextGone();
    void ShowCursor();
    void AfterZoom();

    VrController m_controller;
    RgbPixels m_picture; // the picture's copy until the texture pixels are made from it
    std::optional<VrTextureLayout> m_layout;
    std::vector<std::uint8_t> m_texturePixels; // kept for a context made anew
    unsigned m_texture = 0;
    unsigned m_list = 0;
    GLUquadric* m_quadric = nullptr;
    bool m_glReady = false; // initializeGL ran in a context that works
    bool m_failed = false;
    QString m_error = kNoError;
    QTimer m_timer;
    int m_wheel = 0; // wheel angle not yet turned into zoom steps (eighths of a degree)
};
