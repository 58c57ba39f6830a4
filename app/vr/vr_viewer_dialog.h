// The VR Viewer (dialog 148): the panorama in COpenGLView over the picture area (1032), the
// zoom buttons and zoom box, Save and Cancel. Opened modally from the Result window with the
// shown picture. When no OpenGL context can be had the picture area shows why, and the rest
// of the dialog still works.
#pragma once

#include <QDialog>
#include <QSurfaceFormat>

#include <functional>
#include <memory>

#include "opengl_view.h"
#include "result_window.h"

class CImageImpl;
class QLabel;
class QLineEdit;
class QStackedLayout;

class VrViewerDialog : public QDialog {
    Q_OBJECT
public:
    explicit VrViewerDialog(QWidget* parent = nullptr,
                            const QSurfaceFormat& format = COpenGLView::RequestedFormat());
    ~VrViewerDialog() override;

    // The picture (the caller keeps it while the dialog lives) and what the stitch tells of
    // it: the field of view from the method, focal length and input size, the yaw limit off
    // for a cylinder closed all round. A picture that is no stitch result gets the dialog's
    // own extent, 360 x 45 degrees. False when the picture's copy cannot be had ("Error : Out
    // of Memory"); the viewer then stays empty.
    bool SetPicture(CImageImpl& picture, const ResultInfo& info);
    bool SetPicture(CImageImpl& picture, const VrFieldOfView& fov, bool yawLimit);

    COpenGLView* View() const { return m_view; }

    // What Save does with the picture: the save step (the 360-degree flag set for methods 2, 5
    // and 9) unless replaced.
    void SetSaveAction(ResultWindow::PictureAction action) { m_save = std::move(action); }
    void Save();
    // What Help does; the Help button is shown once there is an action.
    void SetHelpAction(std::function<void()> action);

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowZoom(double percent);
    void ShowFailure(const QString& text);

    COpenGLView* m_view = nullptr;
    std::unique_ptr<COpenGLView> m_viewOutside; // the view when it cannot be in the window
    QLabel* m_failure = nullptr;
    QStackedLayout* m_area = nullptr;
    QLineEdit* m_zoomBox = nullptr;
    CImageImpl* m_picture = nullptr;
    ResultInfo m_info;
    ResultWindow::PictureAction m_save;
    std::function<void()> m_help;
};

// Runs the viewer on `picture` over `parent` (the Result window's VR button); `help`, when
// given, is what the viewer's Help button does with the viewer.
void OpenPanoramaViewer(QWidget* parent, CImageImpl& picture, const ResultInfo& info,
                        const std::function<void(QWidget* viewer)>& help = {});
