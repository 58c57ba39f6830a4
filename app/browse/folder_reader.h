// Reads one folder for the file pane: a worker thread lists its picture files and hands them to
// the window thread in batches; a small pool makes their thumbnails (both cores), which arrive
// one by one as they are made. Choosing another folder stops the old work at once: queued
// thumbnails are dropped and results of the old folder are ignored when they arrive.
#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "file_entry.h"

class FolderReader : public QObject {
    Q_OBJECT
public:
    explicit FolderReader(QObject* parent = nullptr);
    ~FolderReader() override;

    // Stops the previous reading and starts reading `folder`.
    void SetDirectory(const QString& folder);
    // Stops all work of the current folder; nothing more of it is reported.
    void Stop();
    const QString& Directory() const { return m_folder; }
    bool IsReading() const;
    // Thumbnail tasks still running (of any folder, the stopped ones included).
    int RunningTasks() const { return m_pool.activeThreadCount(); }
    // Whether thumbnails are taken from and stored in the desktop's shared cache.
    void SetUseSharedCache(bool use) { m_useCache = use; }

signals:
    // Files found (placeholders until their thumbnails come).
    void EntriesFound(const QList<FileEntry>& entries);
    // The thumbnail of a listed file; a null image when none could be made.
    void ThumbnailReady(const QString& name, const QImage& thumbnail);
    // A listed file turned out not to be a picture.
    void NotAPicture(const QString& name);
    // Every file of the folder was listed and every thumbnail made.
    void Finished();

private:
    struct Run;
    void Enumerate(std::shared_ptr<Run> run);
    void StartThumbnail(std::shared_ptr<Run> run, const QString& name);
    void DeliverEntries(std::uint64_t generation, const QList<FileEntry>& entries);
    void DeliverThumbnail(std::uint64_t generation, const QString& name, bool picture,
                          const QImage& thumbnail);
    void DeliverEnumerated(std::uint64_t generation);
    void CheckFinished();

    QString m_folder;
    std::shared_ptr<Run> m_run;
    std::thread m_enumerator;
    QThreadPool m_pool;
    std::atomic<std::uint64_t> m_generation{0};
    bool m_useCache = true;
    int m_pendingThumbnails = 0;
    bool m_enumerated = true;
};
