// The stitch driver: hands the aligned pictures to the engine, asks for the stitch parameters
// (remembered in the settings), closes the seam of a 360-degree panorama, runs the engine's
// mosaic and shows the result.
#pragma once

#include <QCoreApplication>

#include <functional>
#include <memory>

#include "stitch_settings.h"

class CImageImpl;
class CMainApp;
class QWidget;
struct ResultInfo;

class StitchDriver {
    Q_DECLARE_TR_FUNCTIONS(StitchDriver)

public:
    // Runs a parameter dialog on `settings`; false when it was cancelled.
    using DialogRunner = std::function<bool(ParameterDialogKind kind, StitchSettings& settings)>;
    // The 360-degree manual alignment of the last and the first picture: the first picture's
    // position minus the last one's; false when the user cancelled.
    using SeamAligner = std::function<bool(int* dx, int* dy)>;
    // Shows the stitched picture (the Result window).
    using ResultShower =
        std::function<void(std::unique_ptr<CImageImpl> picture, const ResultInfo& info)>;

    explicit StitchDriver(CMainApp& app);

    StitchSettings& Settings() { return m_settings; }
    void SetDialogRunner(DialogRunner runner) { m_dialog = std::move(runner); }
    void SetSeamAligner(SeamAligner aligner) { m_seam = std::move(aligner); }
    void SetResultShower(ResultShower shower) { m_show = std::move(shower); }
    // The focal length the Result window is told: 35 mm until a cylinder stitch sets it.
    int FocalLength() const { return m_focalForResult; }

    // Transfer, parameter dialog, size question, background colour, 360 seam. False (nothing
    // more happens) on a transfer failure or when the user cancels.
    bool PrepareAndChoose(int matchingMode, ParameterDialogKind kind);
    // Options, blending, mask, the engine operation of the method; true when a picture came out.
    bool RunMosaic(bool passColourCorrection = false);
    // The stitched picture, once RunMosaic succeeded.
    std::unique_ptr<CImageImpl> TakeResult() { return std::move(m_result); }
    // The result shown while `caller` and the main window wait.
    void ShowResult(QWidget* caller);
    // All three; true when a result was shown.
    bool Stitch(QWidget* caller, int matchingMode, ParameterDialogKind kind);

private:
    CMainApp& m_app;
    StitchSettings m_settings;
    DialogRunner m_dialog;
    SeamAligner m_seam;
    ResultShower m_show;
    std::unique_ptr<CImageImpl> m_result;
    int m_focalForResult = 35;
};
