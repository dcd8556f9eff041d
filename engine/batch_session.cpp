// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/batch_session.h"

#include "engine/decode_ahead.h"
#include "engine/pipeline.h"
#include "core/paths.h"

#include <QCoreApplication>
#include <chrono>
#include <cmath>

namespace lumivex {

BatchSession::BatchSession(AdjustmentKind kind, QStringList sources)
    : m_kind(kind), m_sources(std::move(sources)), m_strengths(std::size_t(m_sources.size()), 0)
{
}

int BatchSession::strengthUsed(int index) const
{
    return index >= 0 && std::size_t(index) < m_strengths.size() ? m_strengths[std::size_t(index)] : 0;
}

void BatchSession::recordStrength(int index, int strength)
{
    if (index >= 0 && std::size_t(index) < m_strengths.size())
        m_strengths[std::size_t(index)] = strength;
}

void BatchSession::setItemsDone(int count, bool cancelled)
{
    m_itemsDone = count;
    m_cancelled = cancelled;
}

// Hands the worker's reports to the run, which has them shown on its own thread.
class SessionRun::Relay : public ErrorReporter {
public:
    explicit Relay(SessionRun &run) : m_run(run) {}
    void ShowErrorReport(const QString &location, int step, const QString &description) override
    {
        m_run.relayReport(location, step, description);
    }

private:
    SessionRun &m_run;
};

SessionRun::SessionRun(std::shared_ptr<BatchSession> session, ErrorReporter &reporter, int decodeWorkers,
                       QObject *parent)
    : QObject(parent), m_session(std::move(session)), m_reporter(reporter),
      m_relay(std::make_unique<Relay>(*this)), m_decodeWorkers(decodeWorkers)
{
}

SessionRun::~SessionRun() { abandon(); }

void SessionRun::start(int strength)
{
    if (m_running || m_worker.joinable())
        return;
    m_strength = strength;
    m_running = true;
    m_worker = std::thread([this] { work(); });
}

void SessionRun::cancel()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_cancelled = true;
    }
    m_changed.notify_all();
}

void SessionRun::abandon()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_abandoned = true;
    }
    m_changed.notify_all();
    if (m_worker.joinable())
        m_worker.join();
    m_running = false;
}

void SessionRun::holdAtItem(int item)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_holdAt = item;
}

bool SessionRun::waitUntilHeld(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_holdAt > 0 && m_heldAt == m_holdAt; });
}

bool SessionRun::waitUntilPreparedUpTo(int item, int timeoutMs)
{
    std::lock_guard<std::mutex> lock(m_mutex); // the decoder lives while the run is held
    if (!m_decoder || m_heldAt == 0)
        return false;
    for (int index = 0; index < item; ++index)
        if (!m_decoder->waitUntilReady(index, timeoutMs))
            return false;
    return true;
}

void SessionRun::release()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_holdAt = 0;
    }
    m_changed.notify_all();
}

bool SessionRun::waitForTurn(int item)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_holdAt == item) {
        m_heldAt = item;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_holdAt != item || stopping(); });
        m_heldAt = 0;
    }
    return !stopping();
}

void SessionRun::relayReport(const QString &location, int step, const QString &description)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_abandoned)
        return;
    m_reportOpen = true;
    QMetaObject::invokeMethod(
        this,
        [this, location, step, description] {
            if (!m_abandoned)
                m_reporter.ShowErrorReport(location, step, description);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_reportOpen = false;
            }
            m_changed.notify_all();
        },
        Qt::QueuedConnection);
    m_changed.wait(lock, [&] { return !m_reportOpen || m_abandoned; });
}

void SessionRun::work()
{
    BatchSession &session = *m_session;
    const AdjustmentKind kind = session.kind();
    const AdjustmentInfo &info = adjustmentInfo(kind);
    const RunSteps steps = runSteps(kind);
    const QStringList &sources = session.sources();
    ResultList &results = session.results();
    StepGuard guard(*m_relay, handlerLocation("Form1", info.startHandler));

    guard(steps.clearResults, [&] { results.clearItems(); });

    // Results kept as recipes are made when they are shown or saved: the run only has to know
    // that each source decodes, so nothing is adjusted here that would be thrown away.
    const bool recipesOnly = !results.holdsPictures();

    // Counts are 16-bit: a longer list fails this step, as any count overflow does.
    int count = 0;
    std::unique_ptr<DecodeAhead> decoder;
    guard(steps.loop, [&] {
        count = checkedNarrow<std::int16_t>(sources.size());
        const int workers = m_decodeWorkers > 0 ? m_decodeWorkers : DecodeAhead::defaultWorkers();
        // Workers decode and adjust in one pass with the strength as it stands. An item's own
        // turn checks that the strength still holds; if the slider has moved since, the picture
        // is made again from its file, which is rare enough not to keep every decoded picture
        // beside its result.
        // The first source is decoded plainly and kept for the Before pane, its result made
        // from that picture, so the file is not decoded a second time after the run.
        const DecodeAhead::Prepare prepare = [this, kind, recipesOnly](int index, const QString &path, bool *adjusted,
                                                                       int *adjustedFor) {
            const int value = m_strength.load();
            *adjustedFor = value;
            if (index > 0 && recipesOnly) {
                decodeSource(path);
                return QImage();
            }
            if (index > 0)
                return decodeAdjusted(path, kind, value, adjusted);
            QImage decoded = decodeSource(path);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_firstDecoded = decoded;
            }
            if (recipesOnly)
                return QImage();
            try {
                QImage result = adjustPicture(kind, decoded, value);
                *adjusted = true;
                return result;
            } catch (const StepFailure &) {
                return decoded; // adjusted again, and reported, at the item's own step
            } catch (const std::bad_alloc &) {
                return decoded;
            }
        };
        decoder = std::make_unique<DecodeAhead>(sources, workers, workers + 1, prepare);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_decoder = decoder.get();
    });

    int done = 0;
    for (int i = 1; i <= count; ++i) {
        if (!waitForTurn(i))
            break;
        guard(steps.busy, [&] { emit busyChanged(true); });
        guard(steps.progress, [&] {
            emit progressChanged(int(std::nearbyint(double(i) / double(sources.size()) * 100.0)));
        });

        // An image that failed to decode stays empty through the remaining steps: it gets its
        // item and an empty result, never the previous image's pixels.
        QImage working;
        bool decoded = false;
        bool adjusted = false;
        int adjustedFor = 0;
        SourceStamp stamp;
        guard(steps.decode, [&] {
            working = decoder->take(i - 1, &adjusted, &adjustedFor, &stamp);
            decoded = true;
        });
        int v = 0;
        guard(steps.readSlider, [&] {
            v = m_strength.load();
            session.recordStrength(i - 1, v);
        });
        guard(steps.pixelWork, [&] {
            if (recipesOnly || working.isNull() || (adjusted && adjustedFor == v))
                return;
            if (adjusted) {
                working = QImage(); // back to the pool before the picture is made again
                stamp = stampSource(sources[i - 1]);
                working = sourceToResult(sources[i - 1], kind, v);
            } else {
                working = adjustPicture(kind, std::move(working), v);
            }
        });
        guard(steps.resultWord, [&] { results.resultWord = QString::fromLatin1(info.resultWord); });
        guard(steps.addItem, [&] { results.addItem(GetFileNameFromPath(sources[i - 1])); });
        // Kept as the way to make it again, unless the results' memory budget holds the picture.
        const bool failed = recipesOnly ? !decoded : working.isNull();
        const ResultPicture result =
            failed ? ResultPicture(QImage(), QCoreApplication::translate("lumivex::Failure", "The picture could not be read: %1").arg(sources[i - 1]))
                   : ResultPicture(working, ResultRecipe{sources[i - 1], stamp, {{kind, v}}});
        if (i == 1) {
            guard(steps.storeFirst, [&] { results.setPicture(0, result); });
        } else {
            guard(steps.createSlot, [&] { results.create(i - 1); });
            guard(steps.storeSlot, [&] { results.setPicture(i - 1, result); });
        }
        done = i;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_decoder = nullptr;
    }
    if (m_abandoned) {
        decoder.reset();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_firstDecoded = QImage();
        return;
    }

    const bool cancelled = done < count;
    if (cancelled)
        decoder.reset(); // nothing it would still decode is wanted
    session.setItemsDone(cancelled ? done : sources.size(), cancelled);
    guard(steps.defaultPointer, [&] { emit busyChanged(false); });
    guard(steps.progressZero, [&] { emit progressChanged(0); });
    if (!cancelled || done > 0)
        guard(steps.totalImages, [&] {
            results.mTotalImages = checkedNarrow<std::int16_t>(session.itemsDone() - 1);
        });
    // When the first file failed during the run, the Before picture is decoded again: the
    // window reports that step's failure too, as its own numbered step.
    if (done > 0) {
        QImage first;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            first = std::move(m_firstDecoded);
            m_firstDecoded = QImage();
        }
        try {
            session.setFirstSource(first.isNull() ? decodeSource(sources.first()) : std::move(first));
        } catch (const StepFailure &failure) {
            session.setFirstSourceFailure(failure.description());
        } catch (const std::bad_alloc &) {
            session.setFirstSourceFailure(QCoreApplication::translate("lumivex::Failure", "Out of memory"));
        }
    }
    decoder.reset();
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_worker.joinable())
                m_worker.join();
            m_running = false;
            if (!m_abandoned)
                emit finished();
        },
        Qt::QueuedConnection);
}

} // namespace lumivex
