// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/paths.h"
#include "ui/form2.h"
#include "engine/preview_job.h"
#include "ui/compare_view.h"
#include "engine/pipeline.h"
#include "ui/picture_box.h"
#include "scripted_dialogs.h"
#include "window_parts.h"
#include "core/picture.h"
#include "core/settings_store.h"
#include "test_images.h"
#include "window_testing.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QFileInfo>
#include <QLinearGradient>
#include <QPainter>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QTreeWidget>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>
#include <QApplication>
#include <gtest/gtest.h>
#include <functional>
#include <sys/inotify.h>
#include <unistd.h>

using namespace lumivex;
using namespace lumivex::testing;

namespace {

struct Fixture : WindowParts {
    QStringList sources;
    int mainShown = 0;
    std::unique_ptr<Form2> window;

    Form2 &open()
    {
        window = std::make_unique<Form2>(settings, dialogs);
        QObject::connect(window.get(), &Form2::backToMain, [this] { ++mainShown; });
        return *window;
    }

    // What a run leaves behind: one result per source.
    // An item in `unread` stands for a source the run could not read: no picture, a reason.
    void fill(const QList<QImage> &pictures, const QString &word = QStringLiteral("sharpened"),
              const QList<int> &unread = {})
    {
        for (int i = 0; i < pictures.size(); ++i)
            sources << writePicture(dir, sourceName(i), pictures[i]);
        auto session = std::make_shared<BatchSession>(AdjustmentKind::Sharpening, sources);
        ResultList &results = session->results();
        for (int i = 0; i < pictures.size(); ++i) {
            results.addItem(GetFileNameFromPath(sources[i]));
            if (i > 0)
                results.create(i);
            QImage result = pictures[i];
            result.invertPixels();
            results.setPicture(i, unread.contains(i) ? ResultPicture(QImage(), unreadReason(i)) : ResultPicture(result));
        }
        results.mTotalImages = int(pictures.size()) - 1;
        results.resultWord = word;
        session->setItemsDone(int(pictures.size()), false);
        // As a run does, the first source's decode is kept for the window.
        if (!unread.contains(0))
            session->setFirstSource(pictures[0], stampSource(sources[0]));
        ASSERT_TRUE(panesAfter([&] { window->showSession(session); }));
    }
    // Does `act` and waits until both panes show the pair it asked for.
    bool panesAfter(const std::function<void()> &act)
    {
        QSignalSpy shown(window.get(), &Form2::panesShown);
        act();
        return QTest::qWaitFor([&] { return shown.count() > 0 && !window->panesPending(); }, 20000);
    }
    // A click on row `row` of the results list, then the wait for its pair.
    bool clickRow(int row)
    {
        QTreeWidget *list = window->ListView1;
        return panesAfter([&] {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                              list->visualItemRect(list->topLevelItem(row)).center());
        });
    }
    // Source files are src0.png, src1.png … unless `names` says otherwise.
    QStringList names;
    QString sourceName(int i)
    {
        if (i >= names.size())
            return QStringLiteral("src%1.png").arg(i);
        QDir(dir.path()).mkpath(QFileInfo(dir.filePath(names[i])).path());
        return names[i];
    }
    QString unreadReason(int i) const { return QStringLiteral("The picture could not be read: ") + sources.at(i); }
    QString setting(const char *key) { return settings.GetSetting(QLatin1String(key), QStringLiteral("<none>")); }
    // Clicks "Save Results" and waits for the save to end.
    bool save()
    {
        QTest::mouseClick(window->PushButton6, Qt::LeftButton);
        return QTest::qWaitFor([this] { return !window->isSaving(); }, 30000);
    }
};

// Counts the times one file is opened, by any thread of the process.
class OpenCounter {
public:
    explicit OpenCounter(const QString &path)
        : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)),
          // Closes are watched too, so that one open after another is never merged into one event.
          m_watch(m_fd < 0 ? -1 : inotify_add_watch(m_fd, QFile::encodeName(path).constData(), IN_OPEN | IN_CLOSE))
    {
    }
    ~OpenCounter()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool watching() const { return m_watch >= 0; }
    int opens()
    {
        alignas(inotify_event) char buffer[4096];
        for (ssize_t got; (got = ::read(m_fd, buffer, sizeof buffer)) > 0;)
            for (ssize_t at = 0; at < got;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                m_opens += (event->mask & IN_OPEN) != 0;
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        return m_opens;
    }

private:
    int m_fd;
    int m_watch;
    int m_opens = 0;
};

CompareView *shownCompareView()
{
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *view = qobject_cast<CompareView *>(top); view && view->isVisible())
            return view;
    return nullptr;
}

bool showsSource(CompareView &view, const QString &source)
{
    return QTest::qWaitFor(
        [&] { return !view.isPending() && view.shown().source == source && !view.canvas()->before().isNull(); }, 20000);
}

// A key to the compare view, as its window's shortcuts receive it.
void pressIn(CompareView &view, Qt::Key key)
{
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    QTest::keyClick(view.focusWidget() ? view.focusWidget() : view.canvas(), key);
}

} // namespace

TEST(Form2, LayoutAndFirstStartSettings)
{
    Fixture f;
    Form2 &w = f.open();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Lumivex"));
    EXPECT_EQ(w.size(), QSize(twipsToPixels(8040), twipsToPixels(10950)));
    EXPECT_EQ(w.ListView1->geometry(), twips(120, 120, 7800, 1815));
    EXPECT_EQ(w.ListView1->headerItem()->text(0), QStringLiteral("Preview"));
    EXPECT_EQ(w.Picture3->geometry(), twips(120, 2280, 7560, 2790));
    EXPECT_EQ(w.HScroll2->geometry(), twips(120, 5040, 7560, 255));
    EXPECT_EQ(w.HScroll1->geometry(), twips(120, 8460, 7560, 255));
    EXPECT_EQ(w.VScroll1->geometry(), twips(7665, 5670, 255, 2790));
    EXPECT_EQ(w.PushButton6->geometry(), twips(3960, 10440, 3960, 405));
    EXPECT_EQ(w.PushButton8->text(), QStringLiteral("< Back"));
    EXPECT_EQ(w.Frame3->title(), QStringLiteral("JPG Quality"));
    EXPECT_EQ(w.Text1->text(), GetDesktopFolder());
    EXPECT_EQ(w.Slider1->value(), 100);
    EXPECT_TRUE(w.Option2->isChecked());
    EXPECT_FALSE(w.Option1->isChecked());
    EXPECT_EQ(f.setting("Output Folder"), w.Text1->text());
    EXPECT_EQ(f.setting("Option2"), QStringLiteral("True"));
}

TEST(Form2, StoredSettingsAndUnparsableOnesFallBack)
{
    {
        Fixture f;
        f.settings.SaveSetting(QStringLiteral("Output Folder"), QString());
        f.settings.SaveSetting(QStringLiteral("SliderValue"), QStringLiteral("85"));
        f.settings.SaveSetting(QStringLiteral("Option2"), QStringLiteral("False"));
        Form2 &w = f.open();
        EXPECT_EQ(w.Text1->text(), QString());
        EXPECT_EQ(w.Slider1->value(), 85);
        EXPECT_TRUE(w.Option1->isChecked());
    }
    Fixture f;
    f.settings.SaveSetting(QStringLiteral("SliderValue"), QStringLiteral("very high"));
    f.settings.SaveSetting(QStringLiteral("Option2"), QStringLiteral("perhaps"));
    Form2 &w = f.open();
    EXPECT_EQ(w.Slider1->value(), 100);
    EXPECT_TRUE(w.Option2->isChecked());
    EXPECT_TRUE(f.dialogs.shown.empty());
}

TEST(Form2, ChangeHandlersStoreTheirSettings)
{
    Fixture f;
    Form2 &w = f.open();
    w.Text1->clear();
    QTest::keyClicks(w.Text1, QStringLiteral("/tmp/o"));
    EXPECT_EQ(f.setting("Output Folder"), QStringLiteral("/tmp/o"));
    QTest::mouseClick(w.Option1, Qt::LeftButton);
    EXPECT_EQ(f.setting("Option2"), QStringLiteral("False"));
    QTest::mouseClick(w.Option2, Qt::LeftButton);
    EXPECT_EQ(f.setting("Option2"), QStringLiteral("True"));
    w.Slider1->setValue(42);
    EXPECT_EQ(f.setting("SliderValue"), QStringLiteral("42"));
}

TEST(Form2, BrowseAddsTheSeparatorAndCancelKeepsTheText)
{
    Fixture f;
    Form2 &w = f.open();
    w.Text1->setText(QStringLiteral("/before/"));
    QTest::mouseClick(w.PushButton7, Qt::LeftButton);
    EXPECT_EQ(w.Text1->text(), QStringLiteral("/before/"));
    EXPECT_EQ(f.dialogs.folderPrompts, QStringList{QStringLiteral("Please select folder:")});
    f.dialogs.folderAnswers.push_back(QStringLiteral("/out"));
    QTest::mouseClick(w.PushButton7, Qt::LeftButton);
    EXPECT_EQ(w.Text1->text(), QStringLiteral("/out/"));
    f.dialogs.folderAnswers.push_back(QStringLiteral("/"));
    QTest::mouseClick(w.PushButton7, Qt::LeftButton);
    EXPECT_EQ(w.Text1->text(), QStringLiteral("/"));
    EXPECT_EQ(f.setting("Output Folder"), QStringLiteral("/"));
}

TEST(Form2, SelectingItemKShowsPairKAtTheTopLeft)
{
    Fixture f;
    Form2 &w = f.open();
    const QImage big = noisyPicture(900, 400, 1), small = noisyPicture(40, 30, 2);
    f.fill({big, small});
    EXPECT_EQ(w.ListView1->topLevelItemCount(), 2);
    EXPECT_EQ(w.Picture4->picture(), big);
    EXPECT_EQ(w.Picture1->picture(), w.resultList().picture(0).image());
    EXPECT_TRUE(w.HScroll1->isEnabled());

    // A selection only asks for its pair: the panes stay as they are, under the busy pointer,
    // until it is made. A newer selection replaces it, and the older pair is never shown.
    QSignalSpy shown(&w, &Form2::panesShown);
    w.ListView1->setCurrentItem(w.ListView1->topLevelItem(1));
    w.ListView1_Click();
    EXPECT_EQ(w.Picture4->picture(), big);
    EXPECT_EQ(w.pointer(), PointerState::Pointer::Busy);
    w.ListView1->setCurrentItem(w.ListView1->topLevelItem(0));
    w.ListView1_Click();
    // Pairs arrive in the order asked for, so none is still to come once the last is shown.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.panesPending(); }, 20000));
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(w.Picture4->picture(), big);
    EXPECT_EQ(w.pointer(), PointerState::Pointer::Default);

    ASSERT_TRUE(f.clickRow(1));
    EXPECT_EQ(w.Picture1->picture(), w.resultList().picture(1).image());
    EXPECT_EQ(w.Picture4->picture(), small);
    EXPECT_EQ(w.Picture1->pos(), QPoint(0, 0));
    EXPECT_FALSE(w.HScroll1->isEnabled());
    EXPECT_FALSE(w.VScroll2->isEnabled());
    EXPECT_EQ(w.pointer(), PointerState::Pointer::Default);

    // Back to the first by the keyboard: released arrow key shows the pair.
    ASSERT_TRUE(f.panesAfter([&] { QTest::keyClick(w.ListView1, Qt::Key_Up); }));
    EXPECT_EQ(w.Picture4->picture(), big);
    EXPECT_EQ(w.Picture1->picture(), w.resultList().picture(0).image());
}

TEST(Form2, ScrollBarsAndDraggingMoveOnlyTheirOwnPane)
{
    Fixture f;
    Form2 &w = f.open();
    f.fill({noisyPicture(1200, 800, 1)});
    w.HScroll1->setValue(30);
    const int tpp = twipsPerPixel();
    EXPECT_EQ(w.afterPane().left(), -30 * w.afterPane().horizontalUnit());
    EXPECT_EQ(w.Picture1->x(), w.afterPane().left() / tpp);
    EXPECT_EQ(w.Picture4->pos(), QPoint(0, 0));

    // Drag the Before picture with the right button to its far corner.
    QTest::mousePress(w.Picture4, Qt::RightButton, Qt::NoModifier, QPoint(50, 50));
    QMouseEvent move(QEvent::MouseMove, QPointF(-2000, -2000), QPointF(-2000, -2000), Qt::NoButton,
                     Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.Picture4, &move);
    QTest::mouseRelease(w.Picture4, Qt::RightButton, Qt::NoModifier, QPoint(-2000, -2000));
    EXPECT_EQ(w.HScroll2->value(), w.HScroll2->maximum());
    EXPECT_EQ(w.VScroll2->value(), w.VScroll2->maximum());
    EXPECT_EQ(w.HScroll1->value(), 30);
    EXPECT_LT(w.beforePane().left(), 0);
}

TEST(Form2, BackReleasesTheExtraResultsAndShowsTheMainWindow)
{
    Fixture f;
    Form2 &w = f.open();
    f.fill({noisyPicture(5, 5, 1), noisyPicture(5, 5, 2), noisyPicture(5, 5, 3)});
    EXPECT_EQ(w.resultList().slotCount(), 3);
    // Back while the third pair is still being made: it never reaches the hidden window, which
    // lets its pictures go.
    QSignalSpy made(&w.previewJob(), &PreviewJob::finished);
    w.ListView1->setCurrentItem(w.ListView1->topLevelItem(2));
    w.ListView1_Click();
    QTest::mouseClick(w.PushButton8, Qt::LeftButton);
    EXPECT_EQ(w.resultList().slotCount(), 1);
    EXPECT_FALSE(w.resultList().picture(0).isEmpty());
    EXPECT_EQ(f.mainShown, 1);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.pointer(), PointerState::Pointer::Default);
    ASSERT_TRUE(made.count() > 0 || made.wait(20000));
    EXPECT_TRUE(w.Picture4->picture().isNull());
    EXPECT_TRUE(w.Picture1->picture().isNull());
    EXPECT_FALSE(w.panesPending());
    EXPECT_TRUE(f.dialogs.reports().empty());
    // A second Back has nothing left to release: each missing element is reported, the rest runs.
    QTest::mouseClick(w.PushButton8, Qt::LeftButton);
    EXPECT_EQ(f.dialogs.reports().size(), 2u);
    EXPECT_TRUE(f.dialogs.reports()[0].text.contains(QStringLiteral("Form2.PushButton8_Click at line 102")));
    EXPECT_EQ(f.mainShown, 2);
}

TEST(Form2, SaveChecksTheFolderWritesInOrderAndSaysDone)
{
    Fixture f;
    Form2 &w = f.open();
    f.fill({noisyPicture(8, 6, 1), noisyPicture(9, 7, 2)});
    w.Text1->setText(f.dir.filePath(QStringLiteral("nowhere")));
    QTest::mouseClick(w.PushButton6, Qt::LeftButton);
    ASSERT_EQ(f.dialogs.plainMessages().size(), 1u);
    EXPECT_EQ(f.dialogs.plainMessages()[0].text, QStringLiteral("Output folder does not exist."));

    QDir(f.dir.path()).mkpath(QStringLiteral("out"));
    w.Text1->setText(f.dir.filePath(QStringLiteral("out")) + QLatin1Char('/'));
    QTest::mouseClick(w.Option1, Qt::LeftButton);
    ASSERT_TRUE(f.save());
    EXPECT_EQ(f.dialogs.plainMessages().back().text, QStringLiteral("Done."));
    EXPECT_EQ(QDir(f.dir.filePath(QStringLiteral("out"))).entryList(QDir::Files),
              (QStringList{QStringLiteral("src0-sharpened.bmp"), QStringLiteral("src1-sharpened.bmp")}));
    EXPECT_EQ(decodePicture(f.dir.filePath(QStringLiteral("out/src1-sharpened.bmp"))).value(), w.resultList().picture(1).image());
    EXPECT_TRUE(f.dialogs.reports().empty());
}

TEST(Form2, FolderFailingMidSaveReportsEachItemAndStillSaysDone)
{
    Fixture f;
    Form2 &w = f.open();
    f.fill({noisyPicture(8, 6, 1), noisyPicture(9, 7, 2), noisyPicture(4, 4, 3)});
    // A folder that passes the test but takes no file, as one that vanished after it would.
    w.Text1->setText(QStringLiteral("/proc"));
    ASSERT_TRUE(f.save());
    const auto reports = f.dialogs.reports();
    ASSERT_EQ(reports.size(), 3u);
    for (const auto &r : reports)
        EXPECT_TRUE(r.text.startsWith(QStringLiteral(
            "Cannot save the image. GDI+ Error:7\r\nin Velmora12/4/2014.Form2.PushButton6_Click at line 134")));
    EXPECT_EQ(f.dialogs.plainMessages().back().text, QStringLiteral("Done."));
}

TEST(Form2, SourceGoneSinceTheRunShowsAnEmptyBeforePane)
{
    Fixture f;
    Form2 &w = f.open();
    f.fill({noisyPicture(30, 20, 1), noisyPicture(30, 20, 2)});
    QFile::remove(f.sources[1]);
    ASSERT_TRUE(f.clickRow(1));
    EXPECT_TRUE(w.Picture4->picture().isNull());
    EXPECT_EQ(w.Picture1->picture(), w.resultList().picture(1).image());
    EXPECT_TRUE(f.dialogs.shown.empty());
    // A click with nothing selected does nothing.
    w.ListView1->clearSelection();
    w.ListView1_Click();
    EXPECT_FALSE(w.panesPending());
    EXPECT_EQ(w.Picture1->picture(), w.resultList().picture(1).image());
}

// A result kept as a recipe is made again for the After pane; once its source has changed it
// says so there instead of showing a picture the run never made.
TEST(Form2, RecipeResultIsMadeAgainUntilItsSourceChanges)
{
    Fixture f;
    Form2 &w = f.open();
    f.fill({noisyPicture(30, 20, 1), noisyPicture(30, 20, 2)});
    w.resultList().setPicture(1, ResultPicture(QImage(), ResultRecipe{f.sources[1], stampSource(f.sources[1]),
                                                                      {{AdjustmentKind::Sharpening, 5}}}));
    ASSERT_TRUE(w.resultList().picture(1).isRecipe());
    ASSERT_TRUE(f.clickRow(1));
    EXPECT_EQ(w.Picture1->picture(), sourceToResult(f.sources[1], AdjustmentKind::Sharpening, 5));
    EXPECT_TRUE(w.paneNote(true).isEmpty());

    writePicture(f.dir, QStringLiteral("src1.png"), noisyPicture(31, 20, 2));
    ASSERT_TRUE(f.clickRow(0));
    ASSERT_TRUE(f.clickRow(1));
    EXPECT_TRUE(w.Picture1->picture().isNull());
    EXPECT_EQ(w.paneNote(true), QStringLiteral("The source has changed since the run: ") + f.sources[1]);
    EXPECT_FALSE(w.Picture4->picture().isNull()); // the source as it is now
    EXPECT_TRUE(f.dialogs.shown.empty());
}

TEST(Form2, NewSelectionStartsAtTheTopLeftAfterScrollingToTheFarCorner)
{
    Fixture f;
    Form2 &w = f.open();
    // The second picture is smaller than the first but still larger than the pane.
    f.fill({noisyPicture(1400, 900, 1), noisyPicture(1000, 600, 2), noisyPicture(900, 500, 3)});
    for (QScrollBar *bar : {w.HScroll1, w.VScroll1, w.HScroll2, w.VScroll2}) {
        ASSERT_TRUE(bar->isEnabled());
        bar->setValue(bar->maximum()); // as the user would, through the bar
    }
    ASSERT_LT(w.Picture1->x(), 0);
    ASSERT_LT(w.Picture4->y(), 0);

    ASSERT_TRUE(f.clickRow(1));
    for (QScrollBar *bar : {w.HScroll1, w.VScroll1, w.HScroll2, w.VScroll2})
        EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(w.Picture1->pos(), QPoint(0, 0));
    EXPECT_EQ(w.Picture4->pos(), QPoint(0, 0));
    EXPECT_EQ(w.afterPane().left(), 0);
    EXPECT_EQ(w.beforePane().top(), 0);

    // The same after a new run: the window hidden at the far corner, shown with smaller results.
    for (QScrollBar *bar : {w.HScroll1, w.VScroll1})
        bar->setValue(bar->maximum());
    w.hide();
    f.sources.clear();
    f.fill({noisyPicture(800, 400, 4)});
    ASSERT_TRUE(w.isVisible());
    EXPECT_EQ(w.Picture1->pos(), QPoint(0, 0));
    EXPECT_EQ(w.HScroll1->value(), 0);
    EXPECT_EQ(w.VScroll1->value(), 0);
    EXPECT_EQ(w.afterPane().top(), 0);
}

TEST(Form2, WheelScrollsOnePaneAndShiftTurnsItSideways)
{
    Fixture f;
    Form2 &w = f.open();
    f.fill({noisyPicture(1200, 800, 1)});
    const int tpp = twipsPerPixel();
    // To the widget under the point, as from the window system, so that it passes on to the
    // parents as a real wheel does (a wheel sent by code stays with its receiver).
    auto turn = [&w](QWidget *over, int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QPoint at = over->mapTo(&w, over->visibleRegion().boundingRect().center());
        QWidget *target = w.childAt(at);
        ASSERT_TRUE(target == over || over->isAncestorOf(target));
        QWheelEvent wheel(target->mapFrom(&w, at), w.mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta),
                          Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        // sendEvent would mark it as sent by code again; the application's own dispatch does not.
        QSpontaneKeyEvent::setSpontaneous(&wheel);
        QApplication::instance()->notify(target, &wheel);
    };
    turn(w.Picture1, -120); // over the picture: it passes the wheel on to its pane
    const int notch = PreviewPane::kWheelNotchTwips / w.afterPane().verticalUnit();
    EXPECT_EQ(w.VScroll1->value(), notch);
    EXPECT_EQ(w.afterPane().top(), -notch * w.afterPane().verticalUnit());
    EXPECT_EQ(w.Picture1->y(), w.afterPane().top() / tpp);
    EXPECT_EQ(w.HScroll1->value(), 0);
    turn(w.Picture1, -120, Qt::ShiftModifier);
    EXPECT_EQ(w.HScroll1->value(), PreviewPane::kWheelNotchTwips / w.afterPane().horizontalUnit());
    EXPECT_EQ(w.VScroll1->value(), notch);
    // Letting go of Shift while the list has the focus selects nothing: the panes stay put.
    w.ListView1->setFocus();
    QTest::keyRelease(w.ListView1, Qt::Key_Shift);
    EXPECT_EQ(w.VScroll1->value(), notch);
    EXPECT_EQ(w.afterPane().top(), -notch * w.afterPane().verticalUnit());
    // Over a bar the wheel moves by the same arithmetic, not the bar's own three steps.
    turn(w.VScroll1, 120);
    EXPECT_EQ(w.VScroll1->value(), 0);
    turn(w.HScroll2, -120);
    EXPECT_EQ(w.HScroll2->value(), PreviewPane::kWheelNotchTwips / w.beforePane().horizontalUnit());
    EXPECT_EQ(w.Picture4->y(), 0);
    EXPECT_LT(w.Picture4->x(), 0);
}

TEST(Form2, DoubleClickFitsBothPanesAndAgainShowsFullSize)
{
    Fixture f;
    Form2 &w = f.open();
    QImage wide(1500, 700, QImage::Format_RGB32); // blue, with its right fifth red
    wide.fill(Qt::blue);
    for (int y = 0; y < 700; ++y)
        for (int x = 1200; x < 1500; ++x)
            wide.setPixel(x, y, qRgb(255, 0, 0));
    f.fill({wide, noisyPicture(40, 30, 2), noisyPicture(600, 1200, 3)});
    w.HScroll1->setValue(40);
    QTest::mouseDClick(w.Picture1, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    ASSERT_TRUE(w.fitsWholePicture());
    const QSize inner = w.Picture2->contentsRect().size();
    for (PictureBox *box : {w.Picture1, w.Picture4}) {
        EXPECT_EQ(box->pos(), QPoint(0, 0));
        EXPECT_LE(box->width(), inner.width());
        EXPECT_LE(box->height(), inner.height());
        EXPECT_TRUE(box->width() == inner.width() || box->height() == inner.height());
        EXPECT_NEAR(double(box->width()) / box->height(), 1500.0 / 700.0, 0.05);
    }
    EXPECT_EQ(w.Picture1->size(), w.Picture4->size());
    for (QScrollBar *bar : {w.HScroll1, w.VScroll1, w.HScroll2, w.VScroll2})
        EXPECT_FALSE(bar->isEnabled());
    // What is painted is the whole picture scaled down: its red right end shows at the pane's.
    const QImage shown = w.Picture4->grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(shown.width() - 2, shown.height() / 2)), QColor(Qt::red));
    EXPECT_EQ(QColor(shown.pixel(1, shown.height() / 2)), QColor(Qt::blue));

    // A further selection stays fitted; a small picture is not enlarged.
    ASSERT_TRUE(f.clickRow(1));
    EXPECT_EQ(w.Picture4->size(), QSize(40, 30));
    ASSERT_TRUE(f.clickRow(2));
    EXPECT_EQ(w.Picture1->height(), inner.height());
    EXPECT_FALSE(w.VScroll1->isEnabled());

    // A double-click beside the fitted picture, where the viewport is empty, goes back as well.
    const QPoint beside(w.Picture3->width() - 12, 12);
    ASSERT_FALSE(w.Picture4->geometry().contains(w.Picture4->parentWidget()->mapFrom(w.Picture3, beside)));
    QTest::mouseDClick(w.Picture3, Qt::LeftButton, Qt::NoModifier, beside);
    EXPECT_FALSE(w.fitsWholePicture());
    EXPECT_EQ(w.Picture1->size(), QSize(600, 1200));
    EXPECT_EQ(w.Picture4->size(), QSize(600, 1200));
    EXPECT_TRUE(w.VScroll1->isEnabled());
    EXPECT_TRUE(w.VScroll2->isEnabled());
    EXPECT_EQ(w.VScroll1->value(), 0);
}

TEST(Form2, UnreadSourceIsGreyedWithItsReasonAndItsPanesSayWhy)
{
    Fixture f;
    Form2 &w = f.open();
    // The second source is no picture at all; the run has left its item without a result.
    QFile junk(f.dir.filePath(QStringLiteral("src1.png")));
    f.fill({noisyPicture(30, 20, 1), noisyPicture(30, 20, 2)}, QStringLiteral("sharpened"), {1});
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly | QIODevice::Truncate));
    junk.write("not a picture");
    junk.close();
    const QString why = f.unreadReason(1);

    QTreeWidgetItem *good = w.ListView1->topLevelItem(0), *bad = w.ListView1->topLevelItem(1);
    EXPECT_EQ(bad->toolTip(0), why);
    EXPECT_TRUE(good->toolTip(0).isEmpty());
    EXPECT_NE(bad->foreground(0).color(), good->foreground(0).color());
    EXPECT_TRUE(bad->flags() & Qt::ItemIsSelectable);
    EXPECT_TRUE(w.paneNote(true).isEmpty());

    ASSERT_TRUE(f.clickRow(1));
    EXPECT_TRUE(w.Picture1->picture().isNull());
    EXPECT_TRUE(w.Picture4->picture().isNull());
    EXPECT_TRUE(w.paneNote(true).contains(why));
    EXPECT_TRUE(w.paneNote(false).contains(f.sources[1])) << qPrintable(w.paneNote(false));
    EXPECT_TRUE(f.dialogs.shown.empty());

    // Back on a good item the notes go away.
    ASSERT_TRUE(f.clickRow(0));
    EXPECT_TRUE(w.paneNote(true).isEmpty());
    EXPECT_TRUE(w.paneNote(false).isEmpty());
}

TEST(Form2, QualitySliderShowsItsValueOnHoverAndWhileDragged)
{
    Fixture f;
    Form2 &w = f.open();
    w.show();
    w.Slider1->setValue(64);
    EXPECT_EQ(w.Slider1->toolTip(), QStringLiteral("64"));
    w.Slider1->setSliderDown(true);
    w.Slider1->setSliderPosition(37);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("37"));
    w.Slider1->setSliderDown(false);
    EXPECT_EQ(w.Slider1->toolTip(), QStringLiteral("37"));
}

TEST(Form2, ScrollingDownMovesThePictureUpByWholePixels)
{
    Fixture f;
    Form2 &w = f.open();
    f.fill({noisyPicture(300, 900, 1)});
    const int tpp = twipsPerPixel();
    ASSERT_TRUE(w.VScroll1->isEnabled());
    w.VScroll1->setValue(std::min(12, w.VScroll1->maximum()));
    const int twipsUp = w.VScroll1->value() * w.afterPane().verticalUnit();
    ASSERT_GT(twipsUp, tpp);
    EXPECT_EQ(w.afterPane().top(), -twipsUp);
    EXPECT_EQ(w.Picture1->pos(), QPoint(0, -twipsUp / tpp));
    EXPECT_EQ(w.Picture4->pos(), QPoint(0, 0));
}

TEST(Form2, TheQualitySliderDecidesHowTheJpegFilesAreWritten)
{
    Fixture f;
    Form2 &w = f.open();
    // Smooth shapes, as photographs have: the quality shows in the pixels, not only the size.
    QImage picture(96, 64, QImage::Format_RGB32);
    {
        QPainter painter(&picture);
        QLinearGradient gradient(0, 0, 96, 64);
        gradient.setColorAt(0, QColor(30, 60, 120));
        gradient.setColorAt(1, QColor(250, 200, 90));
        painter.fillRect(picture.rect(), gradient);
        painter.setBrush(QColor(200, 40, 60));
        painter.drawEllipse(20, 10, 40, 30);
    }
    f.fill({picture});
    const QImage result = w.resultList().picture(0).image();
    auto saveAt = [&](int quality) {
        const QString folder = f.dir.filePath(QStringLiteral("q%1").arg(quality));
        QDir().mkpath(folder);
        w.Text1->setText(folder);
        w.Slider1->setValue(quality);
        EXPECT_TRUE(f.save());
        return folder + QStringLiteral("/src0-sharpened.jpg");
    };
    QTest::mouseClick(w.Option2, Qt::LeftButton);
    const QString low = saveAt(10), high = saveAt(95);
    const QImage lowPixels = decodePicture(low).value(), highPixels = decodePicture(high).value();
    ASSERT_EQ(lowPixels.size(), result.size());
    ASSERT_EQ(highPixels.size(), result.size());
    // Mean absolute error against the result, over the three colour bytes.
    auto error = [&](const QImage &decoded) {
        double sum = 0;
        for (int y = 0; y < result.height(); ++y)
            for (int x = 0; x < result.width() * 4; ++x)
                if (x % 4 != 3)
                    sum += std::abs(int(decoded.constScanLine(y)[x]) - int(result.constScanLine(y)[x]));
        return sum / (result.width() * result.height() * 3);
    };
    EXPECT_LT(error(highPixels) * 2, error(lowPixels));
    EXPECT_GT(QFileInfo(high).size(), 2 * QFileInfo(low).size());
    EXPECT_TRUE(f.dialogs.reports().empty());
}

TEST(Form2, ClosingDuringASaveLeavesOnlyWholeFiles)
{
    Fixture f;
    Form2 &w = f.open();
    QList<QImage> pictures;
    for (int i = 0; i < 24; ++i)
        pictures << noisyPicture(160, 120, unsigned(i));
    f.fill(pictures);
    const QString out = f.dir.filePath(QStringLiteral("out"));
    QDir().mkpath(out);
    w.Text1->setText(out);
    QTest::mouseClick(w.Option1, Qt::LeftButton);
    QTest::mouseClick(w.PushButton6, Qt::LeftButton);
    // A pair under way as well: closing drops it.
    w.ListView1->setCurrentItem(w.ListView1->topLevelItem(5));
    w.ListView1_Click();
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(w.isSaving());
    EXPECT_FALSE(w.panesPending());
    EXPECT_NE(w.cursor().shape(), Qt::WaitCursor);
    QCoreApplication::processEvents();
    // Whatever was written is whole; nothing else is left in the folder.
    for (const QString &name : QDir(out).entryList(QDir::Files | QDir::Hidden)) {
        const int i = name.mid(3, name.indexOf(QLatin1Char('-')) - 3).toInt();
        ASSERT_TRUE(name.endsWith(QStringLiteral("-sharpened.bmp"))) << qPrintable(name);
        EXPECT_EQ(decodePicture(QDir(out).filePath(name)).value(), w.resultList().picture(i).image()) << qPrintable(name);
    }
    EXPECT_TRUE(f.dialogs.plainMessages().empty());
}

TEST(Form2, SameStemResultsAreAllSavedAndTheRenamedOnesListedBeforeDone)
{
    Fixture f;
    Form2 &w = f.open();
    f.names = {QStringLiteral("a/photo.png"), QStringLiteral("b/photo.png"), QStringLiteral("a/photo.gif"),
               QStringLiteral("a/other.png")};
    f.fill({noisyPicture(8, 6, 1), noisyPicture(9, 7, 2), noisyPicture(5, 4, 3), noisyPicture(6, 6, 4)});
    QDir(f.dir.path()).mkpath(QStringLiteral("out"));
    const QString out = f.dir.filePath(QStringLiteral("out"));
    w.Text1->setText(out);
    QTest::mouseClick(w.Option1, Qt::LeftButton);
    ASSERT_TRUE(f.save());

    const QStringList expected = {QStringLiteral("other-sharpened.bmp"), QStringLiteral("photo-sharpened (2).bmp"),
                                  QStringLiteral("photo-sharpened (3).bmp"), QStringLiteral("photo-sharpened.bmp")};
    EXPECT_EQ(QDir(out).entryList(QDir::Files, QDir::Name), expected);
    EXPECT_EQ(decodePicture(QDir(out).filePath(QStringLiteral("photo-sharpened.bmp"))).value(), w.resultList().picture(0).image());
    EXPECT_EQ(decodePicture(QDir(out).filePath(QStringLiteral("photo-sharpened (2).bmp"))).value(), w.resultList().picture(1).image());
    EXPECT_EQ(decodePicture(QDir(out).filePath(QStringLiteral("photo-sharpened (3).bmp"))).value(), w.resultList().picture(2).image());

    const auto messages = f.dialogs.plainMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[0].text.contains(f.sources[1] + QStringLiteral(": saved as photo-sharpened (2).bmp")))
        << qPrintable(messages[0].text);
    EXPECT_TRUE(messages[0].text.contains(f.sources[2] + QStringLiteral(": saved as photo-sharpened (3).bmp")));
    EXPECT_FALSE(messages[0].text.contains(f.sources[0]));
    EXPECT_FALSE(messages[0].text.contains(f.sources[3]));
    EXPECT_EQ(messages[1].text, QStringLiteral("Done."));
    EXPECT_TRUE(f.dialogs.reports().empty());

    // Saving again replaces the files of the first save; nothing is numbered further.
    ASSERT_TRUE(f.save());
    EXPECT_EQ(QDir(out).entryList(QDir::Files, QDir::Name), expected);
}

TEST(Form2, SaveShowsTheBusyPointerAndHowFarItIsInTheTitleAndEscStopsItBetweenFiles)
{
    Fixture f;
    Form2 &w = f.open();
    const int count = 30;
    QList<QImage> pictures;
    for (int i = 0; i < count; ++i)
        pictures << noisyPicture(9, 7, unsigned(i));
    f.fill(pictures);
    // Results large enough that a save takes a while, so that Esc lands in the middle of one.
    const QImage large = noisyPicture(1000, 700, 99);
    for (int i = 0; i < count; ++i)
        w.resultList().setPicture(i, ResultPicture(large));
    const QString out = f.dir.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(out));
    w.Text1->setText(out + QLatin1Char('/'));
    w.Slider1->setValue(50);

    QStringList titles;
    bool busyThroughout = true;
    QString escapeAt;
    QObject::connect(&w, &QWidget::windowTitleChanged, &w, [&](const QString &title) {
        titles << title;
        if (title.startsWith(QLatin1String("Saving")))
            busyThroughout = busyThroughout && w.cursor().shape() == Qt::WaitCursor && w.isSaving();
        if (title == escapeAt)
            QTest::keyClick(w.Text1, Qt::Key_Escape);
    });

    ASSERT_TRUE(f.save());
    EXPECT_TRUE(busyThroughout);
    ASSERT_GE(titles.size(), 3);
    EXPECT_EQ(titles.first(), QStringLiteral("Saving 1 of 30"));
    EXPECT_TRUE(titles.contains(QStringLiteral("Saving 30 of 30")));
    EXPECT_EQ(titles.last(), QStringLiteral("Lumivex")) << "the title comes back";
    EXPECT_NE(w.cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(f.dialogs.plainMessages().back().text, QStringLiteral("Done."));
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), count);

    // Esc (typed in the folder field) while the third file is under way: no further file is
    // started, those written are whole.
    QDir(out).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(out));
    titles.clear();
    escapeAt = QStringLiteral("Saving 3 of 30");
    ASSERT_TRUE(f.save());
    ASSERT_TRUE(titles.contains(escapeAt));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Lumivex"));
    EXPECT_NE(w.cursor().shape(), Qt::WaitCursor);
    const QStringList written = QDir(out).entryList(QDir::Files | QDir::Hidden);
    EXPECT_GE(written.size(), 2);
    EXPECT_LT(written.size(), count);
    for (const QString &name : written)
        EXPECT_EQ(decodePicture(QDir(out).filePath(name)).value().size(), large.size()) << qPrintable(name);
    EXPECT_EQ(f.dialogs.plainMessages().back().text,
              QStringLiteral("Saving stopped after %1 of 30 files.").arg(written.size()));
    EXPECT_TRUE(f.dialogs.reports().empty()) << "items never started are no failures";
}

// The window's thread only asks for pictures; the results window and the compare view opened
// from it share one job, so a row shown in the panes is decoded once for both, and going back
// and forth between two items reads neither again.
TEST(Form2, APairShownIsMadeOffTheWindowsThreadAndTheCompareViewUsesItsDecode)
{
    Fixture f;
    Form2 &w = f.open();
    const QList<QImage> pictures = {noisyPicture(64, 48, 1), noisyPicture(700, 500, 2), noisyPicture(300, 200, 3)};
    f.fill(pictures);
    PreviewJob &job = w.previewJob();
    EXPECT_EQ(job.decodes(), 0) << "the first pair is made from the run's own decode";
    EXPECT_EQ(w.Picture4->picture(), pictures[0]);
    OpenCounter reads(f.sources[1]);
    ASSERT_TRUE(reads.watching());

    // The click returns before anything is read on its thread: the panes change once the pair
    // has been made elsewhere.
    w.ListView1->setCurrentItem(w.ListView1->topLevelItem(1));
    ASSERT_TRUE(f.panesAfter([&] {
        w.ListView1_Click();
        EXPECT_EQ(w.Picture4->picture(), pictures[0]);
        EXPECT_EQ(w.pointer(), PointerState::Pointer::Busy);
    }));
    EXPECT_EQ(w.Picture4->picture(), pictures[1]);
    EXPECT_EQ(job.decodes(), 1);
    const int opensOfOneDecode = reads.opens();
    ASSERT_GE(opensOfOneDecode, 1);

    // Enter opens the compare view on the same item: the same decode, the file not read again.
    w.ListView1->setFocus();
    QTest::keyClick(w.ListView1, Qt::Key_Return);
    CompareView *view = shownCompareView();
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(showsSource(*view, f.sources[1]));
    EXPECT_EQ(view->canvas()->before(), pictures[1]);
    EXPECT_EQ(view->canvas()->after(), w.Picture1->picture());
    EXPECT_EQ(&view->job(), &job);
    EXPECT_EQ(job.decodes(), 1);
    EXPECT_EQ(reads.opens(), opensOfOneDecode);

    // To the next item and back: the first is still kept.
    pressIn(*view, Qt::Key_PageDown);
    ASSERT_TRUE(showsSource(*view, f.sources[2]));
    pressIn(*view, Qt::Key_PageUp);
    ASSERT_TRUE(showsSource(*view, f.sources[1]));
    EXPECT_EQ(job.decodes(), 2);
    EXPECT_EQ(reads.opens(), opensOfOneDecode);
    view->close();

    // Both kept decodes serve the panes too; a third source takes the place of the one used
    // longest ago, so no more than two pictures are ever held.
    ASSERT_TRUE(f.clickRow(2));
    EXPECT_EQ(job.decodes(), 2);
    ASSERT_TRUE(f.clickRow(0));
    EXPECT_EQ(job.decodes(), 3);
    ASSERT_TRUE(f.clickRow(1));
    EXPECT_EQ(job.decodes(), 4);
    EXPECT_EQ(w.Picture4->picture(), pictures[1]);
}

// While the job is busy with a large picture, the panes and the compare view both ask for the
// next: each gets its pair, neither request replacing the other's.
TEST(Form2, ThePanesAndTheCompareViewNeverDropEachOthersRequest)
{
    Fixture f;
    Form2 &w = f.open();
    f.fill({noisyPicture(40, 30, 1), noisyPicture(3000, 2000, 2), noisyPicture(50, 40, 3)});
    w.ListView1->setCurrentItem(w.ListView1->topLevelItem(1));
    w.ListView1_Click();
    w.ListView1->setCurrentItem(w.ListView1->topLevelItem(2));
    w.ListView1_Click();
    w.ListView1->setFocus();
    QTest::keyClick(w.ListView1, Qt::Key_Return);
    CompareView *view = shownCompareView();
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(showsSource(*view, f.sources[2]));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.panesPending(); }, 20000));
    EXPECT_EQ(w.Picture4->picture(), view->canvas()->before());
    EXPECT_EQ(w.pointer(), PointerState::Pointer::Default);
}
