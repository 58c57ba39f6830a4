#include "print_result.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <cmath>
#include <memory>

#include "message_box.h"
#include "picture_qimage.h"
#include "prompter.h"
#include "stitchkit/Host.h"

namespace {

constexpr const char* kSection = "CPrint";
constexpr double kHundredthsPerInch = 2540.0;

bool AskPrinter(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    return dialog.exec() == QDialog::Accepted;
}

QDoubleSpinBox* MarginBox(QWidget* parent, const char* name, int hundredths) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0.0, 100.0);
    box->setDecimals(2);
    box->setSingleStep(1.0);
    box->setSuffix(QObject::tr(" mm"));
    box->setValue(hundredths / 100.0);
    return box;
}

int Hundredths(const QDoubleSpinBox* box) {
    return static_cast<int>(std::lround(box->value() * 100.0));
}

} // namespace

PrintMargins ReadPrintMargins() {
    stitchkit::IProfileStore& store = stitchkit::ProfileStore();
    PrintMargins m;
    m.top = store.GetInt(kSection, "PaperMarginTop", 2000);
    m.left = store.GetInt(kSection, "PaperMarginLeft", 2000);
    m.right = store.GetInt(kSection, "PaperMarginRight", 2000);
    m.bottom = store.GetInt(kSection, "PaperMarginBottom", 2000);
    return m;
}

void WritePrintMargins(const PrintMargins& m) {
    stitchkit::IProfileStore& store = stitchkit::ProfileStore();
    store.WriteInt(kSection, "PaperMarginTop", m.top);
    store.WriteInt(kSection, "PaperMarginLeft", m.left);
    store.WriteInt(kSection, "PaperMarginRight", m.right);
    store.WriteInt(kSection, "PaperMarginBottom", m.bottom);
}

QRect PictureRectOnPage(const PageGeometry& page, const PrintMargins& margins, int pictureWidth,
                        int pictureHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0) return {};
    const long printableW = std::lround(page.printable.width());
    const long printableH = std::lround(page.printable.height());
    const long offsetX = std::lround(page.printable.x());
    const long offsetY = std::lround(page.printable.y());
    const long stripRight = std::lround(page.paper.width()) - printableW - offsetX;
    const long stripBottom = std::lround(page.paper.height()) - printableH - offsetY;
    // Margins from the paper's edge, turned into distances from the printable area's edges.
    const auto inset = [](int hundredths, double dpi, long unprintable) {
        return static_cast<long>(hundredths / kHundredthsPerInch * dpi - unprintable);
    };
    const long top = inset(margins.top, page.dpiY, offsetY);
    const long left = inset(margins.left, page.dpiX, offsetX);
    const long right = inset(margins.right, page.dpiX, stripRight);
    const long bottom = inset(margins.bottom, page.dpiY, stripBottom);
    const long areaW = printableW - left - right;
    const long areaH = printableH - top - bottom;
    if (areaW <= 0 || areaH <= 0) return {};

    const double aspect = static_cast<double>(pictureWidth) / pictureHeight;
    const double areaAspect = static_cast<double>(areaW) / areaH;
    if (areaAspect >= aspect) {
        const long drawnW = static_cast<long>(aspect * areaH);
        return QRect(static_cast<int>(left + (areaW - drawnW) / 2), static_cast<int>(top),
                     static_cast<int>(drawnW), static_cast<int>(areaH));
    }
    const long drawnH = static_cast<long>(areaW / aspect);
    return QRect(static_cast<int>(left), static_cast<int>(top + (areaH - drawnH) / 2),
                 static_cast<int>(areaW), static_cast<int>(drawnH));
}

PageGeometry PageGeometryOf(const QPrinter& printer) {
    PageGeometry page;
    page.paper = printer.paperRect(QPrinter::DevicePixel).size();
    // A full-page printer paints from the paper's corner.
    page.printable = printer.fullPage() ? QRectF(QPointF(0, 0), page.paper)
                                        : printer.pageRect(QPrinter::DevicePixel);
    page.dpiX = printer.logicalDpiX();
    page.dpiY = printer.logicalDpiY();
    return page;
}

CPrint::CPrint() : m_dialog(AskPrinter) {}

bool CPrint::Run(QWidget* parent, const CImageImpl& picture) {
    if (!picture.IsValid()) return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Quilter"));
    if (!m_dialog(parent, printer)) return false;
    if (PrintTo(printer, picture)) return true;
    AppMessageBox(QObject::tr("The picture could not be printed on %1.")
                      .arg(printer.printerName().isEmpty() ? printer.outputFileName()
                                                           : printer.printerName()),
                  QObject::tr("Warning"), kMbOk | kMbIconExclamation);
    return false;
}

bool CPrint::PrintTo(QPrinter& printer, const CImageImpl& picture) {
    if (!picture.IsValid()) return false;
    printer.setDocName(QStringLiteral("Quilter"));
    const QRect target = PictureRectOnPage(PageGeometryOf(printer), ReadPrintMargins(),
                                           picture.GetWidth(), picture.GetHeight());
    if (target.isEmpty()) return false;
    // A picture larger than its place on the page is reduced first (area-averaged, as a
    // halftone stretch would), so neither this process nor the print job holds it at full size.
    QImage image;
    if (picture.GetWidth() > target.width() && picture.GetHeight() > target.height()) {
        const std::unique_ptr<CImageImpl> reduced =
            picture.MakeThumbnail(target.width(), target.height());
        if (reduced) image = ToQImage(*reduced);
    } else {
        image = ToQImage(picture);
    }
    if (image.isNull()) return false;
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QRectF(target), image);
    return painter.end();
}

void CPrint::Preview(QWidget* parent, const CImageImpl& picture) {
    if (!picture.IsValid()) return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Quilter"));
    QPrintPreviewDialog dialog(&printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested,
                     [&picture](QPrinter* target) { PrintTo(*target, picture); });
    dialog.exec();
}

bool CPrint::EditMargins(QWidget* parent) {
    MarginsDialog dialog(ReadPrintMargins(), parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    WritePrintMargins(dialog.Margins());
    return true;
}

MarginsDialog::MarginsDialog(const PrintMargins& margins, QWidget* parent)
    : QDialog(parent), m_top(MarginBox(this, "marginTop", margins.top)),
      m_left(MarginBox(this, "marginLeft", margins.left)),
      m_right(MarginBox(this, "marginRight", margins.right)),
      m_bottom(MarginBox(this, "marginBottom", margins.bottom)) {
    setObjectName(QStringLiteral("pageSetup"));
    setWindowTitle(tr("Page Setup"));
    auto* form = new QFormLayout(this);
    form->addRow(tr("Top:"), m_top);
    form->addRow(tr("Left:"), m_left);
    form->addRow(tr("Right:"), m_right);
    form->addRow(tr("Bottom:"), m_bottom);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

PrintMargins MarginsDialog::Margins() const {
    return {Hundredths(m_top), Hundredths(m_left), Hundredths(m_right), Hundredths(m_bottom)};
}
