// A folder of its own for a test, removed with everything in it when the object goes.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

class ScratchDir {
public:
    ScratchDir() {
        char pattern[] = "/tmp/quilt-test-XXXXXX";
        if (mkdtemp(pattern) == nullptr) throw std::runtime_error("no scratch folder");
        m_path = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // The folder, or `name` inside it.
    std::string Path(const std::string& name = {}) const {
        return name.empty() ? m_path : m_path + "/" + name;
    }
    std::string File(const std::string& name) const { return Path(name); }
    // The names of the files in the folder (temporary ones too), sorted.
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string m_path;
};
