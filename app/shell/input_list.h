// The input image list: the ordered picture files one stitch joins, with their thumbnails, the
// size rules that keep them stitchable, rotation, order and base picture; building the
// alignment document's records from it and handing those to the engine.
#pragma once

#include <QCoreApplication>
#include <QImage>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "image_info.h"
#include "stitchkit/BmpAdapter.h"

class MFCPanorama;

// What a picture file gives the list: its size (as stored in the file) and a thumbnail.
struct ListedPicture {
    bool ok = false;
    int width = 0, height = 0;
    QImage thumbnail;
};

// The adapters and headers of the pictures handed to the engine; the engine reads through
// them until the next transfer, so the program keeps this alive that long.
struct EngineTransfer {
    std::vector<BITMAPINFOHEADER> headers;
    std::vector<std::vector<RGBQUAD>> palettes;
    std::vector<CBmpAdapter> adapters;
    std::vector<CBmpAdapter> adapters48;
};

class InputImageList {
    Q_DECLARE_TR_FUNCTIONS(InputImageList)

public:
    static constexpr double kSizeTolerance = 1.1;
    static constexpr int kMinSide = 240;
    static constexpr int kMaxSide = 100000;

    using Probe = std::function<ListedPicture(const std::string& path)>;
    InputImageList();
    // How pictures are read for the list (tests may replace it).
    void SetProbe(Probe probe) { m_probe = std::move(probe); }
    // Called after every change of the list, so that no alignment or engine state outlives the
    // list it was made for.
    void SetChangedCallback(std::function<void()> changed) { m_changed = std::move(changed); }
    // Called when a batch of more than one file ends while a correction is switched on.
    void SetCorrectionBatch(std::function<void()> batch) { m_correctionBatch = std::move(batch); }
    void SetCorrection(const PictureCorrection& correction) { m_correction = correction; }
    const PictureCorrection& Correction() const { return m_correction; }
    bool CorrectionActive() const { return m_correction.shading != 0 || m_correction.lens != 0; }

    // IN / ALL IN: adds the files in order under the size rules; returns how many were added.
    int AddFiles(const std::vector<std::string>& paths);
    // ALL IN asks first; false when the user said No.
    bool AskAddAll(const std::vector<std::string>& paths);
    // OUT: removes the selected entry after the question; false when nothing was removed.
    bool RemoveSelected();
    // ALL OUT after the question.
    bool RemoveAll();
    // ROT: every picture a quarter turn further clockwise.
    void Rotate();
    // <<< (-1) and >>> (+1): the selected entry one place to the left or right.
    bool MoveSelected(int direction);
    // Puts the entries and the document's records into `order` (entry k becomes old entry
    // order[k]); the records keep their placements and pictures, the selection is cleared.
    void Reorder(const std::vector<int>& order, CAlignDocument& document);
    // base: the selected entry becomes the base image after the question.
    bool SetBaseToSelected();

    int Count() const { return static_cast<int>(m_paths.size()); }
    const std::vector<std::string>& Paths() const { return m_paths; }
    // The thumbnail as shown (turned by the rotation) and the label ("* " before the base's).
    QImage Thumbnail(int index) const;
    std::string Label(int index) const;
    // Replaces a thumbnail (given in file orientation, as the list keeps them).
    void SetThumbnail(int index, QImage thumbnail);
    // Loads every picture again with the current shading and lens correction and replaces its
    // thumbnail, with progress ("Correcting images... Image k out of n."). False when cancelled.
    bool RebuildThumbnails();
    int Base() const { return m_base; }
    int Selected() const { return m_selected; }
    void SetSelected(int index) { m_selected = index >= 0 && index < Count() ? index : -1; }
    int Rotation() const { return m_rotation; }
    bool MixedSize() const { return m_mixed; }
    // The size every picture has as the list shows it (turned by the rotation).
    int ReferenceWidth() const { return m_rotation % 2 ? m_refHeight : m_refWidth; }
    int ReferenceHeight() const { return m_rotation % 2 ? m_refWidth : m_refHeight; }
    // The smallest accepted width and height (file orientation), which every picture covers.
    int SmallestWidth() const { return m_minW; }
    int SmallestHeight() const { return m_minH; }
    // " %d image,  %d by %d" / "%d images,  %d by %d"; empty for an empty list. While a lens
    // correction is set the size is the inner size the correction leaves.
    std::string InfoLine() const;

    // Makes the document's records from the list (kept when they already match it); loads and
    // prepares their pictures. 0 after "No image is selected." or when loading failed.
    int BuildImageInfoList(CAlignDocument& document) const;
    // Hands the records' pictures (and, except in matching mode, the offsets between
    // consecutive placements, vertical first) to the engine.
    static bool TransferToEngine(CAlignDocument& document, MFCPanorama& engine, bool matchingMode,
                                 EngineTransfer& transfer);

private:
    enum class AddResult { Added, Skipped, Stop };
    AddResult AddOne(const std::string& path, bool& batchWarned);
    void Changed();

    std::vector<std::string> m_paths;
    std::vector<QImage> m_thumbnails; // in file orientation
    int m_refWidth = 0, m_refHeight = 0;
    int m_minW = 0, m_maxW = 0, m_minH = 0, m_maxH = 0;
    bool m_mixed = false;
    int m_rotation = 0;
    int m_base = 0;
    int m_selected = -1;
    PictureCorrection m_correction;
    Probe m_probe;
    std::function<void()> m_changed;
    std::function<void()> m_correctionBatch;
};
