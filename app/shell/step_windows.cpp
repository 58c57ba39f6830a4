#include "step_windows.h"

#include <QCoreApplication>

#include <memory>

#include "auto_alignment.h"
#include "help_desk.h"
#include "help_pages.h"
#include "image_impl.h"
#include "image_viewer.h"
#include "image_viewer_window.h"
#include "input_list.h"
#include "main_app.h"
#include "manual_alignment.h"
#include "manual_matching.h"
#include "message_box.h"
#include "prompter.h"
#include "seam_alignment.h"
#include "stitch_driver.h"

namespace {

class AutoAlignmentStep final : public StepWindow {
public:
    explicit AutoAlignmentStep(CMainApp& app) : m_window(app) { app.TrackPlacement(&m_window); }
    QWidget* Widget() override { return &m_window; }
    // Every showing realigns from the current input list.
    bool Prepare() override { return m_window.RunAlignment(); }

private:
    AutoAlignmentWindow m_window;
};

// `hooks` with a Help that opens `page` of the manual over `*window` (set once the window
// exists; the hooks are handed to its constructor).
AlignmentHooks WithHelp(AlignmentHooks hooks, CMainApp& app, QWidget* const* window,
                        const char* page) {
    hooks.help = [&app, window, page] { app.Help().Open(*window, page); };
    return hooks;
}

// A manual step: its window opens on the records of the current input list.
template <class Window> class ManualStep final : public StepWindow {
public:
    ManualStep(CMainApp& app, AlignmentHooks hooks, const char* helpPage)
        : m_app(app), m_window(app.Document(), app.Panorama(), app.Title(),
                               WithHelp(std::move(hooks), app, &m_self, helpPage)) {
        m_self = &m_window;
        app.TrackPlacement(&m_window);
    }
    QWidget* Widget() override { return &m_window; }
    bool Prepare() override {
        return HasTwoPictures(m_app.Inputs()) &&
               m_app.Inputs().BuildImageInfoList(m_app.Document()) > 0 && m_window.Start();
    }

private:
    CMainApp& m_app;
    QWidget* m_self = nullptr; // the window, for its Help
    Window m_window;
};

// Manual matching hands its matches to the engine itself, between the parameter dialog and
// the mosaic.
AlignmentHooks MatchingHooks(CMainApp& app) {
    AlignmentHooks hooks = MakeAlignmentHooks(app);
    hooks.prepareMatching = [&app](bool* closes360) {
        if (!app.Driver().PrepareAndChoose(1, ParameterDialogKind::PlaneCylinder)) return false;
        *closes360 = app.Driver().Settings().flag360;
        return true;
    };
    hooks.runMosaic = [&app](QWidget* caller) {
        if (app.Driver().RunMosaic()) app.Driver().ShowResult(caller);
    };
    return hooks;
}

} // namespace

bool HasTwoPictures(const InputImageList& inputs) {
    if (inputs.Count() >= 2) return true;
    AppMessageBox(
        QCoreApplication::translate("StepWindows", "At least two images are needed to stitch."),
        QCoreApplication::translate("StepWindows", "Warning"), kMbOk | kMbIconExclamation);
    return false;
}

std::vector<StripEntry> StripEntries(const InputImageList& inputs) {
    std::vector<StripEntry> entries;
    for (int k = 0; k < inputs.Count(); ++k)
        entries.push_back({inputs.Thumbnail(k), QString::fromStdString(inputs.Label(k))});
    return entries;
}

void OpenInputPicture(CMainApp& app, int index, QWidget* parent) {
    const InputImageList& inputs = app.Inputs();
    if (index < 0 || index >= inputs.Count()) return;
    const std::string& path = inputs.Paths()[index];
    const PictureCorrection& correction = inputs.Correction();
    std::unique_ptr<CImageImpl> picture =
        CImageInfo::Load(path, {inputs.Rotation(), correction.shading, correction.lens});
    if (!picture) return; // the picture layer told the user why
    ImageViewerWindow viewer(parent);
    if (parent) viewer.setGeometry(parent->geometry().adjusted(40, 40, -40, -40));
    viewer.Viewer()->SetBackground(222, 222, 222);
    viewer.SetHelpAction([&app, &viewer] { app.Help().Open(&viewer, help_page::kImageViewer); });
    const int w = picture->GetWidth(), h = picture->GetHeight();
    if (viewer.SetPicture(std::move(picture), ImageViewerCaption(path, w, h))) viewer.exec();
}

AlignmentHooks MakeAlignmentHooks(CMainApp& app) {
    AlignmentHooks hooks;
    hooks.ensureEngineImages = [&app] {
        return InputImageList::TransferToEngine(app.Document(), app.Panorama(), true,
                                                app.Transfer());
    };
    hooks.mask = [&app] { return app.Mask(); };
    hooks.entries = [&app] { return StripEntries(app.Inputs()); };
    hooks.openPicture = [&app](int index) { OpenInputPicture(app, index, app.StepWidget()); };
    hooks.stitch = [&app](QWidget* caller) {
        app.Driver().Stitch(caller, 0, ParameterDialogKind::PlaneCylinder);
    };
    hooks.back = [&app] { app.BackToFileView(); };
    hooks.exit = [&app] { return app.AskExit(); };
    hooks.setBase = [&app](int selected) {
        app.Inputs().SetSelected(selected);
        return app.Inputs().SetBaseToSelected();
    };
    return hooks;
}

void InstallAlignmentSteps(CMainApp& app) {
    app.SetStepFactory(Step::AutoAlign, [](CMainApp& owner) -> std::unique_ptr<StepWindow> {
        return std::make_unique<AutoAlignmentStep>(owner);
    });
    app.SetStepFactory(Step::ManualAlign, [](CMainApp& owner) -> std::unique_ptr<StepWindow> {
        return std::make_unique<ManualStep<ManualAlignmentWindow>>(owner, MakeAlignmentHooks(owner),
                                                                   help_page::kManualAlignment);
    });
    app.SetStepFactory(Step::ManualMatch, [](CMainApp& owner) -> std::unique_ptr<StepWindow> {
        return std::make_unique<ManualStep<ManualMatchingWindow>>(owner, MatchingHooks(owner),
                                                                  help_page::kManualMatching);
    });
    app.Driver().SetSeamAligner([&app](int* dx, int* dy) {
        QWidget* self = nullptr;
        SeamAlignmentWindow window(
            app.Document(), app.Panorama(), app.Title(),
            WithHelp(MakeAlignmentHooks(app), app, &self, help_page::kManualAlignment360),
            app.StepWidget());
        self = &window;
        if (!window.Open() || window.exec() != QDialog::Accepted) return false;
        *dx = window.ResultDx();
        *dy = window.ResultDy();
        return true;
    });
}
