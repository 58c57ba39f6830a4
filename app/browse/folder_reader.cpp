#include "folder_reader.h"

#include <QDateTime>
#include <QMetaObject>

#include <chrono>
#include <filesystem>
#include <system_error>

#include "image_impl.h"
#include "picture_sniff.h"
#include "thumbnail_maker.h"

namespace fs = std::filesystem;

struct FolderReader::Run {
    std::uint64_t generation = 0;
    QString folder;
    std::atomic<bool> stop{false};
};

FolderReader::FolderReader(QObject* parent) : QObject(parent) {
    qRegisterMetaType<FileEntry>();
    qRegisterMetaType<QList<FileEntry>>();
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
}

FolderReader::~FolderReader() {
    Stop();
    m_pool.waitForDone();
}

bool FolderReader::IsReading() const {
    return !m_enumerated || m_pendingThumbnails > 0;
}

void FolderReader::Stop() {
    ++m_generation;
    if (m_run) m_run->stop = true;
    m_pool.clear(); // thumbnails not yet started are dropped
    // The enumerator only lists the folder and posts to this thread, never waits on it, so
    // joining it takes at most the time of one directory entry.
    if (m_enumerator.joinable()) m_enumerator.join();
    m_run.reset();
    m_pendingThumbnails = 0;
    m_enumerated = true;
}

void FolderReader::SetDirectory(const QString& folder) {
    Stop();
    m_folder = folder;
    auto run = std::make_shared<Run>();
    run->generation = m_generation.load();
    run->folder = folder;
    m_run = run;
    m_enumerated = false;
    m_enumerator = std::thread([this, run] { Enumerate(run); });
}

void FolderReader::Enumerate(std::shared_ptr<Run> run) {
    using Clock = std::chrono::steady_clock;
    QList<FileEntry> batch;
    auto lastSent = Clock::now();
    auto send = [&] {
        if (batch.isEmpty()) return;
        QMetaObject::invokeMethod(
            this, [this, g = run->generation, b = batch] { DeliverEntries(g, b); },
            Qt::QueuedConnection);
        batch.clear();
        lastSent = Clock::now();
    };
    std::error_code ec;
    fs::directory_iterator it(fs::path(run->folder.toStdString()), ec);
    const fs::directory_iterator end;
    for (; !ec && it != end && !run->stop; it.increment(ec)) {
        std::error_code statError;
        const fs::file_status status = it->status(statError);
        if (statError || !fs::is_regular_file(status)) continue;
        const std::string path = it->path().string();
        if (PictureTypeOfFile(path) == kImageTypeNone) continue;
        FileEntry entry;
        entry.name = QString::fromStdString(it->path().filename().string());
        const std::uintmax_t size = it->file_size(statError);
        entry.size = statError ? 0 : static_cast<std::uint32_t>(size & 0xFFFFFFFFu);
        const auto written = it->last_write_time(statError);
        if (!statError) {
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                std::chrono::file_clock::to_sys(written).time_since_epoch());
            entry.lastWrite = QDateTime::fromSecsSinceEpoch(seconds.count(), Qt::UTC);
        }
        batch.push_back(entry);
        // Small batches first, so the first entries show at once; then larger ones.
        if (batch.size() >= 32 || Clock::now() - lastSent > std::chrono::milliseconds(30)) send();
    }
    send();
    QMetaObject::invokeMethod(
        this, [this, g = run->generation] { DeliverEnumerated(g); }, Qt::QueuedConnection);
}

void FolderReader::DeliverEntries(std::uint64_t generation, const QList<FileEntry>& entries) {
    if (generation != m_generation || !m_run) return;
    emit EntriesFound(entries);
    for (const FileEntry& entry : entries) StartThumbnail(m_run, entry.name);
}

void FolderReader::StartThumbnail(std::shared_ptr<Run> run, const QString& name) {
    ++m_pendingThumbnails;
    const QString path = JoinPath(run->folder, name);
    const bool useCache = m_useCache;
    m_pool.start([this, run, name, path, useCache] {
        if (run->stop) return;
        const FileThumbnail made = MakeFileThumbnail(path, 100, QColor(201, 192, 187), useCache);
        if (run->stop) return;
        QMetaObject::invokeMethod(
            this,
            [this, g = run->generation, name, ok = made.isPicture, image = made.thumbnail] {
                DeliverThumbnail(g, name, ok, image);
            },
            Qt::QueuedConnection);
    });
}

void FolderReader::DeliverThumbnail(std::uint64_t generation, const QString& name, bool picture,
                                    const QImage& thumbnail) {
    if (generation != m_generation) return;
    --m_pendingThumbnails;
    if (picture)
        emit ThumbnailReady(name, thumbnail);
    else
        emit NotAPicture(name);
    CheckFinished();
}

void FolderReader::DeliverEnumerated(std::uint64_t generation) {
    if (generation != m_generation) return;
    m_enumerated = true;
    if (m_enumerator.joinable()) m_enumerator.join();
    CheckFinished();
}

void FolderReader::CheckFinished() {
    if (m_enumerated && m_pendingThumbnails == 0) emit Finished();
}
