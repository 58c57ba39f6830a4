// Saving the result: file types by extension, the overwrite question, the 16-bit questions,
// the remembered folder and type, and saves that fail without touching what was there.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "output_test_support.h"
#include "picture_sniff.h"
#include "save_result.h"
#include "support/scripted_prompter.h"

namespace {

// A save whose chooser answers `path` and records what it was offered.
struct SaveSetup {
    CSave save;
    std::string offeredFolder, offeredExt;
    int depthAsked = 0;

    SaveSetup(CImageImpl& picture, const std::string& path, int tiffDepth = 16) {
        save.SetImage(&picture);
        save.SetFileChooser(
            [this, path](QWidget*, const std::string& folder, const std::string& ext) {
                offeredFolder = folder;
                offeredExt = ext;
                return path;
            });
        save.SetTiffDepthChooser([this, tiffDepth](QWidget*) {
            ++depthAsked;
            return tiffDepth;
        });
    }
};

// The type a file's first bytes show.
int Magic(const std::string& path) {
    const std::string bytes = ReadBytes(path);
    return PictureTypeOfBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                              "");
}

} // namespace

TEST(Save, ExtensionsFiltersAndTypedNames) {
    // Known extensions in any case are the saving tests' (JPEG, BMP, RLE, TIFF, movie, scene).
    EXPECT_EQ(CSave::FilterIndexForExtension("IVR"), 5);

    const QStringList filters = CSave::Filters(true);

    const struct {
        const char* typed;
        int filter;
        const char* name;
    } names[] = {{"/p/pano", 2, "/p/pano.tif"},
                 {"/p/pano.TIFF", 0, "/p/pano.TIFF"},
                 {"/p/v1.2/pano", 4, "/p/v1.2/pano.ivr"},
                 {"/p/pano.v2", 0, "/p/pano.v2.jpg"},
                 {"/p/pano.rle", 2, "/p/pano.rle"}};
    for (const auto& c : names)
        EXPECT_EQ(CSave::CompleteName(c.typed, filters[c.filter]), c.name) << c.typed;
}

TEST(Save, WritesTheTypeOfTheExtensionAndRemembersTheFolder) {
    ScopedStore settings;
    ScratchDir dir;
    ScriptedPrompter prompts;
    auto picture = MakePicture(40, 30);
    const struct {
        const char* name;
        int magic;
    } cases[] = {{"a.jpg", kImageTypeJpeg}, {"b.JPEG", kImageTypeJpeg}, {"c.bmp", kImageTypeBmp},
                 {"d.rle", kImageTypeBmp},  {"e.tif", kImageTypeTiff},  {"f.tiff", kImageTypeTiff}};
    std::string lastExt = "jpg", lastFolder;
    for (const auto& c : cases) {
        SaveSetup setup(*picture, dir.Path(c.name));
        ASSERT_TRUE(setup.save.Run(nullptr)) << c.name;
        EXPECT_EQ(setup.offeredExt, lastExt) << c.name;
        EXPECT_EQ(setup.offeredFolder, lastFolder) << c.name;
        EXPECT_EQ(Magic(dir.Path(c.name)), c.magic) << c.name;
        lastExt = CSave::ExtensionOf(c.name);
        lastFolder = dir.Path() + "/";
    }
    EXPECT_EQ(settings.Saved("MostRecentDefExt(FOLDER)"), "tiff");
    EXPECT_EQ(settings.Saved("MostRecentFilePath(FOLDER)"), dir.Path() + "/");
    EXPECT_EQ(picture->GetType(), kImageTypeBmp);          // written as other types, still itself
    EXPECT_EQ(picture->GetFileName(), dir.Path("f.tiff")); // named after the last save
    auto back = CImageImpl::Open(dir.Path("e.tif"));
    ASSERT_TRUE(back && back->IsValid());
    EXPECT_EQ(back->GetRow(7)[3 * 5 + 1], 7); // green = row
    EXPECT_TRUE(prompts.Boxes().empty());
}

TEST(Save, OverwriteQuestionAndMovie) {
    ScopedStore settings;
    ScratchDir dir;
    ScriptedPrompter prompts;
    auto picture = MakePicture(20, 10);
    const std::string path = dir.Path("old.bmp");
    WriteBytes(path, "the user's old file");

    prompts.Expect(kIdNo);
    EXPECT_FALSE(SaveSetup(*picture, path).save.Run(nullptr));
    EXPECT_EQ(ReadBytes(path), "the user's old file");
    EXPECT_EQ(settings.Saved("MostRecentFilePath(FOLDER)"), ""); // nothing without a save
    prompts.Expect(kIdYes);
    EXPECT_TRUE(SaveSetup(*picture, path).save.Run(nullptr));
    EXPECT_EQ(Magic(path), kImageTypeBmp);
    ASSERT_EQ(prompts.Boxes().size(), 2u);
    EXPECT_EQ(prompts.Boxes()[0].flags, kMbYesNo);

    prompts.Take();
    prompts.Expect(kIdOk);
    EXPECT_FALSE(SaveSetup(*picture, dir.Path("pano.mov")).save.Run(nullptr));
    EXPECT_EQ(prompts.Boxes().size(), 1u); // a movie cannot be written
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"old.bmp"});
}

TEST(Save, SixteenBitPictures) {
    ScopedStore settings;
    ScratchDir dir;
    ScriptedPrompter prompts;
    auto picture = MakePicture(16, 8, true);
    ASSERT_TRUE(picture->Is48Bit());
    const struct {
        const char* name;
        int tiffDepth; // the TIFF dialog's answer (0 = Cancel)
        int answer;    // answer to the question of a low resolution, 0 when none is expected
        bool written;
        bool sixteen; // the file keeps 16 bits
    } cases[] = {
        {"no.jpg", 16, kIdNo, false, false},        {"yes.jpg", 16, kIdYes, true, false},
        {"no.bmp", 16, kIdNo, false, false},        {"deep.tif", 16, 0, true, true},
        {"cancel.tif", 0, 0, false, false},         {"shallow.tif", 8, kIdYes, true, false},
        {"shallow_no.tif", 8, kIdNo, false, false},
    };
    for (const auto& c : cases) {
        if (c.answer) prompts.Expect(c.answer);
        SaveSetup setup(*picture, dir.Path(c.name), c.tiffDepth);
        EXPECT_EQ(setup.save.Run(nullptr), c.written) << c.name;
        EXPECT_EQ(prompts.Take().size(), c.answer ? 1u : 0u) << c.name; // the resolution question
        EXPECT_EQ(setup.depthAsked, CSave::ExtensionOf(c.name) == "tif" ? 1 : 0) << c.name;
        EXPECT_EQ(std::filesystem::exists(dir.Path(c.name)), c.written) << c.name;
        EXPECT_TRUE(picture->Is48Bit()) << c.name; // the picture keeps its low bytes
        if (!c.written || CSave::ExtensionOf(c.name) != "tif") continue;
        auto back = CImageImpl::Open(dir.Path(c.name));
        ASSERT_TRUE(back && back->IsValid()) << c.name;
        EXPECT_EQ(back->Is48Bit(), c.sixteen) << c.name;
        if (c.sixteen) {
            EXPECT_EQ(back->GetLowerRow(3)[6], 0x5A);
        }
    }
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"deep.tif", "shallow.tif", "yes.jpg"}));
}

TEST(Save, FailedWritesLeaveNoFileAndKeepTheOldOne) {
    // The tests run as root, for whom a read-only folder does not stop a write; a folder that
    // does not exist stands for it. A full disk is a file-size limit (SIGXFSZ ignored, so the
    // write fails with EFBIG instead of ending the process).
    ScopedStore settings;
    ScratchDir dir;
    ScriptedPrompter prompts;
    auto picture = MakePicture(300, 200); // 180 KB of pixels
    int calls = 0;                        // the callbacks around the write run on failure too

    const std::string missing = dir.Path("gone/pano.jpg");
    SaveSetup lost(*picture, missing);
    lost.save.SetCallbacks([&] { ++calls; }, [&] { ++calls; });
    prompts.Expect(kIdOk);
    EXPECT_FALSE(lost.save.Run(nullptr));
    EXPECT_EQ(calls, 2);

    const std::string old = dir.Path("pano.tif");
    WriteBytes(old, "old picture");
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    prompts.Expect(kIdYes); // overwrite
    prompts.Expect(kIdOk);
    const bool written = SaveSetup(*picture, old).save.Run(nullptr);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);

    EXPECT_EQ(prompts.Boxes().size(), 3u); // the two failures, and the overwrite question
    EXPECT_EQ(ReadBytes(old), "old picture");
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"pano.tif"});
    EXPECT_EQ(settings.Saved("MostRecentFilePath(FOLDER)"), "");
}
