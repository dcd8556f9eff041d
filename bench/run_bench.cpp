// SPDX-License-Identifier: GPL-3.0-or-later
// Times a whole run without the window against merely decoding the same files on all cores.
//   run_bench [FOLDER]        FOLDER: photos to use; without it, 20 photo-like 12-megapixel
//                             JPEGs are drawn into a temporary folder first.
//   run_bench --draw FOLDER   only draws those 20 JPEGs into FOLDER.
//   run_bench --save FOLDER   also times saving the brightness results as JPEG q85 on one
//                             core and on all cores.
//   run_bench --many N FOLDER [BUDGET_MB]
//                             a brightness run over N pictures (the folder's files listed under
//                             N distinct names), a decode-only pass over the same files, and a
//                             JPEG q85 save of all of them, with the time and peak memory of
//                             each; results beyond BUDGET_MB (default: none, as in the program)
//                             are kept as recipes.
#include "engine/batch_session.h"
#include "engine/decode_ahead.h"
#include "core/paths.h"
#include "core/error_report.h"
#include "engine/save_results.h"
#include "core/picture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <random>
#include <thread>

using namespace lumivex;

namespace {

class QuietReporter : public ErrorReporter {
public:
    int failures = 0;
    void ShowErrorReport(const QString &, int, const QString &d) override
    {
        ++failures;
        std::fprintf(stderr, "report: %s\n", qPrintable(d));
    }
};

// A whole session as the window runs it, this thread standing in for the window's.
std::shared_ptr<BatchSession> runSession(AdjustmentKind kind, const QStringList &paths, int value, QuietReporter &reporter,
                                         std::size_t budget = 0)
{
    auto session = std::make_shared<BatchSession>(kind, paths);
    if (budget > 0)
        session->results().setMemoryBudget(budget);
    SessionRun run(session, reporter);
    QEventLoop loop;
    QObject::connect(&run, &SessionRun::finished, &loop, &QEventLoop::quit);
    run.start(value);
    loop.exec();
    return session;
}

QStringList drawPhotos(const QString &folder, int count)
{
    QStringList paths;
    std::mt19937 random(3);
    for (int i = 0; i < count; ++i) {
        QImage image(4000, 3000, QImage::Format_RGB32);
        QPainter p(&image);
        QLinearGradient g(0, 0, 4000, 3000);
        g.setColorAt(0, QColor::fromHsv(int(random() % 360), 120, 200));
        g.setColorAt(1, QColor::fromHsv(int(random() % 360), 200, 60));
        p.fillRect(image.rect(), g);
        for (int k = 0; k < 60; ++k) {
            p.setBrush(QColor::fromHsv(int(random() % 360), int(random() % 255), int(random() % 255)));
            p.setPen(Qt::NoPen);
            p.drawEllipse(QPoint(int(random() % 4000), int(random() % 3000)), int(random() % 500), int(random() % 500));
        }
        p.end();
        // Grain, as a camera gives, so the encoder has real work.
        for (int y = 0; y < image.height(); ++y) {
            auto *line = image.scanLine(y);
            for (int x = 0; x < image.width() * 4; ++x)
                line[x] = std::uint8_t(std::clamp(int(line[x]) + int(random() % 13) - 6, 0, 255));
        }
        const QString path = QDir(folder).filePath(QStringLiteral("photo%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
        image.save(path, "jpeg", 90);
        paths << path;
    }
    return paths;
}

double decodeOnly(const QStringList &paths, int threads)
{
    QElapsedTimer timer;
    timer.start();
    std::atomic<int> next{0};
    auto work = [&] {
        QImage image;
        for (int i = next++; i < paths.size(); i = next++)
            (void)decodePictureInto(paths[i], image);
    };
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back(work);
    for (auto &t : pool)
        t.join();
    return timer.nsecsElapsed() / 1e9;
}

long peakMemoryMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong() / 1024;
    return -1;
}

double timeSave(const ResultList &results, const QStringList &paths, int workers, const QString &folder)
{
    SaveSettings settings;
    settings.folder = folder;
    settings.format = OutputFormat::Jpeg;
    settings.quality = 85;
    settings.resultWord = results.resultWord;
    QElapsedTimer timer;
    timer.start();
    int failed = 0;
    for (const SaveOutcome &o : saveResults(settings, paths, results, workers))
        failed += o.written ? 0 : 1;
    if (failed)
        std::fprintf(stderr, "%d files not saved\n", failed);
    return timer.nsecsElapsed() / 1e9;
}

QStringList jpegsIn(const QString &folder)
{
    QStringList paths;
    const QDir dir(folder);
    for (const QString &name : dir.entryList({QStringLiteral("*.jpg"), QStringLiteral("*.JPG"), QStringLiteral("*.jpeg")}, QDir::Files, QDir::Name))
        paths << dir.absoluteFilePath(name);
    return paths;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QTemporaryDir scratch;
    QStringList paths;
    if (argc > 2 && QLatin1String(argv[1]) == QLatin1String("--draw")) {
        QDir().mkpath(QString::fromLocal8Bit(argv[2]));
        drawPhotos(QString::fromLocal8Bit(argv[2]), 20);
        return 0;
    }
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    if (argc > 3 && QLatin1String(argv[1]) == QLatin1String("--many")) {
        const int count = QString::fromLocal8Bit(argv[2]).toInt();
        const QStringList originals = jpegsIn(QString::fromLocal8Bit(argv[3]));
        if (originals.isEmpty() || count < 1)
            return 2;
        QStringList many;
        for (int i = 0; i < count; ++i) {
            const QString link = scratch.filePath(QStringLiteral("pic%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
            QFile::link(originals[i % originals.size()], link);
            many << link;
        }
        QuietReporter reporter;
        QElapsedTimer timer;
        timer.start();
        const std::shared_ptr<BatchSession> session = runSession(AdjustmentKind::Brightness, many, 20, reporter,
                                                                 argc > 4 ? std::size_t(QString::fromLocal8Bit(argv[4]).toULongLong()) << 20 : 0);
        const ResultList &list = session->results();
        const double run = timer.nsecsElapsed() / 1e9;
        int recipes = 0;
        for (int i = 0; i < count; ++i)
            recipes += list.exists(i) && list.picture(i).isRecipe() ? 1 : 0;
        std::printf("run of %d pictures: %.1f s, %d kept as recipes, %.1f GB held, peak memory %.1f GB, %d reports\n", count, run,
                    recipes, list.memoryInUse() / 1e9, peakMemoryMegabytes() / 1024.0, reporter.failures);
        const double decode = decodeOnly(many, cores);
        std::printf("decode-only of the same files on %d cores: %.1f s; the run is %.2f x that\n", cores, decode, run / decode);
        QDir(scratch.path()).mkpath(QStringLiteral("out"));
        const double save = timeSave(list, many, cores, scratch.filePath(QStringLiteral("out")));
        std::printf("save as JPEG q85 on %d cores: %.1f s, %d files, peak memory %.1f GB\n", cores, save,
                    int(QDir(scratch.filePath(QStringLiteral("out"))).entryList(QDir::Files).size()), peakMemoryMegabytes() / 1024.0);
        return 0;
    }
    const bool timeSaving = argc > 2 && QLatin1String(argv[1]) == QLatin1String("--save");
    const QString folderArgument = timeSaving ? QString::fromLocal8Bit(argv[2]) : (argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString());
    if (!folderArgument.isEmpty()) {
        paths = jpegsIn(folderArgument);
    } else {
        std::fprintf(stderr, "drawing 20 photo-like 12-megapixel JPEGs…\n");
        paths = drawPhotos(scratch.path(), 20);
    }
    if (paths.isEmpty()) {
        std::fprintf(stderr, "no JPEG files found\n");
        return 2;
    }
    decodeOnly(paths, cores); // warm the page cache
    std::printf("%d files, %d cores\n", int(paths.size()), cores);
    const struct { AdjustmentKind kind; int value; } runs[] = {
        {AdjustmentKind::Brightness, 20}, {AdjustmentKind::Contrast, 75},
        {AdjustmentKind::Softening, 5}, {AdjustmentKind::Sharpening, 5}};
    {
        // The first run takes memory the process has never touched, which on some virtual
        // machines costs more than decoding; a user's run after the first does not.
        QuietReporter reporter;
        runSession(AdjustmentKind::Brightness, paths, 20, reporter);
    }
    // A shared machine's speed drifts within minutes: each run is timed right after a
    // decode-only pass, and the ratio of the pair is what is compared.
    for (const auto &r : runs) {
        QuietReporter reporter;
        std::shared_ptr<BatchSession> session;
        std::vector<double> ratios, times, decodes;
        for (int k = 0; k < 5; ++k) {
            session.reset();
            const double decode = decodeOnly(paths, cores);
            QElapsedTimer timer;
            timer.start();
            session = runSession(r.kind, paths, r.value, reporter);
            const double seconds = timer.nsecsElapsed() / 1e9;
            times.push_back(seconds);
            decodes.push_back(decode);
            ratios.push_back(seconds / decode);
        }
        std::sort(ratios.begin(), ratios.end());
        std::sort(times.begin(), times.end());
        std::sort(decodes.begin(), decodes.end());
        std::printf("%-12s %8.3f s   decode-only %6.3f s   run / decode-only = %.2f   (medians of 5 pairs)\n",
                    adjustmentInfo(r.kind).name, times[2], decodes[2], ratios[2]);
        if (timeSaving && r.kind == AdjustmentKind::Brightness) {
            QDir(scratch.path()).mkpath(QStringLiteral("saved"));
            const double one = timeSave(session->results(), paths, 1, scratch.filePath(QStringLiteral("saved")));
            const double all = timeSave(session->results(), paths, cores, scratch.filePath(QStringLiteral("saved")));
            std::printf("save %d results as JPEG q85: 1 core %.3f s, %d cores %.3f s (%.2fx faster)\n", int(paths.size()), one,
                        cores, all, one / all);
        }
    }
    return 0;
}
