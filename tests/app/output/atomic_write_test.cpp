// Writing under a temporary name: a write that fails after the temporary file was written in
// full leaves the old file as it was and no temporary file behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "atomic_write.h"
#include "picture_test_support.h"

namespace {

namespace fs = std::filesystem;

TEST(AtomicWrite, AFailureAfterTheTemporaryFileWasWrittenLeavesTheFolderAsItWas) {
    ScratchDir dir;
    const std::string path = dir.File("pano.bmp");
    WriteBytes(path, {'o', 'l', 'd'});
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    std::string written; // the temporary file each write was given
    const auto writeThen = [&](std::function<bool()> after) {
        return [&, after](const std::string& temporary) {
            written = temporary;
            WriteBytes(temporary, {'n', 'e', 'w'});
            EXPECT_TRUE(fs::exists(temporary));
            return after();
        };
    };
    // The writer reports a failure, or throws, once the whole file is there.
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(path, writeThen([] { return false; }), &error));
    EXPECT_EQ(error.rfind("Cannot write " + path + ": ", 0), 0u) << error;
    EXPECT_THROW(
        WriteFileAtomically(path, writeThen([]() -> bool { throw std::bad_alloc(); }), &error),
        std::bad_alloc);
    // The rename fails: a folder has taken the name meanwhile.
    const std::string taken = dir.File("taken.bmp");
    EXPECT_FALSE(WriteFileAtomically(
        taken, writeThen([&] { return fs::create_directories(taken + "/inside"); }), &error));
    EXPECT_EQ(error.rfind("Cannot write " + taken + ": ", 0), 0u) << error;
    EXPECT_FALSE(fs::exists(written));
    EXPECT_EQ(ReadBytes(path), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"pano.bmp", "taken.bmp"}));

    // A write that succeeds replaces the file and keeps its permissions.
    EXPECT_TRUE(WriteFileAtomically(path, writeThen([] { return true; }), &error));
    EXPECT_EQ(ReadBytes(path), (Bytes{'n', 'e', 'w'}));
    struct stat status {};
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"pano.bmp", "taken.bmp"}));
}

} // namespace
