// The Japanese catalogue: it covers every text of the program's sources with a finished
// translation that keeps the text's placeholders, and once installed the program's questions,
// the picture layer's boxes and its file sizes reach the user in Japanese (screenshots of the
// Image File View and a question box in build/screenshots/ja_*.png).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QXmlStreamReader>

#include <map>
#include <set>

#include "app_translations.h"
#include "file_entry.h"
#include "image_file_view.h"
#include "image_impl.h"
#include "image_info.h"
#include "main_app.h"
#include "manual_matching.h"
#include "picture_prompt.h"
#include "qt_prompter.h"
#include "stitch_dialogs.h"
#include "stitchkit/MFCPanorama.h"
#include "support/browse_folder.h"
#include "support/gui_test.h"
#include "support/scripted_prompter.h"

namespace {

const QString kCatalogue = QStringLiteral(QUILT_APP_SOURCE_DIR "/translations/quiltapp_ja.ts");

struct Message {
    QString context, source, translation;
    QString type; // "unfinished", "vanished", "obsolete" or empty when finished
};

std::vector<Message> ReadCatalogue(const QString& path) {
    std::vector<Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return messages;
    QXmlStreamReader xml(&file);
    QString context;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            Message m{context, {}, {}, {}};
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("source")) {
                    m.source = xml.readElementText();
                } else if (xml.name() == QLatin1String("translation")) {
                    m.type = xml.attributes().value("type").toString();
                    m.translation = xml.readElementText();
                } else {
                    xml.skipCurrentElement();
                }
            }
            messages.push_back(m);
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return messages;
}

// The "%1" ... markers of a text ("%L1" counts as "%1"), each as often as it occurs.
std::multiset<std::string> Placeholders(const QString& text) {
    static const QRegularExpression marker(QStringLiteral("%L?\\d"));
    std::multiset<std::string> found;
    for (const auto& match : marker.globalMatch(text))
        found.insert(match.captured().remove(QLatin1Char('L')).toStdString());
    return found;
}

QString JapaneseOf(const std::vector<Message>& messages, const char* context, const char* source) {
    for (const Message& m : messages)
        if (m.context == QLatin1String(context) && m.source == QLatin1String(source))
            return m.translation;
    return {};
}

} // namespace

TEST(Translation, CatalogueCoversEverySourceText) {
    // lupdate over the sources into a copy: a text the catalogue lacks comes back unfinished,
    // one it holds that the sources no longer have comes back vanished.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString copy = dir.filePath("quiltapp_ja.ts");
    ASSERT_TRUE(QFile::copy(kCatalogue, copy));
    QProcess lupdate;
    lupdate.start(QStringLiteral(QUILT_LUPDATE),
                  {QStringLiteral(QUILT_APP_SOURCE_DIR), "-extensions", "cpp,h", "-ts", copy,
                   "-locations", "none", "-silent"});
    ASSERT_TRUE(lupdate.waitForFinished(120000));
    ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();

    const std::vector<Message> messages = ReadCatalogue(copy);
    EXPECT_GT(messages.size(), 200u); // every window's texts, not a stray few
    for (const Message& m : messages) {
        const std::string where = (m.context + ": " + m.source).toStdString();
        EXPECT_TRUE(m.type.isEmpty()) << m.type.toStdString() << " - " << where;
        EXPECT_FALSE(m.translation.isEmpty()) << where;
        EXPECT_EQ(Placeholders(m.translation), Placeholders(m.source)) << where;
    }
}

TEST(Translation, JapaneseReachesTheUser) {
    const std::vector<Message> messages = ReadCatalogue(kCatalogue);
    ASSERT_TRUE(InstallTranslations(QLocale(QLocale::Japanese, QLocale::Japan)));

    ScriptedPrompter prompts;
    {
        CAlignDocument document;
        MFCPanorama engine;
        ManualMatchingWindow window(document, engine, "Quiltwork", {});
        prompts.Expect(kIdCancel);
        QTest::mouseClick(window.findChild<QToolButton*>("id2117"), Qt::LeftButton);
        ASSERT_EQ(prompts.Boxes().size(), 1u);
        const QString question = JapaneseOf(messages, "ManualMatchingWindow",
                                            "Do you want to go back to Image Browser?");
        ASSERT_FALSE(question.isEmpty());
        EXPECT_EQ(prompts.Boxes()[0].text, question.toStdString());
        EXPECT_EQ(prompts.Boxes()[0].caption,
                  JapaneseOf(messages, "ManualMatchingWindow", "Question").toStdString());
    }
    // The Image File View on a folder of pictures, and a question box as the program shows it.
    {
        QTemporaryDir dir;
        for (const char* name : {"東京タワー_1.jpg", "東京タワー_2.jpg", "東京タワー_3.jpg"}) {
            std::unique_ptr<CImageImpl> picture = CImageImpl::Create(640, 480, 24, kImageTypeJpeg);
            ASSERT_TRUE(picture);
            for (int y = 0; y < 480; ++y)
                for (int x = 0; x < 640; ++x)
                    picture->GetRow(y)[3 * x + 1] = static_cast<BYTE>(x / 3 + y / 4);
            ASSERT_TRUE(picture->WriteFile(dir.filePath(name).toStdString()));
        }
        CMainApp app;
        ImageFileView& view = *app.CreateFileView();
        view.resize(1000, 760);
        view.show();
        EXPECT_EQ(Browse(view, dir.path()).size(), 3);
        EXPECT_EQ(view.windowTitle(),
                  "Quiltwork - " + JapaneseOf(messages, "ImageFileView", "Image File View"));
        prompts.Expect(kIdYes);
        QTest::mouseClick(view.Button(2117), Qt::LeftButton);
        EXPECT_EQ(prompts.Boxes().back().text,
                  JapaneseOf(messages, "InputImageList",
                             "Are you sure you want to input all of the images?")
                      .toStdString());
        // The details show the file dates and sizes in the locale's formats.
        QTest::mouseClick(view.findChild<QToolButton*>("DetailsView"), Qt::LeftButton);
        SaveScreenshot(&view, "ja_image_file_view_details");

        const QtPrompter::Layout layout = QtPrompter::LayoutFor(kMbOkCancel | kMbIconQuestion);
        QMessageBox box(layout.icon, QString::fromStdString(prompts.Boxes().back().caption),
                        QString::fromStdString(prompts.Boxes().back().text), layout.buttons, &view);
        box.show();
        EXPECT_EQ(box.button(QMessageBox::Cancel)->text(),
                  QStringLiteral("キャンセル")); // Qt's own
        SaveScreenshot(&box, "ja_question_box");
    }
    // The stitch dialog, whose Japanese texts are the longest of the program's dialogs.
    {
        StitchParameterDialog dialog(ParameterDialogKind::PlaneCylinder, StitchSettings{});
        dialog.show();
        SaveScreenshot(&dialog, "ja_stitch_dialog");
    }
    // The picture layer's texts, with the value where the translation puts it.
    const QString cannotOpen = JapaneseOf(messages, "PictureLayer", "can't open %1");
    EXPECT_EQ(PictureText(QT_TRANSLATE_NOOP("PictureLayer", "can't open %1"), {"/tmp/a.tif"}),
              QString(cannotOpen).replace("%1", "/tmp/a.tif").toStdString());
    // File sizes with the Japanese digit grouping.
    EXPECT_EQ(FormatFileSize(1234567).toStdString(), "1,234,567");

    // A locale without a catalogue: English texts and the fixed English formats.
    EXPECT_FALSE(InstallTranslations(QLocale(QLocale::German, QLocale::Germany)));
    EXPECT_EQ(PictureText("can't open %1", {"/tmp/a.tif"}), "can't open /tmp/a.tif");
    EXPECT_EQ(FormatFileSize(1234567).toStdString(), "1234567");
    RemoveTranslations();
}
