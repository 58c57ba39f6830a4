// Thumbnails of picture files: every format reduced to the right size and colours, the
// picture type told by content before name, the shared thumbnail cache written with its keys
// and used while the file's time stands, damaged files refused, and no message box anywhere.
#include <sys/resource.h>
#include <sys/stat.h>
#include <utime.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <QUrl>

#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <libexif/exif-data.h>

#include "image_impl.h"
#include "picture_sniff.h"
#include "support/picture_files.h"
#include "support/scripted_prompter.h"
#include "thumbnail_maker.h"

namespace {

constexpr int kWidth = 400, kHeight = 300; // thumbnails of 100 are 100 x 75
const QColor kBackground(201, 192, 187);

struct Rgb {
    int r, g, b, a = 255;
};
constexpr Rgb kRed{255, 0, 0}, kBlue{0, 0, 255}, kGreen{0, 255, 0}, kClear{0, 0, 0, 0};

// The test pattern: four quarters, `first` at the top left and bottom right, `second` at the
// top right and bottom left, so a turned, mirrored or shifted thumbnail shows.
using Pattern = std::function<Rgb(int x, int y)>;
Pattern Quarters(Rgb first, Rgb second) {
    return [=](int x, int y) { return (x < kWidth / 2) == (y < kHeight / 2) ? first : second; };
}

// The pattern as samples (0 red, 1 green, 2 blue) for the file writers.
picture_files::SampleOf Channel(const Pattern& pattern) {
    return [pattern](int x, int y, int c) {
        const Rgb rgb = pattern(x, y);
        return c == 0 ? rgb.r : c == 1 ? rgb.g : rgb.b;
    };
}

std::vector<unsigned char> JpegBytes(int width, int height, const Pattern& pattern,
                                     const std::vector<unsigned char>& app1 = {}) {
    return picture_files::JpegBytes(width, height, 3, Channel(pattern), 90, app1);
}

// An EXIF block (with its "Exif" header) holding IFD 0's orientation and, as IFD 1's JPEG
// thumbnail, `thumbnail`.
std::vector<unsigned char> ExifBlock(const std::vector<unsigned char>& thumbnail, int orientation) {
    ExifData* data = exif_data_new();
    exif_data_set_byte_order(data, EXIF_BYTE_ORDER_INTEL);
    ExifEntry* entry = exif_entry_new();
    exif_content_add_entry(data->ifd[EXIF_IFD_0], entry);
    exif_entry_initialize(entry, EXIF_TAG_ORIENTATION);
    exif_set_short(entry->data, EXIF_BYTE_ORDER_INTEL, static_cast<ExifShort>(orientation));
    exif_entry_unref(entry);
    data->data = static_cast<unsigned char*>(std::malloc(thumbnail.size()));
    std::memcpy(data->data, thumbnail.data(), thumbnail.size());
    data->size = static_cast<unsigned>(thumbnail.size());
    unsigned char* saved = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data, &saved, &size);
    std::vector<unsigned char> block(saved, saved + size);
    std::free(saved);
    exif_data_unref(data);
    return block;
}

void WriteBytes(const QString& path, const std::vector<unsigned char>& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

std::vector<unsigned char> ReadBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray all = file.readAll();
    return {all.begin(), all.end()};
}

void WriteJpeg(const QString& path, const Pattern& pattern) {
    WriteBytes(path, JpegBytes(kWidth, kHeight, pattern));
}

// A JPEG of red and blue quarters whose EXIF thumbnail is green, of the given size.
std::function<void(const QString&)> JpegWithExif(int thumbWidth, int thumbHeight,
                                                 int orientation = 1) {
    return [=](const QString& path) {
        const auto thumbnail = JpegBytes(thumbWidth, thumbHeight, Quarters(kGreen, kGreen));
        WriteBytes(path, JpegBytes(kWidth, kHeight, Quarters(kRed, kBlue),
                                   ExifBlock(thumbnail, orientation)));
    };
}

// A TIFF of RGB samples of 8 or 16 bits; 16-bit samples are value * 256 plus a low byte that
// a reader taking the high byte must ignore.
void WriteTiff(const QString& path, const Pattern& pattern, int bits) {
    const auto eight = Channel(pattern);
    ASSERT_TRUE(picture_files::WriteTiff(QFile::encodeName(path).toStdString(), kWidth, kHeight, 3,
                                         bits, PHOTOMETRIC_RGB, [&](int x, int y, int c) {
                                             return bits == 16 ? eight(x, y, c) * 256 + 0xA5
                                                               : eight(x, y, c);
                                         }));
}

// An Adam7-interlaced RGB PNG through libpng (Qt writes no interlaced files).
void WriteInterlacedPng(const QString& path, const Pattern& pattern) {
    picture_files::PngLayout layout;
    layout.width = kWidth, layout.height = kHeight, layout.interlaced = true;
    const auto sample = Channel(pattern);
    layout.rows.assign(kHeight, std::vector<png_byte>(3 * kWidth));
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < 3 * kWidth; ++x)
            layout.rows[y][x] = static_cast<png_byte>(sample(x / 3, y, x % 3));
    ASSERT_TRUE(picture_files::WritePng(QFile::encodeName(path).toStdString(), layout));
}

// A PNG or BMP through Qt's writer, RGB or, when some pixel is not opaque, RGBA. A PNG of
// `quality` 100 stores the rows without compression (many IDAT chunks, so a cut file still
// holds whole chunks of rows).
void WriteWithQt(const QString& path, const Pattern& pattern, int quality = -1) {
    QImage image(kWidth, kHeight, QImage::Format_ARGB32);
    bool opaque = true;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const Rgb c = pattern(x, y);
            image.setPixel(x, y, qRgba(c.r, c.g, c.b, c.a));
            opaque = opaque && c.a == 255;
        }
    if (opaque) image = image.convertToFormat(QImage::Format_RGB32);
    ASSERT_TRUE(image.save(path, nullptr, quality));
}

::testing::AssertionResult Near(const QImage& image, int x, int y, Rgb want, int tolerance) {
    const QRgb got = image.pixel(x, y);
    if (std::abs(qRed(got) - want.r) <= tolerance && std::abs(qGreen(got) - want.g) <= tolerance &&
        std::abs(qBlue(got) - want.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel (" << x << ", " << y << ") is (" << qRed(got) << ", " << qGreen(got) << ", "
           << qBlue(got) << "), want (" << want.r << ", " << want.g << ", " << want.b << ") +- "
           << tolerance;
}

QString CacheFileFor(const QString& path) {
    const QByteArray uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded();
    return QDir(qEnvironmentVariable("XDG_CACHE_HOME"))
        .filePath("thumbnails/normal/" +
                  QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex() + ".png");
}

void SetMtime(const QString& path, time_t seconds) {
    utimbuf times{seconds, seconds};
    ASSERT_EQ(::utime(QFile::encodeName(path).constData(), &times), 0);
}

struct FormatCase {
    const char* name;
    std::function<void(const QString&)> write;
    Rgb first, second; // the colours of the top-left and top-right quarters
    int tolerance;     // JPEG: chroma is coded at half resolution and quantised
};

std::vector<FormatCase> FormatCases() {
    const Rgb back{kBackground.red(), kBackground.green(), kBackground.blue()};
    return {
        {"plain.jpg", [](const QString& p) { WriteJpeg(p, Quarters(kRed, kBlue)); }, kRed, kBlue,
         40},
        {"exif.jpg", JpegWithExif(160, 120), kGreen, kGreen, 40},
        {"exif-square.jpg", JpegWithExif(160, 160), kRed, kBlue, 40}, // aspect differs
        {"exif-small.jpg", JpegWithExif(96, 72), kRed, kBlue, 40},    // too small
        {"turned.jpg", JpegWithExif(160, 120, 6), kGreen, kGreen, 40},
        {"eight.tif", [](const QString& p) { WriteTiff(p, Quarters(kRed, kBlue), 8); }, kRed, kBlue,
         2},
        {"sixteen.tif",
         [](const QString& p) {
             WriteTiff(p, Quarters({192, 64, 0}, {0, 32, 255}), 16);
         },
         {192, 64, 0},
         {0, 32, 255},
         2},
        {"opaque.png", [](const QString& p) { WriteWithQt(p, Quarters(kRed, kBlue)); }, kRed, kBlue,
         2},
        {"alpha.png", [](const QString& p) { WriteWithQt(p, Quarters(kRed, kClear)); }, kRed, back,
         2},
        {"adam7.png", [](const QString& p) { WriteInterlacedPng(p, Quarters(kRed, kBlue)); }, kRed,
         kBlue, 2},
        {"picture.bmp", [](const QString& p) { WriteWithQt(p, Quarters(kRed, kBlue)); }, kRed,
         kBlue, 2},
    };
}

::testing::AssertionResult ShowsPattern(const FileThumbnail& made, const FormatCase& c) {
    if (!made.isPicture) return ::testing::AssertionFailure() << "not a picture";
    if (made.width != kWidth || made.height != kHeight)
        return ::testing::AssertionFailure() << "size " << made.width << " x " << made.height;
    if (made.thumbnail.size() != QSize(100, 75))
        return ::testing::AssertionFailure()
               << "thumbnail " << made.thumbnail.width() << " x " << made.thumbnail.height();
    const struct {
        int x, y;
        Rgb want;
    } probes[] = {{25, 18, c.first}, {75, 18, c.second}, {25, 56, c.second},
                  {75, 56, c.first}, {40, 30, c.first},  {60, 30, c.second}};
    for (const auto& probe : probes)
        if (auto near = Near(made.thumbnail, probe.x, probe.y, probe.want, c.tolerance); !near)
            return near;
    return ::testing::AssertionSuccess();
}

class ThumbnailTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }
    QString Path(const char* name) const { return m_folder.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_folder;
    ScriptedPrompter m_prompter; // fails the test on any message box
};

TEST_F(ThumbnailTest, EveryFormatReducedToSizeAndColours) {
    // Four threads on one cold cache make each thumbnail twice; then each is made without the
    // cache and read back from it.
    const std::vector<FormatCase> cases = FormatCases();
    for (const FormatCase& c : cases) c.write(Path(c.name));
    std::vector<std::vector<FileThumbnail>> made(4);
    std::vector<std::thread> workers;
    for (std::vector<FileThumbnail>& mine : made) {
        workers.emplace_back([&] {
            for (int round = 0; round < 2; ++round)
                for (const FormatCase& c : cases) mine.push_back(MakeFileThumbnail(Path(c.name)));
        });
    }
    for (std::thread& worker : workers) worker.join();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const FormatCase& c = cases[i];
        SCOPED_TRACE(c.name);
        for (const std::vector<FileThumbnail>& mine : made) {
            EXPECT_TRUE(ShowsPattern(mine[i], c));
            EXPECT_TRUE(ShowsPattern(mine[cases.size() + i], c));
        }
        EXPECT_TRUE(ShowsPattern(MakeFileThumbnail(Path(c.name), 100, kBackground, false), c));
        EXPECT_TRUE(ShowsPattern(MakeFileThumbnail(Path(c.name), 100, kBackground, true), c));
        // A picture turned by its EXIF orientation is shown as stored and kept out of the
        // shared cache, whose thumbnails other programs show upright.
        EXPECT_EQ(QFile::exists(CacheFileFor(Path(c.name))), std::string(c.name) != "turned.jpg");
    }
}

TEST_F(ThumbnailTest, TypeByContentThenExtension) {
    struct Case {
        const char* name;
        std::string bytes;
        int type;
    };
    const Case cases[] = {
        {"a.txt", std::string("\xFF\xD8\xFF\xE0", 4), kImageTypeJpeg},
        {"b.jpg", std::string("\x89PNG\r\n\x1A\n", 8), kImageTypePng},
        {"c.bin", std::string("II*\0", 4), kImageTypeTiff},
        {"e.png", "GIF87a", kImageTypeGif},
        {"g.dat", "BM", kImageTypeBmp},
        {"h.JPEG", "text", kImageTypeJpeg},
        {"l.bmp", "", kImageTypeBmp},
        {"o.txt", "text", kImageTypeNone},
        {"p.jpg.txt", "text", kImageTypeNone},
        {"GIF8", "GIF8", kImageTypeNone}, // a signature's start only
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(Path(c.name), {c.bytes.begin(), c.bytes.end()});
        EXPECT_EQ(PictureTypeOfFile(Path(c.name).toStdString()), c.type);
    }
}

TEST_F(ThumbnailTest, SharedCacheWrittenWithKeysAndUsedWhileTheTimeStands) {
    const QString path = Path("cached.jpg");
    WriteJpeg(path, Quarters(kRed, kBlue));
    const time_t written = QFileInfo(path).lastModified().toSecsSinceEpoch();
    ASSERT_TRUE(MakeFileThumbnail(path).isPicture);

    const QString entry = CacheFileFor(path);
    QImageReader reader(entry, "png");
    const QImage stored = reader.read();
    ASSERT_FALSE(stored.isNull()) << entry.toStdString();
    EXPECT_EQ(stored.size(), QSize(128, 96));
    EXPECT_EQ(stored.text("Thumb::URI"), QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded));
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(entry).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    for (const QString& folder : {QFileInfo(entry).absolutePath(),
                                  QFileInfo(QFileInfo(entry).absolutePath()).absolutePath()}) {
        ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0700u) << folder.toStdString();
    }
    // Only finished entries are left in the folder (temporary files were renamed).
    for (const QString& name : QDir(QFileInfo(entry).absolutePath()).entryList(QDir::Files))
        EXPECT_TRUE(name.endsWith(".png")) << name.toStdString();

    // New content with the old time: the cache still answers.
    WriteJpeg(path, Quarters(kBlue, kBlue));
    SetMtime(path, written);
    EXPECT_TRUE(Near(MakeFileThumbnail(path).thumbnail, 25, 18, kRed, 40));
    // A new time: made again, and the entry follows.
    SetMtime(path, written + 10);
    EXPECT_TRUE(Near(MakeFileThumbnail(path).thumbnail, 25, 18, kBlue, 40));
    EXPECT_EQ(QImage(entry).text("Thumb::MTime"), QString::number(written + 10));
}

TEST_F(ThumbnailTest, CutFilesShowWhatDecodes) {
    // Cut to 60 %: the header is whole, so the file is a picture of its size; JPEG and PNG
    // show their first rows (the cut rows take the background); nothing is cached. (A TIFF
    // written by libtiff keeps its directory at the end, so a cut one has no header; BMP and
    // GIF are read whole by the picture layer, whose damaged files are its own tests'.)
    for (const char* name : {"cut.jpg", "cut.png"}) {
        SCOPED_TRACE(name);
        const QString path = Path(name);
        if (name == std::string("cut.jpg"))
            WriteJpeg(path, Quarters(kRed, kBlue));
        else
            WriteWithQt(path, Quarters(kRed, kBlue), 100);
        std::vector<unsigned char> bytes = ReadBytes(path);
        bytes.resize(bytes.size() * 6 / 10);
        WriteBytes(path, bytes);
        const FileThumbnail made = MakeFileThumbnail(path);
        EXPECT_TRUE(made.isPicture);
        EXPECT_EQ(made.width, kWidth);
        EXPECT_EQ(made.height, kHeight);
        ASSERT_FALSE(made.thumbnail.isNull());
        EXPECT_TRUE(Near(made.thumbnail, 25, 2, kRed, 40));
        const Rgb back{kBackground.red(), kBackground.green(), kBackground.blue()};
        EXPECT_TRUE(Near(made.thumbnail, 75, 73, back, 8));
        EXPECT_FALSE(QFile::exists(CacheFileFor(path)));
    }
}

TEST_F(ThumbnailTest, DamagedCorpusReadSafely) {
    // The readers' damaged files: no box, a thumbnail that fits, and little memory held for
    // headers that lie (a PNG chunk claiming a gigabyte, sizes past the data, ...).
    auto peakMb = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_maxrss / 1024;
    };
    const long before = peakMb();
    const auto folder = std::filesystem::path(__FILE__).parent_path() / "../../data/corrupt";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".md") continue;
        SCOPED_TRACE(entry.path().filename().string());
        const FileThumbnail made = MakeFileThumbnail(QString::fromStdString(entry.path().string()),
                                                     100, kBackground, false);
        ++files;
        // A header that gives a side of 0 makes no picture.
        if (entry.path().filename().string().find("zero") != std::string::npos) {
            EXPECT_FALSE(made.isPicture);
        }
        if (made.thumbnail.isNull()) continue;
        EXPECT_TRUE(made.isPicture);
        EXPECT_LE(std::max(made.thumbnail.width(), made.thumbnail.height()), 100);
    }
    EXPECT_GE(files, 30);
    EXPECT_LT(peakMb() - before, 256);
}

} // namespace
