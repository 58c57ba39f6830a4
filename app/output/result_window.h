// The Result window: the stitched picture in the image viewer with zoom, trimming (the trimmed
// picture is also put on the clipboard), save, print and the panorama viewer. The same window
// shows a single input picture with another caption.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

#include "image_viewer.h"

class CImageImpl;
class QLineEdit;
class QToolButton;

// What the stitch tells the Result window about the picture it made.
struct ResultInfo {
    bool isResult = true;      // a stitch result (else an input picture)
    int sizeIndex = 2;         // image size index of the stitch
    int method = 1;            // method code of the stitch
    float focalLength = 35.0f; // mm
    int referenceWidth = 0;    // size of the input pictures
    int referenceHeight = 0;
    std::uint8_t background[3] = {255, 255, 255};
    std::string title = "Quiltwork";
};

class ResultWindow : public QDialog {
    Q_OBJECT
public:
    using PictureAction =
        std::function<void(QWidget* window, CImageImpl& picture, const ResultInfo& info)>;

    explicit ResultWindow(QWidget* parent = nullptr);
    ~ResultWindow() override;

    // Takes the picture. A picture whose smaller side is below 120 or larger side above
    // 100000 pixels gives "Image Viewer Error: Image Size is Wrong!" and false.
    bool SetPicture(std::unique_ptr<CImageImpl> picture, const ResultInfo& info);

    // What Save, Print and VR do with the shown picture: saving and printing through the save
    // and print steps unless replaced; the panorama viewer when the program provides one.
    void SetSaveAction(PictureAction action) { m_save = std::move(action); }
    void SetPrintAction(PictureAction action) { m_print = std::move(action); }
    void SetPanoramaViewerAction(PictureAction action);
    // What Help does; the Help button is shown once there is an action.
    void SetHelpAction(std::function<void()> action);

    CImageViewer* Viewer() const { return m_viewer; }
    QToolButton* Button(int id) const;
    bool IsTrimmed() const { return m_trimmed; }
    // The picture Save, Print and VR take: the trimmed one when trimmed, else the whole one.
    const CImageImpl* ShownPicture() const;
    CImageImpl* ShownPicture();
    const CImageImpl* WholePicture() const { return m_picture.get(); }

    void Trim();
    void CancelTrimming();
    void Save();
    void Print();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<CImageImpl> m_picture;
    TrimTarget m_trim;
    ResultInfo m_info;
    bool m_trimmed = false;
    float m_zoomAtTrim = 1.0f;
    CanvasRect m_trimInPicture{};
    CImageViewer* m_viewer = nullptr;
    PictureAction m_save, m_print, m_panorama;
    std::function<void()> m_help;
};
