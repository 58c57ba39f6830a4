#include "stitch_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "stitch_inputs.h"
#include "vista_file.h"

namespace {

// A name in the same folder that no one else uses.
std::string TemporaryName(const std::string& path) {
    const std::filesystem::path p(path);
    std::string name = ".";
    name += p.filename().string();
    name += ".part-";
    name += std::to_string(getpid());
    return (p.parent_path() / name).string();
}

// Checks that the folder exists and can be written before any work is spent on writing.
bool FolderWritable(const std::string& path, std::string* error) {
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty()) folder = ".";
    if (access(folder.c_str(), W_OK) != 0) {
        *error = folder.string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool Commit(const std::string& temp, const std::string& path, std::string* error) {
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        *error = path + ": " + std::strerror(errno);
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

} // namespace

int OutputTypeForPath(const std::string& path, bool* scene) {
    *scene = false;
    const std::size_t dot = path.find_last_of('.');
    if (dot != std::string::npos) {
        std::string ext = path.substr(dot + 1);
        for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (ext == "ivr") {
            *scene = true;
            return kImageTypeJpeg;
        }
    }
    return PictureTypeForPath(path);
}

bool WritePicture(CImageImpl& picture, const std::string& path, std::string* error) {
    if (!FolderWritable(path, error)) return false;
    const std::string temp = TemporaryName(path);
    const std::string name = picture.GetFileName();
    const bool written = picture.WriteFile(temp);
    picture.SetFileName(name);
    if (!written) {
        std::remove(temp.c_str());
        *error = path + ": the picture could not be written";
        return false;
    }
    return Commit(temp, path, error);
}

bool WriteScene(CImageImpl& picture, const std::string& path, int inputWidth, double focal,
                bool full360, std::string* jpegPath, std::string* error) {
    return WriteVistaFiles(picture, path, {inputWidth, focal, full360}, error, jpegPath);
}
