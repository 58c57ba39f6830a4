#include "vista_file.h"

#include <cerrno>
#include <cmath>
#include <cstdio>

#include "atomic_write.h"
#include "picture_io.h"

namespace {

// Where the viewer finds the panorama prototype: a definition installed beside the scene.
constexpr const char* kPrototypeUrl = "vista.wrl#Vista";

std::string Stem(const std::string& path) {
    return path.size() >= 4 ? path.substr(0, path.size() - 4) : std::string();
}

std::string FileName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The scene is text written as the original platform's text mode writes it: CR LF line ends.
std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (const char ch : text) {
        if (ch == '\n') out += '\r';
        out += ch;
    }
    return out;
}

std::string Format(const char* format, double a, double b) {
    char line[128];
    std::snprintf(line, sizeof line, format, a, b);
    return line;
}

} // namespace

int VistaInputWidth(int firstWidth, int firstHeight, int sizeIndex) {
    const int m = firstWidth > firstHeight ? firstWidth : firstHeight;
    if (sizeIndex == 0) return m >= 1280 ? m / 4 : (m >= 640 ? m / 2 : m);
    if (sizeIndex == 1) return m >= 640 ? m / 2 : m;
    return m;
}

VistaGeometry ComputeVistaGeometry(int width, int height, int inputWidth, double focal) {
    VistaGeometry g;
    if (inputWidth <= 0 || !(focal > 0.0)) return g;
    // One input picture of inputWidth pixels spans 35 mm of film at focal length f.
    const double hfov = static_cast<double>(width) / inputWidth * 35.0 / focal;
    const double v = std::atan2(height * 0.5 / inputWidth * 35.0, focal);
    g.yawMax = g.hFovMax = hfov;
    g.vFovMin = -v;
    g.vFovMax = v;
    return g;
}

std::string VistaSceneText(const VistaGeometry& g, const std::string& jpegName, bool full360) {
    std::string text = "#VRML V2.0 utf8\n\nEXTERNPROTO Vista [\n";
    for (const char* field :
         {"SFString\ttype", "MFNode\ttexture", "MFVec2f\tvFov", "MFVec2f\thFov",
          "SFVec2f\tpitchRange", "SFVec2f\tyawRange", "SFVec2f\tzoomRange", "MFColor\tgroundColor",
          "MFFloat\tgroundRange", "MFColor\tskyColor", "MFFloat\tskyRange"}) {
        text += "\texposedField\t";
        text += field;
        text += "\n";
    }
    text += "\n\teventOut SFVec2f\tclickPt\n\teventOut SFVec2f\toverPt\n"
            "\teventOut SFBool\tisBound\n\teventIn  SFBool\tset_bind\n";
    text += std::string("] \"") + kPrototypeUrl + "\"\n\n";
    text += "NavigationInfo {\n\ttype \"VISTA\"\n\theadlight FALSE\n}\n";
    text += "\nVista {\n\ttexture ImageTexture { url \"" + jpegName + "\" }\n";
    if (full360) {
        text += "\ttype \"SPHERE\"\n";
        text += Format("\tvFov %.3f %.3f\n", g.vFovMin, g.vFovMax);
        text += Format("\tpitchRange %.3f %.3f\n}", g.vFovMin, g.vFovMax);
    } else {
        text += Format("\tvFov %.3f %.3f\n", g.vFovMin, g.vFovMax);
        text += Format("\tpitchRange %.3f %.3f\n", g.vFovMin, g.vFovMax);
        text += Format("\thFov %.3f %.3f\n", g.hFovMin, g.hFovMax);
        text += Format("\tyawRange %.3f %.3f\n}", g.yawMin, g.yawMax);
    }
    return WithCrLf(text);
}

std::string VistaJpegPath(const std::string& chosenPath) {
    return Stem(chosenPath) + ".jpg";
}
std::string VistaScenePath(const std::string& chosenPath) {
    return Stem(chosenPath) + ".ivr";
}

bool WriteVistaFiles(CImageImpl& picture, const std::string& chosenPath, const VistaScene& scene,
                     std::string* error, std::string* jpegPath) {
    const std::string jpeg = VistaJpegPath(chosenPath);
    const std::string scenePath = VistaScenePath(chosenPath);
    if (jpegPath) *jpegPath = jpeg;

    const int quality = picture.GetJpegQuality();
    picture.SetJpegQuality(100);
    const bool pictureWritten = WriteFileAtomically(
        jpeg,
        [&](const std::string& temporary) {
            return picture.WriteFileAs(temporary, kImageTypeJpeg, {.storedName = jpeg});
        },
        error);
    picture.SetJpegQuality(quality);
    if (!pictureWritten) return false;

    const std::string text =
        VistaSceneText(ComputeVistaGeometry(picture.GetWidth(), picture.GetHeight(),
                                            scene.inputWidth, scene.focal),
                       FileName(jpeg), scene.full360);
    return WriteFileAtomically(
        scenePath,
        [&](const std::string& temporary) {
            FilePtr file = OpenFile(temporary, "wb");
            if (!file) return false;
            const bool all = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
            return CloseWritten(std::move(file)) && all;
        },
        error);
}
