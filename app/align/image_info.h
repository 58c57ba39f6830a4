// The placed-picture records every window shares: one per input picture, with its placement in
// the common pixel frame, its display zoom and the decoded picture (loaded on first use and
// prepared with the rotation and corrections of the input list), plus a copy scaled to the
// display zoom for the arrangement views. The alignment document holds them in list order.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "blend_canvas.h"
#include "stitchkit/Dib.h"

class CImageImpl;
class ZoomedPicture;

struct PlacementRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const PlacementRect&) const = default;
};

// How a record's picture is prepared when it is loaded: quarter turns clockwise and the two
// correction values of the input correction (shading level, lens value; 0 = none).
struct PictureCorrection {
    int rotation = 0;
    int shading = 0;
    int lens = 0;
    bool operator==(const PictureCorrection&) const = default;
};

class CImageInfo {
public:
    explicit CImageInfo(std::string path, PictureCorrection correction = {}, float zoom = 0.5f);
    ~CImageInfo();
    CImageInfo(const CImageInfo&) = delete;
    CImageInfo& operator=(const CImageInfo&) = delete;

    const std::string& Path() const { return m_path; }
    const PictureCorrection& Correction() const { return m_correction; }

    // Placement in full-resolution pixels; right - left and bottom - top are the picture size.
    const PlacementRect& Rect() const { return m_rect; }
    void SetRect(const PlacementRect& rect) { m_rect = rect; }
    void MoveTo(int left, int top);
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    float Zoom() const { return m_zoom; }
    // A new zoom drops the scaled copies.
    void SetZoom(float zoom);
    // Placement x zoom, each coordinate truncated toward zero.
    PlacementRect DisplayRect() const;
    // Stores a display position: left = x / zoom, top = y / zoom (truncated); size kept.
    void SetDisplayTopLeft(int x, int y);

    // The decoded picture: loaded from the path with the record's preparation on first use.
    // Null (after the picture layer's message) when it cannot be loaded.
    CImageImpl* Picture();
    // The picture when it was read with 16 bits per channel (its low bytes ride along), else
    // null.
    const CImageImpl* Picture48();
    // Hands a decoded, prepared picture to the record (its size becomes the record's size).
    void SetPicture(std::unique_ptr<CImageImpl> picture);
    bool IsLoaded() const { return m_picture != nullptr; }
    // The picture scaled to the display zoom (made on first use after each zoom change).
    const CImageImpl* ScaledPicture();
    // The part `area` of the picture at the display zoom (display pixels, relative to the
    // display top-left; clipped to the scaled picture), for drawing. Below 50 % it is cut from
    // the scaled copy; from 50 % on only the part itself is scaled from the picture, so a
    // magnified view never holds a full-size scaled copy. An empty view when there is no
    // picture or nothing of it lies in `area`.
    Bgr24View DisplayPart(const CanvasRect& area, std::vector<std::uint8_t>& tile);
    void DropPictures();

    // How pictures are loaded and prepared (set once by the program; tests may replace it).
    using Loader = std::function<std::unique_ptr<CImageImpl>(const std::string& path,
                                                             const PictureCorrection& correction)>;
    static void SetLoader(Loader loader);
    static std::unique_ptr<CImageImpl> Load(const std::string& path,
                                            const PictureCorrection& correction);

private:
    std::string m_path;
    PlacementRect m_rect;
    PlacementRect m_second;
    float m_zoom;
    int m_flag = 1;
    PictureCorrection m_correction;
    std::unique_ptr<CImageImpl> m_picture;
    std::unique_ptr<CImageImpl> m_scaled;
    std::unique_ptr<ZoomedPicture> m_zoomed;
    int m_height = 0;
    int m_width = 0;
};

// The alignment document: the records of the input list, in list order.
class CAlignDocument {
public:
    std::vector<std::unique_ptr<CImageInfo>> m_ImageInfoList;

    int Count() const { return static_cast<int>(m_ImageInfoList.size()); }
    bool Empty() const { return m_ImageInfoList.empty(); }
    void Clear() { m_ImageInfoList.clear(); }
    CImageInfo* At(int index) {
        return index >= 0 && index < Count() ? m_ImageInfoList[index].get() : nullptr;
    }
    // True when the records' paths are `paths` in the same order.
    bool Matches(const std::vector<std::string>& paths) const;
};
