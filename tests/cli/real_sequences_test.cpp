// quiltstitch on the real photograph sequences kept beside the checkout (skipped without them).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "cli/cli_test_support.h"
#include "image_impl.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Pictures(const std::string& set, std::size_t most = 100) {
    std::vector<std::string> paths;
    const fs::path folder = fs::path(QUILT_SHARED_DATA) / "real" / set;
    if (!fs::is_directory(folder)) return paths;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() == ".jpg" && name.find("noise") == std::string::npos)
            paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    if (paths.size() > most) paths.resize(most);
    return paths;
}

struct Case {
    const char* set;
    const char* method;
    std::size_t pictures; // the first so many of the set
};

TEST(RealSequences, StitchInCylinderAndPlaneModes) {
    if (!fs::is_directory(fs::path(QUILT_SHARED_DATA) / "real"))
        GTEST_SKIP() << "no real sequences";
    cli_test::ScratchDir dir;
    // The plane takes the narrower spans: a wide or closed turn is too wide for one plane.
    const Case cases[] = {
        {"openpano_flower", "cylinder", 100},    {"openpano_flower", "plane", 100},
        {"opencv_weir", "cylinder", 100},        {"opencv_weir", "plane", 100},
        {"openpano_apartment", "cylinder", 100}, {"openpano_apartment", "plane", 4},
        {"parrington", "cylinder-360", 100},     {"parrington", "plane", 3}};
    for (const Case& c : cases) {
        std::vector<std::string> args = Pictures(c.set, c.pictures);
        ASSERT_GE(args.size(), 2u) << c.set;
        std::unique_ptr<CImageImpl> first = CImageImpl::Open(args[0], kImageTypeJpeg);
        ASSERT_TRUE(first && first->IsValid());
        const std::size_t count = args.size();
        const std::string out = dir.Path(std::string(c.set) + "_" + c.method + ".jpg");
        args.insert(args.end(), {"-m", c.method, "--size", "medium", "-o", out, "-q"});
        const auto run = cli_test::RunStitch(args);
        ASSERT_EQ(run.status, 0) << c.set << " " << c.method << ": " << run.errors;
        std::unique_ptr<CImageImpl> pano = CImageImpl::Open(out, kImageTypeJpeg);
        ASSERT_TRUE(pano && pano->IsValid());
        // At the medium size pictures of 640 pixels or more are halved. The panorama is wider
        // than one picture and narrower than all of them side by side (a plane stretches the
        // outer pictures, by up to about twice), and about one picture high.
        const int longer = std::max(first->GetWidth(), first->GetHeight());
        const int factor = longer >= 640 ? 2 : 1;
        const double w = first->GetWidth() / factor, h = first->GetHeight() / factor;
        const double stretch = std::string(c.method) == "plane" ? 2.5 : 1.1;
        EXPECT_GT(pano->GetWidth(), w) << c.set << " " << c.method;
        EXPECT_LT(pano->GetWidth(), count * w * stretch) << c.set << " " << c.method;
        EXPECT_GT(pano->GetHeight(), h * 0.8) << c.set << " " << c.method;
        EXPECT_LT(pano->GetHeight(), h * stretch * 1.4) << c.set << " " << c.method;
    }
}

} // namespace
