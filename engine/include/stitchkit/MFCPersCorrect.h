// Perspective correction of one picture: line segments marked by the caller as edges that
// should be vertical are straightened by one projective transform, and the whole picture is
// warped with it onto a canvas just large enough for the result.
#pragma once

#include <memory>
#include <vector>

#include "stitchkit/BmpAdapter.h"
#include "stitchkit/Dib.h"
#include "stitchkit/Export.h"

// A marked segment: end points (x1, y1) and (x2, y2), pixel column and row.
struct CLineObject {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    friend bool operator==(const CLineObject&, const CLineObject&) = default;
};

// The engine's list of segments, (r1, c1) - (r2, c2) each, in the caller's order.
struct _MLinesRec;

class STITCHKIT_API MFCPersCorrect {
public:
    explicit MFCPersCorrect(IImageAdapter* source = nullptr);
    MFCPersCorrect(IImageAdapter* source, const std::vector<CLineObject>* lines);
    // With `extend` the first two segments are first lengthened along their own directions to
    // span the same rows (ExtendLines), changing the caller's objects.
    MFCPersCorrect(IImageAdapter* source, std::vector<CLineObject>* lines, bool extend);
    MFCPersCorrect(const MFCPersCorrect& other);
    MFCPersCorrect& operator=(const MFCPersCorrect& other);
    virtual ~MFCPersCorrect();

    // Uses these segments for the fit; false for null.
    bool AddLines(const std::vector<CLineObject>* lines);
    void SetBkColor(BYTE r, BYTE g, BYTE b) { m_bkColor = (DWORD{r} << 16) | (DWORD{g} << 8) | b; }
    DWORD GetBkColor() const { return m_bkColor; }
    // Warps the source into `out` (handed over with FromNIL, no palette). False, with nothing
    // delivered, when there is no source or no segments, when the segments cannot determine
    // the transform (fewer than two, or every end point on one line) or the fit fails, or when
    // the warped picture would be unboundedly large.
    bool DoCorrect(IImageAdapter* out);

    // Moves the ends of the first two segments along their own lines so that both start at the
    // smaller top row and end at the larger bottom row (y1 and y2, rounded half away from
    // zero); a vertical or horizontal segment only gets the new row.
    static void ExtendLines(std::vector<CLineObject>* lines);

private:
    // One segment (r1, c1, r2, c2) = (y1, x1, y2, x2) per line object, in order.
    static std::unique_ptr<_MLinesRec> ConvertToMLines(const std::vector<CLineObject>& lines);

    DWORD m_bkColor = 0;
    IImageAdapter* m_source = nullptr;
    _MLinesRec* m_lines = nullptr;            // the list used for the fit
    std::unique_ptr<_MLinesRec> m_ownedLines; // the same list, owned
};
