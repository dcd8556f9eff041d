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
        // An item the run waits for may never come (a worker stuck on its file): nothing is
        // wanted from it any more, and closing must not wait for it.
        if (m_decoder)
            m_decoder->interrupt();
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

void SessionRun::work() noexcept
{
    // Each step reports its own failure; what fails between them is reported at the loop's step,
    // so that no exception ends the program from this thread and the window always hears the end.
    try {
        const AdjustmentInfo &info = adjustmentInfo(m_session->kind());
        StepGuard guard(*m_relay, handlerLocation("Form1", info.startHandler));
        guard(info.steps.loop, [&] { runAllSteps(guard, info); });
    } catch (...) {
        // Not even the guard could be made: the report goes out without a handler's location.
        const QString text = caughtExceptionText();
        try {
            m_relay->ShowErrorReport(QString(), 0, text);
        } catch (...) {
            // Nothing is left to report with; the end of the run is still signalled below.
        }
    }
    // An abandoned run tells nothing more: its window may already be gone.
    if (!m_abandoned)
        signalFinished();
}

void SessionRun::runAllSteps(StepGuard &guard, const AdjustmentInfo &info)
{
    BatchSession &session = *m_session;
    ResultList &results = session.results();
    guard(info.steps.clearResults, [&] { results.clearItems(); });

    // Results kept as recipes are made when they are shown or saved: the run only has to know
    // that each source decodes, so nothing is adjusted here that would be thrown away.
    const bool recipesOnly = !results.holdsPictures();

    // Counts are 16-bit: a longer list fails this step, as any count overflow does.
    int count = 0;
    std::unique_ptr<DecodeAhead> decoder;
    guard(info.steps.loop, [&] {
        const int items = checkedNarrow<std::int16_t>(session.sources().size());
        const int workers = m_decodeWorkers > 0 ? m_decodeWorkers : DecodeAhead::defaultWorkers();
        decoder = std::make_unique<DecodeAhead>(session.sources(), workers, workers + 1, preparation(recipesOnly));
        std::lock_guard<std::mutex> lock(m_mutex);
        m_decoder = decoder.get();
        count = items;
    });

    int done = 0;
    for (int i = 1; i <= count; ++i) {
        if (!waitForTurn(i))
            break;
        runItem(guard, info, *decoder, i, recipesOnly);
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
    session.setItemsDone(cancelled ? done : session.sources().size(), cancelled);
    finishSteps(guard, info.steps, done, cancelled);
}

DecodeAhead::Prepare SessionRun::preparation(bool recipesOnly)
{
    // Workers decode and adjust in one pass with the strength as it stands. An item's own turn
    // checks that the strength still holds; if the slider has moved since, the picture is made
    // again from its file, which is rare enough not to keep every decoded picture beside its
    // result. The first source is decoded plainly and kept for the Before pane, its result made
    // from that picture, so the file is not decoded a second time after the run.
    const AdjustmentKind kind = m_session->kind();
    return [this, kind, recipesOnly](int index, const QString &path, bool *adjusted, int *adjustedFor,
                                     SourceStamp *read) {
        const int value = m_strength.load();
        *adjustedFor = value;
        if (index > 0 && recipesOnly) {
            decodeSource(path, read);
            return QImage();
        }
        if (index > 0)
            return decodeAdjusted(path, kind, value, adjusted, read);
        QImage decoded = decodeSource(path, read);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_firstDecoded = decoded;
            m_firstDecodedStamp = *read;
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
}

void SessionRun::runItem(StepGuard &guard, const AdjustmentInfo &info, DecodeAhead &decoder, int i, bool recipesOnly)
{
    BatchSession &session = *m_session;
    ResultList &results = session.results();
    const RunSteps &steps = info.steps;
    const QString &source = session.sources()[i - 1];
    guard(steps.busy, [&] { emit busyChanged(true); });
    guard(steps.progress, [&] {
        emit progressChanged(int(std::nearbyint(double(i) / double(session.sources().size()) * 100.0)));
    });

    // An image that failed to decode stays empty through the remaining steps: it gets its item
    // and an empty result, never the previous image's pixels.
    QImage working;
    bool decoded = false;
    bool adjusted = false;
    int adjustedFor = 0;
    SourceStamp stamp;
    guard(steps.decode, [&] {
        working = decoder.take(i - 1, &adjusted, &adjustedFor, &stamp);
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
            working = sourceToResult(source, info.kind, v, &stamp);
        } else {
            working = adjustPicture(info.kind, std::move(working), v);
        }
    });
    guard(steps.resultWord, [&] { results.resultWord = QString::fromLatin1(info.resultWord); });
    guard(steps.addItem, [&] { results.addItem(GetFileNameFromPath(source)); });
    // Kept as the way to make it again, unless the results' memory budget holds the picture.
    const bool failed = recipesOnly ? !decoded : working.isNull();
    const ResultPicture result = failed ? ResultPicture(QImage(), QCoreApplication::translate("lumivex::Failure", "The picture could not be read: %1").arg(source))
                                        : ResultPicture(working, ResultRecipe{source, stamp, {{info.kind, v}}});
    if (i == 1) {
        guard(steps.storeFirst, [&] { results.setPicture(0, result); });
    } else {
        guard(steps.createSlot, [&] { results.create(i - 1); });
        guard(steps.storeSlot, [&] { results.setPicture(i - 1, result); });
    }
}

void SessionRun::finishSteps(StepGuard &guard, const RunSteps &steps, int done, bool cancelled)
{
    BatchSession &session = *m_session;
    guard(steps.defaultPointer, [&] { emit busyChanged(false); });
    guard(steps.progressZero, [&] { emit progressChanged(0); });
    if (!cancelled || done > 0)
        guard(steps.totalImages, [&] {
            session.results().mTotalImages = checkedNarrow<std::int16_t>(session.itemsDone() - 1);
        });
    // When the first file failed during the run, the Before picture is decoded again: the window
    // reports that step's failure too, as its own numbered step.
    if (done == 0)
        return;
    QImage first;
    SourceStamp firstStamp;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        first = std::move(m_firstDecoded);
        m_firstDecoded = QImage();
        firstStamp = m_firstDecodedStamp;
    }
    try {
        if (first.isNull()) {
            SourceStamp read;
            QImage again = decodeSource(session.sources().first(), &read);
            session.setFirstSource(std::move(again), read);
        } else {
            session.setFirstSource(std::move(first), firstStamp);
        }
    } catch (...) {
        session.setFirstSourceFailure(caughtExceptionText());
    }
}

void SessionRun::signalFinished() noexcept
{
    try {
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
    } catch (...) {
        // No memory to post the end: the window keeps the run until it closes, abandoning it.
    }
}

} // namespace lumivex
