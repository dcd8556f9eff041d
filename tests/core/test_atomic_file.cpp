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
#include <optional>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

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
        EXPECT_TRUE(saveOneResult(picture, target, settings, source, {source}).written());
        EXPECT_EQ(contents(victim), QByteArray("keep me"));
        const QFileInfo written(target);
        EXPECT_FALSE(written.isSymLink());
        EXPECT_TRUE(written.isFile());
        EXPECT_EQ(decodePicture(target).value().size(), picture.size());
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

namespace {

// The system's calls, each noted as it is made with whether the final name then exists; an
// unnamed file can be refused, as some file systems do.
struct RecordingCalls : FileSystemCalls {
    QString finalPath;
    bool refuseUnnamed = false;
    QStringList calls;
    void note(const char *call) { calls << QString::fromLatin1(call) + (QFileInfo::exists(finalPath) ? "+" : ""); }
    int openUnnamed(int folder) override
    {
        note("openUnnamed");
        if (refuseUnnamed) {
            errno = EOPNOTSUPP;
            return -1;
        }
        return FileSystemCalls::openUnnamed(folder);
    }
    int openNamed(int folder, const char *name) override
    {
        note("openNamed");
        return FileSystemCalls::openNamed(folder, name);
    }
    int syncData(int fd) override
    {
        note("syncData");
        return FileSystemCalls::syncData(fd);
    }
    int linkUnnamed(int fd, int folder, const char *name) override
    {
        note("link");
        return FileSystemCalls::linkUnnamed(fd, folder, name);
    }
    int rename(int folder, const char *from, const char *to, bool noReplace) override
    {
        note(noReplace ? "renameNoReplace" : "rename");
        return FileSystemCalls::rename(folder, from, to, noReplace);
    }
    int syncFolder(int folder) override
    {
        note("syncFolder");
        return FileSystemCalls::syncFolder(folder);
    }
};

} // namespace

// Survives a power cut: the data is on the disk before the file gets its name (a "+" says the
// final name existed when the call was made), and the folder holding the name is synced after.
// Nothing of the file has a name before then, so an interruption leaves nothing behind.
TEST(AtomicFile, DataIsSyncedBeforeTheNameAndTheFolderAfterIt)
{
    Folders f;
    RecordingCalls calls;
    calls.finalPath = f.out + QStringLiteral("/data.bin");
    const ScopedFileSystemCalls inUse(calls);

    writeFileAtomically(calls.finalPath, "first");
    EXPECT_EQ(calls.calls, (QStringList{"openUnnamed", "syncData", "link", "syncFolder+"}));

    calls.calls.clear();
    {
        AtomicFile file(calls.finalPath);
        file.open();
        file.device().write("second");
        EXPECT_EQ(everything(f.out), QStringList{QStringLiteral("data.bin")}); // the file in hand has no name
        file.commit();
    }
    // Replacing: linked under a hidden name of its own, renamed over the old one in one step.
    EXPECT_EQ(calls.calls, (QStringList{"openUnnamed+", "syncData+", "link+", "link+", "rename+", "syncFolder+"}));
    EXPECT_EQ(contents(calls.finalPath), QByteArray("second"));

    // Where the file system takes no unnamed file, a named one, renamed in the same order.
    calls.calls.clear();
    calls.refuseUnnamed = true;
    writeFileAtomically(calls.finalPath, "third");
    EXPECT_EQ(calls.calls, (QStringList{"openUnnamed+", "openNamed+", "syncData+", "rename+", "syncFolder+"}));
    EXPECT_EQ(contents(calls.finalPath), QByteArray("third"));
    EXPECT_EQ(everything(f.out), QStringList{QStringLiteral("data.bin")});
}

// Names up to the file system's limit work, whichever way the file is made (a named temporary's
// own name is cut to fit); a longer one fails naming the limit, and nothing is left.
TEST(AtomicFile, NamesUpToTheFileSystemsLimitAndAClearFailureBeyond)
{
    Folders f;
    const long limit = pathconf(QFile::encodeName(f.out).constData(), _PC_NAME_MAX);
    ASSERT_GT(limit, 20);
    const QString longest = f.out + QLatin1Char('/') + QString(int(limit) - 4, QLatin1Char('n')) + QStringLiteral(".jpg");
    writeFileAtomically(longest, "unnamed first");
    EXPECT_EQ(contents(longest), QByteArray("unnamed first"));
    {
        RecordingCalls calls;
        calls.refuseUnnamed = true;
        const ScopedFileSystemCalls inUse(calls);
        writeFileAtomically(longest, "then named");
        const QString fresh = f.out + QLatin1Char('/') + QString(int(limit) - 4, QLatin1Char('m')) + QStringLiteral(".jpg");
        writeFileAtomically(fresh, "named, new");
        EXPECT_EQ(contents(fresh), QByteArray("named, new"));
    }
    EXPECT_EQ(contents(longest), QByteArray("then named"));
    EXPECT_EQ(everything(f.out).size(), 2);

    const QString tooLong = f.out + QLatin1Char('/') + QString(int(limit) - 3, QLatin1Char('x')) + QStringLiteral(".jpg");
    try {
        SaveJPG(noisyPicture(8, 8), tooLong, 90);
        ADD_FAILURE() << "a name beyond the limit was written";
    } catch (const StepFailure &failure) {
        EXPECT_EQ(failure.detail(), QStringLiteral("cannot write ") + tooLong +
                                        QStringLiteral(" (the name is longer than the %1 bytes the file system allows)").arg(limit));
    }
    EXPECT_EQ(everything(f.out).size(), 2);
}

namespace {

struct ThrowingCalls : FileSystemCalls {
    int syncData(int) override { throw std::runtime_error("disk driver gave up"); }
};

} // namespace

// The thread that finishes every writer's files survives whatever one file throws, and the
// file's failure is told as that file's, the others going on.
TEST(AtomicFile, NothingThrownWhileFinishingAFileEndsTheProgram)
{
    Folders f;
    std::vector<QString> outcomes;
    {
        CommitBehind behind(2);
        for (const char *name : {"a.bin", "b.bin", "c.bin"}) {
            const QString path = f.out + QLatin1Char('/') + QLatin1String(name);
            std::unique_ptr<PendingCommit> pending;
            {
                CommitBehind::Capture capture;
                writeFileAtomically(path, "x");
                pending = capture.take();
            }
            std::optional<ThrowingCalls> throwing;
            if (QLatin1String(name) == QLatin1String("a.bin")) {
                throwing.emplace();
                const ScopedFileSystemCalls inUse(*throwing);
                behind.hand(std::move(pending), [&outcomes](const StepFailure *failure) {
                    outcomes.push_back(failure ? failure->description() : QStringLiteral("in place"));
                });
                behind.finishAll();
                continue;
            }
            behind.hand(std::move(pending), [&outcomes](const StepFailure *failure) {
                outcomes.push_back(failure ? failure->description() : QStringLiteral("in place"));
                throw std::runtime_error("a listener that throws");
            });
        }
        behind.finishAll();
    }
    EXPECT_EQ(outcomes, (std::vector<QString>{QStringLiteral("disk driver gave up"), QStringLiteral("in place"),
                                              QStringLiteral("in place")}));
    EXPECT_EQ(everything(f.out), (QStringList{QStringLiteral("b.bin"), QStringLiteral("c.bin")}));
}
