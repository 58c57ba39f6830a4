// pair_confidence_measure: the engine's pair confidences on pictures that belong together and on
// pictures that do not, to choose the threshold below which quiltstitch refuses a pair.
//
//   pair_confidence_measure QUILTSTITCH QUILTSAMPLE DATA_DIR [WORK_DIR]
//
// Good pairs: every sequence of DATA_DIR/real (pictures in name order, without *noise*), a
// sequence made by QUILTSAMPLE (a camera turning about its vertical axis) and, from each
// photograph of DATA_DIR/sources, four crops of 800 x 600 that step 500 columns to the right
// (a known translation). Unrelated pairs: crops of the same size from different photographs,
// crops of two places of one photograph that do not overlap, and pictures of different real
// sequences cut to one size. Every set is stitched with every method (a closed turn also with the
// 360-degree methods) and the confidences are read from the --report file. Prints one line per
// run, then the lowest good and the highest unrelated confidence of each method and overall.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "image_impl.h"

namespace fs = std::filesystem;

namespace {

const char* const kOpenMethods[] = {"plane",       "cylinder",    "rigid",
                                    "rigid-strip", "translation", "translation-strip"};
const char* const kTurnMethods[] = {"cylinder-360", "rigid-strip-360", "translation-strip-360"};

struct Set {
    std::string name;
    std::vector<std::string> pictures;
    bool turn = false;
};

struct Extreme {
    double value;
    std::string where;
};

std::string Quote(const std::string& text) {
    std::string out = "'";
    for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The numbers after "confidence": in the report's "pairs" list (null entries skipped).
std::vector<double> ReportConfidences(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    const std::string json = text.str();
    std::vector<double> values;
    const std::size_t begin = json.find("\n  \"pairs\": [");
    const std::size_t end = json.find("]", begin);
    if (begin == std::string::npos) return values;
    const std::string key = "\"confidence\": ";
    for (std::size_t at = json.find(key, begin); at != std::string::npos && at < end;
         at = json.find(key, at + 1)) {
        const char* start = json.c_str() + at + key.size();
        char* stop = nullptr;
        const double value = std::strtod(start, &stop);
        if (stop != start) values.push_back(value);
    }
    return values;
}

// Writes the crop (left, top) of width x height as a PNG; false when it does not fit.
bool WriteCrop(const CImageImpl& picture, int left, int top, int width, int height,
               const std::string& path) {
    if (left < 0 || top < 0 || left + width > picture.GetWidth() ||
        top + height > picture.GetHeight())
        return false;
    std::unique_ptr<CImageImpl> crop = picture.Crop(left, top, left + width, top + height);
    if (!crop) return false;
    std::unique_ptr<CImageImpl> png = crop->CopyAs(kImageTypePng);
    return png && png->WriteFile(path);
}

std::unique_ptr<CImageImpl> Load(const std::string& path) {
    std::unique_ptr<CImageImpl> picture = CImageImpl::Open(path);
    return picture && picture->IsValid() ? std::move(picture) : nullptr;
}

std::vector<std::string> Pictures(const fs::path& folder) {
    std::vector<std::string> paths;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        std::string lower = name;
        std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
        if (lower.size() > 4 && lower.substr(lower.size() - 4) == ".jpg" &&
            lower.find("noise") == std::string::npos)
            paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s QUILTSTITCH QUILTSAMPLE DATA_DIR [WORK_DIR]\n", argv[0]);
        return 64;
    }
    const std::string stitch = argv[1], sample = argv[2];
    const fs::path data = argv[3];
    const fs::path work = argc > 4 ? fs::path(argv[4]) : fs::temp_directory_path() / "pair_conf";
    fs::create_directories(work);

    std::vector<Set> good, unrelated;
    for (const auto& entry : fs::directory_iterator(data / "real")) {
        if (!entry.is_directory()) continue;
        Set set{"real/" + entry.path().filename().string(), Pictures(entry.path())};
        set.turn = set.name == "real/parrington";
        if (set.pictures.size() >= 2) good.push_back(set);
    }
    std::sort(good.begin(), good.end(), [](const Set& a, const Set& b) { return a.name < b.name; });
    {
        const fs::path folder = work / "sample";
        fs::create_directories(folder);
        const std::string command = Quote(sample) + " " + Quote(folder.string()) + " >/dev/null";
        if (std::system(command.c_str()) == 0) good.push_back({"quiltsample", Pictures(folder)});
    }
    std::vector<std::pair<std::string, std::unique_ptr<CImageImpl>>> sources;
    for (const std::string& path : Pictures(data / "sources"))
        if (auto picture = Load(path))
            sources.emplace_back(fs::path(path).stem().string(), std::move(picture));
    for (const auto& [name, picture] : sources) {
        Set set{"shifted/" + name, {}};
        for (int k = 0; k < 4; ++k) {
            const std::string path =
                (work / (name + "_shift" + std::to_string(k) + ".png")).string();
            if (WriteCrop(*picture, 200 + 500 * k, 100 + 10 * k, 800, 600, path))
                set.pictures.push_back(path);
        }
        if (set.pictures.size() == 4) good.push_back(set);
        // Two places of the photograph 1700 columns apart: no overlap.
        const std::string left = (work / (name + "_left.png")).string();
        const std::string right = (work / (name + "_right.png")).string();
        if (WriteCrop(*picture, 0, 200, 800, 600, left) &&
            WriteCrop(*picture, 1700, 200, 800, 600, right))
            unrelated.push_back({"places/" + name, {left, right}});
    }
    for (std::size_t a = 0; a < sources.size(); ++a)
        for (std::size_t b = a + 1; b < sources.size(); ++b) {
            const auto centre = [&](std::size_t k) {
                const CImageImpl& p = *sources[k].second;
                const std::string path = (work / (sources[k].first + "_centre.png")).string();
                WriteCrop(p, (p.GetWidth() - 800) / 2, (p.GetHeight() - 600) / 2, 800, 600, path);
                return path;
            };
            unrelated.push_back(
                {"photos/" + sources[a].first + "+" + sources[b].first, {centre(a), centre(b)}});
        }
    // Pictures of different real sequences, cut to the smaller one's size.
    for (std::size_t a = 0; a < good.size(); ++a)
        for (std::size_t b = a + 1; b < good.size(); ++b) {
            if (good[a].name.rfind("real/", 0) != 0 || good[b].name.rfind("real/", 0) != 0)
                continue;
            auto first = Load(good[a].pictures.front()), second = Load(good[b].pictures.front());
            if (!first || !second) continue;
            const int width = std::min(first->GetWidth(), second->GetWidth());
            const int height = std::min(first->GetHeight(), second->GetHeight());
            const std::string pa =
                (work / ("cross" + std::to_string(a) + "_" + std::to_string(b) + "a.png")).string();
            const std::string pb =
                (work / ("cross" + std::to_string(a) + "_" + std::to_string(b) + "b.png")).string();
            if (WriteCrop(*first, 0, 0, width, height, pa) &&
                WriteCrop(*second, 0, 0, width, height, pb))
                unrelated.push_back(
                    {"sets/" + good[a].name.substr(5) + "+" + good[b].name.substr(5), {pa, pb}});
        }

    std::map<std::string, Extreme> lowestGood, highestUnrelated;
    Extreme goodAll{2.0, ""}, unrelatedAll{-1.0, ""};
    const auto run = [&](const Set& set, const char* method, bool isGood) {
        const std::string report = (work / "report.json").string();
        fs::remove(report);
        std::string command = Quote(stitch);
        for (const std::string& p : set.pictures) command += " " + Quote(p);
        command += std::string(" -m ") + method + " -q -o " + Quote((work / "out.png").string()) +
                   " --report " + Quote(report) + " >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        const std::vector<double> values = ReportConfidences(report);
        std::printf("%-10s %-44s %-22s exit %3d:", isGood ? "good" : "unrelated", set.name.c_str(),
                    method, WEXITSTATUS(status));
        for (const double v : values) std::printf(" %.3f", v);
        std::printf("\n");
        std::fflush(stdout);
        for (const double v : values) {
            const std::string where = set.name + " " + method;
            if (isGood) {
                auto& e = lowestGood.try_emplace(method, Extreme{2.0, ""}).first->second;
                if (v < e.value) e = {v, where};
                if (v < goodAll.value) goodAll = {v, where};
            } else {
                auto& e = highestUnrelated.try_emplace(method, Extreme{-1.0, ""}).first->second;
                if (v > e.value) e = {v, where};
                if (v > unrelatedAll.value) unrelatedAll = {v, where};
            }
        }
    };
    for (const Set& set : good) {
        for (const char* method : kOpenMethods) run(set, method, true);
        if (set.turn)
            for (const char* method : kTurnMethods) run(set, method, true);
    }
    for (const Set& set : unrelated)
        for (const char* method : kOpenMethods) run(set, method, false);

    std::printf("\n%-22s %-8s %-8s\n", "method", "good min", "unrel max");
    for (const auto& [method, e] : lowestGood) {
        const auto u = highestUnrelated.find(method);
        std::printf("%-22s %8.3f %8.3f\n", method.c_str(), e.value,
                    u == highestUnrelated.end() ? -1.0 : u->second.value);
    }
    std::printf("\nlowest good pair:       %.3f (%s)\nhighest unrelated pair: %.3f (%s)\n"
                "margin: %.3f\n",
                goodAll.value, goodAll.where.c_str(), unrelatedAll.value,
                unrelatedAll.where.c_str(), goodAll.value - unrelatedAll.value);
    return 0;
}
