// A window that shows one picture in the image viewer with the zoom controls ("Image Viewer -
// name W by H"), for looking at any picture opened from a thumbnail list.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QDialog>

class CImageImpl;
class CImageViewer;

// The picture sizes a viewer window accepts: the smaller side at least 120 pixels, the larger
// at most 100000.
bool ViewerSizeAccepted(int width, int height);
// "Image Viewer - %s %d by %d" with the file name (the path after its last "/").
std::string ImageViewerCaption(const std::string& path, int width, int height);

class ImageViewerWindow : public QDialog {
    Q_OBJECT
public:
    explicit ImageViewerWindow(QWidget* parent = nullptr);
    ~ImageViewerWindow() override;

    // Shows the picture (the window takes it). A picture outside the accepted sizes gives
    // "Image Viewer Error: Image Size is Wrong!" and false; the window keeps what it had.
    bool SetPicture(std::unique_ptr<CImageImpl> picture, const std::string& title);
    // Opens a file; false (after the picture layer's message) when it cannot be read.
    bool OpenFile(const std::string& path, const std::string& title);

    CImageViewer* Viewer() const { return m_viewer; }
    // What Help does; the Help button is shown once there is an action.
    void SetHelpAction(std::function<void()> action);

private:
    std::unique_ptr<CImageImpl> m_picture;
    CImageViewer* m_viewer = nullptr;
    std::function<void()> m_help;
};
