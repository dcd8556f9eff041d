// SPDX-License-Identifier: GPL-3.0-or-later
// Runs from a folder of its own: it puts a hand cursor file beside the program, as a user would.
#include "ui/form1.h"
#include "ui/form2.h"
#include "core/paths.h"
#include "engine/batch_session.h"
#include "scripted_dialogs.h"
#include "core/settings_store.h"

#include <QBuffer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <gtest/gtest.h>

using namespace lumivex;
using namespace lumivex::testing;

namespace {

const QPoint kHotSpot(13, 7);

// A 32 x 32 cursor file: Qt writes it as an icon, and an icon's directory differs from a
// cursor's only in its type and in the four bytes that hold a cursor's hot spot.
QByteArray cursorFile(QPoint hotSpot)
{
    QImage hand(32, 32, QImage::Format_ARGB32);
    hand.fill(Qt::transparent);
    for (int y = 4; y < 28; ++y)
        for (int x = 10; x < 20; ++x)
            hand.setPixel(x, y, qRgba(20, 20, 20, 255));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    hand.save(&buffer, "ICO");
    bytes[2] = 2;
    bytes[6 + 4] = char(hotSpot.x());
    bytes[6 + 5] = 0;
    bytes[6 + 6] = char(hotSpot.y());
    bytes[6 + 7] = 0;
    return bytes;
}

class HandBesideTheProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile file(joinPath(programFolder(), QStringLiteral("HAND-M.CUR")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(cursorFile(kHotSpot));
    }
    void TearDown() override { QFile::remove(joinPath(programFolder(), QStringLiteral("HAND-M.CUR"))); }

    // A plain move (no button held) over the middle of a control, through the window system.
    static void hover(QWidget *window, QWidget *over, QPoint at = QPoint(-1, -1))
    {
        if (at.x() < 0)
            at = over->rect().center();
        QTest::mouseMove(window, over->mapTo(window, at));
        QCoreApplication::processEvents();
    }
    static bool showsHand(const QWidget *window)
    {
        return window->cursor().shape() == Qt::BitmapCursor && window->cursor().hotSpot() == kHotSpot;
    }

    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("conf/Lumivex.conf"))};
    ScriptedDialogs dialogs;
};

} // namespace

TEST(CursorFile, HotSpotComesFromTheDirectoryEntry)
{
    QPoint hot;
    ASSERT_TRUE(cursorHotSpot(cursorFile(QPoint(21, 3)), &hot));
    EXPECT_EQ(hot, QPoint(21, 3));
    QByteArray wide = cursorFile(QPoint(0, 0));
    wide[6 + 5] = 1; // 256 + 0: both bytes of the little-endian word count
    ASSERT_TRUE(cursorHotSpot(wide, &hot));
    EXPECT_EQ(hot.x(), 256);

    QByteArray icon = cursorFile(QPoint(5, 5));
    icon[2] = 1; // an icon has planes and bit count there, no hot spot
    EXPECT_FALSE(cursorHotSpot(icon, &hot));
    EXPECT_FALSE(cursorHotSpot(cursorFile(QPoint(5, 5)).left(21), &hot));
    EXPECT_FALSE(cursorHotSpot(QByteArray("GIF89a and then some more bytes"), &hot));

    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("x.cur")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(cursorFile(QPoint(9, 30)));
    file.close();
    QCursor cursor;
    ASSERT_TRUE(loadCursorFile(file.fileName(), &cursor));
    EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursor.hotSpot(), QPoint(9, 30));
    EXPECT_EQ(cursor.pixmap().size(), QSize(32, 32));
}

TEST_F(HandBesideTheProgram, MainWindowShowsTheHandOverEveryButtonAndLeavesSlidersAlone)
{
    Form1 w(settings, dialogs);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    for (QPushButton *button : {w.PushButton1, w.PushButton2, w.PushButton3, w.PushButton4, w.PushButton5,
                                w.PushButton6, w.PushButton7, w.PushButton8}) {
        hover(&w, w.Frame2, QPoint(3, 3)); // a panel's bare corner
        ASSERT_EQ(w.pointer(), PointerState::Pointer::Default);
        hover(&w, button);
        EXPECT_EQ(w.pointer(), PointerState::Pointer::Custom) << qPrintable(button->text());
        EXPECT_TRUE(showsHand(&w)) << qPrintable(button->text());
    }
    // From a button onto a slider, the progress bar or a plain scale label: the hand stays.
    QLabel *zero = nullptr;
    for (QLabel *label : w.Frame2->findChildren<QLabel *>())
        if (label->text() == QLatin1String("0"))
            zero = label;
    ASSERT_NE(zero, nullptr);
    for (QWidget *plain : {static_cast<QWidget *>(w.Slider2), static_cast<QWidget *>(w.Slider5),
                           static_cast<QWidget *>(w.ProgressBar1), static_cast<QWidget *>(zero)}) {
        hover(&w, w.PushButton4);
        hover(&w, plain);
        EXPECT_EQ(w.pointer(), PointerState::Pointer::Custom) << plain->metaObject()->className();
        EXPECT_TRUE(showsHand(&w));
    }
    // And from the bare window onto them, the default stays.
    hover(&w, &w, QPoint(2, 2));
    EXPECT_EQ(w.pointer(), PointerState::Pointer::Default);
    hover(&w, w.Slider3);
    hover(&w, w.ProgressBar1);
    EXPECT_EQ(w.pointer(), PointerState::Pointer::Default);
    EXPECT_EQ(w.cursor().shape(), Qt::ArrowCursor);
    // The labels that have a handler of their own bring the default back.
    hover(&w, w.PushButton2);
    hover(&w, w.Label3);
    EXPECT_EQ(w.pointer(), PointerState::Pointer::Default);
}

TEST_F(HandBesideTheProgram, ResultsWindowShowsTheHandOverItsButtons)
{
    Form2 w(settings, dialogs);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    for (QPushButton *button : {w.PushButton6, w.PushButton7, w.PushButton8}) {
        hover(&w, w.Text1);
        ASSERT_EQ(w.pointer(), PointerState::Pointer::Default);
        hover(&w, button);
        EXPECT_EQ(w.pointer(), PointerState::Pointer::Custom) << qPrintable(button->text());
        EXPECT_TRUE(showsHand(&w));
    }
    hover(&w, w.Slider1);
    hover(&w, w.Picture2);
    hover(&w, w.HScroll1);
    EXPECT_EQ(w.pointer(), PointerState::Pointer::Custom);
    hover(&w, w.Frame2, QPoint(3, 3));
    EXPECT_EQ(w.pointer(), PointerState::Pointer::Default);
}

TEST_F(HandBesideTheProgram, BusyPointerOutlastsEveryHover)
{
    Form1 w(settings, dialogs);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    for (const char *name : {"a.png", "b.png"})
        picture.save(dir.filePath(QLatin1String(name)));
    w.addCommandLinePaths({dir.filePath(QStringLiteral("a.png")), dir.filePath(QStringLiteral("b.png"))});
    // The run waits at its second image; meanwhile the pointer roams over the window.
    SessionRun *run = nullptr;
    w.runStarting = [&run](SessionRun &r) {
        run = &r;
        r.holdAtItem(2);
    };
    w.PushButton2_Click();
    ASSERT_NE(run, nullptr);
    ASSERT_TRUE(run->waitUntilHeld(30000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.pointer() == PointerState::Pointer::Busy; }, 30000));
    hover(&w, w.PushButton3);
    EXPECT_EQ(w.pointer(), PointerState::Pointer::Busy);
    hover(&w, w.Frame3, QPoint(3, 3));
    EXPECT_EQ(w.pointer(), PointerState::Pointer::Busy);
    EXPECT_EQ(w.cursor().shape(), Qt::WaitCursor);
    run->release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isRunning(); }, 30000));
    EXPECT_EQ(w.pointer(), PointerState::Pointer::Default);
}

TEST(SliderValues, EveryStrengthShowsItsValueOnHoverAndWhileDragged)
{
    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("conf/Lumivex.conf"))};
    ScriptedDialogs dialogs;
    Form1 w(settings, dialogs);
    w.show();
    for (QSlider *slider : {w.Slider2, w.Slider3, w.Slider4, w.Slider5}) {
        EXPECT_EQ(slider->toolTip(), QString::number(slider->value()));
        slider->setValue(slider->minimum() + 2);
        EXPECT_EQ(slider->toolTip(), QString::number(slider->minimum() + 2));
        slider->setSliderDown(true);
        slider->setSliderPosition(slider->maximum() - 1);
        EXPECT_EQ(QToolTip::text(), QString::number(slider->maximum() - 1));
        slider->setSliderDown(false);
    }
}
