#include "main_app.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>

#include "help_desk.h"
#include "help_pages.h"
#include "image_browser.h"
#include "image_file_view.h"
#include "image_impl.h"
#include "input_correction.h"
#include "message_box.h"
#include "prompter.h"
#include "result_window.h"
#include "splash_screen.h"
#include "step_windows.h"
#include "stitch_driver.h"
#include "stitchkit/Host.h"

namespace {

constexpr unsigned kQuestion = kMbOkCancel | kMbIconQuestion | kMbSystemModal;

const char* QuestionFor(Step step) {
    switch (step) {
    case Step::AutoAlign:
        return QT_TRANSLATE_NOOP("CMainApp",
                                 "Are you sure you want to stitch images automatically?");
    case Step::ManualAlign:
        return QT_TRANSLATE_NOOP("CMainApp", "Are you sure you want to align images by hand?");
    case Step::ManualMatch:
        return QT_TRANSLATE_NOOP("CMainApp",
                                 "Are you sure you want to match feature points by hand?");
    default:
        return "";
    }
}

// Forwards the moves, sizes and state changes of the windows it watches to the placement.
class PlacementTracker final : public QObject {
public:
    explicit PlacementTracker(CMainApp& app) : m_app(app) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* window = qobject_cast<QWidget*>(watched);
        if (!window) return false;
        switch (event->type()) {
        case QEvent::Move:
            m_app.RecordPosition(window, window->frameGeometry().left(),
                                 window->frameGeometry().top());
            break;
        case QEvent::Resize:
        case QEvent::WindowStateChange:
            m_app.RecordSize(window, window->isMaximized() ? 2 : (window->isMinimized() ? 1 : 0),
                             window->width(), window->height());
            break;
        default:
            break;
        }
        return false;
    }

private:
    CMainApp& m_app;
};

} // namespace

CMainApp::CMainApp()
    : m_panorama(std::make_unique<MFCPanorama>()), m_driver(std::make_unique<StitchDriver>(*this)),
      m_help(std::make_unique<HelpDesk>()) {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        SetDefaultPlacement(screen->geometry().width(), screen->geometry().height());
    // Automatic alignment exact to the pixel, not to the coarse search level.
    m_panorama->SetFineAlignment(true);
    m_panorama->SetGlobalRefinement(true);
    // Placed pictures are loaded with the input list's rotation, shading and lens correction.
    InstallCorrectingLoader();
    m_inputs.SetChangedCallback([this] { ResetStitchState(); });
    m_driver->SetResultShower([this](std::unique_ptr<CImageImpl> picture, const ResultInfo& info) {
        ShowResultWindow(std::move(picture), info);
    });
    m_placementTracker = std::make_unique<PlacementTracker>(*this);
    InstallAlignmentSteps(*this);
}

void CMainApp::TrackPlacement(QWidget* window) {
    window->installEventFilter(m_placementTracker.get());
}

void CMainApp::SetMask(std::unique_ptr<CImageImpl> mask) {
    m_mask = std::move(mask);
}

void CMainApp::ShowResultWindow(std::unique_ptr<CImageImpl> picture, const ResultInfo& info) {
    ResultWindow window(QApplication::activeWindow());
    window.SetHelpAction([this, &window] { m_help->Open(&window, help_page::kResultWindow); });
    if (m_resultWindowHook) m_resultWindowHook(window);
    if (!window.SetPicture(std::move(picture), info)) return;
    window.move(m_placement.x, m_placement.y);
    if (m_placement.w > 0 && m_placement.h > 0) window.resize(m_placement.w, m_placement.h);
    if (m_placement.show == 2) window.setWindowState(Qt::WindowMaximized);
    window.exec();
}

CMainApp::~CMainApp() {
    Exit();
    m_retired.clear();
    m_fileView.reset();
}

void CMainApp::SetDefaultPlacement(int screenWidth, int screenHeight) {
    m_placement.x = screenWidth / 10;
    m_placement.y = screenHeight / 10;
    m_placement.w = 8 * m_placement.x;
    m_placement.h = 8 * m_placement.y;
    m_placement.show = 0;
}

void CMainApp::ReadPlacement() {
    stitchkit::IProfileStore& store = stitchkit::ProfileStore();
    m_placement.x = std::max(0, store.GetInt("General", "WindowX", m_placement.x));
    m_placement.y = std::max(0, store.GetInt("General", "WindowY", m_placement.y));
    m_placement.w = store.GetInt("General", "WindowW", m_placement.w);
    m_placement.h = store.GetInt("General", "WindowH", m_placement.h);
}

void CMainApp::WritePlacement() const {
    stitchkit::IProfileStore& store = stitchkit::ProfileStore();
    store.WriteInt("General", "WindowX", m_placement.x);
    store.WriteInt("General", "WindowY", m_placement.y);
    store.WriteInt("General", "WindowW", m_placement.w);
    store.WriteInt("General", "WindowH", m_placement.h);
}

void CMainApp::ShowAtPlacement(QWidget* window) const {
    window->move(m_placement.x, m_placement.y);
    if (m_placement.w > 0 && m_placement.h > 0) window->resize(m_placement.w, m_placement.h);
    if (m_placement.show == 2) {
        window->showMaximized();
    } else {
        window->showNormal();
    }
    window->raise();
    window->activateWindow();
}

QWidget* CMainApp::CurrentWindow() const {
    if (m_current == Step::FileView) return m_fileView.get();
    const auto& step = m_steps[static_cast<int>(m_current)];
    return step ? step->Widget() : nullptr;
}

void CMainApp::RecordPosition(QWidget* window, int left, int top) {
    if (window != CurrentWindow() || !window->isVisible()) return;
    if (window->isMaximized() || window->isMinimized()) return;
    m_placement.x = left;
    m_placement.y = top;
}

void CMainApp::RecordSize(QWidget* window, int type, int width, int height) {
    if (window != CurrentWindow() || !window->isVisible()) return;
    if (type == 2 || type == 1) {
        m_placement.show = type; // the normal size stays as it was
        return;
    }
    m_placement.show = 0;
    m_placement.w = width;
    m_placement.h = height;
}

void CMainApp::SetStepFactory(Step step, StepFactory factory) {
    m_factories[static_cast<int>(step)] = std::move(factory);
}

StepWindow* CMainApp::StepWindowOf(Step step) const {
    return m_steps[static_cast<int>(step)].get();
}

bool CMainApp::SwitchTo(Step step) {
    if (step == Step::FileView) return false;
    if (AppMessageBox(QCoreApplication::translate("CMainApp", QuestionFor(step)),
                      QCoreApplication::translate("CMainApp", "Question"), kQuestion) != kIdOk)
        return false;
    if (m_inputs.Count() == 0) return false;
    for (const std::string& path : m_inputs.Paths()) {
        QFile file(QString::fromStdString(path));
        if (!file.open(QIODevice::ReadOnly)) {
            AppMessageBox(QCoreApplication::translate(
                              "CMainApp",
                              "The file %1 was not found.\nIf it is on a removable disk, please "
                              "put the disk back, or take the file out of the list.")
                              .arg(QString::fromStdString(path)),
                          QCoreApplication::translate("CMainApp", "Warning"),
                          kMbOk | kMbIconExclamation | kMbSystemModal);
            return false;
        }
    }
    m_help->Close();
    m_retired.clear(); // called from the Image File View: no retired window is running
    const int k = static_cast<int>(step);
    if (!m_factories[k]) {
        AppMessageBox(
            QCoreApplication::translate("CMainApp", "This step is not available in this build."),
            QCoreApplication::translate("CMainApp", "Warning"), kMbOk | kMbIconExclamation);
        return false;
    }
    if (!m_steps[k]) {
        m_steps[k] = m_factories[k](*this);
        if (!m_steps[k]) return false; // a window that cannot be made is forgotten
    }
    if (!m_steps[k]->Prepare()) return false;
    if (m_fileView) m_fileView->setEnabled(false);
    m_current = step;
    ShowAtPlacement(m_steps[k]->Widget());
    return true;
}

void CMainApp::BackToFileView() {
    if (QWidget* window = CurrentWindow(); window && window != m_fileView.get()) window->hide();
    m_current = Step::FileView;
    if (!m_fileView) return;
    m_fileView->setEnabled(true);
    ShowAtPlacement(m_fileView.get());
    m_fileView->RefreshList();
}

bool CMainApp::AskExit() {
    const std::string text =
        QCoreApplication::translate("CMainApp", "Are you sure you want to exit %1?")
            .arg(QString::fromStdString(m_title))
            .toStdString();
    if (AppMessageBox(text, QCoreApplication::translate("CMainApp", "Question").toStdString(),
                      kQuestion) != kIdOk)
        return false;
    Exit();
    return true;
}

void CMainApp::Exit() {
    // Exit may be asked for from inside a step window (its End button, or a dialog it runs):
    // the windows are hidden now and destroyed once that call has returned.
    m_help->Close();
    for (auto& step : m_steps) {
        if (!step) continue;
        step->Widget()->hide();
        m_retired.push_back(std::move(step));
    }
    m_current = Step::FileView;
    if (m_fileView && m_fileView->isVisible()) m_fileView->done(QDialog::Accepted);
}

void CMainApp::ResetStitchState() {
    // The manual steps are rebuilt for the new list.
    m_steps[static_cast<int>(Step::ManualAlign)].reset();
    m_steps[static_cast<int>(Step::ManualMatch)].reset();
    m_document.Clear();
    m_transfer = {};
    m_panorama->DestroyInternalData();
}

ImageFileView* CMainApp::CreateFileView() {
    if (!m_fileView) {
        m_fileView = std::make_unique<ImageFileView>(*this);
        TrackPlacement(m_fileView.get());
    }
    return m_fileView.get();
}

int CMainApp::Run(const QStringList& files) {
    {
        SplashScreen splash(QString::fromStdString(m_title));
        if (splash.exec() != QDialog::Accepted) {
            AppBeep();
            return 0;
        }
    }
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Window, QColor(201, 192, 187));
    palette.setColor(QPalette::WindowText, QColor(0, 0, 92));
    QApplication::setPalette(palette);

    ImageFileView* view = CreateFileView();
    ReadPlacement();
    ShowAtPlacement(view);
    // A folder among the arguments is shown in the browser (the first one); the files go to the
    // input list.
    view->Browser()->Start();
    QStringList pictures;
    bool folderShown = false;
    for (const QString& path : files) {
        if (!QFileInfo(path).isDir())
            pictures << path;
        else if (!folderShown)
            folderShown = view->Browser()->ChooseFolder(path);
    }
    if (!pictures.isEmpty()) view->AddFiles(pictures);
    view->exec();
    WritePlacement();
    return 0;
}
