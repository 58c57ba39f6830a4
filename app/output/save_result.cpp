#include "save_result.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QRadioButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <sys/stat.h>

#include <cctype>
#include <new>

#include "atomic_write.h"
#include "prompter.h"
#include "stitchkit/Host.h"
#include "vista_file.h"

namespace {

constexpr const char* kSection = "SaveFilePath";
constexpr const char* kFolderKey = "MostRecentFilePath(FOLDER)";
constexpr const char* kExtKey = "MostRecentDefExt(FOLDER)";

// A text of this file in the user's language; the texts are marked with
// QT_TRANSLATE_NOOP("CSave", ...) where they stand, so lupdate collects them.
std::string Tr(const char* text) {
    return QCoreApplication::translate("CSave", text).toStdString();
}

// The extensions of each filter, the first one given to a name typed without one.
struct FilterEntry {
    const char* label;
    const char* extensions;
};
constexpr FilterEntry kFilters[] = {
    {QT_TRANSLATE_NOOP("CSave", "JPEG Files"), "*.jpg *.jpeg"},
    {QT_TRANSLATE_NOOP("CSave", "Windows Bitmap Files"), "*.bmp *.rle"},
    {QT_TRANSLATE_NOOP("CSave", "TIFF Files"), "*.tif *.tiff"},
    {QT_TRANSLATE_NOOP("CSave", "QuickTimeVR Files"), "*.mov"},
    {QT_TRANSLATE_NOOP("CSave", "Vista Files"), "*.ivr"},
};
constexpr int kStillFilters = 3;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Shows the busy cursor while it lives.
struct BusyCursor {
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

std::string ChooseWithDialog(QWidget* parent, const std::string& folder, const std::string& ext,
                             bool panoramaTypes) {
    QFileDialog dialog(parent);
    CSave::ConfigureDialog(dialog, folder, ext, panoramaTypes);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return CSave::CompleteName(dialog.selectedFiles().front().toStdString(),
                               dialog.selectedNameFilter());
}

int AskTiffDepth(QWidget* parent) {
    TiffSettingsDialog dialog(parent);
    return dialog.exec() == QDialog::Accepted ? dialog.BitsPerChannel() : 0;
}

bool AskLowResolution() {
    return AppMessageBox(
               Tr(QT_TRANSLATE_NOOP("CSave", "Are you sure that the image resolution will be low?\n"
                                             "(We recommend TIFF 48 bits/Pixel.)")),
               {}, kMbYesNo | kMbIconQuestion) == kIdYes;
}

} // namespace

CSave::CSave()
    : m_chooser([this](QWidget* parent, const std::string& folder, const std::string& ext) {
          return ChooseWithDialog(parent, folder, ext, m_panoramaTypes);
      }),
      m_tiffDepth(AskTiffDepth) {}

int CSave::FilterIndexForExtension(std::string_view ext) {
    std::string lower(ext);
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (lower == "jpg" || lower == "jpeg") return kJpeg;
    if (lower == "bmp" || lower == "rle") return kBitmap;
    if (lower == "tif" || lower == "tiff") return kTiff;
    if (lower == "mov") return kMovie;
    if (lower == "ivr") return kVista;
    return kNoFilter;
}

std::string CSave::ExtensionOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
}

QStringList CSave::Filters(bool panoramaTypes) {
    QStringList filters;
    const int count = panoramaTypes ? static_cast<int>(std::size(kFilters)) : kStillFilters;
    for (int i = 0; i < count; ++i) {
        filters << QCoreApplication::translate("CSave", kFilters[i].label) + " (" +
                       kFilters[i].extensions + ")";
    }
    return filters;
}

void CSave::ConfigureDialog(QFileDialog& dialog, const std::string& folder, const std::string& ext,
                            bool panoramaTypes) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The overwrite question is the program's own, asked once after the dialog.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setNameFilters(Filters(panoramaTypes));
    if (!folder.empty()) dialog.setDirectory(QString::fromStdString(folder));
    int index = FilterIndexForExtension(ext);
    if (index == kNoFilter || index > dialog.nameFilters().size()) index = kJpeg;
    dialog.selectNameFilter(dialog.nameFilters().at(index - 1));
}

std::string CSave::CompleteName(const std::string& typed, const QString& selectedFilter) {
    if (typed.empty() || FilterIndexForExtension(ExtensionOf(typed)) != kNoFilter) return typed;
    static const QRegularExpression firstPattern(QStringLiteral("\\*\\.(\\w+)"));
    const QRegularExpressionMatch match = firstPattern.match(selectedFilter);
    return match.hasMatch() ? typed + "." + match.captured(1).toStdString() : typed;
}

bool CSave::Run(QWidget* parent) {
    if (m_picture == nullptr || !m_picture->IsValid()) return false;
    stitchkit::IProfileStore& store = stitchkit::ProfileStore();
    const std::string folder = store.GetString(kSection, kFolderKey, "");
    const std::string ext = store.GetString(kSection, kExtKey, "jpg");

    const std::string path = m_chooser(parent, folder, ext);
    if (path.empty()) return false;
    const std::string chosenExt = ExtensionOf(path);
    const int index = FilterIndexForExtension(chosenExt);
    if (index == kNoFilter || (!m_panoramaTypes && index > kStillFilters)) {
        AppMessageBox(
            QCoreApplication::translate("CSave", "Cannot write %1: this file type is not offered.")
                .arg(QString::fromStdString(path))
                .toStdString(),
            Tr(QT_TRANSLATE_NOOP("CSave", "Warning")), kMbOk | kMbIconExclamation);
        return false;
    }

    if (struct stat existing{};
        stat(path.c_str(), &existing) == 0 &&
        AppMessageBox(Tr(QT_TRANSLATE_NOOP("CSave", "File exists. Do you want to overwrite?")),
                      Tr(QT_TRANSLATE_NOOP("CSave", "Warning")), kMbYesNo) != kIdYes)
        return false;

    if (index == kMovie) {
        // The movie writer is an outside component this desktop does not have.
        AppMessageBox(Tr(QT_TRANSLATE_NOOP("CSave", "QuickTime is not installed.")),
                      Tr(QT_TRANSLATE_NOOP("CSave", "Warning")), kMbOk);
        return false;
    }

    // A picture of 16 bits per channel keeps them only in a 16-bit TIFF.
    bool keep16 = false;
    if (index != kVista && m_picture->Is48Bit()) {
        if (index == kTiff) {
            const int bits = m_tiffDepth(parent);
            if (bits == 0) return false;
            keep16 = bits == 16;
        }
        if (!keep16 && !AskLowResolution()) return false;
    }

    if (!Write(path, index, keep16)) return false;
    m_path = path;
    m_ext = chosenExt;
    m_folder = FolderOf(path);
    if (!m_noWriteSettings) {
        store.WriteString(kSection, kFolderKey, m_folder);
        store.WriteString(kSection, kExtKey, m_ext);
    }
    return true;
}

bool CSave::Write(const std::string& path, int filterIndex, bool keep16) {
    if (m_before) m_before();
    std::string error;
    bool written = false;
    {
        BusyCursor busy;
        try {
            if (filterIndex == kVista) {
                const VistaScene scene{VistaInputWidth(m_firstWidth, m_firstHeight, m_imageSize),
                                       m_focalLength, m_flag360 != 0};
                written = WriteVistaFiles(*m_picture, path, scene, &error);
            } else {
                const int type = filterIndex == kJpeg     ? kImageTypeJpeg
                                 : filterIndex == kBitmap ? kImageTypeBmp
                                                          : kImageTypeTiff;
                const CImageImpl::WriteOptions options{
                    .storedName = path, .withLower = keep16, .grey16 = m_grey16 != 0};
                written = WriteFileAtomically(
                    path,
                    [&](const std::string& temporary) {
                        return m_picture->WriteFileAs(temporary, type, options);
                    },
                    &error);
            }
        } catch (const std::bad_alloc&) {
            error = QCoreApplication::translate("CSave", "Cannot write %1: not enough memory.")
                        .arg(QString::fromStdString(path))
                        .toStdString();
        }
    }
    if (m_after) m_after();
    if (!written) {
        AppMessageBox(error, Tr(QT_TRANSLATE_NOOP("CSave", "Warning")), kMbOk | kMbIconExclamation);
        return false;
    }
    m_picture->SetFileName(filterIndex == kVista ? VistaJpegPath(path) : path);
    return true;
}

TiffSettingsDialog::TiffSettingsDialog(QWidget* parent)
    : QDialog(parent), m_bits8(new QRadioButton(tr("8 bits/channel (24 bits/pixel)"), this)),
      m_bits16(new QRadioButton(tr("16 bits/channel (48 bits/pixel)"), this)) {
    setObjectName(QStringLiteral("id4077"));
    setWindowTitle(tr("TIFF settings"));
    m_bits8->setObjectName(QStringLiteral("bits8"));
    m_bits16->setObjectName(QStringLiteral("bits16"));
    m_bits16->setChecked(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_bits8);
    layout->addWidget(m_bits16);
    layout->addWidget(buttons);
}

int TiffSettingsDialog::BitsPerChannel() const {
    return m_bits16->isChecked() ? 16 : 8;
}

void TiffSettingsDialog::SetBitsPerChannel(int bits) {
    (bits == 16 ? m_bits16 : m_bits8)->setChecked(true);
}
