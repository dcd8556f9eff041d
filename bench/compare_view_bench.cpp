// SPDX-License-Identifier: GPL-3.0-or-later
// The compare view's latency: from a slider value handed to the view to the After with that
// value on screen, for each adjustment, with the view fitted and at 100 %; then a drag of 40
// values 4 ms apart (how many were dropped, and how long the last one took). Beside each, the
// adjusting alone on the same decode, the floor the view stands on.
//   compare_view_bench PICTURE.jpg [REPEATS]   (a 12 MP JPEG: convert -resize 4000x3000! ...)
// Runs offscreen unless QT_QPA_PLATFORM says otherwise.
#include "core/settings_store.h"
#include "engine/pipeline.h"
#include "engine/preview_job.h"
#include "ui/compare_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace lumivex;

namespace {

// Handles events until `done` holds or 20 s pass; false on the timeout.
template <class Done> bool waitFor(Done done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 20000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

struct Shown {
    int count = 0;
};

// How long the GUI thread goes without handling a 2 ms timer while this lives: it never waits
// for the worker, so the longest gap is what the machine's other load costs, and no more.
struct GuiGaps {
    qint64 longest = 0;
    QElapsedTimer sinceTick;
    QTimer tick;

    GuiGaps()
    {
        sinceTick.start();
        QObject::connect(&tick, &QTimer::timeout, [this] { longest = std::max(longest, sinceTick.restart()); });
        tick.start(2);
    }
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Hands `strength` to the view and waits until its After is painted; milliseconds.
double oneMove(CompareView &view, Shown &shown, const QString &path, AdjustmentKind kind, int strength)
{
    QElapsedTimer clock;
    clock.start();
    view.showPreview(path, kind, strength);
    const int before = shown.count;
    if (!waitFor([&] { return shown.count > before && !view.isPending() && view.shown().strength == strength; }))
        std::fprintf(stderr, "timed out\n");
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: compare_view_bench PICTURE.jpg [REPEATS]\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const int repeats = argc > 2 ? std::max(1, atoi(argv[2])) : 9;
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("Lumivex.conf")));
    CompareView view(settings);
    view.resize(1400, 800);
    view.present();
    Shown shown;
    QObject::connect(&view, &CompareView::afterShown, [&] { ++shown.count; });

    QElapsedTimer first;
    first.start();
    oneMove(view, shown, path, AdjustmentKind::Brightness, 0);
    const QImage decoded = view.canvas()->before();
    std::printf("%s: %d x %d; first show (decode + adjust + paint) %.0f ms\n", argv[1], decoded.width(),
                decoded.height(), first.nsecsElapsed() / 1e6);

    struct Case {
        AdjustmentKind kind;
        const char *name;
        int from, step;
    } cases[] = {{AdjustmentKind::Brightness, "brightness", 10, 7},
                 {AdjustmentKind::Contrast, "contrast", 60, 3},
                 {AdjustmentKind::Softening, "softening", 2, 1},
                 {AdjustmentKind::Sharpening, "sharpening", 2, 1}};
    std::printf("\n%-11s %-5s %12s %12s %14s\n", "adjustment", "zoom", "median ms", "max ms", "adjust-only ms");
    for (const Case &c : cases) {
        std::vector<double> floor;
        for (int i = 0; i < repeats; ++i) {
            QElapsedTimer clock;
            clock.start();
            const QImage out = adjustPicture(c.kind, decoded, c.from + (i % 5) * c.step);
            floor.push_back(clock.nsecsElapsed() / 1e6);
        }
        for (bool actual : {false, true}) {
            if (actual)
                view.canvas()->zoom().zoomTo(1);
            else
                view.canvas()->zoom().fit();
            view.canvas()->zoomChanged();
            std::vector<double> times;
            for (int i = 0; i < repeats; ++i)
                times.push_back(oneMove(view, shown, path, c.kind, c.from + (i % 5) * c.step + (i % 2)));
            std::printf("%-11s %-5s %12.1f %12.1f %14.1f\n", c.name, actual ? "100%" : "fit", median(times),
                        *std::max_element(times.begin(), times.end()), median(floor));
        }
    }

    // A drag: values arrive faster than filters can be made; the passed ones must be dropped.
    std::printf("\ndrag of 40 values 4 ms apart (fit); the GUI thread's longest gap between 2 ms ticks:\n");
    view.canvas()->zoom().fit();
    view.canvas()->zoomChanged();
    {
        // The same ticks over half a second with nothing to do: what the machine's other load costs.
        GuiGaps gaps;
        QElapsedTimer idle;
        idle.start();
        while (idle.elapsed() < 500)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        std::printf("  idle        longest GUI gap %lld ms\n", static_cast<long long>(gaps.longest));
    }
    for (const Case &c : cases) {
        const int droppedBefore = view.job().dropped();
        const int shownBefore = shown.count;
        const int span = c.kind == AdjustmentKind::Brightness ? 80 : c.kind == AdjustmentKind::Contrast ? 40 : 9;
        GuiGaps gaps;
        QElapsedTimer clock;
        clock.start();
        int last = 0;
        for (int i = 0; i < 40; ++i) {
            last = c.from + (i % span);
            if (c.kind == AdjustmentKind::Softening || c.kind == AdjustmentKind::Sharpening)
                last = 1 + (i % 10);
            view.showPreview(path, c.kind, last);
            QElapsedTimer gap;
            gap.start();
            while (gap.elapsed() < 4)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        QElapsedTimer tail;
        tail.start();
        waitFor([&] { return !view.isPending() && view.shown().strength == last && shown.count > shownBefore; });
        gaps.tick.stop();
        std::printf("  %-11s %.0f ms in all, %d shown, %d dropped, last shown %.0f ms after the last move, "
                    "longest GUI gap %lld ms\n",
                    c.name, clock.nsecsElapsed() / 1e6, shown.count - shownBefore, view.job().dropped() - droppedBefore,
                    tail.nsecsElapsed() / 1e6, static_cast<long long>(gaps.longest));
    }
    std::printf("\ndecodes of the source: %d\n", view.job().decodes());
    return 0;
}
