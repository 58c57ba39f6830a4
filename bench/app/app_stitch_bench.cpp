// app_stitch_bench: one stitch through the desktop program's own path, timed. The pictures go
// into the program's input list (AddFiles), its records are built and loaded
// (BuildImageInfoList) and placed by the given offsets (what an alignment step leaves behind),
// then the stitch driver runs: PrepareAndChoose with a dialog runner that sets the chosen
// method, size and focal length, RunMosaic, and ShowResult into the Result window. The host
// services are the program's (Qt progress window pumping events at every report, settings
// store); the boxes are answered by a prompter that agrees to everything. Runs on the
// offscreen platform.
//
//   app_stitch_bench [-m METHOD] [--size small|medium|large] [-f MM] [--offsets FILE]
//                    [-o OUT.bmp] [--window-times] IMAGE...
//
// Prints one line of key=value pairs: the stitch's wall time (records built and loaded,
// parameters chosen, mosaic made) and, apart, the list's thumbnails and the Result window.
// --window-times puts a clock around the progress window's calls and adds a line with its
// wall and CPU time.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "host_services.h"
#include "image_impl.h"
#include "main_app.h"
#include "prompter.h"
#include "qt_progress_window.h"
#include "result_window.h"
#include "stitch_driver.h"
#include "stitch_settings.h"
#include "stitchkit/Host.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// CPU time of the calling thread: the window's work, whatever else runs on the machine.
double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// Answers every box as a user who agrees would (Yes to a question of Yes and No, else OK) and
// prints the boxes that are not the stitch's expected questions on standard error.
class AgreeingPrompter final : public Prompter {
public:
    int Show(std::string_view text, std::string_view caption, unsigned flags) override {
        if (caption != "Question")
            std::fprintf(stderr, "app_stitch_bench: box %.*s: %.*s\n",
                         static_cast<int>(caption.size()), caption.data(),
                         static_cast<int>(text.size()), text.data());
        if (caption == "Info.") ++infoBoxes;
        const unsigned buttons = flags & kMbButtonMask;
        return buttons == kMbYesNo || buttons == kMbYesNoCancel ? kIdYes : kIdOk;
    }
    void Beep() override {}
    int infoBoxes = 0;
};

// The program's progress window with a clock around every call (--window-times): where the
// time of the window goes, its creation, showing and the event pumps at each report.
class TimedProgressBackend final : public stitchkit::IProgressWindowBackend {
public:
    struct Totals {
        double seconds = 0.0;
        double cpuSeconds = 0.0;
        double pumpSeconds = 0.0;
        int pumps = 0;
        int windows = 0;
    };
    explicit TimedProgressBackend(Totals& totals) : m_totals(totals) {}
    bool Create(void* parent, const std::string& title, bool smooth,
                const std::string& cancelLabel) override {
        ++m_totals.windows;
        const Clocked clock{m_totals};
        return m_window.Create(parent, title, smooth, cancelLabel);
    }
    void Destroy() override {
        const Clocked clock{m_totals};
        m_window.Destroy();
    }
    void SetCaption(const std::string& caption) override {
        const Clocked clock{m_totals};
        m_window.SetCaption(caption);
    }
    void SetText(const std::string& text) override {
        const Clocked clock{m_totals};
        m_window.SetText(text);
    }
    void SetRange(int lower, int upper, int step) override {
        const Clocked clock{m_totals};
        m_window.SetRange(lower, upper, step);
    }
    void SetBarPosition(int position) override {
        const Clocked clock{m_totals};
        m_window.SetBarPosition(position);
    }
    void Show() override {
        const Clocked clock{m_totals};
        m_window.Show();
    }
    void Hide() override {
        const Clocked clock{m_totals};
        m_window.Hide();
    }
    bool IsVisible() const override { return m_window.IsVisible(); }
    void SetModal(bool modal) override {
        const Clocked clock{m_totals};
        m_window.SetModal(modal);
    }
    stitchkit::ProgressPumpResult Pump() override {
        const Clocked clock{m_totals};
        const stitchkit::ProgressPumpResult result = m_window.Pump();
        ++m_totals.pumps;
        m_totals.pumpSeconds += Seconds(clock.start, Clock::now());
        return result;
    }
    bool GetPosition(int* x, int* y) const override { return m_window.GetPosition(x, y); }
    bool GetScreenSize(int* width, int* height) const override {
        return m_window.GetScreenSize(width, height);
    }
    void MoveTo(int x, int y) override {
        const Clocked clock{m_totals};
        m_window.MoveTo(x, y);
    }
    void CentreOnParent() override {
        const Clocked clock{m_totals};
        m_window.CentreOnParent();
    }

private:
    // Adds the time until the end of the scope to the totals.
    struct Clocked {
        Totals& totals;
        Clock::time_point start = Clock::now();
        double cpuStart = ThreadCpuSeconds();
        ~Clocked() {
            totals.seconds += Seconds(start, Clock::now());
            totals.cpuSeconds += ThreadCpuSeconds() - cpuStart;
        }
    };

    Totals& m_totals;
    QtProgressBackend m_window;
};

struct MethodName {
    const char* name;
    int code;
    ParameterDialogKind kind;
};
constexpr MethodName kMethods[] = {
    {"plane", kMethodBigPlane, ParameterDialogKind::PlaneCylinder},
    {"cylinder", kMethodCylinder, ParameterDialogKind::PlaneCylinder},
    {"cylinder-360", kMethodCylinder360, ParameterDialogKind::PlaneCylinder},
    {"rigid", kMethodRigid, ParameterDialogKind::Translation},
    {"rigid-strip", kMethodRigidStrip, ParameterDialogKind::LensAngle},
    {"rigid-strip-360", kMethodRigidStrip360, ParameterDialogKind::LensAngle},
    {"translation", kMethodTranslation, ParameterDialogKind::Translation},
    {"translation-strip", kMethodTranslationStrip, ParameterDialogKind::LensAngle},
    {"translation-strip-360", kMethodTranslationStrip360, ParameterDialogKind::LensAngle},
};

struct Options {
    const MethodName* method = &kMethods[1];
    int size = 2;
    int focal = 35;
    std::string offsets;
    std::string output;
    bool windowTimes = false;
    std::vector<std::string> inputs;
};

int Usage(const char* message) {
    std::fprintf(stderr,
                 "app_stitch_bench: %s\nusage: app_stitch_bench [-m METHOD] [--size "
                 "small|medium|large] [-f MM] [--offsets FILE] [-o OUT.bmp] [--window-times] "
                 "IMAGE...\n",
                 message);
    return 64;
}

bool ParseOptions(int argc, char** argv, Options* o, std::string* error) {
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        const auto value = [&]() -> const char* { return k + 1 < argc ? argv[++k] : nullptr; };
        if (arg == "-m" || arg == "--method") {
            const char* v = value();
            o->method = nullptr;
            for (const MethodName& m : kMethods)
                if (v && std::strcmp(v, m.name) == 0) o->method = &m;
            if (!o->method) return *error = "unknown method", false;
        } else if (arg == "--size") {
            const char* v = value();
            const std::string s = v ? v : "";
            o->size = s == "small" ? 0 : s == "medium" ? 1 : s == "large" ? 2 : -1;
            if (o->size < 0) return *error = "--size takes small, medium or large", false;
        } else if (arg == "-f" || arg == "--focal") {
            const char* v = value();
            o->focal = v ? std::atoi(v) : 0;
            // The parameter dialog takes whole millimetres from 5 to 300.
            if (o->focal < 5 || o->focal > 300) return *error = "-f takes 5 to 300 mm", false;
        } else if (arg == "--offsets") {
            const char* v = value();
            if (!v) return *error = "--offsets needs a file", false;
            o->offsets = v;
        } else if (arg == "-o" || arg == "--output") {
            const char* v = value();
            if (!v) return *error = "-o needs a file", false;
            o->output = v;
        } else if (arg == "--window-times") {
            o->windowTimes = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return *error = "unknown option " + arg, false;
        } else {
            o->inputs.push_back(arg);
        }
    }
    if (o->inputs.empty()) return *error = "no pictures", false;
    return true;
}

// The "dr dc" lines of an offsets file (quiltstitch's format): the next picture's top-left
// pixel at row dr, column dc of the previous one.
bool ReadOffsets(const std::string& path, std::vector<std::pair<int, int>>* offsets) {
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream in(line);
        int dr = 0, dc = 0;
        if (in >> dr >> dc) offsets->emplace_back(dr, dc);
    }
    return static_cast<bool>(file.eof());
}

// The program's host services for the life of one run.
struct HostServices {
    HostServices() { InstallHostServices(); }
    ~HostServices() { RemoveHostServices(); }
};

int Run(const Options& options) {
    const HostServices services;
    auto prompter = std::make_shared<AgreeingPrompter>();
    InstallPrompter(prompter);
    TimedProgressBackend::Totals window;
    if (options.windowTimes)
        stitchkit::SetProgressBackendFactory(
            [&window] { return std::make_unique<TimedProgressBackend>(window); });

    std::vector<std::pair<int, int>> offsets;
    if (!options.offsets.empty() && !ReadOffsets(options.offsets, &offsets)) {
        std::fprintf(stderr, "app_stitch_bench: %s cannot be read\n", options.offsets.c_str());
        return 66;
    }

    CMainApp app;
    StitchDriver& driver = app.Driver();
    driver.SetDialogRunner([&options](ParameterDialogKind, StitchSettings& s) {
        s.method = options.method->code;
        s.flag360 = MethodIs360(options.method->code);
        s.sizeIndex = options.size;
        s.focalLength = options.focal;
        s.blend = kBlendGradual;
        s.colourItem = 2;
        s.colourCorrection = false;
        return true;
    });
    // The closing of a full turn: the engine's alignment of the last picture with the first
    // (where the seam window starts).
    driver.SetSeamAligner([&app](int* dx, int* dy) {
        const int last = app.Document().Count() - 1;
        int dr = 0, dc = 0;
        if (!app.Panorama().DoAutoAlignPair(last, 0, &dr, &dc)) return false;
        *dx = dc;
        *dy = dr;
        return true;
    });
    Clock::time_point shown{};
    int width = 0, height = 0;
    app.SetResultWindowHook([&](ResultWindow& window) {
        QTimer::singleShot(0, &window, [&] {
            shown = Clock::now();
            if (const CImageImpl* picture = window.WholePicture()) {
                width = picture->GetWidth();
                height = picture->GetHeight();
                if (!options.output.empty() &&
                    !window.ShownPicture()->WriteFileAs(options.output, kImageTypeBmp, {}))
                    std::fprintf(stderr, "app_stitch_bench: %s cannot be written\n",
                                 options.output.c_str());
            }
            window.done(QDialog::Accepted);
        });
    });

    // The program's main window is up when a stitch starts, so the window system, the style
    // and the fonts are ready and other windows are disabled while a progress window is
    // modal. A window of a few of the same widgets stands in for it.
    QDialog mainWindow;
    auto* layout = new QVBoxLayout(&mainWindow);
    layout->addWidget(new QLabel(QStringLiteral("Quiltwork")));
    layout->addWidget(new QPushButton(QStringLiteral("Stitch")));
    mainWindow.show();
    QApplication::processEvents();

    const Clock::time_point start = Clock::now();
    const int added = app.Inputs().AddFiles(options.inputs);
    const Clock::time_point listed = Clock::now();
    if (added != static_cast<int>(options.inputs.size())) {
        std::fprintf(stderr, "app_stitch_bench: the list took %d of %zu pictures\n", added,
                     options.inputs.size());
        return 66;
    }
    if (app.Inputs().BuildImageInfoList(app.Document()) != added) return 66;
    // The placements an alignment step leaves: each picture at its offset from the previous.
    if (!offsets.empty()) {
        if (static_cast<int>(offsets.size()) != added - 1) {
            std::fprintf(stderr, "app_stitch_bench: %zu offsets for %d pictures\n", offsets.size(),
                         added);
            return 66;
        }
        int top = 0, left = 0;
        for (int k = 1; k < added; ++k) {
            top += offsets[k - 1].first;
            left += offsets[k - 1].second;
            app.Document().At(k)->MoveTo(left, top);
        }
    }
    const Clock::time_point loaded = Clock::now();
    if (!driver.PrepareAndChoose(0, options.method->kind)) return 2;
    const Clock::time_point chosen = Clock::now();
    if (!driver.RunMosaic(true)) {
        std::fprintf(stderr, "app_stitch_bench: the stitch failed\n");
        return 1;
    }
    const Clock::time_point stitched = Clock::now();
    driver.ShowResult(nullptr);
    if (width == 0) {
        std::fprintf(stderr, "app_stitch_bench: the Result window did not open\n");
        return 1;
    }
    std::printf("stitch_s=%.4f load_s=%.4f prepare_s=%.4f mosaic_s=%.4f list_s=%.4f "
                "result_window_s=%.4f width=%d height=%d info_boxes=%d\n",
                Seconds(listed, stitched), Seconds(listed, loaded), Seconds(loaded, chosen),
                Seconds(chosen, stitched), Seconds(start, listed), Seconds(stitched, shown), width,
                height, prompter->infoBoxes);
    if (options.windowTimes)
        std::printf("progress_windows=%d progress_window_s=%.4f progress_window_cpu_s=%.4f "
                    "pumps=%d pump_s=%.4f\n",
                    window.windows, window.seconds, window.cpuSeconds, window.pumps,
                    window.pumpSeconds);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    // Settings of its own, so the program's remembered choices are left alone.
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setApplicationName(QStringLiteral("Quiltwork stitch bench"));
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, &options, &error)) return Usage(error.c_str());
    return Run(options);
}
