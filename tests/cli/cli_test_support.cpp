#include "cli/cli_test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "image_impl.h"

namespace cli_test {

namespace {

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char ch : text) {
        if (ch == '\'')
            quoted += "'\\''";
        else
            quoted += ch;
    }
    return quoted + "'";
}

// The picture layer's type for the extension (its table has no PNG).
int ExtensionType(const std::string& path) {
    return path.ends_with(".png") ? kImageTypePng : CImageImpl::TypeFromExtension(path);
}

} // namespace

std::string ReadText(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

RunResult RunStitch(const std::vector<std::string>& args,
                    const std::vector<std::string>& environment) {
    ScratchDir capture;
    std::string command;
    if (!environment.empty()) {
        command = "env";
        for (const std::string& setting : environment) command += " " + Quote(setting);
        command += " ";
    }
    command += Quote(QUILTSTITCH_PATH);
    for (const std::string& arg : args) command += " " + Quote(arg);
    command +=
        " >" + Quote(capture.Path("out")) + " 2>" + Quote(capture.Path("err")) + " </dev/null";
    const int raw = std::system(command.c_str());
    RunResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.errors = ReadText(capture.Path("err"));
    result.output = ReadText(capture.Path("out"));
    return result;
}

bool WriteTestPicture(TestDib& dib, const std::string& path, bool sixteenBits) {
    std::unique_ptr<CImageImpl> picture = CImageImpl::FromBitmap(
        dib.header, dib.pixels.data(), sixteenBits ? dib.lower.data() : nullptr,
        dib.palette.empty() ? nullptr : dib.palette.data(), ExtensionType(path));
    return picture && picture->WriteFile(path);
}

std::vector<double> ReportNumbers(const std::string& reportPath, const std::string& key) {
    const std::string text = ReadText(reportPath);
    const std::regex pattern("\"" + key + "\": (-?[0-9.eE+-]+)");
    std::vector<double> numbers;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
         it != std::sregex_iterator(); ++it)
        numbers.push_back(std::stod((*it)[1].str()));
    return numbers;
}

TextureSequence::TextureSequence(ViewKind kind, const char* ext) {
    for (int k = 0; k < 3; ++k) {
        TestDib view = TextureView(240, 320, kTextureOrigins[k].top, kTextureOrigins[k].left, kind);
        paths.push_back(dir.Path("view" + std::to_string(k) + ext));
        EXPECT_TRUE(WriteTestPicture(view, paths.back()));
    }
}

std::vector<std::string> TextureSequence::Args(const std::vector<std::string>& more) const {
    std::vector<std::string> args = paths;
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

PanSequence::PanSequence(camera_views::Scene scene, double F, const std::vector<double>& yaws) {
    std::vector<TestDib> views = camera_views::RenderViews(scene, F, yaws, 240, 320);
    for (std::size_t k = 0; k < views.size(); ++k) {
        paths.push_back(dir.Path("pan" + std::to_string(k) + ".bmp"));
        EXPECT_TRUE(WriteTestPicture(views[k], paths.back()));
    }
}

} // namespace cli_test
