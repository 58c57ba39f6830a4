#include "stitch_driver.h"

#include <QApplication>
#include <QWidget>

#include <cstdlib>
#include <optional>
#include <utility>

#include "arrangement.h"
#include "help_desk.h"
#include "image_file_view.h"
#include "image_impl.h"
#include "main_app.h"
#include "message_box.h"
#include "prompter.h"
#include "result_window.h"
#include "stitch_dialogs.h"
#include "stitchkit/AdapterResult.h"
#include "stitchkit/BmpAdapter.h"
#include "stitchkit/MFCPanorama.h"

namespace {

// The picture the engine wrote into an adapter (header made with new, pixel blocks with
// malloc), copied into a picture object; the adapter's blocks are released either way.
std::unique_ptr<CImageImpl> TakeAdapterPicture(CBmpAdapter& filled) {
    const AdapterResult result(std::exchange(filled, CBmpAdapter()));
    const CBmpAdapter& out = result.Adapter();
    if (out.IsEmpty() || out.GetHeader()->biWidth <= 0 || out.GetHeader()->biHeight == 0)
        return nullptr;
    return CImageImpl::FromBitmap(*out.GetHeader(), out.GetData(), out.GetData48Lower(),
                                  out.GetRgb(), kImageTypeBmp);
}

} // namespace

StitchDriver::StitchDriver(CMainApp& app) : m_app(app) {
    m_dialog = [](ParameterDialogKind kind, StitchSettings& settings) {
        StitchParameterDialog dialog(kind, settings, QApplication::activeWindow());
        if (dialog.exec() != QDialog::Accepted) return false;
        settings = dialog.Result();
        return true;
    };
}

bool StitchDriver::PrepareAndChoose(int matchingMode, ParameterDialogKind kind) {
    m_app.Help().Close(); // stitching leaves the window whose help was open
    MFCPanorama& engine = m_app.Panorama();
    if (!InputImageList::TransferToEngine(m_app.Document(), engine, matchingMode != 0,
                                          m_app.Transfer())) {
        AppMessageBox(QString::fromStdString("<" + m_app.Title() + ">\xEF\xBC\x9A") +
                          tr("SelectPanoMethod ERROR !"),
                      tr("Warning"), kMbOk | kMbIconHand | kMbSystemModal);
        return false;
    }
    // The dialog again after Cancel at the size question, with the previous choices.
    StitchSettings chosen = m_settings;
    for (;;) {
        if (!m_dialog(kind, chosen)) return false;
        if (AppMessageBox(SizeQuestion(chosen.sizeIndex), tr("Question").toStdString(),
                          kMbOkCancel | kMbIconQuestion) == kIdOk)
            break;
    }
    m_settings = chosen;
    const std::array<std::uint8_t, 3> bk = m_settings.Background();
    engine.SetBkColor(bk[0], bk[1], bk[2]);
    if (m_settings.flag360) {
        if (matchingMode != 0) return true; // the matching window collects the seam itself
        AppMessageBox(tr("Please align the first and the last images."), tr("Question"),
                      kMbOk | kMbIconQuestion);
        int dx = 0, dy = 0;
        if (!m_seam || !m_seam(&dx, &dy)) return false;
        m_settings.closingDx = dx;
        m_settings.closingDy = dy;
        engine.SetAlignment360(dy, dx);
        engine.SetFlag360(1);
    }
    return true;
}

bool StitchDriver::RunMosaic(bool passColourCorrection) {
    MFCPanorama& engine = m_app.Panorama();
    const StitchSettings& s = m_settings;
    if (!MethodKnown(s.method)) return false;
    engine.SetSize(s.sizeIndex);
    engine.SetBase(m_app.Inputs().Base());
    engine.SetFlag360(s.flag360 ? 1 : 0);
    switch (s.blend) {
    case kBlendHalf:
        engine.SetBlendLevelHalf();
        break;
    case kBlendSteep:
        engine.SetBlendLevelSteep();
        break;
    case kBlendNone:
        engine.SetBlendLevelNone();
        break;
    default:
        engine.SetBlendLevelGradual();
        break;
    }
    if (passColourCorrection) engine.SetColCorrection(s.colourCorrection);

    // The mask of the Image File View, as an 8-bit grey picture, for this run only.
    CImageImpl* mask = m_app.Mask();
    std::optional<GreyMaskAdapter> maskAdapter;
    if (mask) {
        maskAdapter.emplace(*mask);
        engine.SetMaskImage(maskAdapter->Get());
        engine.SkipFeatureMatching(true);
    }

    CBmpAdapter out;
    bool ok = false;
    switch (s.method) {
    case kMethodBigPlane:
    case kMethodCylinder:
    case kMethodCylinder360: {
        const MosaicReturnValue code =
            s.method == kMethodBigPlane
                ? engine.DoPlanarMosaics(&out)
                : engine.DoCylinderMosaics(static_cast<double>(s.focalLength), &out, false);
        if (code == MosaicTranslationFallback) {
            AppMessageBox(tr("No feature correspondence was found between some pictures, so they "
                             "were stitched by their alignment alone.\nManual feature matching is "
                             "recommended for a better result."),
                          tr("Info."), kMbOk | kMbIconInformation);
        }
        ok = code == MosaicOK || code == MosaicTranslationFallback;
        if (ok && s.method != kMethodBigPlane) m_focalForResult = s.focalLength;
        break;
    }
    case kMethodRigid:
        ok = engine.DoRigidTransMosaics(&out);
        break;
    case kMethodRigidStrip:
    case kMethodRigidStrip360:
        ok = engine.DoRigidTransHMosaics(&out);
        break;
    case kMethodTranslation:
        ok = engine.DoTranslationMosaics(&out);
        break;
    case kMethodTranslationStrip:
    case kMethodTranslationStrip360:
        ok = engine.DoTranslationHMosaics(&out);
        break;
    default:
        break;
    }
    if (mask) {
        engine.SetMaskImage(nullptr);
        engine.SkipFeatureMatching(false);
    }
    std::unique_ptr<CImageImpl> picture = TakeAdapterPicture(out);
    if (!ok || !picture) return false;
    m_result = std::move(picture);
    return true;
}

void StitchDriver::ShowResult(QWidget* caller) {
    if (!m_result) return;
    ResultInfo info;
    info.isResult = true;
    info.sizeIndex = m_settings.sizeIndex;
    info.method = m_settings.method;
    info.focalLength = static_cast<float>(m_focalForResult);
    info.referenceWidth = m_app.Inputs().ReferenceWidth();
    info.referenceHeight = m_app.Inputs().ReferenceHeight();
    const std::array<std::uint8_t, 3> bk = m_settings.Background();
    std::copy(bk.begin(), bk.end(), info.background);
    info.title = m_app.Title();
    QWidget* main = m_app.FileView();
    if (caller) caller->setEnabled(false);
    if (main) main->setEnabled(false);
    if (m_show) m_show(std::move(m_result), info);
    if (main && m_app.CurrentStep() == Step::FileView) main->setEnabled(true);
    if (caller) {
        caller->setEnabled(true);
        caller->raise();
        caller->activateWindow();
    }
}

bool StitchDriver::Stitch(QWidget* caller, int matchingMode, ParameterDialogKind kind) {
    if (!PrepareAndChoose(matchingMode, kind)) return false;
    if (!RunMosaic(kind == ParameterDialogKind::Translation)) return false;
    ShowResult(caller);
    return true;
}
