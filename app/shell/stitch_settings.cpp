#include "stitch_settings.h"

#include <QCoreApplication>

#include <algorithm>
#include <cctype>

#include "stitchkit/Host.h"

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

const char* SectionOf(ParameterDialogKind kind) {
    return kind == ParameterDialogKind::Translation ? "PanoramaRigid" : "PanoramaSelected";
}

} // namespace

std::array<std::uint8_t, 3> StitchSettings::Background() const {
    return ColourOfItem(colourItem);
}

int ColourItemFromName(const std::string& name) {
    const std::string lower = Lower(name);
    if (lower == "black") return 0;
    if (lower == "grey" || lower == "gray") return 1;
    return 2;
}

std::string ColourNameOfItem(int item) {
    switch (item) {
    case 0:
        return "black";
    case 1:
        return "gray";
    default:
        return "white";
    }
}

std::array<std::uint8_t, 3> ColourOfItem(int item) {
    switch (item) {
    case 0:
        return {0, 0, 0};
    case 1:
        return {222, 222, 222};
    default:
        return {255, 255, 255};
    }
}

bool MethodIs360(int method) {
    return method == kMethodCylinder360 || method == kMethodRigidStrip360 ||
           method == kMethodTranslationStrip360;
}

bool MethodKnown(int method) {
    return method >= 0 && method <= 9 && method != 6;
}

std::string SizeQuestion(int sizeIndex) {
    switch (sizeIndex) {
    case 0:
        return QCoreApplication::translate(
                   "StitchSettings",
                   "With Small Size, it will process fast, but the resolution will be low.")
            .toStdString();
    case 1:
        return QCoreApplication::translate(
                   "StitchSettings",
                   "With Middle Size, it will process with middle speed and the resolution will "
                   "be middle.")
            .toStdString();
    default:
        return QCoreApplication::translate(
                   "StitchSettings",
                   "With Large Size, the qality will be the best, but it will tak a long time.")
            .toStdString();
    }
}

void ReadDialogSettings(ParameterDialogKind kind, StitchSettings& settings, int* blendIndex) {
    stitchkit::IProfileStore& store = stitchkit::ProfileStore();
    const std::string section = SectionOf(kind);
    if (kind == ParameterDialogKind::PlaneCylinder)
        settings.focalLength = store.GetInt(section, "FocalLength", 35);
    settings.sizeIndex = std::clamp(store.GetInt(section, "ImageSize", 0), 0, 2);
    *blendIndex = std::clamp(store.GetInt(section, "BlendLevelIndex", 0), 0, 2);
    settings.colourItem = ColourItemFromName(store.GetString(section, "Background Color", "white"));
}

void WriteDialogSettings(ParameterDialogKind kind, const StitchSettings& settings, int blendIndex) {
    stitchkit::IProfileStore& store = stitchkit::ProfileStore();
    const std::string section = SectionOf(kind);
    if (kind == ParameterDialogKind::PlaneCylinder)
        store.WriteInt(section, "FocalLength", settings.focalLength);
    store.WriteInt(section, "ImageSize", settings.sizeIndex);
    store.WriteInt(section, "BlendLevelIndex", blendIndex);
    store.WriteString(section, "Background Color", ColourNameOfItem(settings.colourItem));
}
