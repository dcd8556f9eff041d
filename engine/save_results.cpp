#include "engine/save_results.h"

#include "core/error_report.h"
#include "core/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <atomic>
#include <thread>

namespace lumivex {

std::vector<SaveOutcome> saveResults(const SaveSettings &settings, const QStringList &sourcePaths,
                                     const ResultList &results, int workers)
{
    const int count = sourcePaths.size();
    std::vector<SaveOutcome> outcomes(static_cast<std::size_t>(count));
    const int step = settings.format == OutputFormat::Bmp ? 130 : 134;

    // Items writing the same file form one group, handled by one thread in list order.
    std::vector<std::vector<int>> groups;
    QHash<QString, int> groupOf;
    for (int i = 0; i < count; ++i) {
        SaveOutcome &outcome = outcomes[std::size_t(i)];
        outcome.path = joinPath(settings.folder, outputFileName(sourcePaths[i], settings.resultWord, settings.format));
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
        for (;;) {
            const std::size_t g = nextGroup.fetch_add(1);
            if (g >= groups.size())
                return;
            for (int i : groups[g]) {
                SaveOutcome &outcome = outcomes[std::size_t(i)];
                try {
                    if (!results.exists(i))
                        throw StepFailure(QStringLiteral("Control array element does not exist"));
                    const ResultPicture &result = results.picture(i);
                    if (result.isEmpty() && !result.failure.isEmpty())
                        throw StepFailure(result.failure);
                    outcome.note = saveOneResult(result.image(), outcome.path, settings, sourcePaths[i], sourcePaths);
                    outcome.written = true;
                } catch (const StepFailure &failure) {
                    outcome.failure = failure.description();
                } catch (const std::bad_alloc &) {
                    outcome.failure = QStringLiteral("Out of memory");
                } catch (const std::exception &e) {
                    outcome.failure = QString::fromLocal8Bit(e.what());
                }
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

} // namespace lumivex
