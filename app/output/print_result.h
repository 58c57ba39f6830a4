// Printing the result: the picture on one page, as large as the paper margins allow, centred
// with its aspect kept. The margins (hundredths of a millimetre, measured from the paper's
// edge) live in the settings, section "CPrint"; a page set-up dialog edits them and a preview
// shows the page before it is printed.
#pragma once

#include <QDialog>
#include <QRect>
#include <QSizeF>

#include <functional>

#include "image_impl.h"

class QDoubleSpinBox;
class QPrinter;
class QWidget;

struct PrintMargins {
    int top = 2000, left = 2000, right = 2000, bottom = 2000; // 1/100 mm
};

// The margins of section "CPrint" (20 mm each when not set), and writing them back.
PrintMargins ReadPrintMargins();
void WritePrintMargins(const PrintMargins& margins);

// A page as the printer reports it, in device pixels.
struct PageGeometry {
    QSizeF paper;     // the whole sheet
    QRectF printable; // the printable area, relative to the sheet's top-left corner
    double dpiX = 0, dpiY = 0;
};

// Where a picture of pictureWidth x pictureHeight lands: inside the margins (measured from the
// paper's edge), as large as fits with its aspect kept and centred across the free direction;
// in device pixels relative to the printable area's top-left corner (the painter's origin).
// Empty when nothing fits.
QRect PictureRectOnPage(const PageGeometry& page, const PrintMargins& margins, int pictureWidth,
                        int pictureHeight);

// The page geometry of a printer as it is set up.
PageGeometry PageGeometryOf(const QPrinter& printer);

class CPrint {
public:
    // Shows the printer's set-up and answers whether the user chose to print.
    using PrintDialog = std::function<bool(QWidget* parent, QPrinter& printer)>;

    CPrint();

    // Asks for the printer and prints the picture on one page; false on Cancel or failure.
    bool Run(QWidget* parent, const CImageImpl& picture);
    // Prints the picture on one page of a printer that is set up (document "Quilter").
    static bool PrintTo(QPrinter& printer, const CImageImpl& picture);
    // Shows the page as it will print, from where it can be printed.
    void Preview(QWidget* parent, const CImageImpl& picture);
    // Lets the user change the four margins; true when they were changed and stored.
    static bool EditMargins(QWidget* parent);

    void SetPrintDialog(PrintDialog dialog) { m_dialog = std::move(dialog); }

private:
    PrintDialog m_dialog;
};

// The page set-up dialog: the four margins in millimetres.
class MarginsDialog : public QDialog {
    Q_OBJECT

public:
    explicit MarginsDialog(const PrintMargins& margins, QWidget* parent = nullptr);
    PrintMargins Margins() const;

private:
    QDoubleSpinBox* m_top;
    QDoubleSpinBox* m_left;
    QDoubleSpinBox* m_right;
    QDoubleSpinBox* m_bottom;
};
