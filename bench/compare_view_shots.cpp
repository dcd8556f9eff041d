// SPDX-License-Identifier: GPL-3.0-or-later
// Screenshots of the compare view as a user meets it, on a real display (run it under xvfb-run):
// before Start from the main window, fitted and at 100 %, then after a run from the results
// window, fitted, at 100 %, on a failed item and split. Each is the whole screen.
//   compare_view_shots PICTURE OUT_PREFIX [dark]
// "dark" gives the application the Fusion style with a dark palette, as a dark desktop theme would.
// The language is the user's, as the program chooses it; the tooltip, context menu and F1 box shots
// show the texts that a fixed layout does not place.
#include "core/dialogs.h"
#include "core/paths.h"
#include "core/settings_store.h"
#include "ui/compare_view.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/image_list_view.h"
#include "ui/keyboard.h"
#include "ui/qt_dialogs.h"
#include "ui/translations.h"
#include "scripted_dialogs.h"
#include "dark_palette.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QTreeWidget>
#include <cstdio>
#include <functional>

using namespace lumivex;
using lumivex::testing::darkPalette;

namespace {


CompareView *shownView()
{
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *view = qobject_cast<CompareView *>(top); view && view->isVisible())
            return view;
    return nullptr;
}

void settle(CompareView *view)
{
    if (!QTest::qWaitFor([view] { return view && !view->isPending() && (!view->canvas()->before().isNull() || !view->canvas()->after().isNull() || view->shown().result); }, 30000))
        std::fprintf(stderr, "the view did not settle\n");
    QTest::qWait(400);
}

void shoot(const QString &prefix, const char *name)
{
    const QString path = prefix + QLatin1Char('-') + QLatin1String(name) + QStringLiteral(".png");
    QGuiApplication::primaryScreen()->grabWindow(0).save(path);
    std::printf("%s\n", qPrintable(path));
}

// Shoots once `open` has put up a menu or a modal box, then closes it.
void shootWhileOpen(const QString &prefix, const char *name, const std::function<void()> &open)
{
    QTimer::singleShot(700, [prefix, name] {
        shoot(prefix, name);
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        else if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    open();
}

void key(CompareView *view, Qt::Key k)
{
    view->activateWindow();
    QTest::keyClick(view->focusWidget() ? view->focusWidget() : view->canvas(), k);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const bool dark = argc > 3 && QByteArray(argv[3]) == "dark";
    if (dark) {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(darkPalette());
    }
#ifdef LUMIVEX_BUILD_DIR
    setInstalledDataFolder(QStringLiteral(LUMIVEX_BUILD_DIR));
#endif
    installTranslations();
    const QString picture = QString::fromLocal8Bit(argv[1]);
    const QString prefix = QString::fromLocal8Bit(argv[2]);
    QTemporaryDir dir;
    const QString broken = dir.filePath(QStringLiteral("damaged.jpg"));
    {
        QFile source(picture), out(broken);
        source.open(QIODevice::ReadOnly);
        out.open(QIODevice::WriteOnly);
        out.write(source.read(20000)); // a JPEG cut short
    }
    SettingsStore settings(dir.filePath(QStringLiteral("Lumivex.conf")));
    settings.SaveSetting(QStringLiteral("Compare Window"), QStringLiteral("20,20,1240,820"));
    testing::ScriptedDialogs dialogs; // the damaged file's report is answered at once
    Form1 window(settings, dialogs);
    window.show();
    window.move(0, 0);
    window.addCommandLinePaths({picture, broken});
    QTest::qWait(300);

    shootWhileOpen(prefix, "menu-preview", [&] {
        QTreeWidget *list = window.ListView1;
        emit list->customContextMenuRequested(list->visualItemRect(list->topLevelItem(0)).center());
    });
    window.Slider3->setValue(80); // contrast, the panel touched last
    window.ListView1->setCurrentItem(window.ListView1->topLevelItem(0));
    window.ListView1->setFocus();
    QTest::keyClick(window.ListView1, Qt::Key_Space);
    CompareView *view = shownView();
    settle(view);
    shoot(prefix, "before-fit");
    key(view, Qt::Key_1);
    settle(view);
    shoot(prefix, "before-100");

    // The run: contrast at 80, the damaged file reported as the run reaches it.
    window.PushButton4_Click();
    if (!QTest::qWaitFor(
            [&] { return window.existingResults() && window.existingResults()->isVisible() && !window.isRunning(); }, 60000)) {
        std::fprintf(stderr, "the run did not end\n");
        return 1;
    }
    Form2 *results = window.existingResults();
    results->move(0, 0);
    results->ListView1->setCurrentItem(results->ListView1->topLevelItem(0));
    results->ListView1->setFocus();
    QTest::keyClick(results->ListView1, Qt::Key_Return);
    view = shownView();
    settle(view);
    shoot(prefix, "after-fit");
    {
        const QList<QToolButton *> buttons = view->findChildren<QToolButton *>();
        QToolButton *split = buttons.value(6);
        if (split) {
            QToolTip::showText(split->mapToGlobal(split->rect().bottomLeft()), split->toolTip(), split);
            QTest::qWait(500);
            shoot(prefix, "tooltip");
            QToolTip::hideText();
        }
    }
    key(view, Qt::Key_1);
    settle(view);
    shoot(prefix, "after-100");
    key(view, Qt::Key_S);
    settle(view);
    shoot(prefix, "after-split");
    key(view, Qt::Key_S);
    key(view, Qt::Key_PageDown);
    settle(view);
    shoot(prefix, "after-failed");
    shootWhileOpen(prefix, "menu-compare", [&] {
        QTreeWidget *list = results->ListView1;
        emit list->customContextMenuRequested(list->visualItemRect(list->topLevelItem(0)).center());
    });
    // The F1 box of the results window, as the real dialogs show it.
    QtDialogs boxes;
    shootWhileOpen(prefix, "help", [&] {
        boxes.message(results, keysHelpText(), applicationTitle(), Dialogs::Buttons::Ok, Dialogs::Icon::None);
    });
    // Time for an outside tool (an accessibility walk, say) to look at the windows.
    if (const int hold = qEnvironmentVariableIntValue("LUMIVEX_SHOTS_HOLD_MS"); hold > 0)
        QTest::qWait(hold);
    return 0;
}
