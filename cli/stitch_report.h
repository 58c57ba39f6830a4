// The --report file: what quiltstitch did, as JSON.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct ReportInput {
    std::string path;
    int width = 0;
    int height = 0;
};

struct ReportAlignment {
    int dr = 0;
    int dc = 0;
};

struct ReportStage {
    std::string name;
    double milliseconds = 0.0;
};

// A neighbouring pair (picture indices into `inputs`) and its confidence.
struct ReportPair {
    int first = 0;
    int second = 0;
    double confidence = -1.0;
};

struct StitchReport {
    std::vector<ReportInput> inputs;
    std::vector<std::pair<std::string, std::string>> skipped; // path, reason
    int processingWidth = 0;
    int processingHeight = 0;
    double processingScale = 1.0;
    std::string alignmentSource; // "automatic", "offsets" or "matches"
    std::vector<ReportAlignment> alignments;
    bool has360 = false;
    ReportAlignment closing;
    std::string method;
    int methodCode = 0;
    double focal = 0.0;
    std::string focalSource; // "given", "exif", "engine" or "default"
    int resultCode = 0;
    std::string resultMessage;
    std::string outputPath;
    int outputWidth = 0;
    int outputHeight = 0;
    std::vector<ReportStage> stages;
    std::vector<ReportPair> pairs; // of every input picture, as first stitched
    std::vector<std::pair<std::string, std::string>> dropped; // path, reason (--drop-unmatched)
    std::vector<ReportPair> stitchedPairs; // of the pictures kept, after some were dropped
};

// The report as JSON text.
std::string ReportJson(const StitchReport& report);

// A JSON string literal for `text`.
std::string JsonString(const std::string& text);
