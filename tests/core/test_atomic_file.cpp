// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/atomic_file.h"
#include "core/error_report.h"
#include "core/jpeg_writer.h"
#include "core/paths.h"
#include "core/picture.h"
#include "core/saver.h"
#include "qstring_printer.h"
#include "test_images.h"
#include "write_limit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace lumivex;
using namespace lumivex::testing;

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// Everything in a folder, hidden leftovers included.
QStringList everything(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

struct Folders {
    QTemporaryDir dir;
    QString out, elsewhere;
    Folders()
    {
        QDir(dir.path()).mkpath(QStringLiteral("out"));
        QDir(dir.path()).mkpath(QStringLiteral("elsewhere"));
        out = dir.filePath(QStringLiteral("out"));
        elsewhere = dir.filePath(QStringLiteral("elsewhere"));
    }
};

} // namespace

// A link planted at an output name must be replaced as a name: the file it points to, outside the
// output folder, stays as it was, whichever way the result is written.
TEST(AtomicFile, ALinkAtTheNameIsReplacedNeverFollowed)
{
    Folders f;
    const QString victim = f.elsewhere + QStringLiteral("/precious.txt");
    {
        QFile file(victim);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    }
    const QImage picture = noisyPicture(7, 5);
    const QString source = writePicture(f.dir, QStringLiteral("photo.png"), picture);
    for (const OutputFormat format : {OutputFormat::Jpeg, OutputFormat::Bmp}) {
        SaveSettings settings;
        settings.folder = f.out;
        settings.format = format;
        settings.resultWord = QStringLiteral("brightened");
        const QString target = joinPath(f.out, outputFileName(source, settings.resultWord, format));
        ASSERT_TRUE(QFile::link(victim, target));
        saveOneResult(picture, target, settings, source, {source});
        EXPECT_EQ(contents(victim), QByteArray("keep me"));
        const QFileInfo written(target);
        EXPECT_FALSE(written.isSymLink());
        EXPECT_TRUE(written.isFile());
        EXPECT_EQ(decodePicture(target).size(), picture.size());
    }
    EXPECT_EQ(everything(f.elsewhere), QStringList{QStringLiteral("precious.txt")});
}

TEST(AtomicFile, ADanglingLinkCreatesNothingAtItsTarget)
{
    Folders f;
    const QString nowhere = f.elsewhere + QStringLiteral("/created-by-link.jpg");
    const QString target = f.out + QStringLiteral("/photo-softened.jpg");
    ASSERT_TRUE(QFile::link(nowhere, target));
    SaveJPG(noisyPicture(6, 6), target, 90);
    EXPECT_FALSE(QFileInfo::exists(nowhere));
    EXPECT_TRUE(everything(f.elsewhere).isEmpty());
    EXPECT_FALSE(QFileInfo(target).isSymLink());
    EXPECT_EQ(everything(f.out), QStringList{QStringLiteral("photo-softened.jpg")});
}

TEST(AtomicFile, ReplacingKeepsPermissionsAndLeavesNoTemporaryFile)
{
    Folders f;
    const QString path = f.out + QStringLiteral("/data.bin");
    writeFileAtomically(path, "first");
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0640), 0);
    writeFileAtomically(path, "second, longer");
    EXPECT_EQ(contents(path), QByteArray("second, longer"));
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(everything(f.out), QStringList{QStringLiteral("data.bin")});
}

// The window's texts stay fixed; the detail names the file and the system's reason.
TEST(AtomicFile, FailuresNameTheFileAndTheSystemReason)
{
    Folders f;
    const QString path = f.out + QStringLiteral("/keep.bmp");
    savePictureAsBmp(noisyPicture(4, 4), path);
    const QByteArray before = contents(path);
    {
        FileSizeLimit limit(1000);
        try {
            savePictureAsBmp(noisyPicture(80, 80), path);
            ADD_FAILURE() << "a write past the size limit succeeded";
        } catch (const StepFailure &failure) {
            EXPECT_EQ(failure.description(), QStringLiteral("Cannot write the file (File too large): ") + path);
            EXPECT_EQ(failure.detail(), QStringLiteral("cannot write ") + path + QStringLiteral(" (File too large)"));
        }
        const QString jpeg = f.out + QStringLiteral("/big.jpg");
        try {
            SaveJPG(noisyPicture(200, 200), jpeg, 100);
            ADD_FAILURE() << "a write past the size limit succeeded";
        } catch (const StepFailure &failure) {
            EXPECT_EQ(failure.description(), QStringLiteral("Cannot save the image. GDI+ Error:7"));
            EXPECT_EQ(failure.detail(), QStringLiteral("cannot write ") + jpeg + QStringLiteral(" (File too large)"));
        }
    }
    EXPECT_EQ(contents(path), before);
    EXPECT_EQ(everything(f.out), QStringList{QStringLiteral("keep.bmp")});

    // A folder at the name is never replaced.
    QDir(f.out).mkdir(QStringLiteral("taken.jpg"));
    try {
        writeFileAtomically(f.out + QStringLiteral("/taken.jpg"), "x");
        ADD_FAILURE() << "a folder was replaced";
    } catch (const StepFailure &failure) {
        EXPECT_TRUE(failure.detail().endsWith(QStringLiteral("(Is a directory)"))) << failure.detail().toStdString();
    }
    EXPECT_TRUE(QFileInfo(f.out + QStringLiteral("/taken.jpg")).isDir());
}

// A commit handed to another thread: the file is under its name only once that thread has
// finished it, outcomes come in the order handed over, and a failure there names the file and
// keeps a writer's own description, with nothing left behind.
TEST(AtomicFile, ACommitHandedOverIsReportedOnlyOnceTheFileIsInPlace)
{
    Folders f;
    const QString first = f.out + QStringLiteral("/first.jpg");
    const QString second = f.out + QStringLiteral("/second.jpg");
    std::vector<QString> outcomes;
    {
        CommitBehind behind(1);
        for (const QString &path : {first, second}) {
            std::unique_ptr<PendingCommit> pending;
            {
                CommitBehind::Capture capture;
                if (path == first) {
                    writeFileAtomically(path, "one");
                } else {
                    AtomicFile file(path);
                    file.setFailureDescription(QStringLiteral("Cannot save the image. GDI+ Error:7"));
                    file.open();
                    file.device().write("two");
                    file.commit();
                }
                pending = capture.take();
            }
            ASSERT_TRUE(pending);
            EXPECT_FALSE(QFileInfo::exists(path)); // written, not yet in place
            if (path == second)
                QDir(f.out).mkpath(QStringLiteral("second.jpg/inside")); // the name taken meanwhile
            behind.hand(std::move(pending), [&outcomes, path](const StepFailure *failure) {
                outcomes.push_back(failure ? failure->description() + QLatin1Char('|') + failure->detail()
                                           : QStringLiteral("in place: ") + QString::fromLatin1(contents(path)));
            });
        }
        behind.finishAll();
    }
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0], QStringLiteral("in place: one"));
    EXPECT_TRUE(outcomes[1].startsWith(QStringLiteral("Cannot save the image. GDI+ Error:7|cannot write ") + second))
        << outcomes[1].toStdString();
    EXPECT_EQ(everything(f.out), (QStringList{QStringLiteral("first.jpg"), QStringLiteral("second.jpg")}));
    EXPECT_TRUE(QFileInfo(second).isDir());

    // A capture dropped with its commit untaken leaves neither the file nor its temporary.
    {
        CommitBehind::Capture capture;
        writeFileAtomically(f.out + QStringLiteral("/dropped.jpg"), "three");
    }
    EXPECT_EQ(everything(f.out), (QStringList{QStringLiteral("first.jpg"), QStringLiteral("second.jpg")}));
}
