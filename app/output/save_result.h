// Saving the stitched picture: the save dialog with the file types of the program, the
// overwrite question, the questions that guard a 16-bit-per-channel picture against losing its
// depth, and the write itself as a still image, a panorama scene or a movie. The last folder
// and file type are remembered in the settings (section "SaveFilePath").
//
// Every write goes to a temporary file beside the chosen name that replaces it only when it
// was written in full, so a refused, cancelled or failed save leaves the folder as it was.
#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>
#include <string>
#include <string_view>

#include "image_impl.h"

class QFileDialog;
class QRadioButton;
class QWidget;

class CSave {
public:
    // Filter indexes of the save dialog (1-based, in the order of the filter list).
    enum FilterIndex { kNoFilter = 0, kJpeg = 1, kBitmap = 2, kTiff = 3, kMovie = 4, kVista = 5 };

    // Shows the save dialog over `parent` opened in `folder` with the type of `ext` chosen;
    // answers the full path, or an empty string for Cancel.
    using FileChooser = std::function<std::string(QWidget* parent, const std::string& folder,
                                                  const std::string& ext)>;
    // Asks how a 16-bit-per-channel TIFF is written: 8 or 16 bits per channel, 0 for Cancel.
    using TiffDepthChooser = std::function<int(QWidget* parent)>;

    CSave();
    // The default chooser refers to this object.
    CSave(const CSave&) = delete;
    CSave& operator=(const CSave&) = delete;

    void SetImageSize(int index) noexcept { m_imageSize = index; }
    void SetFlag360(int flag) noexcept { m_flag360 = flag; }
    void SetFocalLength(float millimetres) noexcept { m_focalLength = millimetres; }
    void SetGrey16(BYTE grey16) noexcept { m_grey16 = grey16; }
    // The picture to save; the caller keeps it alive during Run.
    void SetImage(CImageImpl* picture) noexcept { m_picture = picture; }
    void SetBkColor(COLORREF color) noexcept { m_bkColor = color; }
    // Called just before and just after the file is written (the result window redraws itself
    // and comes to the front).
    void SetCallbacks(std::function<void()> before, std::function<void()> after) {
        m_before = std::move(before);
        m_after = std::move(after);
    }
    // Width and height of the first input picture (w1 of the panorama scene).
    void SetFirstImageSize(int width, int height) noexcept {
        m_firstWidth = width;
        m_firstHeight = height;
    }
    void SetPanoramaTypes(bool offer) noexcept { m_panoramaTypes = offer; }
    void SetNoWriteSettings(bool noWrite) noexcept { m_noWriteSettings = noWrite; }
    void SetFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }
    void SetTiffDepthChooser(TiffDepthChooser chooser) { m_tiffDepth = std::move(chooser); }

    // Asks for a name, checks, writes and remembers; true when a file was written.
    bool Run(QWidget* parent);

    const std::string& GetPath() const noexcept { return m_path; }
    const std::string& GetExt() const noexcept { return m_ext; }
    const std::string& GetFolder() const noexcept { return m_folder; }
    COLORREF GetBkColor() const noexcept { return m_bkColor; }

    // "jpg" and "jpeg" 1, "bmp" and "rle" 2, "tif" and "tiff" 3, "mov" 4, "ivr" 5 (any case);
    // 0 for every other extension.
    static int FilterIndexForExtension(std::string_view ext);
    // The extension of a path (after the last "." of its file name), or empty.
    static std::string ExtensionOf(std::string_view path);
    // The save dialog's filters in Qt's syntax, in the program's order.
    static QStringList Filters(bool panoramaTypes);
    // Sets up a save dialog as Run shows it (filters, folder, type, own overwrite question).
    static void ConfigureDialog(QFileDialog& dialog, const std::string& folder,
                                const std::string& ext, bool panoramaTypes);
    // The name the user typed, completed with the first extension of the chosen filter unless
    // it already ends in one of the program's extensions.
    static std::string CompleteName(const std::string& typed, const QString& selectedFilter);

private:
    bool Write(const std::string& path, int filterIndex, bool keep16);

    int m_imageSize = 2;
    int m_flag360 = 0;
    float m_focalLength = -1.0f;
    BYTE m_grey16 = 0;
    std::function<void()> m_before, m_after;
    CImageImpl* m_picture = nullptr;
    COLORREF m_bkColor = RGB(0, 0, 0);
    int m_firstWidth = 0, m_firstHeight = 0;
    bool m_panoramaTypes = true;
    bool m_noWriteSettings = false;
    std::string m_path, m_ext, m_folder;
    FileChooser m_chooser;
    TiffDepthChooser m_tiffDepth;
};

// Dialog 4077: how a picture of 16 bits per channel is written as TIFF.
class TiffSettingsDialog : public QDialog {
    Q_OBJECT

public:
    explicit TiffSettingsDialog(QWidget* parent = nullptr);
    // 8 or 16 as chosen (16 at first).
    int BitsPerChannel() const;
    void SetBitsPerChannel(int bits);

private:
    QRadioButton* m_bits8;
    QRadioButton* m_bits16;
};
