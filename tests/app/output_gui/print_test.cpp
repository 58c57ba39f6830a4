// Printing: where the picture lands on the page, the margins in the settings, and a real
// page printed to PDF and rendered back.
#include <gtest/gtest.h>

#include <QDoubleSpinBox>
#include <QImage>
#include <QPrinter>

#include <cstdlib>

#include "output_test_support.h"
#include "print_result.h"
#include "support/scripted_prompter.h"

TEST(Print, PictureRectOnPage) {
    // At 254 dpi one millimetre is 10 device pixels, so 20 mm margins are 200 pixels.
    const PageGeometry a4{{2100, 2970}, {0, 0, 2100, 2970}, 254, 254};
    // Unprintable strips: 50 left, 40 top, 50 right, 50 bottom.
    const PageGeometry strips{{2100, 2970}, {50, 40, 2000, 2880}, 254, 254};
    // A4 at 300 dpi: 20 mm = 236.2 pixels, truncated to 236.
    const PageGeometry a4at300{{2480, 3508}, {0, 0, 2480, 3508}, 300, 300};
    const PrintMargins twenty;
    const PrintMargins uneven{1000, 500, 1500, 3000}; // top, left, right, bottom
    const PrintMargins huge{60000, 60000, 60000, 60000};
    const struct {
        const char* name;
        PageGeometry page;
        PrintMargins margins;
        int width, height;
        QRect expected;
    } cases[] = {
        // Area 1700 x 2570; 5:1 fills the width: 340 high, (2570 - 340) / 2 = 1115 below top.
        {"wide", a4, twenty, 1000, 200, {200, 1315, 1700, 340}},
        // The same place on the paper, given relative to the printable area.
        {"strips", strips, twenty, 1000, 200, {150, 1275, 1700, 340}},
        // 1:5 fills the height: 0.2 x 2570 = 514 wide, (1700 - 514) / 2 = 593 right of left.
        {"tall", a4, twenty, 200, 1000, {793, 200, 514, 2570}},
        // Area 1900 x 2570 from (50, 100); a square fills the width, (2570 - 1900) / 2 = 335.
        {"uneven", a4, uneven, 100, 100, {50, 435, 1900, 1900}},
        // Area 2008 x 3036; 2008 / 5 = 401.6 -> 401; 236 + (3036 - 401) / 2 = 236 + 1317.
        {"300dpi", a4at300, twenty, 1000, 200, {236, 1553, 2008, 401}},
        {"no room", a4, huge, 1000, 200, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PictureRectOnPage(c.page, c.margins, c.width, c.height), c.expected) << c.name;
}

TEST(Print, MarginsFromTheDialogInTheSettings) {
    ScopedStore settings;
    MarginsDialog dialog(ReadPrintMargins());
    dialog.findChild<QDoubleSpinBox*>("marginTop")->setValue(12.5);
    dialog.findChild<QDoubleSpinBox*>("marginBottom")->setValue(0.0);
    WritePrintMargins(dialog.Margins()); // millimetres to hundredths
    const PrintMargins read = ReadPrintMargins();
    EXPECT_EQ((std::vector<int>{read.top, read.left, read.right, read.bottom}),
              (std::vector<int>{1250, 2000, 2000, 0}));
}

TEST(Print, APanoramaOnAnA4PageAsPdf) {
    if (std::system("command -v pdftoppm > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "pdftoppm (poppler-utils, scripts/install-deps.sh) is not installed";
    ScopedStore settings;
    ScratchDir dir;
    ScriptedPrompter prompts;
    auto picture = MakePicture(1000, 200); // 5:1, no white pixel (red is 200 everywhere)

    CPrint print;
    const std::string pdf = dir.Path("page.pdf");
    print.SetPrintDialog([&](QWidget*, QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(QPageLayout::Portrait);
        return true;
    });
    ASSERT_TRUE(print.Run(nullptr, *picture));
    const std::string command =
        "pdftoppm -r 72 -png -singlefile " + pdf + " " + dir.Path("page") + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const QImage page(QString::fromStdString(dir.Path("page.png")));
    ASSERT_FALSE(page.isNull());

    int left = page.width(), right = -1, top = page.height(), bottom = -1;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            if (page.pixel(x, y) == qRgb(255, 255, 255)) continue;
            left = std::min(left, x), right = std::max(right, x + 1);
            top = std::min(top, y), bottom = std::max(bottom, y + 1);
        }
    }
    // 20 mm = 56.7 points. The picture is 170 mm wide (481.9 points) and 34 mm high
    // (96.4 points), centred in 297 mm: top at 131.5 mm = 372.8 points.
    EXPECT_NEAR(left, 56.7, 2.0);
    EXPECT_NEAR(right, 595.3 - 56.7, 2.0);
    EXPECT_NEAR(top, 372.8, 2.0);
    EXPECT_NEAR(bottom, 372.8 + 96.4, 2.0);
}
