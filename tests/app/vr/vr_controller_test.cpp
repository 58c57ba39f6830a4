// The viewer's rules without drawing: field of view, texture sizes, resampling, turn limits,
// drags and folding, zoom steps. Expected values are worked out by hand in the comments.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "vr_controller.h"
#include "vr_texture.h"

namespace {

constexpr double kDeg = std::numbers::pi / 180.0;

// The camera's horizontal angle for a vertical angle and an aspect ratio.
double CameraWidth(double fovy, double aspect) {
    return 2.0 * std::atan(aspect * std::tan(fovy / 2.0 * kDeg)) / kDeg;
}

VrController Controller(double hfov, double vfov, bool yawLimit, int pictureHeight = 1000) {
    VrController c;
    c.SetFieldOfView({hfov, vfov}, yawLimit);
    c.SetViewSize(800, 500);
    c.SetPictureHeight(pictureHeight);
    return c;
}

// Holds the left button `dx`, `dy` pixels away from the middle of an 800 x 500 view for
// `ticks` timer ticks, then lets go.
void DragFor(VrController& c, int dx, int dy, int ticks) {
    c.Press(400, 250);
    c.Drag(400 + dx, 250 + dy);
    for (int i = 0; i < ticks; ++i) c.Tick();
    c.Release();
}

} // namespace

TEST(VrRules, FieldOfViewAndTexture) {
    // 2000 px from 400-px inputs at 35 mm: 5 x 35 mm of film over 2 pi 35 mm = 5 rad.
    EXPECT_NEAR(PanoramaHfov(1, 2000, 400, 35.0), 5.0 / kDeg, 1e-9);
    EXPECT_EQ(PanoramaHfov(2, 2000, 400, 35.0), 360.0);
    // A full turn of 1000 px has radius 1000 / 2 pi; 125 px up is atan(pi / 4) = 38.146 deg.
    EXPECT_NEAR(PanoramaVfov(360.0, 1000, 250), 76.292, 1e-3);
    const VrFieldOfView capped = HandOverFieldOfView(400.0, 40.0);
    EXPECT_EQ(capped.hfov, 360.0);
    EXPECT_EQ(capped.vfov, 36.0);
    EXPECT_TRUE(FieldOfViewUsable({360.0, 175.0}));
    EXPECT_FALSE(FieldOfViewUsable({360.5, 40.0}));
    EXPECT_FALSE(FieldOfViewUsable({100.0, 175.5}));

    const struct {
        int width, height;
        double hfov;
        int textureWidth, textureHeight, pictureWidth, left;
    } layouts[] = {
        {1000, 256, 360.0, 1024, 256, 1024, 0},   // a full turn of 1000 px needs 1024
        {500, 257, 360.0, 512, 512, 512, 0},      // 500 px fit in 512
        {200, 100, 180.0, 512, 256, 256, 128},    // a full turn of 400 px; half of it
        {2000, 513, 100.0, 1024, 1024, 288, 368}, // 100/360 x 1024 = 284.4 -> 288
    };
    for (const auto& l : layouts) {
        const auto layout = TextureLayoutFor(l.width, l.height, {l.hfov, 90.0});
        ASSERT_TRUE(layout) << l.width;
        EXPECT_EQ(layout->width, l.textureWidth) << l.width;
        EXPECT_EQ(layout->height, l.textureHeight) << l.width;
        EXPECT_EQ(layout->pictureWidth, l.pictureWidth) << l.width;
        EXPECT_EQ(layout->left, l.left) << l.width;
        EXPECT_NEAR(layout->cylinderHeight, 20.0, 1e-9) << l.width; // 20 tan 45 deg
    }
    EXPECT_FALSE(TextureLayoutFor(1000, 200, {361.0, 40.0}));
}

TEST(VrRules, Resampling) {
    const struct {
        std::vector<int> row; // one source row; the second row is the first plus 10
        int rows, width, height;
        std::vector<int> expected; // first channel of the first target row
    } cases[] = {
        // Halved both ways: means of 2 x 2 blocks, (10 + 20 + 20 + 30) / 4 = 20 and so on.
        {{10, 20, 30, 50, 70, 90}, 2, 3, 1, {20, 45, 85}},
        // 3 -> 2: [0, 1.5) holds 0 and half of 90, (45) / 1.5 = 30; then (45 + 180) / 1.5.
        {{0, 90, 180}, 1, 2, 1, {30, 150}},
        // 2 -> 4: centres at -0.25, 0.25, 0.75, 1.25 source pixels, edges held.
        {{0, 100}, 1, 4, 1, {0, 25, 75, 100}},
    };
    for (const auto& c : cases) {
        RgbPixels source = RgbPixels::Allocate(static_cast<int>(c.row.size()), c.rows);
        for (int y = 0; y < c.rows; ++y)
            for (int x = 0; x < source.width; ++x)
                for (int k = 0; k < 3; ++k)
                    source.Row(y)[3 * x + k] = static_cast<std::uint8_t>(c.row[x] + 10 * y);
        RgbPixels target = RgbPixels::Allocate(c.width, c.height);
        ResampleRgb(source, target);
        for (int x = 0; x < c.width; ++x) EXPECT_EQ(target.Row(0)[3 * x], c.expected[x]) << x;
    }
}

TEST(VrRules, TurnLimits) {
    // fovy = 0.8 vfov = 32 for vfov 40; the camera is 800 / 500 as wide as high.
    const double halfWidth = CameraWidth(32.0, 1.6) / 2.0;
    const struct {
        const char* name;
        double hfov;
        bool yawLimit;
        int dx, dy, ticks;
        int axis;
        double expected;
    } cases[] = {
        // A partial panorama stops with the view's edge on the picture's edge (the lower
        // limits, of the same two functions for both axes, are checked on pitch below).
        {"partial right", 180.0, true, 400, 0, 100, VrController::kYaw, 90.0 - halfWidth},
        // Closed all round: 100 ticks at full speed (5 deg) turn 500 deg.
        {"360", 360.0, false, 400, 0, 100, VrController::kYaw, 500.0},
        // Pitch stops at vfov / 2 - fovy / 2 = 20 - 16; a drag upwards looks up.
        {"up", 360.0, false, 0, -250, 100, VrController::kPitch, 4.0},
        {"down", 360.0, false, 0, 250, 100, VrController::kPitch, -4.0},
    };
    for (const auto& c : cases) {
        VrController v = Controller(c.hfov, 40.0, c.yawLimit);
        DragFor(v, c.dx, c.dy, c.ticks);
        EXPECT_NEAR(v.Angle(c.axis), c.expected, 1e-9) << c.name;
        EXPECT_EQ(v.Angle(1 - c.axis), 0.0) << c.name;
    }
}

TEST(VrRules, DragsTurnAboutTheViewsAxes) {
    VrController v = Controller(360.0, 40.0, false);
    // Mostly sideways: 60 px of a half width of 400 is 0.15 of full speed, 0.75 deg a tick.
    v.Press(400, 250);
    v.Drag(460, 265);
    EXPECT_EQ(v.ActiveAxis(), VrController::kYaw);
    for (int i = 0; i < 40; ++i) v.Tick();
    v.Release();
    EXPECT_NEAR(v.Angle(VrController::kYaw), 30.0, 1e-9);
    EXPECT_EQ(v.Angle(VrController::kPitch), 0.0);

    // Up by 100 px of a half height of 250: 2 deg a tick; then sideways again.
    DragFor(v, 5, -100, 1);
    DragFor(v, -400, 0, 3);
    const double yaw = v.Angle(VrController::kYaw), pitch = v.Angle(VrController::kPitch);
    EXPECT_NEAR(yaw, 15.0, 1e-9);
    EXPECT_NEAR(pitch, 2.0, 1e-9);
    // The camera looks along -y at first, right is -x and up is +z in the panorama's frame.
    // After turning yaw right and pitch up the gaze in that frame is
    // (-cos p sin y, -cos p cos y, sin p): pitch turned about the view's horizontal axis.
    const auto& m = v.FoldedRotation(); // gaze = inverse (transpose) of m applied to (0,-1,0)
    EXPECT_NEAR(-m[1], -std::cos(pitch * kDeg) * std::sin(yaw * kDeg), 1e-9);
    EXPECT_NEAR(-m[5], -std::cos(pitch * kDeg) * std::cos(yaw * kDeg), 1e-9);
    EXPECT_NEAR(-m[9], std::sin(pitch * kDeg), 1e-9);
}

TEST(VrRules, Zoom) {
    // vfov 40 over a 1000-px picture in a 500-px high view: percent = 40 / fovy x 50.
    VrController v = Controller(360.0, 40.0, false, 1000);
    v.SetZoomPercent(87.0);
    v.ZoomIn();
    EXPECT_NEAR(v.ZoomPercent(), 100.0, 1e-9);
    EXPECT_NEAR(v.Fovy(), 20.0, 1e-9);
    v.SetZoomPercent(87.0);
    v.ZoomOut();
    EXPECT_NEAR(v.ZoomPercent(), 60.0, 1e-9);
    v.ShowAll(); // the widest: min(hfov, vfov, 90)
    EXPECT_EQ(v.Fovy(), 40.0);
    for (int i = 0; i < 50; ++i) v.Zoom(-1.0);
    EXPECT_EQ(v.Fovy(), 5.0);

    // Zoomed in, pitch reaches 20 - 2.5; showing all pushes it back to 20 - 20 = 0.
    DragFor(v, 0, -250, 10);
    EXPECT_NEAR(v.Angle(VrController::kPitch), 17.5, 1e-9);
    v.ShowAll();
    EXPECT_NEAR(v.Angle(VrController::kPitch), 0.0, 1e-9);
    EXPECT_NEAR(-v.FoldedRotation()[9], 0.0, 1e-9); // the gaze is level again
}
