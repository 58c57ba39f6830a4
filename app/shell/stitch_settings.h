// The stitch settings block: method, blending, size, focal length, background colour and the
// 360-degree closing; the colour names of the settings; the parameter dialogs' questions.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// Method codes and the engine operation each runs.
inline constexpr int kMethodBigPlane = 0;
inline constexpr int kMethodCylinder = 1;
inline constexpr int kMethodCylinder360 = 2;
inline constexpr int kMethodRigid = 3;
inline constexpr int kMethodRigidStrip = 4;
inline constexpr int kMethodRigidStrip360 = 5;
inline constexpr int kMethodTranslation = 7;
inline constexpr int kMethodTranslationStrip = 8;
inline constexpr int kMethodTranslationStrip360 = 9;

// Blend codes.
inline constexpr int kBlendGradual = 0;
inline constexpr int kBlendHalf = 1;
inline constexpr int kBlendSteep = 2;
inline constexpr int kBlendNone = 3;

// Which parameter dialog a window uses.
enum class ParameterDialogKind { PlaneCylinder, Translation, LensAngle };

struct StitchSettings {
    int blend = kBlendGradual;
    bool flag360 = false;
    int method = kMethodCylinder;
    int focalLength = 35; // mm of a 35 mm frame
    int sizeIndex = 0;    // 0 small, 1 medium, 2 large
    bool colourCorrection = false;
    int colourItem = 2;  // 0 black, 1 grey, 2 white
    int lensAngle = 180; // degrees, of the lens-angle dialog
    int closingDx = 0, closingDy = 0;

    std::array<std::uint8_t, 3> Background() const;
};

// The combo item of a stored colour name (any letter case): black 0, grey/gray 1, else 2.
int ColourItemFromName(const std::string& name);
// The stored name of a combo item: "black", "gray", "white".
std::string ColourNameOfItem(int item);
// The three items' colours: (0, 0, 0), (222, 222, 222), (255, 255, 255).
std::array<std::uint8_t, 3> ColourOfItem(int item);

// True for the method codes that close a panorama over 360 degrees (2, 5, 9).
bool MethodIs360(int method);
// True for the codes the driver can run.
bool MethodKnown(int method);

// The confirmation question for an image size index.
std::string SizeQuestion(int sizeIndex);

// The dialogs' remembered choices: "PanoramaSelected" for the plane/cylinder dialog,
// "PanoramaRigid" for the translation dialog. The blend choice is kept as the index of its
// radio button.
void ReadDialogSettings(ParameterDialogKind kind, StitchSettings& settings, int* blendIndex);
void WriteDialogSettings(ParameterDialogKind kind, const StitchSettings& settings, int blendIndex);
