#include "opengl_view.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QWheelEvent>

#include <GL/gl.h>
#include <GL/glu.h>

namespace {

constexpr GLfloat kClearGrey = kVrBackground / 255.0f;
constexpr double kRadius = 10.0;
constexpr int kSlices = 30, kStacks = 30;
constexpr int kTickMs = 20;

// Fixed-function drawing needs desktop OpenGL without a core profile.
bool HasFixedFunctions(const QOpenGLContext& context) {
    return !context.isOpenGLES() && context.format().profile() != QSurfaceFormat::CoreProfile;
}

} // namespace

QSurfaceFormat COpenGLView::RequestedFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setDepthBufferSize(16);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    return format;
}

const char* COpenGLView::ContextProblem(const QSurfaceFormat& format) {
    // Qt's offscreen platform may make contexts (through an X display) but cannot put an
    // OpenGL widget into a window.
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) return kCreateContextFailed;
    QOpenGLContext context;
    context.setFormat(format);
    if (!context.create()) return kCreateContextFailed;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!context.makeCurrent(&surface)) return kMakeCurrentFailed;
    context.doneCurrent();
    return HasFixedFunctions(context) ? nullptr : kPixelFormatFailed;
}

COpenGLView::COpenGLView(QWidget* parent, const QSurfaceFormat& format) : QOpenGLWidget(parent) {
    setWindowTitle(tr("QuickTimeVR view"));
    setFormat(format);
    if (const char* problem = ContextProblem(format)) Fail(problem);
    setFocusPolicy(Qt::StrongFocus);
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_controller.Tick()) update();
    });
}

COpenGLView::~COpenGLView() {
    if (QOpenGLContext* ctx = context()) disconnect(ctx, nullptr, this, nullptr);
    ReleaseGl();
}

void COpenGLView::SetPicture(RgbPixels picture, const VrFieldOfView& fov, bool yawLimit) {
    ReleaseGl();
    m_texturePixels.clear();
    m_layout = TextureLayoutFor(picture.width, picture.height, fov);
    if (!m_layout) {
        m_picture = {};
        Fail(kFieldOfViewOutOfRange);
        return;
    }
    m_controller.SetFieldOfView(fov, yawLimit);
    m_controller.SetPictureHeight(picture.height);
    m_controller.SetViewSize(width(), height());
    m_picture = std::move(picture);
    emit ZoomChanged(m_controller.ZoomPercent());
    update();
}

void COpenGLView::Fail(const char* text) {
    if (m_failed) return;
    m_failed = true;
    m_error = QString::fromLatin1(text);
    emit Failure(m_error);
}

bool COpenGLView::event(QEvent* event) {
    // After a failure Qt would make (and lose) another context at every show and resize.
    if (m_failed && event->type() == QEvent::Show) return QWidget::event(event);
    const bool handled = QOpenGLWidget::event(event);
    if (event->type() == QEvent::Show) CheckContext(true);
    return handled;
}

void COpenGLView::resizeEvent(QResizeEvent* event) {
    if (m_failed)
        QWidget::resizeEvent(event);
    else
        QOpenGLWidget::resizeEvent(event);
    m_controller.SetViewSize(width(), height());
    CheckContext(false);
    if (HasPicture()) emit ZoomChanged(m_controller.ZoomPercent());
}

void COpenGLView::CheckContext(bool shown) {
    if (m_glReady || m_failed) return;
    // Qt tries to make the context when the view is sized, or shown inside a native window.
    if (const QOpenGLContext* ctx = context())
        Fail(ctx->isValid() ? kMakeCurrentFailed : kCreateContextFailed);
    else if (shown && !size().isEmpty() && window()->windowHandle())
        Fail(kCreateContextFailed); // Qt gave up before making one
}

void COpenGLView::initializeGL() {
    m_glReady = true;
    QOpenGLContext* ctx = context();
    if (!HasFixedFunctions(*ctx)) {
        Fail(kPixelFormatFailed);
        return;
    }
    // A context made anew (the view moved to another window) gets its objects again.
    connect(ctx, &QOpenGLContext::aboutToBeDestroyed, this, &COpenGLView::ContextGone,
            Qt::UniqueConnection);
    glClearColor(kClearGrey, kClearGrey, kClearGrey, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
}

bool COpenGLView::MakeTexture() {
    if (m_texturePixels.empty()) {
        m_texturePixels = MakeTexturePixels(m_picture, *m_layout);
        if (m_texturePixels.empty()) {
            Fail(kOutOfMemory);
            return false;
        }
        m_picture = {}; // the texture holds all the view needs
    }
    glGenTextures(1, &m_texture);
    glBindTexture(GL_TEXTURE_2D, m_texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, m_layout->width, m_layout->height, 0, GL_RGB,
                 GL_UNSIGNED_BYTE, m_texturePixels.data());

    m_quadric = gluNewQuadric();
    gluQuadricDrawStyle(m_quadric, GLU_FILL);
    gluQuadricTexture(m_quadric, GL_TRUE);
    m_list = glGenLists(1);
    glNewList(m_list, GL_COMPILE);
    glTranslated(0.0, 0.0, -m_layout->cylinderHeight / 2.0);
    gluCylinder(m_quadric, kRadius, kRadius, m_layout->cylinderHeight, kSlices, kStacks);
    glEndList();
    return true;
}

void COpenGLView::paintGL() {
    glClearColor(kClearGrey, kClearGrey, kClearGrey, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (m_failed || !m_glReady || !m_layout) return;
    if (!m_texture && !MakeTexture()) return;

    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    // Qt may bind its own textures between frames: bind ours where it is drawn.
    glBindTexture(GL_TEXTURE_2D, m_texture);
    const GLint filter = m_controller.Dragging() ? GL_NEAREST : GL_LINEAR;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(m_controller.Fovy(), m_controller.Aspect(), VrController::kNear,
                   VrController::kFar);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0.0, 0.0, 0.0, 0.0, -1.0, 0.0, 0.0, 0.0, 1.0);
    glMultMatrixd(m_controller.FoldedRotation().data());

    glPushMatrix();
    if (const int axis = m_controller.ActiveAxis(); axis != VrController::kNoAxis) {
        const auto& v = m_controller.AxisVector(axis);
        glRotated(m_controller.AngleTurned(), v[0], v[1], v[2]);
    }
    glCallList(m_list);
    glPopMatrix();
    glDisable(GL_TEXTURE_2D);
}

void COpenGLView::FreeGl() {
    if (m_list) glDeleteLists(m_list, 1);
    if (m_texture) glDeleteTextures(1, &m_texture);
    if (m_quadric) gluDeleteQuadric(m_quadric);
    m_list = 0;
    m_texture = 0;
    m_quadric = nullptr;
}

void COpenGLView::ReleaseGl() {
    if (!m_glReady || (!m_list && !m_texture && !m_quadric)) return;
    makeCurrent();
    FreeGl();
    doneCurrent();
}

void COpenGLView::ContextGone() {
    ReleaseGl();
    m_glReady = false;
}

void COpenGLView::ShowCursor() {
    switch (m_controller.CursorState()) {
    case VrController::kCursorStill:
        setCursor(Qt::SizeAllCursor);
        break;
    case VrController::kCursorVertical:
        setCursor(Qt::SizeVerCursor);
        break;
    case VrController::kCursorHorizontal:
        setCursor(Qt::SizeHorCursor);
        break;
    case VrController::kCursorReleased:
        unsetCursor();
        break;
    }
}

void COpenGLView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    setFocus(Qt::MouseFocusReason);
    const QPoint at = event->position().toPoint();
    m_controller.Press(at.x(), at.y());
    ShowCursor();
    grabMouse();
    m_timer.start();
}

void COpenGLView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_controller.Dragging()) return;
    const bool first = m_controller.CursorState() == VrController::kCursorStill;
    const QPoint at = event->position().toPoint();
    m_controller.Drag(at.x(), at.y());
    ShowCursor();
    if (first) update(); // nearest filtering from now on
}

void COpenGLView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_controller.Dragging()) {
        m_controller.Release();
        ShowCursor();
        releaseMouse();
        m_timer.stop();
        update();
    } else if (event->button() == Qt::RightButton) {
        m_controller.Zoom(event->modifiers() & Qt::ShiftModifier ? 1.0 : -1.0);
        AfterZoom();
    }
}

void COpenGLView::wheelEvent(QWheelEvent* event) {
    m_wheel += event->angleDelta().y();
    for (; m_wheel >= 120; m_wheel -= 120) ZoomIn();
    for (; m_wheel <= -120; m_wheel += 120) ZoomOut();
    event->accept();
}

void COpenGLView::keyPressEvent(QKeyEvent* event) {
    constexpr double step = VrController::kKeyStep;
    switch (event->key()) {
    case Qt::Key_Left:
        m_controller.TurnBy(VrController::kYaw, -step);
        break;
    case Qt::Key_Right:
        m_controller.TurnBy(VrController::kYaw, step);
        break;
    case Qt::Key_Up:
        m_controller.TurnBy(VrController::kPitch, step);
        break;
    case Qt::Key_Down:
        m_controller.TurnBy(VrController::kPitch, -step);
        break;
    default:
        QOpenGLWidget::keyPressEvent(event);
        return;
    }
    update();
}

void COpenGLView::ZoomIn() {
    m_controller.ZoomIn();
    AfterZoom();
}

void COpenGLView::ZoomOut() {
    m_controller.ZoomOut();
    AfterZoom();
}

void COpenGLView::ShowAll() {
    m_controller.ShowAll();
    AfterZoom();
}

void COpenGLView::SetZoomPercent(double percent) {
    m_controller.SetZoomPercent(percent);
    AfterZoom();
}

void COpenGLView::AfterZoom() {
    emit ZoomChanged(m_controller.ZoomPercent());
    update();
}
