#include "image_info.h"

#include <algorithm>
#include <utility>

#include "image_impl.h"
#include "picture_sniff.h"
#include "zoomed_picture.h"

namespace {

std::unique_ptr<CImageImpl> DefaultLoad(const std::string& path,
                                        const PictureCorrection& correction) {
    std::unique_ptr<CImageImpl> picture = CImageImpl::Open(path, PictureTypeOfFile(path));
    if (!picture || !picture->IsValid()) return nullptr;
    if (correction.rotation % 4 != 0) picture = picture->Rotated(correction.rotation % 4);
    return picture;
}

CImageInfo::Loader& InstalledLoader() {
    static CImageInfo::Loader loader = DefaultLoad;
    return loader;
}

} // namespace

CImageInfo::CImageInfo(std::string path, PictureCorrection correction, float zoom)
    : m_path(std::move(path)), m_zoom(zoom), m_correction(correction) {}

CImageInfo::~CImageInfo() = default;

void CImageInfo::SetLoader(Loader loader) {
    InstalledLoader() = loader ? std::move(loader) : Loader(DefaultLoad);
}

std::unique_ptr<CImageImpl> CImageInfo::Load(const std::string& path,
                                             const PictureCorrection& correction) {
    return InstalledLoader()(path, correction);
}

void CImageInfo::MoveTo(int left, int top) {
    m_rect = {left, top, left + m_width, top + m_height};
}

void CImageInfo::SetZoom(float zoom) {
    if (zoom == m_zoom) return;
    m_zoom = zoom;
    m_scaled.reset();
}

PlacementRect CImageInfo::DisplayRect() const {
    return {static_cast<int>(m_rect.left * m_zoom), static_cast<int>(m_rect.top * m_zoom),
            static_cast<int>(m_rect.right * m_zoom), static_cast<int>(m_rect.bottom * m_zoom)};
}

void CImageInfo::SetDisplayTopLeft(int x, int y) {
    MoveTo(static_cast<int>(x / m_zoom), static_cast<int>(y / m_zoom));
}

CImageImpl* CImageInfo::Picture() {
    if (!m_picture) SetPicture(Load(m_path, m_correction));
    return m_picture.get();
}

const CImageImpl* CImageInfo::Picture48() {
    Picture();
    return m_picture && m_picture->Is48Bit() ? m_picture.get() : nullptr;
}

void CImageInfo::SetPicture(std::unique_ptr<CImageImpl> picture) {
    m_scaled.reset();
    m_zoomed.reset();
    m_picture = std::move(picture);
    if (!m_picture) return;
    m_width = m_picture->GetWidth();
    m_height = m_picture->GetHeight();
    m_rect.right = m_rect.left + m_width;
    m_rect.bottom = m_rect.top + m_height;
}

const CImageImpl* CImageInfo::ScaledPicture() {
    if (m_scaled) return m_scaled.get();
    const CImageImpl* picture = Picture();
    if (!picture) return nullptr;
    const int w = std::max(1, static_cast<int>(m_width * m_zoom));
    const int h = std::max(1, static_cast<int>(m_height * m_zoom));
    m_scaled = picture->MakeThumbnail(w, h);
    return m_scaled.get();
}

Bgr24View CImageInfo::DisplayPart(const CanvasRect& area, std::vector<std::uint8_t>& tile) {
    constexpr float kScaledCopyBelow = 0.5f;
    if (m_zoom < kScaledCopyBelow) {
        const CImageImpl* scaled = ScaledPicture();
        if (!scaled || scaled->GetBitsPerPixel() != 24) return {};
        const int w = scaled->GetWidth(), h = scaled->GetHeight();
        const CanvasRect r{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, w),
                           std::min(area.bottom, h)};
        if (r.IsEmpty()) return {};
        // A window into the bottom-up rows: row r.top of the part is row h - 1 - r.top.
        const auto stride = static_cast<std::ptrdiff_t>(scaled->GetStride());
        return {scaled->GetBits() + (h - r.bottom) * stride + 3 * r.left, r.right - r.left,
                r.bottom - r.top, stride};
    }
    const CImageImpl* picture = Picture();
    if (!picture) return {};
    if (!m_zoomed) {
        m_zoomed = std::make_unique<ZoomedPicture>();
        if (!m_zoomed->SetPicture(picture)) {
            m_zoomed.reset();
            return {};
        }
    }
    const int w = static_cast<int>(m_zoomed->Width() * m_zoom);
    const int h = static_cast<int>(m_zoomed->Height() * m_zoom);
    const CanvasRect r{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, w),
                       std::min(area.bottom, h)};
    if (r.IsEmpty()) return {};
    return m_zoomed->Render(m_zoom, r, tile);
}

void CImageInfo::DropPictures() {
    m_picture.reset();
    m_scaled.reset();
    m_zoomed.reset();
}

bool CAlignDocument::Matches(const std::vector<std::string>& paths) const {
    if (paths.size() != m_ImageInfoList.size()) return false;
    for (std::size_t i = 0; i < paths.size(); ++i)
        if (m_ImageInfoList[i]->Path() != paths[i]) return false;
    return true;
}
