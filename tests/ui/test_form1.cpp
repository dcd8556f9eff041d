// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/form1.h"
#include "ui/image_list_view.h"
#include "core/paths.h"
#include "ui/form2.h"
#include "engine/batch_session.h"
#include "core/picture.h"
#include "ui/picture_box.h"
#include "scripted_dialogs.h"
#include "window_parts.h"
#include "core/settings_store.h"
#include "test_images.h"
#include "window_testing.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

using namespace lumivex;
using namespace lumivex::testing;

namespace {

struct Fixture : WindowParts {
    std::unique_ptr<Form1> window;

    Form1 &open()
    {
        window = std::make_unique<Form1>(settings, dialogs);
        return *window;
    }
    QStringList rows() const
    {
        QStringList result;
        for (int i = 1; i <= window->ListView1->count(); ++i)
            result << window->ListView1->rowText(i);
        return result;
    }
    QString setting(const char *key) { return settings.GetSetting(QLatin1String(key), QStringLiteral("<none>")); }
};

bool waitForRunEnd(const Form1 &w)
{
    return QTest::qWaitFor([&] { return !w.isRunning(); }, 30000);
}

bool waitForScanEnd(const Form1 &w)
{
    return QTest::qWaitFor([&] { return !w.isScanning(); }, 30000);
}

} // namespace

TEST(Form1, FirstStartShowsTheDesignAndTheDefaultSliders)
{
    Fixture f;
    Form1 &w = f.open();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Lumivex"));
    EXPECT_EQ(w.size(), QSize(twipsToPixels(15960), twipsToPixels(6600)));
    EXPECT_EQ(w.Slider2->value(), 0);
    EXPECT_EQ(w.Slider3->value(), 50);
    EXPECT_EQ(w.Slider4->value(), 5);
    EXPECT_EQ(w.Slider5->value(), 5);
    EXPECT_EQ(w.Slider2->minimum(), -100);
    EXPECT_EQ(w.Slider2->tickInterval(), 10);
    EXPECT_EQ(w.Slider2->pageStep(), 5);
    EXPECT_EQ(w.Slider4->maximum(), 10);
    EXPECT_EQ(w.Slider4->tickInterval(), 1);
    EXPECT_EQ(w.Frame2->title(), QStringLiteral("Brighness"));
    EXPECT_EQ(w.Frame5->title(), QStringLiteral("Sharpening"));
    EXPECT_EQ(w.PushButton8->text(), QStringLiteral("Add All File(s) In Folder"));
    EXPECT_EQ(w.PushButton6->text(), QStringLiteral("Start Adjusting Sharpening"));
    EXPECT_EQ(w.ListView1->headerItem()->text(0),
              QStringLiteral("Drag and drop files here. Move | bar to the right if needed."));
    EXPECT_EQ(w.ListView1->columnWidth(0), twipsToPixels(7000));
    EXPECT_EQ(w.ListView1->geometry(), twips(120, 120, 7800, 4845));
    // The four list commands, each at its own design position.
    EXPECT_EQ(w.PushButton7->geometry(), twips(120, 5050, 3840, 405));
    EXPECT_EQ(w.PushButton8->geometry(), twips(4080, 5055, 3840, 405));
    EXPECT_EQ(w.PushButton1->geometry(), twips(120, 5560, 3840, 405));
    EXPECT_EQ(w.PushButton3->geometry(), twips(4080, 5565, 3840, 405));
    EXPECT_EQ(w.ProgressBar1->geometry(), twips(120, 6075, 7800, 405));
    EXPECT_EQ(w.Frame4->geometry(), twips(8040, 3300, 7800, 1560));
    EXPECT_EQ(w.Slider3->geometry(), twips(120, 225, 7575, 525));
    EXPECT_EQ(w.PushButton2->geometry(), twips(240, 1005, 7300, 405));
    EXPECT_EQ(w.PushButton4->geometry(), twips(240, 1010, 7300, 405));
    EXPECT_EQ(w.Label2->geometry().left(), twipsToPixels(3720));
    EXPECT_EQ(w.Label3->text(), QStringLiteral("-100"));
    EXPECT_TRUE(w.PushButton2->font().bold());
    EXPECT_DOUBLE_EQ(w.PushButton2->font().pointSizeF(), 11.25);
    EXPECT_DOUBLE_EQ(w.ListView1->font().pointSizeF(), 9);
    EXPECT_TRUE(f.dialogs.shown.empty());
}

TEST(Form1, StoredSlidersComeBackAndChangesAreWrittenAtOnce)
{
    Fixture f;
    f.settings.SaveSetting(QStringLiteral("SliderValue2"), QStringLiteral("-35"));
    f.settings.SaveSetting(QStringLiteral("SliderValue5"), QStringLiteral("9"));
    Form1 &w = f.open();
    EXPECT_EQ(w.Slider2->value(), -35);
    EXPECT_EQ(w.Slider5->value(), 9);
    w.Slider3->setValue(61);
    EXPECT_EQ(f.setting("SliderValue3"), QStringLiteral("61"));
    QTest::keyClick(w.Slider2, Qt::Key_Right);
    EXPECT_EQ(f.setting("SliderValue2"), QStringLiteral("-34"));
}

TEST(Form1, UnparsableStoredSliderIsReportedAndTheRestStillLoads)
{
    Fixture f;
    f.settings.SaveSetting(QStringLiteral("SliderValue3"), QStringLiteral("lots"));
    f.settings.SaveSetting(QStringLiteral("SliderValue4"), QStringLiteral("8"));
    f.settings.SaveSetting(QStringLiteral("SliderValue5"), QStringLiteral("400"));
    Form1 &w = f.open();
    const auto reports = f.dialogs.reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_TRUE(reports[0].text.contains(QStringLiteral("in Velmora12/4/2014.Form1.Form_Load at line 134")));
    EXPECT_TRUE(reports[1].text.contains(QStringLiteral("at line 138")));
    EXPECT_EQ(w.Slider3->value(), 50);
    EXPECT_EQ(w.Slider4->value(), 8);
    EXPECT_EQ(w.Slider5->value(), 1); // its design position
}

// A hand-edited file that does not parse: the window starts with what could be read, says once
// where the original was kept, and its own writes never touch that copy.
TEST(Form1, DamagedSettingsAreKeptAsideAndToldOnce)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Lumivex.conf"));
    const QByteArray damaged = "garbage\n[Lumivex]\nSliderValue2=-35\nSliderValue4=8\n";
    {
        QFile raw(file);
        ASSERT_TRUE(raw.open(QIODevice::WriteOnly));
        raw.write(damaged);
    }
    SettingsStore settings(file);
    ScriptedDialogs dialogs;
    Form1 w(settings, dialogs);
    EXPECT_EQ(w.Slider2->value(), -35);
    EXPECT_EQ(w.Slider4->value(), 8);
    w.Slider3->setValue(70);
    w.Slider3->setValue(71);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_TRUE(dialogs.shown[0].text.contains(file + QStringLiteral(".bad")));
    EXPECT_EQ(dialogs.shown[0].icon, Dialogs::Icon::Warning);
    QFile kept(file + QStringLiteral(".bad"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), damaged);
    EXPECT_EQ(settings.GetSetting(QStringLiteral("SliderValue3"), QString()), QStringLiteral("71"));
}

TEST(Form1, EachSliderOfTheLoadHandlerReportsItsOwnStep)
{
    Fixture f;
    for (const char *key : {"SliderValue2", "SliderValue3", "SliderValue4", "SliderValue5"})
        f.settings.SaveSetting(QLatin1String(key), QStringLiteral("-1000"));
    f.open();
    const auto reports = f.dialogs.reports();
    ASSERT_EQ(reports.size(), 4u);
    const int steps[] = {132, 134, 136, 138};
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(reports[std::size_t(i)].text.contains(
            QStringLiteral("Form1.Form_Load at line %1\r").arg(steps[i]))) << qPrintable(reports[std::size_t(i)].text);
}

TEST(Form1, AddFilesJoinsFolderAndNamesAndCancelChangesNothing)
{
    Fixture f;
    Form1 &w = f.open();
    f.dialogs.fileAnswers.push_back({QStringLiteral("/photos/one.jpg")});
    f.dialogs.fileAnswers.push_back({QStringLiteral("/"), QStringLiteral("a.jpg"), QStringLiteral("b.png")});
    f.dialogs.fileAnswers.push_back({QStringLiteral("/photos"), QStringLiteral("c.gif"), QStringLiteral("d.bmp")});
    f.dialogs.fileAnswers.push_back({});
    for (int i = 0; i < 4; ++i)
        QTest::mouseClick(w.PushButton7, Qt::LeftButton);
    EXPECT_EQ(f.rows(), (QStringList{QStringLiteral("/photos/one.jpg"), QStringLiteral("/a.jpg"), QStringLiteral("/b.png"),
                                     QStringLiteral("/photos/c.gif"), QStringLiteral("/photos/d.bmp")}));
    ASSERT_EQ(f.dialogs.fileDialogs.size(), 4u);
    EXPECT_EQ(f.dialogs.fileDialogs[0].caption,
              QStringLiteral("Add File(s) - Hold Ctrl or Shift to select multiple files"));
    EXPECT_EQ(f.dialogs.fileDialogs[0].text,
              QStringLiteral("All Pictures (*.bmp;*.jpg;*.gif;*.png;*.ico;*.wmf)|*.bmp;*.jpg;*.gif;*.png;*.ico;*.wmf|"
                             "Every Readable Picture (%1)|%1|All Files (*.*)|*.*")
                  .arg(QStringLiteral("*.jpg;*.jpeg;*.jpe;*.jfif;*.png;*.gif;*.bmp;*.dib;*.tif;*.tiff;*.webp;*.heic;*.heif;"
                                      "*.avif;*.jxl;*.dng;*.cr2;*.cr3;*.crw;*.nef;*.nrw;*.arw;*.srf;*.sr2;*.orf;*.rw2;"
                                      "*.raf;*.pef;*.srw;*.rwl;*.raw;*.3fr;*.erf;*.kdc;*.dcr;*.mrw;*.mos;*.mef;*.iiq")));
    EXPECT_TRUE(f.dialogs.shown.empty());
}

TEST(Form1, AddFolderAsksTheExtensionStoresItAndScansTheTree)
{
    Fixture f;
    Form1 &w = f.open();
    QDir(f.dir.path()).mkpath(QStringLiteral("pics/sub"));
    for (const char *name : {"pics/1.JPG", "pics/~skip.jpg", "pics/note.txt", "pics/sub/2.jpg"}) {
        QFile file(f.dir.filePath(QLatin1String(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    // Cancelled prompt: nothing happens, nothing is stored.
    QTest::mouseClick(w.PushButton8, Qt::LeftButton);
    EXPECT_EQ(f.setting("Extension"), QStringLiteral("<none>"));
    // Answered prompt, cancelled folder: the answer is stored already.
    f.dialogs.inputs.push_back(QStringLiteral("jpg"));
    QTest::mouseClick(w.PushButton8, Qt::LeftButton);
    EXPECT_EQ(f.setting("Extension"), QStringLiteral("jpg"));
    EXPECT_TRUE(f.rows().isEmpty());
    // The full command.
    f.dialogs.inputs.push_back(QStringLiteral("jpg"));
    f.dialogs.folderAnswers.push_back(f.dir.filePath(QStringLiteral("pics")));
    QTest::mouseClick(w.PushButton8, Qt::LeftButton);
    ASSERT_TRUE(waitForScanEnd(w));
    EXPECT_EQ(f.rows(), (QStringList{f.dir.filePath(QStringLiteral("pics/1.JPG")), f.dir.filePath(QStringLiteral("pics/sub/2.jpg"))}));
    ASSERT_EQ(f.dialogs.prompts.size(), 3u);
    EXPECT_EQ(f.dialogs.prompts[0].text,
              QStringLiteral("Enter file extension to load:\r\r(* for all files, txt for all txt files, doc for all doc files, etc.)"));
    EXPECT_EQ(f.dialogs.prompts[0].caption, QStringLiteral("Lumivex"));
    EXPECT_EQ(f.dialogs.proposals.last(), QStringLiteral("*"));
    EXPECT_EQ(f.dialogs.folderPrompts.last(), QStringLiteral("Please select folder to add:"));
    EXPECT_EQ(w.pointer(), PointerState::Pointer::Default);
    EXPECT_TRUE(f.dialogs.reports().empty());
}

// A scan fills the list off the GUI thread and locks it as a run does: the list commands and the
// Start buttons do nothing until it ends, every row still arrives in the walk's order, Esc stops
// it, and closing the window during a scan neither hangs nor crashes.
TEST(Form1, AFolderScanLocksTheListUntilItsRowsHaveAllArrived)
{
    Fixture f;
    Form1 &w = f.open();
    w.show();
    const QString tree = f.dir.filePath(QStringLiteral("tree"));
    for (int d = 0; d < 60; ++d) {
        const QString folder = QStringLiteral("%1/f%2").arg(tree).arg(d, 2, 10, QLatin1Char('0'));
        QDir().mkpath(folder);
        for (int i = 0; i < 50; ++i) {
            QFile file(QStringLiteral("%1/p%2.jpg").arg(folder).arg(i, 2, 10, QLatin1Char('0')));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
    }
    const QStringList expected = ScanFolderTree(tree, QStringLiteral("*.jpg"));
    ASSERT_EQ(expected.size(), 3000);
    w.addCommandLinePaths({QStringLiteral("/x/already.jpg")});

    f.dialogs.inputs.push_back(QStringLiteral("jpg"));
    f.dialogs.folderAnswers.push_back(tree);
    QTest::mouseClick(w.PushButton8, Qt::LeftButton);
    ASSERT_TRUE(w.isScanning()) << "the scan ran on the GUI thread";
    EXPECT_EQ(w.pointer(), PointerState::Pointer::Busy);
    QTest::mouseClick(w.PushButton1, Qt::LeftButton); // Clear List
    QTest::mouseClick(w.PushButton2, Qt::LeftButton); // a Start button
    w.addCommandLinePaths({QStringLiteral("/x/dropped.jpg")});
    EXPECT_EQ(w.currentRun(), nullptr);
    ASSERT_TRUE(waitForScanEnd(w));
    EXPECT_EQ(f.rows(), QStringList{QStringLiteral("/x/already.jpg")} + expected);
    EXPECT_EQ(w.pointer(), PointerState::Pointer::Default);
    EXPECT_TRUE(f.dialogs.reports().empty());
    QTest::mouseClick(w.PushButton1, Qt::LeftButton);
    EXPECT_TRUE(f.rows().isEmpty()) << "the list is unlocked once the scan has ended";

    // Esc stops a scan: what was found before still arrives, in order, and the list unlocks.
    w.addCommandLinePaths({tree});
    ASSERT_TRUE(w.isScanning());
    QTest::keyClick(&w, Qt::Key_Escape);
    ASSERT_TRUE(waitForScanEnd(w));
    const QStringList stopped = f.rows();
    EXPECT_LE(stopped.size(), expected.size());
    EXPECT_EQ(stopped, expected.mid(0, stopped.size()));

    // Closing mid-scan.
    w.addCommandLinePaths({tree});
    ASSERT_TRUE(w.isScanning());
    EXPECT_TRUE(w.close());
    QCoreApplication::processEvents();
    f.window.reset();
    QCoreApplication::processEvents();
}

TEST(Form1, DropsAddFilesAsTheyAreAndScanFoldersOnce)
{
    Fixture f;
    Form1 &w = f.open();
    QDir(f.dir.path()).mkpath(QStringLiteral("one"));
    QDir(f.dir.path()).mkpath(QStringLiteral("two"));
    for (const char *name : {"one/a.jpg", "one/~lock", "two/b.txt", "loose.doc"}) {
        QFile file(f.dir.filePath(QLatin1String(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(f.dir.filePath(QStringLiteral("loose.doc"))),
                   QUrl::fromLocalFile(f.dir.filePath(QStringLiteral("one"))),
                   QUrl::fromLocalFile(f.dir.filePath(QStringLiteral("two")))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.ListView1->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.ListView1->viewport(), &drop);
    EXPECT_EQ(f.rows(), QStringList{f.dir.filePath(QStringLiteral("loose.doc"))}) << "a file before any folder goes in at once";
    ASSERT_TRUE(waitForScanEnd(w));
    EXPECT_EQ(f.rows(), (QStringList{f.dir.filePath(QStringLiteral("loose.doc")), f.dir.filePath(QStringLiteral("one/a.jpg")),
                                     f.dir.filePath(QStringLiteral("two/b.txt"))}));

    QMimeData text;
    text.setText(QStringLiteral("just words"));
    QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.ListView1->viewport(), &refused);
    EXPECT_FALSE(refused.isAccepted());
    QDropEvent textDrop(QPointF(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.ListView1->viewport(), &textDrop);
    EXPECT_EQ(f.rows().size(), 3);
}

TEST(Form1, RemovalByKeyAndDoubleClickAndClear)
{
    Fixture f;
    Form1 &w = f.open();
    w.addCommandLinePaths({QStringLiteral("/x/1.jpg"), QStringLiteral("/x/2.jpg"), QStringLiteral("/x/3.jpg")});
    EXPECT_EQ(f.rows().size(), 3);
    // Delete with nothing selected does nothing, and says nothing.
    QTest::keyClick(w.ListView1, Qt::Key_Delete);
    EXPECT_EQ(f.rows().size(), 3);
    w.ListView1->setCurrentItem(w.ListView1->topLevelItem(1));
    QTest::keyClick(w.ListView1, Qt::Key_Delete);
    EXPECT_EQ(f.rows(), (QStringList{QStringLiteral("/x/1.jpg"), QStringLiteral("/x/3.jpg")}));
    w.ListView1->setCurrentItem(w.ListView1->topLevelItem(0));
    const QRect first = w.ListView1->visualItemRect(w.ListView1->topLevelItem(0));
    QTest::mouseDClick(w.ListView1->viewport(), Qt::LeftButton, Qt::NoModifier, first.center());
    EXPECT_EQ(f.rows(), QStringList{QStringLiteral("/x/3.jpg")});
    QTest::mouseClick(w.PushButton1, Qt::LeftButton);
    EXPECT_TRUE(f.rows().isEmpty());
    EXPECT_TRUE(f.dialogs.shown.empty());
}

TEST(Form1, SamplesAreAddedAndTheQuestionIsAskedEitherWay)
{
    const QString samples = joinPath(programFolder(), QStringLiteral("Samples"));
    QDir(samples).removeRecursively();
    {
        Fixture f;
        Form1 &w = f.open();
        QTest::mouseClick(w.PushButton3, Qt::LeftButton);
        EXPECT_TRUE(f.rows().isEmpty());
        ASSERT_EQ(f.dialogs.shown.size(), 1u);
        EXPECT_EQ(f.dialogs.shown[0].buttons, Dialogs::Buttons::YesNo);
        EXPECT_EQ(f.dialogs.shown[0].icon, Dialogs::Icon::None);
        EXPECT_EQ(f.dialogs.shown[0].caption, QStringLiteral("Lumivex"));
        EXPECT_TRUE(f.dialogs.shown[0].text.startsWith(QStringLiteral("Would you like this software to open the folder")));
        EXPECT_TRUE(f.dialogs.openedFolders.isEmpty());
    }
    ASSERT_TRUE(QDir().mkpath(samples));
    for (const char *name : {"b.png", "a.jpg", "~x.gif"}) {
        QFile file(samples + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    Fixture f;
    Form1 &w = f.open();
    f.dialogs.answers.push_back(Dialogs::Answer::Yes);
    QTest::mouseClick(w.PushButton3, Qt::LeftButton);
    EXPECT_EQ(f.rows(), (QStringList{samples + QStringLiteral("/a.jpg"), samples + QStringLiteral("/b.png"),
                                     samples + QStringLiteral("/~x.gif")}));
    EXPECT_EQ(f.dialogs.openedFolders, QStringList{samples + QLatin1Char('/')});
    QDir(samples).removeRecursively();
}

TEST(Form1, StartRunsOverTheListAndHandsOverToTheResultsWindow)
{
    Fixture f;
    Form1 &w = f.open();
    w.show();
    QPushButton *start = w.PushButton2;
    QTest::mouseClick(start, Qt::LeftButton);
    ASSERT_EQ(f.dialogs.plainMessages().size(), 1u);
    EXPECT_EQ(f.dialogs.plainMessages()[0].text, QStringLiteral("Please add files first."));
    EXPECT_EQ(w.existingResults(), nullptr);

    w.addCommandLinePaths({writePicture(f.dir, QStringLiteral("p.png"), noisyPicture(30, 20)),
                           f.dir.filePath(QStringLiteral("missing.png"))});
    w.Slider2->setValue(40);
    QTest::mouseClick(start, Qt::LeftButton);
    ASSERT_TRUE(waitForRunEnd(w));
    ASSERT_NE(w.existingResults(), nullptr);
    EXPECT_TRUE(w.existingResults()->isVisible());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.ProgressBar1->value(), 0);
    EXPECT_EQ(w.pointer(), PointerState::Pointer::Default);
    const ResultList &results = w.existingResults()->resultList();
    EXPECT_EQ(results.items(), (QStringList{QStringLiteral("p.png"), QStringLiteral("missing.png")}));
    EXPECT_EQ(results.resultWord, QStringLiteral("brightened"));
    const auto reports = f.dialogs.reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].text.contains(QStringLiteral("in Velmora12/4/2014.Form1.PushButton2_Click at line 112")));
}

TEST(Form1, FirstFileUnreadableIsReportedAtItsDecodeAndAgainForTheBeforePicture)
{
    const struct {
        QPushButton *Form1::*start;
        const char *handler;
        int beforeStep;
    } cases[] = {{&Form1::PushButton2, "PushButton2_Click", 200}, {&Form1::PushButton4, "PushButton4_Click", 206},
                 {&Form1::PushButton6, "PushButton6_Click", 204}};
    for (const auto &c : cases) {
        Fixture f;
        Form1 &w = f.open();
        w.show();
        QFile junk(f.dir.filePath(QStringLiteral("first.jpg")));
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write("no picture here");
        junk.close();
        w.addCommandLinePaths({junk.fileName(), writePicture(f.dir, QStringLiteral("second.png"), noisyPicture(9, 7))});
        QTest::mouseClick(w.*c.start, Qt::LeftButton);
        ASSERT_TRUE(waitForRunEnd(w));
        const QString location = QStringLiteral("in Velmora12/4/2014.Form1.") + QLatin1String(c.handler) +
                                 QStringLiteral(" at line ");
        const auto reports = f.dialogs.reports();
        ASSERT_EQ(reports.size(), 2u) << c.handler;
        EXPECT_TRUE(reports[0].text.contains(location + QStringLiteral("112"))) << qPrintable(reports[0].text);
        EXPECT_TRUE(reports[1].text.contains(location + QString::number(c.beforeStep))) << qPrintable(reports[1].text);
        EXPECT_TRUE(reports[1].text.contains(junk.fileName()));
        // The run still shows its results, the Before pane empty rather than stale, and why.
        Form2 *results = w.existingResults();
        ASSERT_NE(results, nullptr);
        EXPECT_TRUE(results->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!results->panesPending(), 20000);
        EXPECT_TRUE(results->Picture4->picture().isNull());
        const QString why = QStringLiteral("The picture could not be read: ") + junk.fileName();
        EXPECT_EQ(results->paneNote(false), why);
        EXPECT_EQ(results->paneNote(true), QStringLiteral("No result: ") + why);
    }
}

TEST(Form1, ListCommandsAndStartDoNothingWhileARunIsUnderWay)
{
    Fixture f;
    Form1 &w = f.open();
    w.addCommandLinePaths({writePicture(f.dir, QStringLiteral("a.png"), noisyPicture(4, 4)),
                           writePicture(f.dir, QStringLiteral("b.png"), noisyPicture(4, 4))});
    // Clicks that arrive while the run waits at its second image. (Timed by the run itself: a
    // timer left over from a run that ended first would fire into the next test's window.)
    w.runStarting = [](SessionRun &run) { run.holdAtItem(2); };
    w.PushButton2_Click();
    ASSERT_TRUE(w.currentRun()->waitUntilHeld(10000));
    w.PushButton1_Click();
    w.addCommandLinePaths({QStringLiteral("/late.jpg")});
    w.PushButton4_Click();
    w.currentRun()->release();
    ASSERT_TRUE(waitForRunEnd(w));
    EXPECT_EQ(f.rows().size(), 2);
    EXPECT_EQ(w.existingResults()->resultList().resultWord, QStringLiteral("brightened"));
    EXPECT_EQ(w.existingResults()->resultList().itemCount(), 2);
}

namespace {

QStringList writePictures(QTemporaryDir &dir, int count, int width = 12, int height = 9)
{
    QStringList paths;
    for (int i = 0; i < count; ++i)
        paths << writePicture(dir, QStringLiteral("p%1.png").arg(i), noisyPicture(width, height, unsigned(i)));
    return paths;
}

} // namespace

TEST(Form1, EscapeCancelsTheRunAndTheFinishedItemsGoToTheResultsWindow)
{
    Fixture f;
    Form1 &w = f.open();
    w.show();
    w.addCommandLinePaths(writePictures(f.dir, 5));
    w.runStarting = [](SessionRun &run) { run.holdAtItem(3); };
    QTest::mouseClick(w.PushButton2, Qt::LeftButton);
    ASSERT_TRUE(w.currentRun()->waitUntilHeld(10000));
    // The window goes on handling events meanwhile: the run's progress arrives, and a list
    // command is refused because a run is under way.
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.ProgressBar1->value() == 40; }, 10000));
    EXPECT_EQ(w.pointer(), PointerState::Pointer::Busy);
    QTest::mouseClick(w.PushButton1, Qt::LeftButton);
    EXPECT_EQ(f.rows().size(), 5);

    QTest::keyClick(w.ListView1, Qt::Key_Escape); // unhandled by the list, it reaches the window
    ASSERT_TRUE(waitForRunEnd(w));
    Form2 *results = w.existingResults();
    ASSERT_NE(results, nullptr);
    EXPECT_TRUE(results->isVisible());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(results->ListView1->topLevelItemCount(), 2);
    EXPECT_EQ(results->resultList().items(), (QStringList{QStringLiteral("p0.png"), QStringLiteral("p1.png")}));
    EXPECT_EQ(results->resultList().mTotalImages, 1);
    EXPECT_TRUE(results->session().wasCancelled());
    EXPECT_EQ(w.ProgressBar1->value(), 0);
    EXPECT_EQ(w.pointer(), PointerState::Pointer::Default);
    EXPECT_TRUE(f.dialogs.shown.empty());
}

TEST(Form1, SliderMovedDuringARunIsReadAgainForTheItemsThatFollow)
{
    Fixture f;
    Form1 &w = f.open();
    const QStringList paths = writePictures(f.dir, 3, 7, 5);
    w.addCommandLinePaths(paths);
    w.Slider3->setValue(20);
    w.runStarting = [](SessionRun &run) { run.holdAtItem(2); };
    w.PushButton4_Click();
    ASSERT_TRUE(w.currentRun()->waitUntilHeld(10000));
    QTest::keyClick(w.Slider3, Qt::Key_End); // to 100
    w.currentRun()->release();
    ASSERT_TRUE(waitForRunEnd(w));
    const BatchSession &session = w.existingResults()->session();
    const int used[] = {20, 100, 100};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(session.strengthUsed(i), used[i]) << i;
        QImage expected = decodePicture(paths[i]).value();
        ApplyContrast(PixelView{expected.width(), expected.height(), expected.bits()}, used[i]);
        EXPECT_EQ(session.results().picture(i).image(), expected) << i;
    }
}

TEST(Form1, ClosingTheWindowDuringARunStopsItCleanly)
{
    Fixture f;
    auto &w = f.open();
    w.show();
    w.addCommandLinePaths(writePictures(f.dir, 4, 40, 30));
    w.runStarting = [](SessionRun &run) { run.holdAtItem(2); };
    w.PushButton5_Click();
    ASSERT_TRUE(w.currentRun()->waitUntilHeld(10000));
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(w.isRunning());
    EXPECT_FALSE(w.currentRun()->isRunning());
    // What the stopped run had queued for the window never arrives: no results window.
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.existingResults() == nullptr || !w.existingResults()->isVisible());
    EXPECT_TRUE(f.dialogs.shown.empty());
    f.window.reset();
    QCoreApplication::processEvents();
}
