// Command-line options of quiltstitch.
#pragma once

#include <optional>
#include <string>
#include <vector>

// Exit statuses besides the engine's result codes.
inline constexpr int kExitUsage = 64;
inline constexpr int kExitDataError = 65; // pictures that do not show the same place
inline constexpr int kExitNoInput = 66;
inline constexpr int kExitInternal = 70;
inline constexpr int kExitCannotWrite = 73;

struct StitchOptions {
    enum class Command { Stitch, Help, Version };
    enum class FocalSource { Default, Given, Auto };

    Command command = Command::Stitch;
    std::vector<std::string> inputs;
    std::string output;
    int method = 1; // method code: 0 plane ... 9 translation strip over 360
    FocalSource focalSource = FocalSource::Default;
    double focal = 0.0; // millimetres, with FocalSource::Given
    int size = 2;       // 0 small, 1 medium, 2 large
    int blend = 0;      // 0 gradual, 1 half, 2 steep, 3 none
    unsigned char background[3] = {255, 255, 255};
    bool colorCorrection = false;
    int base = 0;   // 1-based, 0 automatic
    int rotate = 0; // quarter turns, 0 .. 3
    std::string mask;
    std::string offsets;
    std::string matches;
    bool nearest = false;
    bool refine = true;       // adjust all pictures together after the pairs (--no-refine: off)
    std::optional<int> depth; // 8 or 16
    bool quiet = false;
    bool verbose = false; // let the engine's diagnostic lines reach standard output
    std::string report;
    bool estimateFocal = false;
    bool keepCanvas = false;    // keep the background rows and columns the engine's canvas adds
    bool dropUnmatched = false; // stitch the longest run of matching pictures instead of refusing
};

// The method names and their codes.
struct MethodName {
    const char* name;
    int code;
};
inline constexpr MethodName kMethods[] = {
    {"plane", 0},       {"cylinder", 1},          {"cylinder-360", 2},
    {"rigid", 3},       {"rigid-strip", 4},       {"rigid-strip-360", 5},
    {"translation", 7}, {"translation-strip", 8}, {"translation-strip-360", 9},
};
const char* MethodNameOf(int code);
bool Is360Method(int code);
// The method that joins the same pictures without closing a turn ("cylinder" for
// "cylinder-360"); other methods are their own.
int OpenMethodOf(int code);

// Reads a command line the same way for quiltstitch and each of its sub-commands: an option is
// "-x", "--name" or "--name=value" ("--name=value" is the same as "--name value"); "-" is an
// operand, and every argument after "--" is one.
class ArgReader {
public:
    // Reads argv[1] onwards.
    ArgReader(int argc, char** argv) : m_argc(argc), m_argv(argv) {}

    // Moves to the next argument; false after the last.
    bool Next();
    // The current argument is an option (else an operand).
    bool IsOption() const { return m_option; }
    // The option's name without "=value", or the operand.
    const std::string& Arg() const { return m_arg; }
    // The option was written "--name=value".
    bool HasInlineValue() const { return m_hasInline; }
    // The option's value: the text after '=', else the next argument (false when none is left).
    bool Value(std::string* out);

private:
    int m_argc;
    char** m_argv;
    int m_index = 0;
    bool m_onlyOperands = false;
    bool m_option = false;
    bool m_hasInline = false;
    std::string m_arg;
    std::string m_inline;
};

// Parses argv; false with `error` set for bad usage.
bool ParseStitchOptions(int argc, char** argv, StitchOptions* options, std::string* error);

// The --help text.
std::string StitchUsage();
