#include "input_list.h"

#include <QTransform>

#include <algorithm>
#include <cstdio>

#include "image_impl.h"
#include "input_correction.h"
#include "message_box.h"
#include "picture_qimage.h"
#include "prompter.h"
#include "stitchkit/CProgressWnd.h"
#include "stitchkit/MFCPanorama.h"
#include "thumbnail_maker.h"

namespace {

constexpr unsigned kQuestionOkCancel = kMbOkCancel | kMbIconQuestion | kMbSystemModal;
constexpr unsigned kQuestionYesNo = kMbYesNo | kMbIconQuestion | kMbSystemModal;
constexpr unsigned kWarning = kMbOk | kMbIconExclamation;

ListedPicture DefaultProbe(const std::string& path) {
    const FileThumbnail made = MakeFileThumbnail(QString::fromStdString(path), 100, Qt::white);
    return {made.isPicture && made.width >= 1 && made.height >= 1 && !made.thumbnail.isNull(),
            made.width, made.height, made.thumbnail};
}

std::string FileName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

InputImageList::InputImageList() : m_probe(DefaultProbe) {}

void InputImageList::Changed() {
    if (m_changed) m_changed();
}

InputImageList::AddResult InputImageList::AddOne(const std::string& path, bool& batchWarned) {
    if (std::find(m_paths.begin(), m_paths.end(), path) != m_paths.end()) {
        AppBeep();
        return AddResult::Skipped;
    }
    if (m_mixed && CorrectionActive()) {
        AppMessageBox(tr("Please re-input images."), tr("Warning"), kWarning);
        return AddResult::Skipped;
    }
    const ListedPicture picture = m_probe(path);
    if (picture.width < 1 || picture.height < 1) return AddResult::Skipped;
    const int w = picture.width, h = picture.height;
    if (std::max(w, h) > kMaxSide || std::min(w, h) < kMinSide) {
        if (!batchWarned)
            AppMessageBox(tr("Something wrong with the image size."), tr("Warning"), kWarning);
        batchWarned = true;
        return AddResult::Skipped;
    }
    if (m_paths.empty()) {
        m_refWidth = m_minW = m_maxW = w;
        m_refHeight = m_minH = m_maxH = h;
    } else if (w != m_minW || h != m_minH) {
        if (batchWarned) return AddResult::Skipped;
        if (!m_mixed &&
            AppMessageBox(tr("The image size is different. Do you want to trim automatically."),
                          tr("Question"), kQuestionYesNo) != kIdYes) {
            batchWarned = true;
            return AddResult::Skipped;
        }
        auto passes = [](int v, int lo, int hi) {
            if (v < lo && v * kSizeTolerance < hi) return false;
            if (v > hi && lo * kSizeTolerance < v) return false;
            return true;
        };
        if (!passes(w, m_minW, m_maxW) || !passes(h, m_minH, m_maxH)) {
            const QString text = tr("Image size is wrong. (%1 X %2 ?+10%)").arg(m_minW).arg(m_minH);
            AppMessageBox(text, tr("Warning"), kWarning);
            batchWarned = true;
            return AddResult::Skipped;
        }
        m_minW = std::min(m_minW, w), m_maxW = std::max(m_maxW, w);
        m_minH = std::min(m_minH, h), m_maxH = std::max(m_maxH, h);
        m_mixed = true;
    }
    if (picture.thumbnail.isNull()) {
        AppMessageBox(tr("Invalid image format"), tr("Warning"), kWarning);
        return AddResult::Skipped;
    }
    m_paths.push_back(path);
    m_thumbnails.push_back(picture.thumbnail);
    return AddResult::Added;
}

int InputImageList::AddFiles(const std::vector<std::string>& paths) {
    bool batchWarned = false;
    int added = 0;
    std::unique_ptr<CProgressWnd> progress;
    if (paths.size() > 2) {
        const std::string caption = tr("Adding images...").toStdString();
        progress = std::make_unique<CProgressWnd>(nullptr, caption.c_str());
        progress->GoModal(caption.c_str());
        progress->SetRange(0, static_cast<int>(paths.size()));
    }
    for (std::size_t k = 0; k < paths.size(); ++k) {
        if (progress) {
            progress->SetText("%s", FileName(paths[k]).c_str());
            progress->SetPos(static_cast<int>(k));
            if (!progress->PeekAndPump() || progress->Cancelled()) break;
        }
        if (AddOne(paths[k], batchWarned) == AddResult::Added) ++added;
    }
    progress.reset();
    m_mixed = false; // each batch asks again before it mixes sizes
    if (added > 1 && CorrectionActive() && m_correctionBatch) m_correctionBatch();
    if (added > 0) Changed();
    return added;
}

bool InputImageList::AskAddAll(const std::vector<std::string>& paths) {
    if (AppMessageBox(tr("Are you sure you want to input all of the images?"), tr("Question"),
                      kQuestionYesNo) != kIdYes)
        return false;
    AddFiles(paths);
    return true;
}

bool InputImageList::RemoveSelected() {
    if (m_selected < 0 || m_selected >= Count()) return false;
    const std::string text = tr("Are you sure you want to delete %1?")
                                 .arg(QString::fromStdString(FileName(m_paths[m_selected])))
                                 .toStdString();
    if (AppMessageBox(text, tr("Question").toStdString(), kQuestionOkCancel) != kIdOk) return false;
    if (m_base == m_selected + 1) m_base = 0;
    // Swapped to the end step by step, as a move would, then dropped.
    for (int k = m_selected; k + 1 < Count(); ++k) {
        std::swap(m_paths[k], m_paths[k + 1]);
        std::swap(m_thumbnails[k], m_thumbnails[k + 1]);
    }
    m_paths.pop_back();
    m_thumbnails.pop_back();
    m_selected = -1;
    m_mixed = false;
    Changed();
    return true;
}

bool InputImageList::RemoveAll() {
    if (AppMessageBox(tr("Are you sure you want to delete all of the images."), tr("Question"),
                      kQuestionYesNo) != kIdYes)
        return false;
    m_paths.clear();
    m_thumbnails.clear();
    m_base = 0;
    m_selected = -1;
    m_mixed = false;
    Changed();
    return true;
}

void InputImageList::Rotate() {
    m_rotation = (m_rotation + 1) % 4;
    Changed();
}

bool InputImageList::MoveSelected(int direction) {
    if (m_selected < 0 || m_selected >= Count()) return false;
    const int other = m_selected + (direction < 0 ? -1 : 1);
    if (other < 0 || other >= Count()) {
        AppMessageBox(tr("Cannot move %1.").arg(QString::fromStdString(Label(m_selected))),
                      tr("Warning"), kWarning);
        return false;
    }
    std::swap(m_paths[m_selected], m_paths[other]);
    std::swap(m_thumbnails[m_selected], m_thumbnails[other]);
    m_selected = other;
    Changed();
    return true;
}

void InputImageList::Reorder(const std::vector<int>& order, CAlignDocument& document) {
    if (static_cast<int>(order.size()) != Count()) return;
    std::vector<std::string> paths;
    std::vector<QImage> thumbnails;
    for (int k : order) {
        paths.push_back(m_paths[k]);
        thumbnails.push_back(m_thumbnails[k]);
    }
    m_paths = std::move(paths);
    m_thumbnails = std::move(thumbnails);
    if (document.Count() == Count()) {
        std::vector<std::unique_ptr<CImageInfo>> records;
        for (int k : order) records.push_back(std::move(document.m_ImageInfoList[k]));
        document.m_ImageInfoList = std::move(records);
    }
    m_selected = -1;
}

bool InputImageList::SetBaseToSelected() {
    if (m_selected < 0 || m_selected >= Count()) return false;
    if (AppMessageBox(tr("Are you sure you want to set the selected image as the base image?"),
                      tr("Question"), kQuestionOkCancel) != kIdOk)
        return false;
    if (m_base == m_selected + 1) return true;
    m_base = m_selected + 1;
    return true;
}

QImage InputImageList::Thumbnail(int index) const {
    if (index < 0 || index >= Count()) return {};
    if (m_rotation == 0) return m_thumbnails[index];
    return m_thumbnails[index].transformed(QTransform().rotate(90.0 * m_rotation));
}

std::string InputImageList::Label(int index) const {
    if (index < 0 || index >= Count()) return {};
    return (m_base == index + 1 ? "* " : "") + FileName(m_paths[index]);
}

std::string InputImageList::InfoLine() const {
    if (m_paths.empty()) return {};
    int width = ReferenceWidth(), height = ReferenceHeight();
    InnerSize(ReferenceWidth(), ReferenceHeight(), m_correction.lens, width, height);
    const QString text = Count() == 1 ? tr(" %1 image,  %2 by %3") : tr("%1 images,  %2 by %3");
    return text.arg(Count()).arg(width).arg(height).toStdString();
}

void InputImageList::SetThumbnail(int index, QImage thumbnail) {
    if (index >= 0 && index < Count() && !thumbnail.isNull())
        m_thumbnails[index] = std::move(thumbnail);
}

bool InputImageList::RebuildThumbnails() {
    const std::string caption = tr("Progress").toStdString();
    CProgressWnd progress(nullptr, caption.c_str());
    progress.GoModal(caption.c_str());
    progress.SetRange(0, Count());
    // Thumbnails are kept in file orientation: the corrections are made without the rotation.
    const PictureCorrection correction{0, m_correction.shading, m_correction.lens};
    for (int k = 0; k < Count(); ++k) {
        progress.SetText("%s", tr("Correcting images... Image %1 out of %2.")
                                   .arg(k + 1)
                                   .arg(Count())
                                   .toUtf8()
                                   .constData());
        progress.SetPos(k);
        if (!progress.PeekAndPump() || progress.Cancelled()) return false;
        const std::unique_ptr<CImageImpl> picture = LoadCorrectedPicture(m_paths[k], correction);
        if (picture) SetThumbnail(k, ThumbnailImage(*picture));
    }
    return true;
}

int InputImageList::BuildImageInfoList(CAlignDocument& document) const {
    if (m_paths.empty()) {
        AppMessageBox(tr("No image is selected."), tr("Warning"), kWarning);
        return 0;
    }
    const PictureCorrection correction{m_rotation, m_correction.shading, m_correction.lens};
    bool same = document.Matches(m_paths);
    for (const auto& record : document.m_ImageInfoList)
        same = same && record->Correction() == correction;
    if (same) return document.Count();

    document.Clear();
    for (const std::string& path : m_paths)
        document.m_ImageInfoList.push_back(std::make_unique<CImageInfo>(path, correction, 0.5f));
    // Load every picture, with progress; the records start side by side.
    const std::string caption = tr("Progress").toStdString();
    CProgressWnd progress(nullptr, caption.c_str());
    progress.GoModal(caption.c_str());
    progress.SetRange(0, document.Count());
    int left = 0;
    for (int k = 0; k < document.Count(); ++k) {
        CImageInfo& record = *document.m_ImageInfoList[k];
        if (!progress.PeekAndPump() || progress.Cancelled()) {
            document.Clear();
            AppMessageBox(tr("Canceled."), tr("Warning!"), kWarning);
            return 0;
        }
        progress.SetText("%s", tr("Preparing images... Image %1 out of %2.")
                                   .arg(k + 1)
                                   .arg(document.Count())
                                   .toUtf8()
                                   .constData());
        progress.SetPos(k);
        if (!record.Picture()) {
            AppMessageBox(tr("Cannot read %1.").arg(QString::fromStdString(record.Path())),
                          tr("Warning"), kWarning);
            document.Clear();
            return 0;
        }
    }
    // The engine needs equal sizes: every picture larger than the smallest width or height is
    // cut to them around its centre.
    int minW = 0, minH = 0;
    for (const auto& record : document.m_ImageInfoList) {
        minW = minW == 0 ? record->Width() : std::min(minW, record->Width());
        minH = minH == 0 ? record->Height() : std::min(minH, record->Height());
    }
    for (const auto& record : document.m_ImageInfoList) {
        const int w = record->Width(), h = record->Height();
        if (w == minW && h == minH) continue;
        const int cutLeft = (w - minW) / 2, cutTop = (h - minH) / 2;
        std::unique_ptr<CImageImpl> cut =
            record->Picture()->Crop(cutLeft, cutTop, cutLeft + minW, cutTop + minH);
        if (!cut) {
            document.Clear();
            return 0;
        }
        cut->SetFileName(record->Picture()->GetFileName());
        record->SetPicture(std::move(cut));
    }
    for (const auto& record : document.m_ImageInfoList) {
        record->MoveTo(left, 0);
        left += record->Width();
    }
    return document.Count();
}

bool InputImageList::TransferToEngine(CAlignDocument& document, MFCPanorama& engine,
                                      bool matchingMode, EngineTransfer& transfer) {
    transfer = {};
    if (document.Empty()) return false;
    const CImageImpl* first = document.At(0)->Picture();
    if (!first) return false;
    const int width = first->GetWidth(), height = first->GetHeight();
    const bool with48 = first->Is48Bit();
    engine.DestroyInternalData();
    const int n = document.Count();
    transfer.headers.reserve(n);
    transfer.palettes.reserve(n);
    transfer.adapters.reserve(n);
    transfer.adapters48.reserve(n);
    for (int k = 0; k < n; ++k) {
        CImageInfo& record = *document.At(k);
        CImageImpl* picture = record.Picture();
        if (!picture || picture->GetWidth() != width || picture->GetHeight() != height ||
            (with48 && !picture->Is48Bit())) {
            engine.DestroyInternalData();
            transfer = {};
            return false;
        }
        BITMAPINFOHEADER header = picture->GetHeader();
        header.biCompression = BI_RGB;
        header.biSizeImage = static_cast<DWORD>(picture->GetStride() * picture->GetHeight());
        transfer.headers.push_back(header);
        transfer.palettes.push_back(picture->GetColorTable());
        RGBQUAD* palette =
            transfer.palettes.back().empty() ? nullptr : transfer.palettes.back().data();
        unsigned char* bits = picture->GetBits();
        transfer.adapters.emplace_back(&transfer.headers.back(), bits, palette);
        engine.AddImage(&transfer.adapters.back());
        if (with48) {
            unsigned char* lower = picture->GetLowerBits();
            transfer.adapters48.emplace_back(&transfer.headers.back(), bits, palette, lower);
            engine.AddImage48(&transfer.adapters48.back());
        }
        if (k > 0 && !matchingMode) {
            const PlacementRect& previous = document.At(k - 1)->Rect();
            const PlacementRect& current = record.Rect();
            engine.AddAlign(current.top - previous.top, current.left - previous.left);
        }
    }
    return true;
}
