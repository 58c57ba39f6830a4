#include "stitch_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

bool ParseInt(const std::string& text, int low, int high, int* out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high) return false;
    *out = static_cast<int>(value);
    return true;
}

bool ParseDouble(const std::string& text, double* out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value)) return false;
    *out = value;
    return true;
}

template <std::size_t N>
bool Choose(const std::string& text, const char* const (&names)[N], int* out) {
    for (std::size_t i = 0; i < N; ++i) {
        if (text == names[i]) {
            *out = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

} // namespace

const char* MethodNameOf(int code) {
    for (const MethodName& m : kMethods)
        if (m.code == code) return m.name;
    return "unknown";
}

bool Is360Method(int code) {
    return code == 2 || code == 5 || code == 9;
}

int OpenMethodOf(int code) {
    // A 360-degree method is named after its open one: "<open>-360".
    const std::string_view name = MethodNameOf(code);
    constexpr std::string_view kTurn = "-360";
    if (!name.ends_with(kTurn)) return code;
    for (const MethodName& m : kMethods)
        if (name.substr(0, name.size() - kTurn.size()) == m.name) return m.code;
    return code;
}

bool ArgReader::Next() {
    while (++m_index < m_argc) {
        m_arg = m_argv[m_index];
        m_hasInline = false;
        m_inline.clear();
        if (!m_onlyOperands && m_arg == "--") {
            m_onlyOperands = true;
            continue;
        }
        m_option = !m_onlyOperands && m_arg.size() > 1 && m_arg[0] == '-';
        if (m_option && m_arg.rfind("--", 0) == 0) {
            if (const std::size_t eq = m_arg.find('='); eq != std::string::npos) {
                m_inline = m_arg.substr(eq + 1);
                m_arg.resize(eq);
                m_hasInline = true;
            }
        }
        return true;
    }
    return false;
}

bool ArgReader::Value(std::string* out) {
    if (m_hasInline) {
        *out = m_inline;
        return true;
    }
    if (m_index + 1 >= m_argc) return false;
    *out = m_argv[++m_index];
    return true;
}

bool ParseStitchOptions(int argc, char** argv, StitchOptions* o, std::string* error) {
    auto fail = [&](const std::string& why) {
        *error = why;
        return false;
    };
    ArgReader reader(argc, argv);
    while (reader.Next()) {
        const std::string& arg = reader.Arg();
        if (!reader.IsOption()) {
            o->inputs.push_back(arg);
            continue;
        }
        auto value = [&](std::string* out) { return reader.Value(out); };
        auto flag = [&]() { return !reader.HasInlineValue(); };
        std::string v;
        if (arg == "-h" || arg == "--help") {
            o->command = StitchOptions::Command::Help;
            return true;
        } else if (arg == "--version") {
            o->command = StitchOptions::Command::Version;
            return true;
        } else if (arg == "-o" || arg == "--output") {
            if (!value(&o->output) || o->output.empty()) return fail("--output needs a file name");
        } else if (arg == "-m" || arg == "--method") {
            if (!value(&v)) return fail("--method needs a method name");
            bool found = false;
            for (const MethodName& m : kMethods)
                if (v == m.name) {
                    o->method = m.code;
                    found = true;
                }
            if (!found) return fail("unknown method '" + v + "'");
        } else if (arg == "-f" || arg == "--focal") {
            if (!value(&v)) return fail("--focal needs millimetres or 'auto'");
            if (v == "auto") {
                o->focalSource = StitchOptions::FocalSource::Auto;
            } else if (ParseDouble(v, &o->focal) && o->focal >= 0.0 && o->focal <= 10000.0) {
                o->focalSource = StitchOptions::FocalSource::Given;
            } else {
                return fail("--focal takes millimetres from 0 to 10000, or 'auto'");
            }
        } else if (arg == "--size") {
            static const char* const names[] = {"small", "medium", "large"};
            if (!value(&v) || !Choose(v, names, &o->size))
                return fail("--size takes small, medium or large");
        } else if (arg == "--blend") {
            static const char* const names[] = {"gradual", "half", "steep", "none"};
            if (!value(&v) || !Choose(v, names, &o->blend))
                return fail("--blend takes gradual, half, steep or none");
        } else if (arg == "--background") {
            static const char* const names[] = {"black", "grey", "white"};
            int index = 0;
            if (!value(&v)) return fail("--background takes black, grey or white");
            if (v == "gray") v = "grey";
            if (!Choose(v, names, &index)) return fail("--background takes black, grey or white");
            const unsigned char level = index == 0 ? 0 : (index == 1 ? 222 : 255);
            o->background[0] = o->background[1] = o->background[2] = level;
        } else if (arg == "--color-correction" || arg == "--colour-correction") {
            if (!flag()) return fail(arg + " takes no value");
            o->colorCorrection = true;
        } else if (arg == "--base") {
            if (!value(&v) || !ParseInt(v, 0, 1 << 20, &o->base))
                return fail("--base takes a picture number (1 for the first, 0 automatic)");
        } else if (arg == "--rotate") {
            int turns = 0;
            if (!value(&v) || !ParseInt(v, -1000, 1000, &turns))
                return fail("--rotate takes a number of quarter turns");
            o->rotate = ((turns % 4) + 4) % 4;
        } else if (arg == "--mask") {
            if (!value(&o->mask) || o->mask.empty()) return fail("--mask needs a file name");
        } else if (arg == "--offsets") {
            if (!value(&o->offsets) || o->offsets.empty())
                return fail("--offsets needs a file name");
        } else if (arg == "--matches") {
            if (!value(&o->matches) || o->matches.empty())
                return fail("--matches needs a file name");
        } else if (arg == "--nearest") {
            if (!flag()) return fail(arg + " takes no value");
            o->nearest = true;
        } else if (arg == "--no-refine") {
            if (!flag()) return fail(arg + " takes no value");
            o->refine = false;
        } else if (arg == "--depth") {
            int depth = 0;
            if (!value(&v) || !ParseInt(v, 8, 16, &depth) || (depth != 8 && depth != 16))
                return fail("--depth takes 8 or 16");
            o->depth = depth;
        } else if (arg == "-q" || arg == "--quiet") {
            if (!flag()) return fail(arg + " takes no value");
            o->quiet = true;
        } else if (arg == "-v" || arg == "--verbose") {
            if (!flag()) return fail(arg + " takes no value");
            o->verbose = true;
        } else if (arg == "--keep-canvas") {
            if (!flag()) return fail(arg + " takes no value");
            o->keepCanvas = true;
        } else if (arg == "--report") {
            if (!value(&o->report) || o->report.empty()) return fail("--report needs a file name");
        } else if (arg == "--drop-unmatched") {
            if (!flag()) return fail(arg + " takes no value");
            o->dropUnmatched = true;
        } else if (arg == "--estimate-focal") {
            if (!flag()) return fail(arg + " takes no value");
            o->estimateFocal = true;
        } else {
            return fail("unknown option '" + arg + "'");
        }
    }
    if (o->inputs.empty()) return fail("no input pictures given");
    if (!o->offsets.empty() && !o->matches.empty())
        return fail("--offsets and --matches cannot be used together");
    if (o->output.empty() && !o->estimateFocal) return fail("no output file given (-o FILE)");
    return true;
}

std::string StitchUsage() {
    return R"(Usage: quiltstitch [options] IMAGE... -o OUTPUT
       quiltstitch perspective|interpolate|palette ... (see quiltstitch COMMAND --help)
Stitch overlapping pictures, given in order, into one panorama.

Other commands:
  perspective IMAGE -o OUTPUT --line X1,Y1,X2,Y2 ... [--extend] [--background R,G,B]
                          straighten edges marked as vertical
  interpolate A B -t T -o OUTPUT [--blend mosaic|dissolve]
                          the view between two overlapping pictures
  palette IMAGE --palette FILE -o OUTPUT.bmp
                          an 8-bit bitmap for a palette of hexadecimal "RR GG BB" lines

Output:
  -o, --output FILE       the panorama; the type follows the extension: .jpg .jpeg .bmp
                          .rle .tif .tiff .png .gif, or .ivr (a panorama scene: FILE's
                          JPEG picture beside a VRML file)
      --depth 8|16        bits per channel of a TIFF made from 16-bit inputs (default 16)
      --report FILE.json  write what was done, with the time of each stage
      --keep-canvas       keep the engine's whole canvas; by default the rows and columns
                          at its edges that no picture covers are trimmed (only rows for
                          the 360-degree methods, whose width is one turn)

Stitching:
  -m, --method NAME       plane, cylinder (default), cylinder-360, rigid, rigid-strip,
                          rigid-strip-360, translation, translation-strip,
                          translation-strip-360
  -f, --focal MM|auto     focal length in millimetres of a 35 mm frame (cylinder methods);
                          default: the first picture's EXIF, else the engine's estimate,
                          else 35; 'auto' asks the engine
      --size SIZE         small, medium or large (default large)
      --blend LEVEL       gradual (default), half, steep or none
      --background COLOR  black, grey or white (default white)
      --color-correction  even out brightness between neighbouring pictures
      --base N            the picture the others are joined to (1 = first; 0 automatic)
      --rotate TURNS      turn every input by TURNS quarter turns clockwise
      --mask FILE         an 8-bit picture of the inputs' size: 255 where pictures may be used
      --nearest           nearest-neighbour sampling instead of bilinear
      --no-refine         join the pictures pair by pair only, without adjusting them all
                          together afterwards (and without the focal length that closes a
                          360-degree turn)
      --drop-unmatched    stitch the longest run of connected pictures and list the others
                          in the report, instead of refusing pictures that do not match

Alignment (default: automatic):
      --offsets FILE      one "dr dc" line per neighbouring pair: the next picture's
                          top-left pixel lies at row dr, column dc of the previous one
      --matches FILE      hand-set matches, one "i j r1 c1 r2 c2" line each (pictures
                          counted from 0, j = i + 1, or j = 0 for the closing pair)

Other:
      --estimate-focal    print the engine's focal-length estimates and stop
  -q, --quiet             no progress line
  -v, --verbose           show the engine's diagnostic lines on standard output
  -h, --help              this text
      --version           the program's version

Exit status: 0 done, 1-12 the engine's result code, 64 bad usage, 65 neighbouring pictures
that do not show the same place, 66 an input that cannot be read or used, 70 an internal
error, 73 an output that cannot be written.
)";
}
