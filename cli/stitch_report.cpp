#include "stitch_report.h"

#include <cmath>
#include <cstdio>

namespace {

std::string Number(double value) {
    if (!std::isfinite(value)) return "null";
    char text[64];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

} // namespace

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (ch) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += ch;
            }
        }
    }
    return out + "\"";
}

std::string ReportJson(const StitchReport& r) {
    std::string j = "{\n";
    // A list of objects under `key`, one a line; item(i) gives the i-th.
    const auto objects = [&j](const char* key, std::size_t count, const auto& item) {
        j += std::string("  \"") + key + "\": [";
        for (std::size_t i = 0; i < count; ++i) j += (i ? ",\n    " : "\n    ") + item(i);
        j += count == 0 ? "],\n" : "\n  ],\n";
    };
    const auto pathReasons = [&](const char* key,
                                 const std::vector<std::pair<std::string, std::string>>& list) {
        objects(key, list.size(), [&](std::size_t i) {
            return "{\"path\": " + JsonString(list[i].first) +
                   ", \"reason\": " + JsonString(list[i].second) + "}";
        });
    };
    const auto pairs = [&](const char* key, const std::vector<ReportPair>& list) {
        objects(key, list.size(), [&](std::size_t i) {
            return "{\"first\": " + std::to_string(list[i].first) +
                   ", \"second\": " + std::to_string(list[i].second) + ", \"confidence\": " +
                   (list[i].confidence < 0.0 ? std::string("null") : Number(list[i].confidence)) +
                   "}";
        });
    };
    objects("inputs", r.inputs.size(), [&](std::size_t i) {
        return "{\"path\": " + JsonString(r.inputs[i].path) +
               ", \"width\": " + std::to_string(r.inputs[i].width) +
               ", \"height\": " + std::to_string(r.inputs[i].height) + "}";
    });
    pathReasons("skipped", r.skipped);
    j += "  \"processing\": {\"width\": " + std::to_string(r.processingWidth) +
         ", \"height\": " + std::to_string(r.processingHeight) +
         ", \"scale\": " + Number(r.processingScale) + "},\n";
    j += "  \"alignment\": {\"source\": " + JsonString(r.alignmentSource) + ", \"pairs\": [";
    for (std::size_t i = 0; i < r.alignments.size(); ++i) {
        j += i ? ", " : "";
        j += "{\"dr\": " + std::to_string(r.alignments[i].dr) +
             ", \"dc\": " + std::to_string(r.alignments[i].dc) + "}";
    }
    j += "]";
    if (r.has360)
        j += ", \"closing\": {\"dr\": " + std::to_string(r.closing.dr) +
             ", \"dc\": " + std::to_string(r.closing.dc) + "}";
    j += "},\n";
    j += "  \"method\": {\"name\": " + JsonString(r.method) +
         ", \"code\": " + std::to_string(r.methodCode) + "},\n";
    j += "  \"focal\": {\"millimetres\": " + Number(r.focal) +
         ", \"source\": " + JsonString(r.focalSource) + "},\n";
    j += "  \"result\": {\"code\": " + std::to_string(r.resultCode) +
         ", \"message\": " + JsonString(r.resultMessage) + "},\n";
    j += "  \"output\": {\"path\": " + JsonString(r.outputPath) +
         ", \"width\": " + std::to_string(r.outputWidth) +
         ", \"height\": " + std::to_string(r.outputHeight) + "},\n";
    pairs("pairs", r.pairs);
    pathReasons("dropped", r.dropped);
    if (!r.dropped.empty()) pairs("stitched_pairs", r.stitchedPairs);
    j += "  \"stages_ms\": {";
    for (std::size_t i = 0; i < r.stages.size(); ++i) {
        j += i ? ", " : "";
        j += JsonString(r.stages[i].name) + ": " + Number(r.stages[i].milliseconds);
    }
    j += "}\n}\n";
    return j;
}
