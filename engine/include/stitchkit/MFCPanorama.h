// The stitching session: images, pairwise alignments, hand-set matches and settings, and the
// operations that align them. The session state is process-wide: every MFCPanorama object
// works on the same single instance, and constructing one starts an empty session.
#pragma once

#include <cstdint>
#include <vector>

#include "stitchkit/BmpAdapter.h"
#include "stitchkit/Dib.h"
#include "stitchkit/Export.h"
#include "stitchkit/IProgress.h"

// Result codes of the engine's operations.
enum MosaicReturnValue : int {
    MosaicOK = 0,
    MosaicNoFeatureMatch = 1,
    MosaicCancelled = 2,
    MosaicNoMemory = 3,
    MosaicNoOverlap = 4,
    MosaicTooFewMatchesProjective = 5,
    MosaicTooFewMatchesRigid = 6,
    MosaicTooMuchDistortion = 7,
    MosaicTooNarrow = 8,
    MosaicTranslationFallback = 9,
    MosaicNoMatchForTranslation = 10,
    MosaicTooWideForPlane = 11,
    MosaicInconsistent = 12
};

// The string resource of a result code's message ("No memory.", ...); 0 for the codes that
// show nothing (0 and 9).
constexpr int MosaicMessageId(int code) {
    switch (code) {
    case MosaicOK:
    case MosaicTranslationFallback:
        return 0;
    case MosaicNoFeatureMatch:
        return 30001;
    case MosaicCancelled:
        return 30002;
    case MosaicNoMemory:
        return 30003;
    case MosaicNoOverlap:
        return 30004;
    case MosaicTooFewMatchesProjective:
        return 30005;
    case MosaicTooFewMatchesRigid:
        return 30018;
    case MosaicTooMuchDistortion:
        return 30006;
    case MosaicTooNarrow:
        return 30019;
    case MosaicNoMatchForTranslation:
        return 30022;
    case MosaicTooWideForPlane:
        return 30024;
    default:
        return 30007;
    }
}

// One neighbour pair of a focal-length estimate. Focal lengths are given in pixels of the
// processing images and in millimetres of a 35 mm frame whose longer side is 35.0 mm.
struct AutoFocalEntry {
    AutoFocalEntry* next;
    double H[8];             // the pair's projective transform (first image -> second), in
                             // coordinates centred on the image centre
    double matchScore;       // spread of the matches over the size of the pair's overlap
    double photometricError; // mean over bands of the mean squared difference in the overlap
    double f0_mm, f1_mm, f_mm;
    double f0_px, f1_px, f_px;
    double f0_numerator, f0_denominator, f1_numerator, f1_denominator;
    std::int32_t dr, dc; // the pair's alignment at the processing scale
};

// The record GetAutoFocalList fills. The caller allocates it with `count` set to the number of
// images and `entries` linking count - 1 pair entries (values initialised, normally to 0); a
// pair that yields no focal length leaves its entry as it was.
struct AutoFocalListStruct {
    AutoFocalEntry* entries;
    std::int32_t reserved; // not used by the estimation
    std::int32_t count;
    std::int32_t columns, rows;   // processing image size, written by the engine
    double weightedFocal;         // mm: weighted by match score / photometric error
    double meanFocal;             // mm
    double medianFocal;           // mm
    double clusteredFocal;        // mm: mean of the values near the best estimate
    double bestFocal;             // mm: least median of squared differences
    double bestMedianSqDeviation; // that median
};

// How an interpolated view joins its two images.
enum BlendType : int {
    BlendTypeMosaic = 0,  // distance-map blending by the session's blend level
    BlendTypeDissolve = 1 // cross-dissolve: (1 - t)·first laid + t·second laid
};

class STITCHKIT_API MFCPanorama {
public:
    MFCPanorama();
    virtual ~MFCPanorama();
    MFCPanorama(const MFCPanorama&) = delete;
    MFCPanorama& operator=(const MFCPanorama&) = delete;

    // Shows the message of a result code ("Warning!", 0x1030); true without a box for 0 and 9.
    virtual bool ShowWarning(MosaicReturnValue code);

    // Images and records. Adapters are not owned and must stay valid until the session resets.
    int AddImage(IImageAdapter* image);
    int AddImage48(IImageAdapter* image);
    int GetImagesCount() const { return m_imageCount; }
    void DeleteAllImages();
    int AddAlign(int dr, int dc);
    int GetAlign(int i, int j, int* dr, int* dc);
    void DeleteAllAlign();
    int AddMatch(int i, int j, double r1, double c1, double r2, double c2);
    int AddMatch360(double r1, double c1, double r2, double c2);
    void DeleteAllMatches();
    void SetAlignment360(int dr, int dc);

    // Settings.
    void SetSize(int mode);
    void SetBase(int base);
    void SetBkColor(unsigned char r, unsigned char g, unsigned char b);
    void SetBlendLevelGradual();
    void SetBlendLevelHalf();
    void SetBlendLevelSteep();
    void SetBlendLevelNone();
    void SetColCorrection(bool on);
    void SetFlag360(int flag);
    void SetFlgNearestNeighbor(bool on);
    void SetFlgFrom8bitTo24bit(bool on);
    void SetPanoColorPalette(RGBQUAD* palette);
    void SetMaskImage(IImageAdapter* mask);
    void SkipFeatureMatching(bool skip);

    // Alignment operations (the progress argument is accepted and not used: every operation
    // opens its own progress window).
    bool DoAutoAlign(IProgress* progress = nullptr);
    bool DoAutoAlignCorr(IProgress* progress = nullptr);
    bool DoAutoAlignCorrMask(IImageAdapter* mask, IProgress* progress = nullptr);
    bool DoAutoAlignPair(int i, int j, int* dr, int* dc, IProgress* progress = nullptr);
    bool DoAutoAlignPairMask(IImageAdapter* mask, int i, int j, int* dr, int* dc,
                             IProgress* progress = nullptr);
    bool DoCoarseRegistration(IImageAdapter* out, IProgress* progress = nullptr);

    // Mosaics. Each estimates the pairwise transforms, chains them to a base image and lays the
    // images onto one canvas delivered through `out`; the session is reset afterwards (except
    // after GetTranslationParams, whose estimate RenderMosaics then composes).
    bool DoTranslationMosaics(IImageAdapter* out, IProgress* progress = nullptr);
    bool DoRigidTransMosaics(IImageAdapter* out, IProgress* progress = nullptr);
    // One big plane: projective transforms between neighbours. Returns the result code (9 when
    // a pair could only be joined by its alignment).
    MosaicReturnValue DoPlanarMosaics(IImageAdapter* out, IProgress* progress = nullptr);
    bool GetTranslationParams(IImageAdapter* out, IProgress* progress = nullptr);
    bool RenderMosaics(IImageAdapter* out, IProgress* progress = nullptr);
    // Horizontal strips: image 0 is the base and the images are laid side by side, each
    // blended into the previous one by a horizontal ramp (closed over 360 degrees with the
    // flag). Translations only, or translation, rotation and scale.
    bool DoTranslationHMosaics(IImageAdapter* out, IProgress* progress = nullptr);
    bool DoRigidTransHMosaics(IImageAdapter* out, IProgress* progress = nullptr);

    // Cylinder: every image projected onto a cylinder of focal length `focal` (mm of a 35 mm
    // frame; 0 when the images are cylindrical already) and joined by translations. With
    // `keepPrepared` the context left by GetAutoFocalList is used as it is.
    MosaicReturnValue DoCylinderMosaics(double focal, IImageAdapter* out, bool keepPrepared,
                                        IProgress* progress = nullptr);
    // The same projection with the images placed by their alignments alone and the layout
    // turned by `angle` degrees.
    MosaicReturnValue DoCylinderMosaicsPanTilt(double focal, double angle, IImageAdapter* out,
                                               IProgress* progress = nullptr);
    // Proposes focal lengths from projective fits of every neighbour pair; leaves the prepared
    // context for DoCylinderMosaics with keepPrepared.
    void GetAutoFocalList(AutoFocalListStruct* list);

    // View interpolation between images 0 and 1. A parameter block is the eight doubles h0..h7
    // of a projective transform (ninth element 1) at the processing scale: P maps image 0 to
    // image 1, Q is its inverse. The session is kept afterwards, so one estimate can be rendered
    // for many values of t; start a new pair with DestroyInternalData.
    // Estimation only, with motion model `ProjModel` (0 .. 7; 7 affine).
    bool DoInterpolateParams(IImageAdapter* out, double* P, double* Q, int ProjModel,
                             IProgress* progress = nullptr);
    // The view for t (1: the pair in image 0's frame, 0: in image 1's frame) from P and Q; with
    // `keepBaseFrame` the picture is cut to the base image's rectangle. With three or more
    // images they are composed as a mosaic without interpolation.
    bool DoInterpolateRendering(IImageAdapter* out, const double* P, const double* Q, double t,
                                BlendType blendType, bool keepBaseFrame,
                                IProgress* progress = nullptr);
    // Affine estimation, then rendering with the base frame kept.
    bool DoInterpolateMosaics(IImageAdapter* out, IProgress* progress, double t,
                              BlendType blendType);

    // Releases the context, both image sets and their records; remembers the processing size
    // and the covered part of a picture the context delivered.
    void DestroyInternalData();
    int GetProcImageWidth() const { return m_procWidth; }
    int GetProcImageHeight() const { return m_procHeight; }

    // Additions of ours for hosts that report results themselves (inline: nothing more is
    // exported). No operation lets an exception out: one that meets an exception ends with
    // MosaicNoMemory (std::bad_alloc) or MosaicInconsistent (any other).
    //
    // The result code of this object's last alignment, mosaic, interpolation or focal-length
    // operation; a bool operation succeeded when it is MosaicOK or MosaicTranslationFallback.
    MosaicReturnValue GetLastResult() const { return m_lastResult; }
    // The part of the picture the last mosaic operation delivered that some image covers: rows
    // top .. bottom and columns left .. right (inclusive, row 0 at the top). The rest is
    // background that the canvas rule adds around the images. False when that operation
    // delivered no picture.
    // With fine alignment on, every automatic alignment (all pairs, one pair, masked or not)
    // carries the shift it found on its coarse level down the pyramid to full resolution,
    // correcting it within a pixel or two on each level, so the answer is exact to the pixel
    // instead of having the coarse level's precision. Off by default.
    void SetFineAlignment(bool on) { m_fineAlignment = on; }
    bool GetFineAlignment() const { return m_fineAlignment; }
    // With global refinement on, a mosaic adjusts all views together on the matches of every
    // pair after estimating the pairs one by one (rotations and one focal length for the big
    // plane, translations or similarities for the flat methods, the closing pair included in a
    // closed turn), and the focal-length estimate of a turn closed over 360 degrees is the one
    // for which the pairs' turns add up to one full turn. Off by default.
    void SetGlobalRefinement(bool on) { m_globalRefinement = on; }
    bool GetGlobalRefinement() const { return m_globalRefinement; }
    bool GetLastCoveredRect(int* top, int* left, int* bottom, int* right) const {
        if (m_coveredBottom < m_coveredTop || m_coveredRight < m_coveredLeft) return false;
        *top = m_coveredTop;
        *left = m_coveredLeft;
        *bottom = m_coveredBottom;
        *right = m_coveredRight;
        return true;
    }
    // How far each neighbouring pair of the last mosaic or automatic alignment can be trusted,
    // 0 .. 1 (-1 for a pair the operation did not measure): entry k for the pair (k, k + 1),
    // then, after a turn closed over 360 degrees, one for the pair (last, first); after a
    // one-pair alignment, that pair's alone. A pair of pictures of unrelated places scores near
    // 0, a correctly joined pair well above. Empty when the operation measured no pair.
    const std::vector<double>& GetLastPairConfidences() const { return m_pairConfidences; }

private:
    // Keeps `code` as the last result and returns it. The covered part that DestroyInternalData
    // took from the session stays only after a mosaic that delivered a picture.
    STITCHKIT_LOCAL MosaicReturnValue Finish(int code, bool delivered = false);

    int m_imageCount = 0;
    int m_image48Count = 0;
    int m_procHeight = 0;
    int m_procWidth = 0;
    MosaicReturnValue m_lastResult = MosaicOK;
    int m_coveredTop = 0;
    int m_coveredLeft = 0;
    int m_coveredBottom = -1;
    int m_coveredRight = -1;
    bool m_fineAlignment = false;
    bool m_globalRefinement = false;
    std::vector<double> m_pairConfidences;
};
