// CMainApp: the application object. It owns what the step windows share (input list,
// alignment document, the one engine session, the window placement) and switches between the
// steps: the Image File View first, then one of the three alignment steps, and back.
#pragma once

#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "image_info.h"
#include "input_list.h"
#include "stitchkit/MFCPanorama.h"

class CImageImpl;
class QObject;
class QWidget;
class HelpDesk;
class ImageFileView;
class StitchDriver;
class ResultWindow;
struct ResultInfo;

// The steps, in the order of the current-step flags.
enum class Step { FileView = 0, AutoAlign = 1, ManualAlign = 2, ManualMatch = 3 };

// The window placement every step window shares (screen pixels) and its show state
// (0 normal, 1 minimized, 2 maximized).
struct WindowPlacement {
    int x = 0, y = 0, w = 0, h = 0;
    int show = 0;
};

class CMainApp;

// An alignment step window: made on first use, then refreshed and shown again.
class StepWindow {
public:
    virtual ~StepWindow() = default;
    virtual QWidget* Widget() = 0;
    // Refreshes the window from the shared data before it shows; false when it cannot open.
    virtual bool Prepare() = 0;
};
using StepFactory = std::function<std::unique_ptr<StepWindow>(CMainApp& app)>;

class CMainApp {
public:
    static constexpr const char* kVersion = "2.1.0";

    CMainApp();
    ~CMainApp();
    CMainApp(const CMainApp&) = delete;
    CMainApp& operator=(const CMainApp&) = delete;

    // Start-up screen, colours, then the Image File View for the life of the program; `files`
    // (given on the command line, as "Open With" does) go into the input list under its rules,
    // and the first folder among them is shown in the browser.
    int Run(const QStringList& files = {});

    const std::string& Title() const { return m_title; }
    InputImageList& Inputs() { return m_inputs; }
    CAlignDocument& Document() { return m_document; }
    MFCPanorama& Panorama() { return *m_panorama; }
    EngineTransfer& Transfer() { return m_transfer; }
    WindowPlacement& Placement() { return m_placement; }
    ImageFileView* FileView() const { return m_fileView.get(); }
    StitchDriver& Driver() { return *m_driver; }
    // The program's help window and the window that opened it.
    HelpDesk& Help() { return *m_help; }
    // The mask of the input correction (an 8-bit grey picture), or null.
    CImageImpl* Mask() const { return m_mask.get(); }
    void SetMask(std::unique_ptr<CImageImpl> mask);

    // Placement: default and the "General" settings.
    void SetDefaultPlacement(int screenWidth, int screenHeight);
    void ReadPlacement();
    void WritePlacement() const;
    // Moves a step window to the placement and shows it (maximized for show state 2).
    void ShowAtPlacement(QWidget* window) const;
    // Placement tracking of the current step window.
    void RecordPosition(QWidget* window, int left, int top);
    void RecordSize(QWidget* window, int type, int width, int height);
    // Records the placement of `window` whenever it moves, is resized or changes its state.
    void TrackPlacement(QWidget* window);

    // The alignment steps plug in here (the windows come from their own modules).
    void SetStepFactory(Step step, StepFactory factory);
    // The question of the step's button, the list checks, then the step window.
    bool SwitchTo(Step step);
    // Back to the Image File View from the current step (the step asked its question).
    void BackToFileView();
    Step CurrentStep() const { return m_current; }
    StepWindow* StepWindowOf(Step step) const;
    // The window of the current step (the Image File View when no alignment step is open).
    QWidget* StepWidget() const { return CurrentWindow(); }
    // The Exit question; true when the program ends.
    bool AskExit();
    // Ends the program: step windows destroyed, the Image File View ended.
    void Exit();
    // After every change of the input list: no alignment or engine state outlives it.
    void ResetStitchState();
    // Opens the Result window on a stitched picture (modal); the hook sees the window before
    // it runs (the program wires saving and printing there; tests drive it).
    void ShowResultWindow(std::unique_ptr<CImageImpl> picture, const ResultInfo& info);
    void SetResultWindowHook(std::function<void(ResultWindow&)> hook) {
        m_resultWindowHook = std::move(hook);
    }
    // Makes the Image File View (Run does this; tests call it directly).
    ImageFileView* CreateFileView();

private:
    QWidget* CurrentWindow() const;

    std::string m_title = "Quiltwork";
    CAlignDocument m_document;
    InputImageList m_inputs;
    std::unique_ptr<MFCPanorama> m_panorama;
    EngineTransfer m_transfer;
    std::unique_ptr<StitchDriver> m_driver;
    std::unique_ptr<CImageImpl> m_mask;
    std::function<void(ResultWindow&)> m_resultWindowHook;
    WindowPlacement m_placement;
    std::unique_ptr<HelpDesk> m_help;
    std::unique_ptr<ImageFileView> m_fileView;
    std::array<StepFactory, 4> m_factories;
    std::array<std::unique_ptr<StepWindow>, 4> m_steps;
    // Step windows closed by Exit: hidden at once, destroyed when no call of theirs can still
    // be running (the next step switch, or the end of the application object).
    std::vector<std::unique_ptr<StepWindow>> m_retired;
    std::unique_ptr<QObject> m_placementTracker;
    Step m_current = Step::FileView;
};
