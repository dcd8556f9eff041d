// SPDX-License-Identifier: GPL-3.0-or-later
// Runs brightness over a list of small pictures through the main window and measures how live
// the window stays: ticks of a 10 ms timer on the GUI thread, the longest gap between two, and
// repaints of the progress bar during the run. Then a second run cancelled with Esc at a fifth
// of the list.
//   window_run_bench [PICTURES]    (500 by default, 320 x 240 JPEGs)
#include "ui/form1.h"
#include "ui/form2.h"
#include "engine/batch_session.h"
#include "scripted_dialogs.h"
#include "core/settings_store.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>

namespace {

class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Liveness {
    int ticks = 0;
    qint64 longestGapMs = 0;
    double seconds = 0;
};

// Handles events until the window's run has ended, counting the ticks of a 10 ms timer.
Liveness waitForRun(lumivex::Form1 &window)
{
    Liveness live;
    QElapsedTimer clock, sinceTick;
    clock.start();
    sinceTick.start();
    QTimer tick;
    QEventLoop loop;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        ++live.ticks;
        live.longestGapMs = std::max(live.longestGapMs, sinceTick.restart());
        if (!window.isRunning())
            loop.quit();
    });
    tick.start(10);
    loop.exec();
    live.seconds = clock.nsecsElapsed() / 1e9;
    return live;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 500;
    QTemporaryDir dir;
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        QImage image(320, 240, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.fillRect(image.rect(), QColor::fromHsv(i * 7 % 360, 120, 200));
        painter.setBrush(QColor::fromHsv(i * 13 % 360, 200, 90));
        painter.drawEllipse(i % 200, i % 120, 100, 80);
        painter.end();
        paths << dir.filePath(QStringLiteral("pic%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
        image.save(paths.last(), "jpeg", 90);
    }

    lumivex::SettingsStore settings(dir.filePath(QStringLiteral("settings.conf")));
    lumivex::testing::ScriptedDialogs dialogs;
    lumivex::Form1 window(settings, dialogs);
    window.show();
    window.addCommandLinePaths(paths);
    window.Slider2->setValue(25);
    QCoreApplication::processEvents();
    PaintCounter counter;
    window.ProgressBar1->installEventFilter(&counter);

    window.PushButton2_Click();
    const Liveness whole = waitForRun(window);
    lumivex::Form2 *results = window.existingResults();
    std::printf("%d pictures in %.2f s: %d timer ticks of 10 ms on the GUI thread (longest gap %lld ms), "
                "%d progress-bar repaints; %d results listed\n",
                count, whole.seconds, whole.ticks, static_cast<long long>(whole.longestGapMs), counter.paints,
                results ? results->ListView1->topLevelItemCount() : 0);

    // Back to the list, then a run cancelled with Esc once a fifth of it is done.
    results->PushButton8_Click();
    counter.paints = 0;
    QElapsedTimer sinceEsc;
    const QMetaObject::Connection watch =
        QObject::connect(window.ProgressBar1, &QProgressBar::valueChanged, [&](int value) {
            if (value >= 20 && !sinceEsc.isValid()) {
                sinceEsc.start();
                QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QCoreApplication::sendEvent(&window, &esc);
            }
        });
    window.PushButton2_Click();
    const Liveness cancelled = waitForRun(window);
    QObject::disconnect(watch);
    std::printf("Esc at 20%%: the run ended %.0f ms later with %d of %d items in the results window "
                "(%d ticks, longest gap %lld ms, %d repaints)\n",
                sinceEsc.isValid() ? sinceEsc.nsecsElapsed() / 1e6 : -1.0, results->ListView1->topLevelItemCount(),
                count, cancelled.ticks, static_cast<long long>(cancelled.longestGapMs), counter.paints);
    return results->session().wasCancelled() ? 0 : 1;
}
