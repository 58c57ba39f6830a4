// The rules of the panorama viewer without any drawing: the field of view of a stitched
// panorama, the camera (vertical angle, aspect, horizontal angle), the turns of the view about
// the yaw and pitch axes with their limits, the drag that drives them and the zoom steps.
// COpenGLView forwards its mouse, key and timer events here and draws what this holds.
#pragma once

#include <array>

// Angular extent of a panorama, in degrees.
struct VrFieldOfView {
    double hfov = 360.0;
    double vfov = 45.0;
};

// Horizontal extent: 360 for method 2 (a cylinder closed all round), otherwise
// (width / inputWidth) x 35 / (2 pi focal) x 360: an input picture of inputWidth pixels spans
// 35 mm of film at `focal` millimetres. 0 when inputWidth or focal is not positive.
double PanoramaHfov(int method, int width, int inputWidth, double focal);
// Vertical extent of a cylinder whose circumference spans hfov degrees over `width` pixels:
// 2 atan(hfov x height x pi / (width x 360)).
double PanoramaVfov(double hfov, int width, int height);
// The extent the viewer takes: an hfov above 360 becomes 360 and vfov shrinks by the same
// factor.
VrFieldOfView HandOverFieldOfView(double hfov, double vfov);
// hfov in (0, 360] and vfov in (0, 175].
bool FieldOfViewUsable(const VrFieldOfView& fov);

class VrController {
public:
    static constexpr int kNoAxis = -1;
    static constexpr int kYaw = 0;
    static constexpr int kPitch = 1;
    static constexpr double kMaxSpeed = 5.0; // degrees per tick, both axes
    static constexpr double kKeyStep = 2.0;  // degrees per arrow key press
    static constexpr double kNear = 0.01, kFar = 120.0;

    // What the cursor shows: 0 pressed and still, 1 turning pitch, 2 turning yaw, 5 released.
    enum Cursor {
        kCursorStill = 0,
        kCursorVertical = 1,
        kCursorHorizontal = 2,
        kCursorReleased = 5
    };

    VrController();

    // The panorama's extent (as handed over) and whether yaw stops at its edges (not for a
    // panorama closed all round); the view starts looking at its centre.
    void SetFieldOfView(const VrFieldOfView& fov, bool yawLimit);
    // Size of the view in pixels; the view is pushed back inside the limits.
    void SetViewSize(int width, int height);
    // Height of the picture in pixels, for the zoom percentage.
    void SetPictureHeight(int height);

    // Left button: press, moves while pressed, the 20 ms tick, release.
    void Press(int x, int y);
    void Drag(int x, int y);
    // Adds the increment to the angle turned, within the limits; true when the view turned.
    bool Tick();
    void Release();
    bool Dragging() const { return m_dragging; }
    Cursor CursorState() const { return m_cursor; }

    // One turn of `degrees` about an axis at once (the arrow keys); ignored while dragging.
    void TurnBy(int axis, double degrees);

    // fovy changes by `degrees` (positive is wider) within [min(5, top), top], top being the
    // smallest of hfov, vfov and 90; the view is pushed back inside the limits.
    void Zoom(double degrees);
    // (vfov / fovy) x view height / picture height x 100.
    double ZoomPercent() const;
    // fovy for a percentage (0 or less: the widest view), then as Zoom(0).
    void SetZoomPercent(double percent);
    // The percentage rounded down to a multiple of 20, plus or minus 20.
    void ZoomIn();
    void ZoomOut();
    void ShowAll() { SetZoomPercent(0.0); }

    const VrFieldOfView& FieldOfView() const { return m_fov; }
    double Fovy() const { return m_fovy; }
    double Aspect() const { return m_aspect; }
    // 2 atan(aspect x tan(fovy / 2)).
    double HorizontalCameraAngle() const { return m_hcam; }
    // Accumulated turn about an axis and the range it is kept in (the axis' limits narrowed by
    // half the camera angle of that axis; the middle of them when the camera is wider).
    double Angle(int axis) const { return m_axes[axis].angle; }
    bool LimitOn(int axis) const { return m_axes[axis].limited; }
    double LowestAngle(int axis) const;
    double HighestAngle(int axis) const;

    int ActiveAxis() const { return m_active; }
    double Increment() const { return m_increment; }
    double AngleTurned() const { return m_turned; }
    const std::array<double, 3>& AxisVector(int axis) const { return m_axes[axis].vector; }
    // The turns folded into the view, as a column-major 4 x 4 matrix that follows the camera's
    // look-at; the turn in progress (AngleTurned about ActiveAxis) comes after it.
    const std::array<double, 16>& FoldedRotation() const { return m_folded; }

private:
    struct Axis {
        std::array<double, 3> vector{};
        double angle = 0.0;
        double minimum = 0.0, maximum = 0.0;
        bool limited = true;
    };

    void ResetView();
    void UpdateCamera();
    double HalfCameraAngle(int axis) const;
    // Multiplies the view by the turn in progress; a yaw turn carries the pitch axis along.
    void Fold();
    void PushInsideLimits();

    VrFieldOfView m_fov;
    std::array<Axis, 2> m_axes{};
    std::array<double, 16> m_folded{};
    int m_active = kNoAxis;
    double m_increment = 0.0;
    double m_turned = 0.0;
    double m_fovy = 36.0;
    double m_aspect = 1.0;
    double m_hcam = 36.0;
    int m_viewWidth = 1, m_viewHeight = 1;
    int m_pictureHeight = 1;
    int m_pressX = 0, m_pressY = 0;
    bool m_dragging = false;
    Cursor m_cursor = kCursorReleased;
};
