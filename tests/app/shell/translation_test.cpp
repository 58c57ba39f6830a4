// The Japanese catalogue: it covers every text of the program's sources with a finished
// translation that keeps the text's placeholders, and once installed the picture layer's boxes,
// Qt's own buttons and the file sizes reach the user in Japanese.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFile>
#include <QLocale>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <set>

#include "app_translations.h"
#include "file_entry.h"
#include "picture_prompt.h"
#include "save_result.h"

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

    // Qt's own catalogue comes with it: the standard buttons of the program's boxes.
    QMessageBox box(QMessageBox::Question, "", "", QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));
    // A window's texts are looked up by its class's name, as lupdate found it: a dialog class
    // without its own meta-object would look them up under QDialog and stay English.
    const QString tiffTitle = JapaneseOf(messages, "TiffSettingsDialog", "TIFF settings");
    ASSERT_FALSE(tiffTitle.isEmpty());
    EXPECT_EQ(TiffSettingsDialog().windowTitle().toStdString(), tiffTitle.toStdString());
    // The picture layer's texts, with the value where the translation puts it.
    const QString cannotOpen = JapaneseOf(messages, "PictureLayer", "can't open %1");
    ASSERT_FALSE(cannotOpen.isEmpty());
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
