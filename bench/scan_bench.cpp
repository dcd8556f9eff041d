// SPDX-License-Identifier: GPL-3.0-or-later
// Times "Add All File(s) In Folder" over a tree of 20,000 files and counts how often the list
// repainted while the scan was running.
//   scan_bench [FILES]
#include "ui/form1.h"
#include "ui/image_list_view.h"
#include "scripted_dialogs.h"
#include "core/settings_store.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
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

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int files = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20000;
    QTemporaryDir dir;
    const int perFolder = 200;
    for (int i = 0; i < files; ++i) {
        const QString folder = dir.filePath(QStringLiteral("d%1/e%2").arg(i / (perFolder * 10)).arg(i / perFolder));
        if (i % perFolder == 0)
            QDir().mkpath(folder);
        QFile file(folder + QStringLiteral("/IMG_%1.JPG").arg(i, 5, 10, QLatin1Char('0')));
        file.open(QIODevice::WriteOnly);
    }

    lumivex::SettingsStore settings(dir.filePath(QStringLiteral("settings.conf")));
    lumivex::testing::ScriptedDialogs dialogs;
    lumivex::Form1 window(settings, dialogs);
    window.show();
    QCoreApplication::processEvents();
    PaintCounter counter;
    window.ListView1->viewport()->installEventFilter(&counter);
    dialogs.inputs.push_back(QStringLiteral("jpg"));
    dialogs.folderAnswers.push_back(dir.path());
    QElapsedTimer timer;
    timer.start();
    window.PushButton8_Click();
    while (window.isScanning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("%d files added in %.2f s; the list repainted %d times during the scan\n",
                window.ListView1->count(), seconds, counter.paints);
    return window.ListView1->count() == files ? 0 : 1;
}
