// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings_store.h"
#include "scripted_dialogs.h"
#include "window_parts.h"
#include "test_images.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/image_list_view.h"
#include "ui/keyboard.h"
#include "ui/picture_box.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace lumivex;
using namespace lumivex::testing;

namespace {

struct Fixture : WindowParts {
    Form1 main{settings, dialogs};

    bool showActive(QWidget &window)
    {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
};

QWidget *focused() { return QApplication::focusWidget(); }

// Every key goes to whatever has the focus, as from a keyboard.
void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget *target = focused();
    ASSERT_NE(target, nullptr) << "nothing has the focus";
    QTest::keyClick(target, Qt::Key(key), modifiers);
}

// The controls Tab visits, once round from the focus back to it, each checked for a visible ring
// around it. Only what Tab itself reaches counts.
QList<QWidget *> tabRound(QWidget &window)
{
    QList<QWidget *> seen;
    FocusRing *ring = window.findChild<FocusRing *>();
    EXPECT_NE(ring, nullptr);
    QWidget *start = focused();
    for (int i = 0; i < 60; ++i) {
        press(Qt::Key_Tab);
        QWidget *now = focused();
        if (!now || seen.contains(now))
            break;
        seen << now;
        if (ring) {
            const QRect control(now->mapTo(&window, QPoint(0, 0)), now->size());
            EXPECT_TRUE(ring->isVisible() && ring->target() == now && ring->geometry().contains(control))
                << now->metaObject()->className() << " has the focus without a ring around it";
        }
        if (now == start)
            break;
    }
    EXPECT_TRUE(seen.contains(start)) << "Tab never comes back round";
    return seen;
}

void tabTo(QWidget *control)
{
    for (int i = 0; i < 60 && focused() != control; ++i)
        press(Qt::Key_Tab);
    ASSERT_EQ(focused(), control) << control->metaObject()->className() << " is never reached by Tab";
}

} // namespace

TEST(Keyboard, AWholeBatchFromTheKeyboardAlone)
{
    Fixture f;
    const QString out = f.dir.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(out));
    QStringList sources;
    for (int i = 0; i < 3; ++i)
        sources << writePicture(f.dir, QStringLiteral("k%1.png").arg(i), noisyPicture(901 + i, 503, unsigned(i + 1)));
    f.main.addCommandLinePaths(sources);
    ASSERT_TRUE(f.showActive(f.main));

    // The list has the focus first, and Tab reaches every control of the main window.
    QTRY_COMPARE(focused(), static_cast<QWidget *>(f.main.ListView1));
    const QList<QWidget *> mainStops = tabRound(f.main);
    for (QWidget *control : std::initializer_list<QWidget *>{
             f.main.ListView1, f.main.PushButton7, f.main.PushButton8, f.main.PushButton1, f.main.PushButton3,
             f.main.Slider2, f.main.PushButton2, f.main.Slider3, f.main.PushButton4, f.main.Slider4,
             f.main.PushButton5, f.main.Slider5, f.main.PushButton6})
        EXPECT_TRUE(mainStops.contains(control)) << control->metaObject()->className() << " "
                                                 << control->accessibleName().toStdString();

    // The slider from the keyboard, then Enter on its Start button.
    tabTo(f.main.Slider2);
    press(Qt::Key_Right);
    EXPECT_EQ(f.main.Slider2->value(), 1);
    tabTo(f.main.PushButton2);
    press(Qt::Key_Return);
    Form2 *results = f.main.existingResults();
    ASSERT_NE(results, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.main.isRunning() && results->isVisible(); }, 30000));
    ASSERT_TRUE(QTest::qWaitForWindowActive(results));
    EXPECT_EQ(results->resultList().items().size(), 3);
    // The first pair, with the bars its size gives the panes.
    QTRY_VERIFY_WITH_TIMEOUT(!results->panesPending(), 20000);

    // Tab reaches the list and every control of the results window, the panes and their bars too.
    QTRY_VERIFY(focused() && focused()->window() == results);
    const QList<QWidget *> resultStops = tabRound(*results);
    for (QWidget *control : std::initializer_list<QWidget *>{
             results->ListView1, results->Picture3, results->VScroll2, results->HScroll2, results->Picture2,
             results->VScroll1, results->HScroll1, results->Text1, results->PushButton7, results->Option2,
             results->Slider1, results->PushButton8, results->PushButton6})
        EXPECT_TRUE(resultStops.contains(control)) << control->metaObject()->className() << " "
                                                   << control->accessibleName().toStdString();

    // Down in the list shows the second pair.
    tabTo(results->ListView1);
    press(Qt::Key_Down);
    QTRY_COMPARE_WITH_TIMEOUT(results->Picture4->picture().width(), 902, 20000);

    // The Before pane scrolls from the keyboard; the After pane stays where it is.
    tabTo(results->Picture3);
    PreviewPane &before = results->beforePane();
    const int tpp = twipsPerPixel();
    press(Qt::Key_Down);
    EXPECT_EQ(before.top(), -before.verticalUnit() * (kArrowKeyTwips / before.verticalUnit()));
    EXPECT_EQ(results->Picture4->y(), before.top() / tpp) << "the picture follows the pane";
    press(Qt::Key_Right);
    EXPECT_LT(before.left(), 0);
    press(Qt::Key_End);
    EXPECT_EQ(before.hBar().value, before.hBar().maximum);
    EXPECT_EQ(before.vBar().value, before.vBar().maximum);
    EXPECT_EQ(results->VScroll2->value(), before.vBar().maximum) << "the bar shows it";
    press(Qt::Key_Home);
    EXPECT_EQ(before.left(), 0);
    EXPECT_EQ(before.top(), 0);
    press(Qt::Key_PageDown);
    EXPECT_EQ(before.vBar().value, std::min(before.vBar().maximum, before.innerHeight() / before.verticalUnit()));
    press(Qt::Key_PageDown, Qt::ShiftModifier);
    EXPECT_EQ(before.hBar().value, std::min(before.hBar().maximum, before.innerWidth() / before.horizontalUnit()));
    press(Qt::Key_PageUp);
    EXPECT_EQ(before.vBar().value, 0);
    EXPECT_EQ(results->afterPane().left(), 0);
    EXPECT_EQ(results->afterPane().top(), 0);
    // A bar with the focus moves its own pane the same way.
    tabTo(results->VScroll1);
    press(Qt::Key_End);
    EXPECT_EQ(results->afterPane().vBar().value, results->afterPane().vBar().maximum);
    // F shows both whole, and again at 100 %.
    press(Qt::Key_F);
    EXPECT_TRUE(results->fitsWholePicture());
    press(Qt::Key_F);
    EXPECT_FALSE(results->fitsWholePicture());

    // The output folder typed, then Space on "Save Results".
    tabTo(results->Text1);
    press(Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(focused(), out + QLatin1Char('/'));
    EXPECT_EQ(results->Text1->text(), out + QLatin1Char('/'));
    tabTo(results->PushButton6);
    press(Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !results->isSaving(); }, 30000));
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), 3);
    ASSERT_FALSE(f.dialogs.plainMessages().empty());
    EXPECT_EQ(f.dialogs.plainMessages().back().text, QStringLiteral("Done."));
    EXPECT_TRUE(f.dialogs.reports().empty());
}

TEST(Keyboard, EnterPressesAFocusedButtonAndShortcutsAreShownInTooltips)
{
    Fixture f;
    f.main.ListView1->append(f.dir.filePath(QStringLiteral("x.png")));
    ASSERT_TRUE(f.showActive(f.main));
    f.main.PushButton1->setFocus();
    press(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(f.main.ListView1->count(), 0) << "Enter on the keypad cleared the list";
    f.main.PushButton7->setFocus();
    press(Qt::Key_Return);
    EXPECT_EQ(f.dialogs.fileDialogs.size(), 1u);

    // Ctrl+O from anywhere in the window, shown on the button it presses.
    f.main.ListView1->setFocus();
    press(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(f.dialogs.fileDialogs.size(), 2u);
    EXPECT_TRUE(f.main.PushButton7->toolTip().contains(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(f.main.PushButton7->text(), QStringLiteral("Add Image File(s)")) << "the text stays";
    for (QPushButton *start : {f.main.PushButton2, f.main.PushButton4, f.main.PushButton5, f.main.PushButton6})
        EXPECT_TRUE(start->toolTip().contains(QStringLiteral("Esc")));

    // F1: the keys, the version and the licence.
    press(Qt::Key_F1);
    ASSERT_FALSE(f.dialogs.plainMessages().empty());
    const QString help = f.dialogs.plainMessages().back().text;
    for (const char *key : {"Ctrl+O", "Ctrl+S", "Esc", "F1", "Tab", "Page Up", "Home"})
        EXPECT_TRUE(help.contains(QLatin1String(key))) << key;
    EXPECT_TRUE(help.contains(QRegularExpression(QStringLiteral("Lumivex \\d+\\.\\d+"))));
    EXPECT_TRUE(help.contains(QStringLiteral("GPL-3.0-or-later")));

    Form2 *results = f.main.resultsWindow();
    ASSERT_TRUE(f.showActive(*results));
    EXPECT_TRUE(results->PushButton6->toolTip().contains(QStringLiteral("Ctrl+S")));
    EXPECT_TRUE(results->PushButton6->toolTip().contains(QStringLiteral("Esc")));
    const std::size_t before = f.dialogs.plainMessages().size();
    results->ListView1->setFocus();
    press(Qt::Key_F1);
    ASSERT_EQ(f.dialogs.plainMessages().size(), before + 1);
    EXPECT_EQ(f.dialogs.plainMessages().back().text, help);
    // Ctrl+S presses "Save Results": with no such folder it says so.
    results->Text1->setText(f.dir.filePath(QStringLiteral("nowhere/")));
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(f.dialogs.plainMessages().back().text, QStringLiteral("Output folder does not exist."));
}

TEST(Keyboard, TheFocusRingIsTwoPixelsOfTheHighlightColour)
{
    Fixture f;
    ASSERT_TRUE(f.showActive(f.main));
    for (QWidget *control : std::initializer_list<QWidget *>{f.main.PushButton8, f.main.Slider3, f.main.ListView1}) {
        control->setFocus();
        QTRY_COMPARE(focused(), control);
        const QImage shot = f.main.grab().toImage();
        const QRect at(control->mapTo(&f.main, QPoint(0, 0)), control->size());
        const QColor highlight = f.main.palette().color(QPalette::Active, QPalette::Highlight);
        const int y = at.center().y();
        for (int outside = 1; outside <= FocusRing::kWidth; ++outside) {
            EXPECT_EQ(QColor(shot.pixel(at.left() - outside, y)), highlight) << "left, " << outside;
            EXPECT_EQ(QColor(shot.pixel(at.right() + outside, y)), highlight) << "right, " << outside;
            EXPECT_EQ(QColor(shot.pixel(at.center().x(), at.top() - outside)), highlight) << "top, " << outside;
        }
        EXPECT_NE(QColor(shot.pixel(at.left() - FocusRing::kWidth - 1, y)), highlight) << "no wider than 2 px";
    }
}
