// The damaged files of tests/data/corrupt (made by scripts/make_corrupt_corpus.py, plus inputs
// a fuzz target found): the reader a file is named after refuses it as a user's file would be
// read, every reader reads it safely, and no file makes a reader hold much memory. Foreign
// files fail in every reader.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "exif_focal.h"
#include "picture_test_support.h"

namespace {

constexpr int kAllTypes[] = {kImageTypeBmp, kImageTypeJpeg, kImageTypeTiff, kImageTypePng,
                             kImageTypeGif};

// Each file's name starts with the reader that must refuse it.
struct Family {
    const char* prefix;
    int type;
};
constexpr Family kFamilies[] = {
    {"bmp-", kImageTypeBmp},     {"jpeg-", kImageTypeJpeg}, {"tiff8-", kImageTypeTiff},
    {"tiff16-", kImageTypeTiff}, {"png-", kImageTypePng},   {"gif-", kImageTypeGif},
};
constexpr int kFewestFilesPerFamily = 5;

// Files of a few hundred bytes may not make a reader hold more than this, above what the test
// held before it began (so a reader that fills gigabytes for a lying header shows here).
constexpr long kMostExtraMemoryMb = 256;

long PeakMemoryMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Reads `path` as `type` with the fuzzers' pixel limit and, when that works, checks that the
// picture is whole and that its derived pictures can be made.
void ReadSafely(const std::string& path, int type) {
    auto picture = CImageImpl::New(type);
    picture->SetPixelLimit(std::int64_t{1} << 20);
    if (!picture->ReadFile(path)) {
        EXPECT_FALSE(picture->IsValid()) << path;
        return;
    }
    EXPECT_GT(picture->GetWidth(), 0) << path;
    EXPECT_GT(picture->GetHeight(), 0) << path;
    EXPECT_NE(picture->GetBits(), nullptr) << path;
    EXPECT_TRUE(picture->MakeThumbnail(16, 16)) << path;
    EXPECT_TRUE(picture->Crop(0, 0, picture->GetWidth(), picture->GetHeight())) << path;
}

TEST(CorruptCorpus, EachFileIsRefusedByItsReaderAndReadSafelyByAll) {
    PromptRecorder quiet;
    const auto folder = std::filesystem::path(__FILE__).parent_path() / "../../data/corrupt";
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().filename() != "README.md")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());

    const long memoryBefore = PeakMemoryMb();
    bool memoryReported = false;
    std::map<std::string, int> counts;
    for (const auto& file : files) {
        const std::string name = file.filename().string();
        const std::string path = file.string();
        const auto family =
            std::find_if(std::begin(kFamilies), std::end(kFamilies),
                         [&](const Family& f) { return name.starts_with(f.prefix); });
        if (family == std::end(kFamilies)) {
            ADD_FAILURE() << name << ": name it after the reader that must refuse it";
            continue;
        }
        ++counts[family->prefix];
        // Without a pixel limit of the caller's, as quiltstitch reads its inputs.
        EXPECT_FALSE(CImageImpl::New(family->type)->ReadFile(path)) << name << " was read";
        for (int type : kAllTypes) ReadSafely(path, type);
        (void)ReadExifFocalFields(path);
        const long grown = PeakMemoryMb() - memoryBefore;
        if (grown > kMostExtraMemoryMb && !memoryReported) {
            memoryReported = true; // the peak only grows: the first file past the limit is named
            ADD_FAILURE() << name << " made the readers hold " << grown << " MB more";
        }
    }
    for (const Family& family : kFamilies)
        EXPECT_GE(counts[family.prefix], kFewestFilesPerFamily)
            << "too few damaged files for " << family.prefix << " in " << folder;
}

TEST(CorruptCorpus, ForeignFilesFailInEveryReader) {
    ScratchDir dir;
    PromptRecorder quiet;
    const std::string text = "This is a plain text file, not a picture.\n";
    WriteBytes(dir.File("text"), Bytes(text.begin(), text.end()));
    WriteBytes(dir.File("empty"), {});
    // A file that does not exist, and a folder, are not pictures either.
    for (const char* name : {"text", "empty", "missing", ""})
        for (int type : kAllTypes) {
            auto picture = CImageImpl::New(type);
            EXPECT_FALSE(picture->ReadFile(dir.File(name))) << name << " " << type;
            EXPECT_FALSE(picture->IsValid()) << name << " " << type;
        }
}

} // namespace
