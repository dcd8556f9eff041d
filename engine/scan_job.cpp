// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/scan_job.h"

#include "core/error_report.h"
#include "core/paths.h"

namespace lumivex {

ScanJob::ScanJob(std::vector<Entry> entries, QObject *parent) : QObject(parent), m_entries(std::move(entries)) {}

ScanJob::~ScanJob()
{
    stop();
    wait();
}

void ScanJob::start()
{
    if (m_thread.joinable())
        return;
    m_thread = std::thread([this] {
        // Queued to this object: a job destroyed meanwhile takes its pending rows with it.
        auto hand = [this](const QStringList &paths) {
            if (!paths.isEmpty())
                QMetaObject::invokeMethod(this, [this, paths] { emit found(paths); }, Qt::QueuedConnection);
        };
        QString failure;
        try {
            for (const Entry &entry : m_entries) {
                if (m_stop)
                    break;
                if (entry.folder)
                    ScanFolderTreeByFolder(entry.path, entry.pattern, hand, [this] { return !m_stop; });
                else
                    hand({entry.path});
            }
        } catch (...) {
            failure = caughtExceptionText();
        }
        QMetaObject::invokeMethod(
            this,
            [this, failure] {
                wait();
                emit finished(failure);
            },
            Qt::QueuedConnection);
    });
}

void ScanJob::wait()
{
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

} // namespace lumivex
