// Running quiltstitch from tests: a scratch folder, input files written through the picture
// layer, the program run with its exit status and messages, and the report read back.
#pragma once

#include <string>
#include <vector>

#include "support/scratch_dir.h"
#include "support/test_images.h"

namespace cli_test {

using ::ScratchDir;

struct RunResult {
    int status = -1;
    std::string errors; // what quiltstitch wrote to standard error
    std::string output; // what it wrote to standard output
};

// Runs quiltstitch with the arguments (each passed as it is), with "NAME=value" settings added
// to its environment.
RunResult RunStitch(const std::vector<std::string>& args,
                    const std::vector<std::string>& environment = {});

// Writes a test bitmap to `path` in the type of its extension; the lower plane is written too
// when `sixteenBits` is set (TIFF only).
bool WriteTestPicture(TestDib& dib, const std::string& path, bool sixteenBits = false);

// The numbers that follow `"key": ` in the report, in order (for "dr", "dc", "width", ...).
std::vector<double> ReportNumbers(const std::string& reportPath, const std::string& key);
std::string ReadText(const std::string& path);

} // namespace cli_test
