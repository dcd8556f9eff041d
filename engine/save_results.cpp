// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/save_results.h"

#include "engine/batch_session.h"
#include "core/atomic_file.h"
#include "core/memory_budget.h"
#include "core/error_report.h"
#include "core/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <numeric>
#include <optional>
#include <thread>
#include <fcntl.h>
#include <sys/stat.h>

namespace lumivex {

namespace {

// A result that failed in the run is not saved: its own failure is reported instead.
SaveItem itemToSave(const QString &source, const ResultList &results, int index)
{
    if (!results.exists(index))
        return SaveItem::failed(source, QStringLiteral("Control array element does not exist"));
    const ResultPicture &result = results.picture(index);
    if (result.isEmpty() && !result.failure.isEmpty())
        return SaveItem::failed(source, result.failure);
    if (const ResultRecipe *recipe = result.recipe())
        return SaveItem::made(source, SourceRecipe{recipe->source, recipe->stamp, recipe->steps});
    return SaveItem::held(source, result.image());
}

std::vector<SaveItem> itemsToSave(const QStringList &sources, const ResultList &results)
{
    std::vector<SaveItem> items;
    items.reserve(std::size_t(sources.size()));
    for (int i = 0; i < sources.size(); ++i)
        items.push_back(itemToSave(sources[i], results, i));
    return items;
}

// The folder an item is written into, entered from the output folder by descriptor one level at
// a time, never through a link. None when the output folder itself cannot be opened: the file
// then fails by its path, with the writer's own report.
std::shared_ptr<const OpenFolder> itemFolder(const std::shared_ptr<const OpenFolder> &output, const QString &outputPath,
                                             const QString &subfolder, const QString &path)
{
    if (!output && subfolder.isEmpty())
        return nullptr;
    std::shared_ptr<const OpenFolder> folder = output ? output : openFolder(outputPath, path).valueOrThrow();
    QString shown = outputPath;
    for (const QString &part : subfolder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        shown = joinPath(shown, part);
        folder = enterFolder(*folder, fileNameToBytes(part), shown, path).valueOrThrow();
    }
    return folder;
}

bool nameTaken(const OpenFolder &folder, const QByteArray &name)
{
    struct stat info {};
    return ::fstatat(folder.fd(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

// What every item of one save shares.
struct SaveRun {
    const SaveSettings &settings;
    const std::vector<SaveItem> &items;
    const FileIdentitySet &protectedFiles;
    std::shared_ptr<const OpenFolder> outputFolder; // null when it could not be opened
    const SaveLayout &layout;
};

// Each item's path, whether it had to be renamed, and its step. Every item has a path of its
// own, so items can be written in any order on any thread.
std::vector<SaveOutcome> plannedOutcomes(const SaveSettings &settings, const std::vector<SaveItem> &items,
                                         const SaveLayout &layout)
{
    const int count = int(items.size());
    const int step = settings.format == OutputFormat::Bmp ? 130 : 134;
    QStringList natural;
    for (int i = 0; i < count; ++i) {
        QString folder = settings.folder;
        if (i < layout.subfolders.size() && !layout.subfolders[i].isEmpty())
            folder = joinPath(folder, layout.subfolders[i]);
        natural << joinPath(folder, outputFileName(items[std::size_t(i)].source, settings.resultWord, settings.format));
    }
    const std::vector<BatchTarget> targets = batchTargets(natural);
    std::vector<SaveOutcome> outcomes(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        SaveOutcome &outcome = outcomes[std::size_t(i)];
        outcome.path = targets[std::size_t(i)].path;
        outcome.renamed = targets[std::size_t(i)].renamed;
        outcome.step = step;
    }
    return outcomes;
}

// The order items are started in: as given, or with several workers largest first when asked.
std::vector<int> saveOrder(const std::vector<SaveItem> &items, const SaveLayout &layout, int threads)
{
    std::vector<int> order(items.size());
    std::iota(order.begin(), order.end(), 0);
    if (layout.largestFirst && threads > 1) {
        std::vector<qint64> sizes;
        for (const SaveItem &item : items)
            sizes.push_back(QFileInfo(item.source).size());
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return sizes[std::size_t(a)] > sizes[std::size_t(b)]; });
    }
    return order;
}

// Writes item `i` (not yet in place: the caller's capture holds the file), or tells why not.
void writeItem(const SaveRun &run, int i, SaveOutcome &outcome)
{
    try {
        const SaveLayout &layout = run.layout;
        const std::shared_ptr<const OpenFolder> folder =
            itemFolder(run.outputFolder, run.settings.folder, i < layout.subfolders.size() ? layout.subfolders[i] : QString(),
                       outcome.path);
        const QByteArray name = fileNameToBytes(outcome.path.mid(outcome.path.lastIndexOf(QLatin1Char('/')) + 1));
        std::optional<AtomicFile::Placement> placement;
        if (folder) {
            checkNameFits(*folder, name, outcome.path).valueOrThrow();
            // Only a shortcut: whether the name is free is settled when the file is linked.
            if (layout.keepExisting && nameTaken(*folder, name)) {
                outcome.keptExisting = true;
                throw StepFailure(existsFailure(outcome.path));
            }
            placement.emplace(outcome.path, AtomicTarget{folder, name, layout.keepExisting, &run.protectedFiles});
        }
        const SaveResult saved = saveItem(run.items[std::size_t(i)], outcome.path, run.settings, run.protectedFiles);
        outcome.written = saved.written();
        outcome.note = saved.note();
        if (!saved.ok()) {
            outcome.failure = saved.failure().description();
            outcome.detail = saved.failure().detail();
        }
    } catch (const StepFailure &failure) {
        outcome.failure = failure.description();
        outcome.detail = failure.detail();
    } catch (...) {
        outcome.failure = outcome.detail = caughtExceptionText();
    }
}

} // namespace

std::vector<SaveOutcome> saveItems(const SaveSettings &settings, const std::vector<SaveItem> &items,
                                   const QStringList &protectedSources,
                                   const std::function<void(int, const SaveOutcome &)> &written,
                                   int workers, const std::atomic<bool> *stop, const SaveLayout &layout)
{
    const int count = int(items.size());
    // Sources are known by identity, built once: a check per item is then a lookup.
    const FileIdentitySet protectedFiles(protectedSources);
    SaveRun run{settings, items, protectedFiles, nullptr, layout};
    // Opened once; what is written goes into this very folder whatever becomes of its path.
    // When it cannot be opened, each item tells why for itself.
    Outcome<std::shared_ptr<const OpenFolder>> output = openFolder(settings.folder, settings.folder);
    if (output.ok())
        run.outputFolder = std::move(output).value();
    std::vector<SaveOutcome> outcomes = plannedOutcomes(settings, items, layout);

    int threads = workers > 0 ? workers : int(std::max(1u, std::thread::hardware_concurrency()));
    threads = std::min<int>(threads, count);
    // Each item's wait for the disk overlaps the making of the next one; its outcome (and
    // `written`) comes once the file is on the disk under its name, in the order handed over.
    CommitBehind behind(std::size_t(std::max(1, threads)) * 2);
    const std::vector<int> order = saveOrder(items, layout, threads);
    std::atomic<int> next{0};
    auto work = [&] {
        for (int n = next++; n < count; n = next++) {
            const int i = order[std::size_t(n)];
            if (stop && stop->load())
                return;
            SaveOutcome &outcome = outcomes[std::size_t(i)];
            CommitBehind::Capture capture;
            writeItem(run, i, outcome);
            std::unique_ptr<PendingCommit> pending = capture.take();
            if (!outcome.written)
                pending.reset(); // a file whose item failed after all is not put in place
            behind.hand(std::move(pending), [&outcome, &written, i](const StepFailure *failure) {
                if (failure) {
                    outcome.written = false;
                    outcome.failure = failure->description();
                    outcome.detail = failure->detail();
                    outcome.keptExisting = failure->description() == existsFailure(outcome.path);
                }
                if (written)
                    written(i, outcome);
            });
        }
    };

    // The workers count their pictures against the budget of the batch that called, if any.
    const std::shared_ptr<const PixelBudget> budget = PixelBudgetScope::current();
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back([&work, budget] {
            const PixelBudgetScope batchBudget(budget);
            work();
        });
    work();
    for (std::thread &t : pool)
        t.join();
    behind.finishAll();
    return outcomes;
}

std::vector<SaveOutcome> saveResults(const SaveSettings &settings, const QStringList &sourcePaths,
                                     const ResultList &results, int workers, const std::atomic<bool> *stop)
{
    return saveItems(settings, itemsToSave(sourcePaths, results), sourcePaths, {}, workers, stop);
}

std::vector<SaveOutcome> saveResults(const SaveSettings &settings, const BatchSession &session, int workers,
                                     const std::atomic<bool> *stop,
                                     const std::function<void(int, const SaveOutcome &)> &written)
{
    const QStringList items = session.sources().mid(0, session.itemsDone());
    return saveItems(settings, itemsToSave(items, session.results()), session.sources(), written, workers, stop);
}

} // namespace lumivex
