#include "vr_controller.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

constexpr std::array<double, 16> kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// The rotation glRotate makes: `degrees` about the unit vector `v`, column-major.
std::array<double, 16> Rotation(double degrees, const std::array<double, 3>& v) {
    const double c = std::cos(degrees * kDegree), s = std::sin(degrees * kDegree), t = 1.0 - c;
    const double x = v[0], y = v[1], z = v[2];
    return {x * x * t + c,
            y * x * t + z * s,
            x * z * t - y * s,
            0, // first column
            x * y * t - z * s,
            y * y * t + c,
            y * z * t + x * s,
            0, //
            x * z * t + y * s,
            y * z * t - x * s,
            z * z * t + c,
            0, //
            0,
            0,
            0,
            1};
}

std::array<double, 16> Multiply(const std::array<double, 16>& a, const std::array<double, 16>& b) {
    std::array<double, 16> m{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[col * 4 + k];
            m[col * 4 + row] = sum;
        }
    return m;
}

std::array<double, 3> Apply(const std::array<double, 16>& m, const std::array<double, 3>& v) {
    std::array<double, 3> r{};
    for (int row = 0; row < 3; ++row)
        r[row] = m[row] * v[0] + m[4 + row] * v[1] + m[8 + row] * v[2];
    const double length = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
    for (double& c : r) c /= length; // no drift over many turns
    return r;
}

} // namespace

double PanoramaHfov(int method, int width, int inputWidth, double focal) {
    if (method == 2) return 360.0;
    if (inputWidth <= 0 || focal <= 0.0) return 0.0;
    return static_cast<double>(width) / inputWidth * 35.0 / (2.0 * std::numbers::pi * focal) *
           360.0;
}

double PanoramaVfov(double hfov, int width, int height) {
    if (width <= 0) return 0.0;
    return 2.0 * std::atan(hfov * height * std::numbers::pi / (width * 360.0)) / kDegree;
}

VrFieldOfView HandOverFieldOfView(double hfov, double vfov) {
    if (hfov > 360.0) return {360.0, vfov * 360.0 / hfov};
    return {hfov, vfov};
}

bool FieldOfViewUsable(const VrFieldOfView& fov) {
    return fov.hfov > 0.0 && fov.hfov <= 360.0 && fov.vfov > 0.0 && fov.vfov <= 175.0;
}

VrController::VrController() {
    SetFieldOfView({}, true);
}

void VrController::SetFieldOfView(const VrFieldOfView& fov, bool yawLimit) {
    m_fov = fov;
    m_axes[kYaw].limited = yawLimit;
    m_axes[kPitch].limited = true;
    ResetView();
}

void VrController::ResetView() {
    m_folded = kIdentity;
    m_axes[kYaw].vector = {0.0, 0.0, 1.0};
    m_axes[kPitch].vector = {1.0, 0.0, 0.0};
    m_axes[kYaw].minimum = -m_fov.hfov / 2.0;
    m_axes[kYaw].maximum = m_fov.hfov / 2.0;
    m_axes[kPitch].minimum = -m_fov.vfov / 2.0;
    m_axes[kPitch].maximum = m_fov.vfov / 2.0;
    for (Axis& axis : m_axes) axis.angle = 0.0;
    m_active = kNoAxis;
    m_increment = m_turned = 0.0;
    m_fovy = std::min(0.8 * m_fov.vfov, 90.0);
    UpdateCamera();
}

void VrController::SetViewSize(int width, int height) {
    m_viewWidth = std::max(width, 1);
    m_viewHeight = std::max(height, 1);
    UpdateCamera();
    PushInsideLimits();
}

void VrController::SetPictureHeight(int height) {
    m_pictureHeight = std::max(height, 1);
}

void VrController::UpdateCamera() {
    m_aspect = static_cast<double>(m_viewWidth) / m_viewHeight;
    m_hcam = 2.0 * std::atan(m_aspect * std::tan(m_fovy / 2.0 * kDegree)) / kDegree;
}

double VrController::HalfCameraAngle(int axis) const {
    return (axis == kYaw ? m_hcam : m_fovy) / 2.0;
}

double VrController::LowestAngle(int axis) const {
    const Axis& a = m_axes[axis];
    const double low = a.minimum + HalfCameraAngle(axis), high = a.maximum - HalfCameraAngle(axis);
    return low <= high ? low : (a.minimum + a.maximum) / 2.0;
}

double VrController::HighestAngle(int axis) const {
    const Axis& a = m_axes[axis];
    const double low = a.minimum + HalfCameraAngle(axis), high = a.maximum - HalfCameraAngle(axis);
    return low <= high ? high : (a.minimum + a.maximum) / 2.0;
}

void VrController::Fold() {
    if (m_active != kNoAxis && m_turned != 0.0) {
        const Axis& axis = m_axes[m_active];
        m_folded = Multiply(m_folded, Rotation(m_turned, axis.vector));
        // Pitch turns about the view's horizontal axis: after a yaw turn that axis, seen from
        // the turned panorama, is the old one turned back by the same angle.
        if (m_active == kYaw)
            m_axes[kPitch].vector = Apply(Rotation(-m_turned, axis.vector), m_axes[kPitch].vector);
    }
    m_turned = 0.0;
    m_increment = 0.0;
    m_active = kNoAxis;
}

void VrController::PushInsideLimits() {
    const int dragAxis = m_active;
    const double dragIncrement = m_increment;
    Fold();
    for (int i : {kYaw, kPitch}) {
        Axis& axis = m_axes[i];
        if (!axis.limited) continue;
        const double inside = std::clamp(axis.angle, LowestAngle(i), HighestAngle(i));
        if (inside == axis.angle) continue;
        m_active = i;
        m_turned = inside - axis.angle;
        axis.angle = inside;
        Fold();
    }
    // A drag goes on about its axis from here.
    m_active = dragAxis;
    m_increment = dragIncrement;
}

void VrController::Press(int x, int y) {
    m_pressX = x;
    m_pressY = y;
    m_dragging = true;
    m_cursor = kCursorStill;
    Fold();
}

void VrController::Drag(int x, int y) {
    if (!m_dragging) return;
    // Screen y grows downwards; a drag upwards looks up, as a drag to the right looks right.
    const int dx = x - m_pressX, dy = m_pressY - y;
    if (dx == 0 && dy == 0) {
        m_increment = 0.0;
        return;
    }
    const int axis = std::abs(dx) > std::abs(dy) ? kYaw : kPitch;
    if (axis != m_active) {
        Fold();
        m_active = axis;
    }
    const double half = (axis == kYaw ? m_viewWidth : m_viewHeight) / 2.0;
    const double offset = axis == kYaw ? dx : dy;
    m_increment = std::clamp(offset / half, -1.0, 1.0) * kMaxSpeed;
    m_cursor = axis == kYaw ? kCursorHorizontal : kCursorVertical;
}

bool VrController::Tick() {
    if (m_active == kNoAxis) return false;
    Axis& axis = m_axes[m_active];
    double step = m_increment;
    if (axis.limited)
        step = std::clamp(axis.angle + step, LowestAngle(m_active), HighestAngle(m_active)) -
               axis.angle;
    if (step == 0.0) return false;
    axis.angle += step;
    m_turned += step;
    return true;
}

void VrController::Release() {
    if (!m_dragging) return;
    m_dragging = false;
    m_cursor = kCursorReleased;
    Fold();
}

void VrController::TurnBy(int axis, double degrees) {
    if (m_dragging || (axis != kYaw && axis != kPitch)) return;
    Fold();
    m_active = axis;
    m_increment = degrees;
    Tick();
    Fold();
}

void VrController::Zoom(double degrees) {
    const double top = std::min({m_fov.hfov, m_fov.vfov, 90.0});
    const double bottom = std::min(5.0, top);
    m_fovy = std::clamp(m_fovy + degrees, bottom, top);
    UpdateCamera();
    PushInsideLimits();
}

double VrController::ZoomPercent() const {
    return m_fov.vfov / m_fovy * m_viewHeight / m_pictureHeight * 100.0;
}

void VrController::SetZoomPercent(double percent) {
    if (percent <= 0.0)
        m_fovy = 90.0; // as wide as the limits allow
    else
        m_fovy = m_viewHeight / (percent / 100.0 * m_pictureHeight) * m_fov.vfov;
    Zoom(0.0);
}

void VrController::ZoomIn() {
    // A hair above the grid so a percentage of exactly 80 does not count as 79.999...
    SetZoomPercent(std::floor(ZoomPercent() / 20.0 + 1e-9) * 20.0 + 20.0);
}

void VrController::ZoomOut() {
    SetZoomPercent(std::floor(ZoomPercent() / 20.0 + 1e-9) * 20.0 - 20.0);
}
