// Writing a file so that its name never holds a half-written file: the content goes to a new
// temporary file in the same folder, which takes the name only once it was written in full and
// reached the disk. A failed or interrupted write leaves the folder as it was.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "picture_prompt.h"

namespace atomic_write_detail {

inline std::string Folder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

inline std::string FileName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

inline mode_t NewFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Flushes a file (or folder) to the disk; delayed allocation reports a full disk only here.
inline bool SyncToDisk(const std::string& path, int flags) {
    const int fd = open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = fsync(fd) == 0;
    const int saved = errno;
    close(fd);
    errno = saved;
    return synced;
}

// Removes the temporary file unless it was renamed, also when the writer throws.
struct TemporaryFile {
    std::string path;
    bool kept = false;
    ~TemporaryFile() {
        if (!kept) unlink(path.c_str());
    }
};

inline bool Fail(const std::string& path, const std::string& reason, std::string* error) {
    if (error)
        *error =
            PictureText(QT_TRANSLATE_NOOP("PictureLayer", "Cannot write %1: %2"), {path, reason});
    return false;
}

} // namespace atomic_write_detail

// Calls `write` with the path of a new, empty temporary file beside `path` (named
// ".<name>.part-XXXXXX") and, when it returns true, renames that file to `path`; a file it
// replaces lends it its permissions, a new file gets 0666 less the umask. On failure the
// temporary file is removed, `path` is untouched and `error` reads "Cannot write <path>:
// <reason>".
inline bool WriteFileAtomically(const std::string& path,
                                const std::function<bool(const std::string& temporaryPath)>& write,
                                std::string* error) {
    using namespace atomic_write_detail;
    if (path.empty() || path.back() == '/') return Fail(path, std::strerror(EISDIR), error);
    struct stat existing {};
    const bool replaces = stat(path.c_str(), &existing) == 0;
    // A folder of that name would refuse the rename only after the whole picture was written.
    if (replaces && S_ISDIR(existing.st_mode)) return Fail(path, std::strerror(EISDIR), error);

    const std::string folder = Folder(path);
    std::string pattern = folder + "/." + FileName(path) + ".part-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return Fail(path, std::strerror(errno), error);
    TemporaryFile temporary{name.data()};
    const mode_t mode =
        replaces && S_ISREG(existing.st_mode) ? existing.st_mode & 07777 : NewFileMode();
    fchmod(fd, mode);
    close(fd);

    errno = 0;
    if (!write(temporary.path)) {
        const int reason = errno;
        return Fail(path,
                    reason != 0 ? std::strerror(reason) : "the file could not be written in full",
                    error);
    }
    if (!SyncToDisk(temporary.path, O_RDONLY)) return Fail(path, std::strerror(errno), error);
    if (std::rename(temporary.path.c_str(), path.c_str()) != 0)
        return Fail(path, std::strerror(errno), error);
    temporary.kept = true;
    SyncToDisk(folder, O_RDONLY | O_DIRECTORY); // the new name itself; a failure loses nothing
    return true;
}
