#include "engine/save_results.h"

#include "engine/batch_session.h"
#include "core/error_report.h"
#include "core/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <thread>

namespace lumivex {

namespace {

// A result that failed in the run is not saved: its own failure is reported instead.
QImage pictureToSave(const ResultList &results, int index)
{
    if (!results.exists(index))
        throw StepFailure(QStringLiteral("Control array element does not exist"));
    const ResultPicture &result = results.picture(index);
    if (result.isEmpty() && !result.failure.isEmpty())
        throw StepFailure(result.failure);
    return result.image();
}

} // namespace

std::vector<SaveOutcome> saveItems(const SaveSettings &settings, const QStringList &sources,
                                   const QStringList &protectedSources,
                                   const std::function<QImage(int)> &produce,
                                   const std::function<void(int, const SaveOutcome &)> &written,
                                   int workers, const std::atomic<bool> *stop)
{
    const int count = sources.size();
    std::vector<SaveOutcome> outcomes(static_cast<std::size_t>(count));
    const int step = settings.format == OutputFormat::Bmp ? 130 : 134;

    std::vector<std::vector<int>> groups;
    QHash<QString, int> groupOf;
    for (int i = 0; i < count; ++i) {
        SaveOutcome &outcome = outcomes[std::size_t(i)];
        outcome.path = joinPath(settings.folder, outputFileName(sources[i], settings.resultWord, settings.format));
        outcome.step = step;
        const QString key = QDir::cleanPath(QFileInfo(outcome.path).absoluteFilePath());
        auto found = groupOf.find(key);
        if (found == groupOf.end()) {
            groupOf.insert(key, int(groups.size()));
            groups.push_back({i});
        } else {
            groups[std::size_t(found.value())].push_back(i);
        }
    }

    std::atomic<std::size_t> nextGroup{0};
    auto work = [&] {
        for (std::size_t g = nextGroup++; g < groups.size(); g = nextGroup++) {
            for (int i : groups[g]) {
                if (stop && stop->load())
                    return;
                SaveOutcome &outcome = outcomes[std::size_t(i)];
                try {
                    outcome.note = saveOneResult(produce(i), outcome.path, settings, sources[i], protectedSources);
                    outcome.written = true;
                } catch (const StepFailure &failure) {
                    outcome.failure = failure.description();
                    outcome.detail = failure.detail();
                } catch (const std::bad_alloc &) {
                    outcome.failure = outcome.detail = QStringLiteral("Out of memory");
                } catch (const std::exception &e) {
                    outcome.failure = outcome.detail = QString::fromLocal8Bit(e.what());
                }
                if (written)
                    written(i, outcome);
            }
        }
    };

    int threads = workers > 0 ? workers : int(std::max(1u, std::thread::hardware_concurrency()));
    threads = std::min<int>(threads, int(groups.size()));
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(work);
    work();
    for (std::thread &t : pool)
        t.join();
    return outcomes;
}

std::vector<SaveOutcome> saveResults(const SaveSettings &settings, const QStringList &sourcePaths,
                                     const ResultList &results, int workers, const std::atomic<bool> *stop)
{
    auto produce = [&](int i) { return pictureToSave(results, i); };
    return saveItems(settings, sourcePaths, sourcePaths, produce, {}, workers, stop);
}

std::vector<SaveOutcome> saveResults(const SaveSettings &settings, const BatchSession &session, int workers,
                                     const std::atomic<bool> *stop)
{
    const ResultList &results = session.results();
    const QStringList items = session.sources().mid(0, session.itemsDone());
    auto produce = [&](int i) { return pictureToSave(results, i); };
    return saveItems(settings, items, session.sources(), produce, {}, workers, stop);
}

} // namespace lumivex
