// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/paths.h"
#include "core/picture.h"
#include "core/settings_store.h"
#include "engine/batch_session.h"
#include "engine/pipeline.h"
#include "ui/compare_view.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/image_list_view.h"
#include "ui/keyboard.h"
#include "scripted_dialogs.h"
#include "window_parts.h"
#include "test_images.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>
#include <gtest/gtest.h>

using namespace lumivex;
using namespace lumivex::testing;

namespace {

struct Fixture : WindowParts {
    std::unique_ptr<Form1> window;

    Form1 &open(const QStringList &paths)
    {
        window = std::make_unique<Form1>(settings, dialogs);
        window->show();
        window->addCommandLinePaths(paths);
        return *window;
    }
    // Space on row `row` (0-based) of the image list, as a user would press it.
    CompareView &preview(int row)
    {
        window->activateWindow();
        window->ListView1->setFocus();
        window->ListView1->setCurrentItem(window->ListView1->topLevelItem(row));
        QTest::keyClick(window->ListView1, Qt::Key_Space);
        return shownView();
    }
    static CompareView &shownView()
    {
        CompareView *found = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *view = qobject_cast<CompareView *>(top); view && view->isVisible())
                found = view;
        if (!found)
            throw std::runtime_error("no compare view is shown");
        return *found;
    }
};

// Waits until the view shows `kind` at `strength` for `source`, with nothing newer being made.
bool waitForShown(CompareView &view, const QString &source, AdjustmentKind kind, int strength)
{
    return QTest::qWaitFor(
        [&] {
            return !view.isPending() && view.shown().source == source && view.shown().kind == kind &&
                   view.shown().strength == strength && !view.canvas()->before().isNull();
        },
        20000);
}

// Keys go to the active window, as on a desktop.
void activate(QWidget &window)
{
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

// A key to the view's window, as its shortcuts receive it.
void press(CompareView &view, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    if (QApplication::activeWindow() != &view)
        activate(view);
    QTest::keyClick(view.focusWidget() ? view.focusWidget() : view.canvas(), Qt::Key(key), modifiers);
}

// What one half shows, grabbed from the widget itself (device pixels are logical pixels here).
QImage shownHalf(CompareView &view, bool after)
{
    const QImage frame = view.canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    return frame.copy(view.canvas()->pictureArea(after));
}

// The part of the picture the After half shows at 100 %, as picture coordinates.
QRect shownRegion(const CompareView &view)
{
    const ZoomPan &zoom = view.canvas()->zoom();
    const QRect area(QPoint(0, 0), view.canvas()->pictureArea(true).size());
    const QPointF topLeft = zoom.toPicture(area.topLeft());
    return QRect(topLeft.toPoint(), area.size()).intersected(QRect(QPoint(0, 0), zoom.pictureSize()));
}

// The shown region as the half paints it: where it lies inside the half.
QImage pictureInHalf(const CompareView &view, const QImage &half)
{
    const QRect region = shownRegion(view);
    const QPoint at = view.canvas()->zoom().toViewport(region.topLeft()).toPoint();
    return half.copy(QRect(at, region.size()));
}

QImage rgb32(const QImage &image) { return image.convertToFormat(QImage::Format_RGB32); }

// Where two pictures first differ, for a failure's message.
std::string difference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return QStringLiteral("sizes %1x%2 and %3x%4").arg(a.width()).arg(a.height()).arg(b.width()).arg(b.height()).toStdString();
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xffffff) != (b.pixel(x, y) & 0xffffff))
                return QStringLiteral("first at %1,%2: %3 and %4").arg(x).arg(y).arg(a.pixel(x, y), 0, 16).arg(b.pixel(x, y), 0, 16).toStdString();
    return "none";
}

// Opens the list's context menu over `row` and chooses `command` in it.
void chooseFromMenu(QTreeWidget *list, int row, const QString &command)
{
    QTimer::singleShot(0, [command] {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *menu = qobject_cast<QMenu *>(top); menu && menu->isVisible())
                for (QAction *action : menu->actions())
                    if (action->text() == command) {
                        menu->close();
                        action->trigger();
                    }
    });
    const QPoint at = list->visualItemRect(list->topLevelItem(row)).center();
    emit list->customContextMenuRequested(at);
}

void wheel(QWidget *widget, QPoint at, int delta, Qt::KeyboardModifiers modifiers)
{
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

} // namespace

TEST(ZoomPan, FitNeverEnlargesAndTheLadderStopsAtFullSize)
{
    ZoomPan zoom;
    zoom.setViewportSize(QSize(400, 300));
    zoom.setPictureSize(QSize(100, 50));
    EXPECT_EQ(zoom.scale(), 1.0);
    EXPECT_EQ(zoom.origin(), QPointF(150, 125)); // centred on whole pixels
    zoom.setPictureSize(QSize(4000, 1000));
    EXPECT_DOUBLE_EQ(zoom.scale(), 0.1);
    // Up the ladder from 10 %: some step lands on exactly 100 %, none jumps over it.
    for (int i = 0; i < 40 && zoom.scale() < 1; ++i)
        zoom.zoomBy(1, QPointF(123, 77));
    EXPECT_EQ(zoom.scale(), 1.0);
    EXPECT_EQ(zoom.origin(), zoom.origin().toPoint()); // whole pixels at 100 %
    // A drag never moves the picture's edge inside the viewport.
    zoom.panBy(1e6, 1e6);
    EXPECT_EQ(zoom.toPicture(QPointF(0, 0)), QPointF(0, 0));
    zoom.panBy(-1e6, -1e6);
    EXPECT_EQ(zoom.toPicture(QPointF(400, 300)), QPointF(4000, 1000));
}

// What the view shows at 100 % is what the run saves: before Start from the main window, and
// after the run from the results window, for a point adjustment and a filter, on a JPEG whose
// save goes through the decoder's own row path.
TEST(CompareView, AtFullSizeTheAfterIsWhatSaveResultsWrites)
{
    const struct {
        AdjustmentKind kind;
        QPushButton *Form1::*start;
        int strength;
    } cases[] = {{AdjustmentKind::Brightness, &Form1::PushButton2, 40},
                 {AdjustmentKind::Sharpening, &Form1::PushButton6, 3}};
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.kind));
        Fixture f;
        const QString source = writePicture(f.dir, QStringLiteral("photo.jpg"), noisyPicture(911, 613, 4), "jpg");
        Form1 &w = f.open({source});
        w.slider(c.kind)->setValue(c.strength);
        CompareView &before = f.preview(0);
        press(before, Qt::Key_1);
        ASSERT_TRUE(waitForShown(before, source, c.kind, c.strength));
        EXPECT_TRUE(before.windowTitle().contains(QStringLiteral("photo.jpg")));
        EXPECT_TRUE(before.windowTitle().contains(QString::number(c.strength)));
        const QImage previewHalf = shownHalf(before, true);
        const QRect previewRegion = shownRegion(before);
        const QImage previewShown = pictureInHalf(before, previewHalf);

        QTest::mouseClick(w.*(c.start), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isRunning() && w.existingResults(); }, 30000));
        EXPECT_FALSE(before.isVisible()); // it went with the main window
        Form2 &results = *w.existingResults();
        const QString out = f.dir.filePath(QStringLiteral("out"));
        QDir().mkpath(out);
        results.Text1->setText(out + QLatin1Char('/'));
        QTest::mouseClick(results.Option1, Qt::LeftButton); // BMP
        QTest::mouseClick(results.PushButton6, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !results.isSaving(); }, 30000));
        const QStringList saved = QDir(out).entryList({QStringLiteral("*.bmp")}, QDir::Files);
        ASSERT_EQ(saved.size(), 1);
        const QImage written = rgb32(QImage(QDir(out).filePath(saved.first())));
        ASSERT_EQ(written.size(), QSize(911, 613));

        EXPECT_EQ(previewShown, written.copy(previewRegion)) << difference(previewShown, written.copy(previewRegion));

        results.ListView1->setFocus();
        results.ListView1->setCurrentItem(results.ListView1->topLevelItem(0));
        QTest::keyClick(results.ListView1, Qt::Key_Return);
        CompareView &after = Fixture::shownView();
        press(after, Qt::Key_1);
        ASSERT_TRUE(waitForShown(after, source, c.kind, c.strength));
        // To the bottom-right corner, where the filter's border rows are.
        for (int i = 0; i < 12; ++i) {
            press(after, Qt::Key_Right);
            press(after, Qt::Key_Down);
        }
        const QRect region = shownRegion(after);
        EXPECT_EQ(region.bottomRight(), QPoint(910, 612));
        const QImage afterShown = pictureInHalf(after, shownHalf(after, true));
        EXPECT_EQ(afterShown, written.copy(region)) << difference(afterShown, written.copy(region));
        EXPECT_EQ(after.canvas()->after().size(), written.size());
    }
}

TEST(CompareView, BothHalvesShowTheSameRegionThroughZoomAndPan)
{
    Fixture f;
    const QImage picture = noisyPicture(1501, 977, 9);
    const QString source = writePicture(f.dir, QStringLiteral("big.png"), picture);
    Form1 &w = f.open({source});
    ASSERT_EQ(w.Slider2->value(), 0); // brightness 0: the After is the Before, byte for byte
    CompareView &view = f.preview(0);
    view.resize(1000, 600);
    ASSERT_TRUE(waitForShown(view, source, AdjustmentKind::Brightness, 0));
    CompareCanvas *canvas = view.canvas();

    auto same = [&](const char *step) {
        SCOPED_TRACE(step);
        const QImage b = shownHalf(view, false), a = shownHalf(view, true);
        EXPECT_EQ(a, b);
        EXPECT_NE(a.pixel(a.width() / 2, a.height() / 2), a.pixel(a.width() / 4, a.height() / 2)); // a picture, not a fill
    };
    // Fitted: scaled, and scaled alike.
    EXPECT_TRUE(canvas->zoom().isFitted());
    EXPECT_LT(canvas->zoom().scale(), 1.0);
    same("fit");

    // Ctrl + wheel over the After zooms around the pointer, for both. The areas are in device
    // pixels, the pointer in the widget's own.
    const qreal dpr = canvas->devicePixelRatioF();
    const QRect area = canvas->pictureArea(true);
    const QPoint offset(area.width() / 3, area.height() / 2);
    const QPoint pointer = (area.topLeft() + offset) / dpr;
    const QPointF anchor = QPointF(pointer) * dpr - QPointF(area.topLeft());
    const QPointF under = canvas->zoom().toPicture(anchor);
    for (int i = 0; i < 4; ++i)
        wheel(canvas, pointer, 120, Qt::ControlModifier);
    EXPECT_FALSE(canvas->zoom().isFitted());
    EXPECT_NEAR(canvas->zoom().toPicture(anchor).x(), under.x(), 1);
    // Once the picture overflows the half both ways, the point under the pointer stays there.
    const QPointF before = canvas->zoom().toPicture(anchor);
    for (int i = 0; i < 2; ++i)
        wheel(canvas, pointer, 120, Qt::ControlModifier);
    const QPointF still = canvas->zoom().toPicture(anchor);
    EXPECT_NEAR(still.x(), before.x(), 1);
    EXPECT_NEAR(still.y(), before.y(), 1);
    same("ctrl+wheel");

    // A drag over the Before moves both.
    const QPointF moved = canvas->zoom().toPicture(QPointF(0, 0));
    const QPoint from = canvas->pictureArea(false).center() / dpr;
    QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(canvas, from + QPoint(-40, -25));
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, from + QPoint(-40, -25));
    EXPECT_GT(canvas->zoom().toPicture(QPointF(0, 0)).x(), moved.x());
    same("drag");

    press(view, Qt::Key_1);
    press(view, Qt::Key_Right);
    press(view, Qt::Key_Down);
    wheel(canvas, pointer, -120, Qt::NoModifier);
    same("100 % and keys");
    press(view, Qt::Key_Plus);
    same("zoomed in");

    // With a strength, at 100 %, the After half is the Before half through the same table.
    press(view, Qt::Key_1);
    w.Slider2->setValue(30);
    ASSERT_TRUE(waitForShown(view, source, AdjustmentKind::Brightness, 30));
    QImage expected = shownHalf(view, false);
    const PointTable table = BrightnessTable(30);
    const QImage afterHalf = shownHalf(view, true);
    const QRect inside(canvas->zoom().toViewport(QPointF(0, 0)).toPoint(), QSize(1501, 977));
    const QRect check = inside.intersected(QRect(QPoint(0, 0), expected.size()));
    ASSERT_FALSE(check.isEmpty());
    int mismatches = 0;
    for (int y = check.top(); y <= check.bottom(); ++y)
        for (int x = check.left(); x <= check.right(); ++x) {
            const QRgb p = expected.pixel(x, y);
            const QRgb want = qRgb(table[qRed(p)], table[qGreen(p)], table[qBlue(p)]);
            mismatches += (afterHalf.pixel(x, y) & 0xffffff) != (want & 0xffffff);
        }
    EXPECT_EQ(mismatches, 0);

    // A window taller than wide puts the After below the Before.
    view.resize(600, 1000);
    EXPECT_GT(canvas->pictureArea(true).top(), canvas->pictureArea(false).bottom());
    EXPECT_EQ(canvas->pictureArea(true).left(), canvas->pictureArea(false).left());

    // The split view: one region, the Before left of the divider, the After right of it.
    press(view, Qt::Key_S);
    EXPECT_TRUE(canvas->isSplit());
    EXPECT_EQ(canvas->pictureArea(false), canvas->pictureArea(true));
    press(view, Qt::Key_BracketRight);
    EXPECT_DOUBLE_EQ(canvas->divider(), 0.55);
    EXPECT_EQ(f.settings.GetSetting(QStringLiteral("Compare Split"), QString()), QStringLiteral("True"));
}

TEST(CompareView, FollowsTheLastSliderMovedAndTheSelectedRow)
{
    Fixture f;
    const QString first = writePicture(f.dir, QStringLiteral("first.png"), noisyPicture(203, 151, 1));
    const QString second = writePicture(f.dir, QStringLiteral("second.png"), noisyPicture(97, 131, 2));
    const QString third = writePicture(f.dir, QStringLiteral("third.png"), noisyPicture(50, 40, 3));
    Form1 &w = f.open({first, second, third});
    w.Slider3->setValue(70); // the contrast panel touched last
    chooseFromMenu(w.ListView1, 0, QStringLiteral("Preview"));
    CompareView &view = Fixture::shownView();
    ASSERT_TRUE(waitForShown(view, first, AdjustmentKind::Contrast, 70));
    EXPECT_TRUE(view.windowTitle().contains(QStringLiteral("first.png")));
    EXPECT_TRUE(view.windowTitle().contains(QStringLiteral("Contrast 70")));
    EXPECT_EQ(view.canvas()->after(), adjustPicture(AdjustmentKind::Contrast, decodePicture(first).value(), 70));

    // A drag of the softening slider: every value reaches the view as it moves, the last one stays.
    for (int v = 1; v <= 10; ++v)
        w.Slider4->setValue(v);
    w.Slider4->setValue(6);
    ASSERT_TRUE(waitForShown(view, first, AdjustmentKind::Softening, 6));
    EXPECT_TRUE(view.windowTitle().contains(QStringLiteral("Softening 6")));
    EXPECT_EQ(view.canvas()->after(), adjustPicture(AdjustmentKind::Softening, decodePicture(first).value(), 6));
    EXPECT_EQ(view.job().decodes(), 1); // one decode for all those strengths

    // The sharpening slider moved by its keys, in the main window.
    activate(w);
    QTest::keyClick(w.Slider5, Qt::Key_Right);
    ASSERT_TRUE(waitForShown(view, first, AdjustmentKind::Sharpening, w.Slider5->value()));

    // Another row: its picture.
    w.ListView1->setCurrentItem(w.ListView1->topLevelItem(1));
    ASSERT_TRUE(waitForShown(view, second, AdjustmentKind::Sharpening, w.Slider5->value()));
    EXPECT_EQ(view.canvas()->before(), decodePicture(second).value());
    EXPECT_TRUE(view.windowTitle().contains(QStringLiteral("second.png")));

    // The list's own removals are as they were: Delete and a double-click each remove a row.
    QTest::keyClick(w.ListView1, Qt::Key_Delete);
    EXPECT_EQ(w.ListView1->count(), 2);
    const QRect row = w.ListView1->visualItemRect(w.ListView1->topLevelItem(0));
    QTest::mouseDClick(w.ListView1->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    EXPECT_EQ(w.ListView1->count(), 1);
    ASSERT_TRUE(waitForShown(view, w.ListView1->rowText(1), AdjustmentKind::Sharpening, w.Slider5->value()));
}

TEST(CompareView, NextAndPreviousShowEachItemWithItsOwnStrength)
{
    Fixture f;
    QStringList paths;
    for (int i = 0; i < 3; ++i)
        paths << writePicture(f.dir, QStringLiteral("p%1.png").arg(i), noisyPicture(120 + i, 90 + i, 11 + unsigned(i)));
    const QString broken = f.dir.filePath(QStringLiteral("broken.png"));
    {
        QFile file(broken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a picture at all");
    }
    paths.insert(2, broken);
    Form1 &w = f.open(paths);
    w.Slider3->setValue(20);
    w.runStarting = [](SessionRun &run) { run.holdAtItem(2); };
    QTest::mouseClick(w.PushButton4, Qt::LeftButton);
    ASSERT_TRUE(w.currentRun()->waitUntilHeld(10000));
    w.Slider3->setValue(90);
    w.currentRun()->release();
    // The unreadable file is reported as the run reaches it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isRunning() && w.existingResults(); }, 30000));
    Form2 &results = *w.existingResults();
    ASSERT_EQ(results.session().strengthUsed(0), 20);
    ASSERT_EQ(results.session().strengthUsed(1), 90);

    results.ListView1->setFocus();
    results.ListView1->setCurrentItem(results.ListView1->topLevelItem(1));
    QTest::keyClick(results.ListView1, Qt::Key_Space);
    ASSERT_TRUE(waitForShown(Fixture::shownView(), paths[1], AdjustmentKind::Contrast, 90));
    Fixture::shownView().close();
    chooseFromMenu(results.ListView1, 0, QStringLiteral("Compare"));
    CompareView &view = Fixture::shownView();
    ASSERT_TRUE(waitForShown(view, paths[0], AdjustmentKind::Contrast, 20));
    EXPECT_TRUE(view.windowTitle().contains(QStringLiteral("1 of 4")));
    EXPECT_FALSE(view.previousAction->isEnabled());
    EXPECT_EQ(view.canvas()->after(), adjustPicture(AdjustmentKind::Contrast, decodePicture(paths[0]).value(), 20));

    press(view, Qt::Key_PageDown);
    ASSERT_TRUE(waitForShown(view, paths[1], AdjustmentKind::Contrast, 90));
    EXPECT_TRUE(view.windowTitle().contains(QStringLiteral("Contrast 90")));
    EXPECT_EQ(view.canvas()->after(), adjustPicture(AdjustmentKind::Contrast, decodePicture(paths[1]).value(), 90));

    // The failed item says why, on both halves, with no picture of another item.
    press(view, Qt::Key_PageDown);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view.isPending() && view.shown().source == broken; }, 20000));
    EXPECT_TRUE(view.canvas()->after().isNull());
    EXPECT_TRUE(view.canvas()->before().isNull());
    EXPECT_TRUE(view.status()->text().contains(QStringLiteral("failed")));

    // The on-screen arrow does what Page Down does.
    QToolButton *nextButton = nullptr;
    for (QToolButton *b : view.findChildren<QToolButton *>())
        if (b->defaultAction() == view.nextAction)
            nextButton = b;
    ASSERT_NE(nextButton, nullptr);
    QTest::mouseClick(nextButton, Qt::LeftButton);
    ASSERT_TRUE(waitForShown(view, paths[3], AdjustmentKind::Contrast, 90));
    EXPECT_FALSE(view.nextAction->isEnabled());

    press(view, Qt::Key_PageUp);
    press(view, Qt::Key_PageUp);
    press(view, Qt::Key_PageUp);
    ASSERT_TRUE(waitForShown(view, paths[0], AdjustmentKind::Contrast, 20));
    EXPECT_EQ(view.canvas()->after(), adjustPicture(AdjustmentKind::Contrast, decodePicture(paths[0]).value(), 20));

    // Minimised, the window system hides it (spontaneously): it keeps what it shows for its return.
    QHideEvent minimised;
    QSpontaneKeyEvent::setSpontaneous(&minimised);
    QApplication::instance()->notify(&view, &minimised);
    EXPECT_FALSE(view.canvas()->after().isNull()) << "a minimised view came back blank";
    EXPECT_EQ(view.shown().source, paths[0]);
}

TEST(CompareView, WorksFromTheKeyboardAloneAndRemembersItsPlace)
{
    Fixture f;
    const QString source = writePicture(f.dir, QStringLiteral("k.png"), noisyPicture(2400, 1900, 5));
    Form1 &w = f.open({source});
    w.activateWindow();
    w.ListView1->setFocus();
    QTest::keyClick(w.ListView1, Qt::Key_Down); // the first row
    QTest::keyClick(w.ListView1, Qt::Key_Space);
    CompareView &view = Fixture::shownView();
    ASSERT_TRUE(waitForShown(view, source, AdjustmentKind::Brightness, 0));
    EXPECT_EQ(QApplication::focusWidget(), view.canvas());
    CompareCanvas *canvas = view.canvas();

    // Focus is visible: a frame in the highlight colour round the pictures.
    const QImage focused = canvas->grab().toImage();
    EXPECT_EQ(focused.pixel(1, 1) & 0xffffff, canvas->palette().color(QPalette::Highlight).rgb() & 0xffffff);

    press(view, Qt::Key_1);
    EXPECT_EQ(canvas->zoom().scale(), 1.0);
    press(view, Qt::Key_Plus);
    EXPECT_GT(canvas->zoom().scale(), 1.0);
    press(view, Qt::Key_Minus);
    press(view, Qt::Key_Minus);
    EXPECT_LT(canvas->zoom().scale(), 1.0);
    press(view, Qt::Key_1);
    const QPointF at = canvas->zoom().toPicture(QPointF(0, 0));
    press(view, Qt::Key_Right);
    press(view, Qt::Key_Down);
    EXPECT_GT(canvas->zoom().toPicture(QPointF(0, 0)).x(), at.x());
    EXPECT_GT(canvas->zoom().toPicture(QPointF(0, 0)).y(), at.y());
    press(view, Qt::Key_F);
    EXPECT_TRUE(canvas->zoom().isFitted());
    press(view, Qt::Key_S);
    EXPECT_TRUE(canvas->isSplit());
    press(view, Qt::Key_BracketLeft);
    EXPECT_DOUBLE_EQ(canvas->divider(), 0.45);
    press(view, Qt::Key_F11);
    EXPECT_TRUE(view.isFullScreen());
    press(view, Qt::Key_Escape);
    EXPECT_FALSE(view.isFullScreen());
    EXPECT_TRUE(view.isVisible());

    // Every control can be reached with Tab, has a name, and its tooltip gives its key; before a
    // run there is no previous or next picture, so those two are off.
    EXPECT_FALSE(view.nextAction->isEnabled());
    QStringList names;
    for (int i = 0; i < 12 && names.size() < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (auto *button = qobject_cast<QToolButton *>(QApplication::focusWidget())) {
            EXPECT_FALSE(button->accessibleName().isEmpty());
            const QKeySequence key = button->defaultAction()->shortcut();
            EXPECT_TRUE(button->toolTip().contains(key.toString(QKeySequence::NativeText))) << button->toolTip().toStdString();
            if (!names.contains(button->accessibleName()))
                names << button->accessibleName();
        }
    }
    EXPECT_EQ(names.size(), 6);
    EXPECT_FALSE(canvas->accessibleName().isEmpty());
    EXPECT_FALSE(view.status()->accessibleName().isEmpty());
    QAccessibleInterface *window = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->role(), QAccessible::Window) << "announced as a window (frame), not a filler";
    // F1 gives the keys box here too, as in the windows the view is opened from.
    const std::size_t boxes = f.dialogs.plainMessages().size();
    press(view, Qt::Key_F1);
    ASSERT_EQ(f.dialogs.plainMessages().size(), boxes + 1);
    EXPECT_EQ(f.dialogs.plainMessages().back().text, keysHelpText());

    // Esc closes; the place is kept under a key of its own and given back to the next view.
    view.setGeometry(QRect(60, 70, 900, 640));
    press(view, Qt::Key_Escape);
    EXPECT_FALSE(view.isVisible());
    EXPECT_EQ(f.settings.GetSetting(QStringLiteral("Compare Window"), QString()), QStringLiteral("60,70,900,640"));
    Fixture g;
    g.settings.SaveSetting(QStringLiteral("Compare Window"), QStringLiteral("60,70,900,640"));
    g.open({source});
    CompareView &again = g.preview(0);
    EXPECT_EQ(again.geometry(), QRect(60, 70, 900, 640));
    again.close();

    // A place on no screen any more is not kept: the view comes up on the screen.
    Fixture h;
    h.settings.SaveSetting(QStringLiteral("Compare Window"), QStringLiteral("90000,90000,900,640"));
    h.open({source});
    CompareView &placed = h.preview(0);
    EXPECT_TRUE(placed.screen()->availableGeometry().contains(placed.geometry()));
}
