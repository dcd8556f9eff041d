// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/paths.h"
#include "ui/window_setup.h"
#include "deadline.h"
#include "qstring_printer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lumivex;
using namespace lumivex::testing;

namespace {

void touch(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

// folder/{a.jpg, ~tmp.jpg, .hidden.jpg, IMG_0001.JPG, notes.txt}
//        A/{a1.jpg} A/A1/{deep.jpg} B/{b.jpg} .secret/{s.jpg}
struct Tree {
    QTemporaryDir dir;
    QString root;
    Tree()
    {
        root = dir.path();
        QDir d(root);
        d.mkpath(QStringLiteral("A/A1"));
        d.mkpath(QStringLiteral("B"));
        d.mkpath(QStringLiteral(".secret"));
        for (const char *name : {"a.jpg", "~tmp.jpg", ".hidden.jpg", "IMG_0001.JPG", "notes.txt", "A/a1.jpg",
                                 "A/A1/deep.jpg", "B/b.jpg", ".secret/s.jpg"})
            touch(root + QLatin1Char('/') + QLatin1String(name));
    }
};

} // namespace

TEST(Paths, FileNameFromPath)
{
    EXPECT_EQ(GetFileNameFromPath(QStringLiteral("/Photos/cat.jpg")), QStringLiteral("cat.jpg"));
    EXPECT_EQ(GetFileNameFromPath(QStringLiteral("cat.jpg")), QStringLiteral("cat.jpg"));
    EXPECT_EQ(GetFileNameFromPath(QStringLiteral("/Photos/")), QString());
    EXPECT_EQ(GetFileNameFromPath(QString()), QString());
}

TEST(Paths, JoiningNeverDoublesTheSeparatorAtTheRoot)
{
    EXPECT_EQ(joinPath(QStringLiteral("/"), QStringLiteral("a.jpg")), QStringLiteral("/a.jpg"));
    EXPECT_EQ(joinPath(QStringLiteral("/home/u"), QStringLiteral("a.jpg")), QStringLiteral("/home/u/a.jpg"));
}

TEST(Paths, DesktopFolderEndsInASeparatorAndExists)
{
    const QString desktop = GetDesktopFolder();
    ASSERT_FALSE(desktop.isEmpty());
    EXPECT_TRUE(desktop.endsWith(QLatin1Char('/')));
    EXPECT_EQ(GetSpecialFolderPath(12345), QString());
}

TEST(Paths, DataBesideTheProgramComesFirstThenThePrefixThenTheInstalledFolder)
{
    // Unique names: other test programs share the folder beside the executable.
    const QString name = QStringLiteral("data-lookup-%1/file.txt").arg(getpid());
    const QString beside = joinPath(programFolder(), name);
    const QString prefixFolder = QDir::cleanPath(programFolder() + QStringLiteral("/../share/lumivex"));
    const QString inPrefix = joinPath(prefixFolder, name);
    QTemporaryDir installed;
    const QString inInstalled = joinPath(installed.path(), name);
    setInstalledDataFolder(installed.path());

    EXPECT_EQ(programDataPath(name), beside) << "nothing anywhere: named where it was looked for first";
    ASSERT_TRUE(QDir().mkpath(QFileInfo(inInstalled).path()));
    touch(inInstalled);
    EXPECT_EQ(programDataPath(name), inInstalled);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(inPrefix).path()));
    touch(inPrefix);
    EXPECT_EQ(programDataPath(name), inPrefix);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(beside).path()));
    touch(beside);
    EXPECT_EQ(programDataPath(name), beside);
    // A folder counts as much as a file ("Samples").
    EXPECT_EQ(programDataPath(QFileInfo(name).path()), QFileInfo(beside).path());

    setInstalledDataFolder(QString());
    QDir(QFileInfo(beside).path()).removeRecursively();
    QDir(QFileInfo(inPrefix).path()).removeRecursively();
    QDir().rmpath(prefixFolder);
    EXPECT_EQ(programDataPath(name), beside);
}

TEST(Paths, FileUrisBecomeLocalPathsAndNothingElseChanges)
{
    EXPECT_EQ(pathFromArgument(QStringLiteral("file:///home/u/My%20Photos/%C3%A9t%C3%A9.jpg")),
              QStringLiteral("/home/u/My Photos/été.jpg"));
    EXPECT_EQ(pathFromArgument(QStringLiteral("FILE:///x.jpg")), QStringLiteral("/x.jpg"));
    EXPECT_EQ(pathFromArgument(QStringLiteral("file://localhost/tmp/c%23d.png")), QStringLiteral("/tmp/c#d.png"));
    // Escaped bytes that are not UTF-8 stay those bytes.
    EXPECT_EQ(fileNameToBytes(pathFromArgument(QStringLiteral("file:///tmp/caf%FF.png"))), QByteArray("/tmp/caf\xff.png"));
    // Not a URI, or one naming no local file: left for the user to see in the error.
    for (const char *kept : {"/tmp/file:name.jpg", "file:", "relative/a.jpg", "file://otherhost/share/a.jpg",
                             "http://example.invalid/a.jpg", "files/a.jpg"})
        EXPECT_EQ(pathFromArgument(QString::fromUtf8(kept)), QString::fromUtf8(kept));
}

TEST(Folders, BreadthFirstOrderSkipsHiddenFolders)
{
    Tree tree;
    QStringList folders{tree.root + QLatin1Char('/')};
    ListSubfolders(folders, true);
    EXPECT_EQ(folders, (QStringList{tree.root + QStringLiteral("/"), tree.root + QStringLiteral("/A/"),
                                    tree.root + QStringLiteral("/B/"), tree.root + QStringLiteral("/A/A1/")}));
    QStringList shallow{tree.root + QLatin1Char('/')};
    ListSubfolders(shallow, false);
    EXPECT_EQ(shallow.size(), 3);
}

TEST(Folders, ListFilesIgnoresCaseAndKeepsHiddenFiles)
{
    Tree tree;
    const QStringList jpgs = ListFiles(tree.root + QLatin1Char('/'), QStringLiteral("*.jpg"));
    EXPECT_EQ(jpgs.size(), 4);
    EXPECT_TRUE(jpgs.contains(QStringLiteral("IMG_0001.JPG")));
    EXPECT_TRUE(jpgs.contains(QStringLiteral(".hidden.jpg")));
    EXPECT_FALSE(jpgs.contains(QStringLiteral("notes.txt")));
    EXPECT_EQ(ListFiles(tree.root, QStringLiteral("*.*")).size(), 5);
    EXPECT_TRUE(ListFiles(tree.root + QStringLiteral("/missing"), QStringLiteral("*.*")).isEmpty());
}

TEST(Folders, ScanSkipsTildeNamesAndListsLevelByLevel)
{
    Tree tree;
    const QStringList found = ScanFolderTree(tree.root, QStringLiteral("*.jpg"));
    EXPECT_EQ(found, (QStringList{tree.root + QStringLiteral("/.hidden.jpg"), tree.root + QStringLiteral("/a.jpg"),
                                  tree.root + QStringLiteral("/IMG_0001.JPG"), tree.root + QStringLiteral("/A/a1.jpg"),
                                  tree.root + QStringLiteral("/B/b.jpg"), tree.root + QStringLiteral("/A/A1/deep.jpg")}));
}

TEST(Folders, ScanHandsOverEachFolderAsItIsRead)
{
    Tree tree;
    QDir(tree.root).mkpath(QStringLiteral("C")); // a folder with nothing matching says nothing
    touch(tree.root + QStringLiteral("/C/c.txt"));
    std::vector<QStringList> batches;
    int yields = 0;
    ScanFolderTreeByFolder(
        tree.root, QStringLiteral("*.jpg"), [&](const QStringList &paths) { batches.push_back(paths); },
        [&] { ++yields; return true; });
    ASSERT_EQ(batches.size(), 4u);
    EXPECT_EQ(batches[0].size(), 3);
    EXPECT_EQ(batches[1], QStringList{tree.root + QStringLiteral("/A/a1.jpg")});
    EXPECT_EQ(batches[2], QStringList{tree.root + QStringLiteral("/B/b.jpg")});
    EXPECT_EQ(batches[3], QStringList{tree.root + QStringLiteral("/A/A1/deep.jpg")});
    // The window gets a turn after every folder read, not only at the end.
    EXPECT_GE(yields, 5);
}

TEST(Folders, SymbolicLinkLoopEndsAndListsEachFileOnce)
{
    Tree tree;
    ASSERT_TRUE(QFile::link(tree.root, tree.root + QStringLiteral("/A/A1/back-to-top")));
    ASSERT_TRUE(QFile::link(tree.root + QStringLiteral("/B"), tree.root + QStringLiteral("/A/also-b")));
    const QStringList found = ScanFolderTree(tree.root, QStringLiteral("*.*"));
    EXPECT_EQ(found.size(), QSet<QString>(found.begin(), found.end()).size());
    EXPECT_EQ(found.filter(QStringLiteral("b.jpg")).size(), 1);
    EXPECT_EQ(found.size(), 7);
}

TEST(Folders, UnreadableFolderContributesNothingAndStopsNothing)
{
    Tree tree;
    if (geteuid() == 0) {
        // Root reads every folder; a missing one stands in for the unreadable one.
        QStringList folders{tree.root + QStringLiteral("/missing/"), tree.root + QLatin1Char('/')};
        ListSubfolders(folders, true);
        EXPECT_EQ(folders.size(), 5);
        return;
    }
    QFile::setPermissions(tree.root + QStringLiteral("/A"), QFileDevice::Permissions());
    const QStringList found = ScanFolderTree(tree.root, QStringLiteral("*.jpg"));
    QFile::setPermissions(tree.root + QStringLiteral("/A"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(found.contains(tree.root + QStringLiteral("/B/b.jpg")));
    EXPECT_TRUE(found.filter(QStringLiteral("/A/")).isEmpty());
}

TEST(Folders, WalkStopsWhenAskedTo)
{
    Tree tree;
    int calls = 0;
    const QStringList found = ScanFolderTree(tree.root, QStringLiteral("*.*"), [&] { return ++calls < 2; });
    EXPECT_LT(found.size(), 8);
}

TEST(WindowSetup, FileExistsForFilesAndFoldersOnly)
{
    QTemporaryDir dir;
    EXPECT_TRUE(FileExists(dir.path()));
    EXPECT_FALSE(FileExists(QString()));
    EXPECT_FALSE(FileExists(dir.filePath(QStringLiteral("nothing"))));
    touch(dir.filePath(QStringLiteral("f")));
    EXPECT_TRUE(FileExists(dir.filePath(QStringLiteral("f"))));
}

TEST(WindowSetup, PointerRules)
{
    PointerState pointer;
    pointer.hoverButton();
    EXPECT_EQ(pointer.pointer(), PointerState::Pointer::Custom);
    pointer.hoverPlain();
    EXPECT_EQ(pointer.pointer(), PointerState::Pointer::Default);
    pointer.setBusy(true);
    pointer.hoverButton();
    pointer.hoverPlain();
    EXPECT_EQ(pointer.pointer(), PointerState::Pointer::Busy);
    pointer.setBusy(false);
    EXPECT_EQ(pointer.pointer(), PointerState::Pointer::Default);
    EXPECT_EQ(twipsToPixels(15960), 1064);
}

namespace {

struct Problems {
    QStringList seen;
    ScanReport report()
    {
        ScanReport r;
        r.problem = [this](const QString &path, const QString &reason) { seen << path + QStringLiteral(": ") + reason; };
        return r;
    }
};

} // namespace

// A FIFO named like a picture would block whoever opens it: it is reported, never listed.
TEST(Folders, OnlyRegularFilesAreListedOthersAreReported)
{
    Tree tree;
    const QString fifo = tree.root + QStringLiteral("/B/pipe.jpg");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(tree.root + QStringLiteral("/a.jpg"), tree.root + QStringLiteral("/B/linked.jpg")));
    Problems problems;
    const QStringList found = ScanFolderTree(tree.root, QStringLiteral("*.jpg"), {}, problems.report());
    EXPECT_FALSE(found.contains(fifo));
    EXPECT_TRUE(found.contains(tree.root + QStringLiteral("/B/linked.jpg")));
    EXPECT_EQ(problems.seen, QStringList{fifo + QStringLiteral(": not a regular file (a FIFO)")});
    // The window's own listing leaves it out just as well, without a word.
    EXPECT_FALSE(ListFiles(tree.root + QStringLiteral("/B"), QStringLiteral("*.*")).contains(QStringLiteral("pipe.jpg")));
}

// A link to the root would walk the whole file system, /proc and /dev included.
TEST(Folders, LinksUpwardsAndOutOfTheFileSystemAreNotFollowed)
{
    Tree tree;
    const QString toRoot = tree.root + QStringLiteral("/A/A1/root");
    const QString toTop = tree.root + QStringLiteral("/B/top");
    const QString toProc = tree.root + QStringLiteral("/proc-link");
    ASSERT_TRUE(QFile::link(QStringLiteral("/"), toRoot));
    ASSERT_TRUE(QFile::link(tree.root, toTop));
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self"), toProc));
    Problems problems;
    QStringList found;
    ASSERT_TRUE(returnsWithin(std::chrono::seconds(20),
                              [&] { found = ScanFolderTree(tree.root, QStringLiteral("*.jpg"), {}, problems.report()); }))
        << "the scan walked out of the folder";
    EXPECT_EQ(found.size(), 6);
    ASSERT_EQ(problems.seen.size(), 3) << problems.seen.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(problems.seen.filter(toRoot + QStringLiteral(": not followed")).size() == 1);
    EXPECT_TRUE(problems.seen.filter(toTop + QStringLiteral(": not followed")).size() == 1);
    EXPECT_TRUE(problems.seen.filter(toProc + QStringLiteral(": not scanned")).size() == 1);
    // Given as the folder itself, a system folder is not walked either.
    QStringList proc{QStringLiteral("/proc/")};
    ListSubfolders(proc, true);
    EXPECT_EQ(proc.size(), 1);
}

TEST(Folders, AnUnreadableFolderIsReported)
{
    Tree tree;
    const QString locked = tree.root + QStringLiteral("/A");
    // Root reads every folder: the scan runs under another user for the folder to be unreadable.
    const QFileDevice::Permissions open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                          QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    QFile::setPermissions(tree.root, open);
    QFile::setPermissions(tree.root + QStringLiteral("/B"), open);
    QFile::setPermissions(locked, QFileDevice::Permissions());
    Problems problems;
    QStringList found;
    {
        const bool root = geteuid() == 0;
        if (root) {
            ASSERT_EQ(seteuid(65534), 0);
        }
        found = ScanFolderTree(tree.root, QStringLiteral("*.jpg"), {}, problems.report());
        if (root) {
            ASSERT_EQ(seteuid(0), 0);
        }
    }
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(found.contains(tree.root + QStringLiteral("/B/b.jpg")));
    EXPECT_EQ(problems.seen, QStringList{locked + QStringLiteral(": cannot read the folder (Permission denied)")});
}

// Each folder is entered from its parent's descriptor, never by its whole path again: a tree
// deeper than a path may be long (4096 bytes) is walked to its bottom, the file there found.
TEST(Folders, ATreeDeeperThanAPathCanNameIsWalkedToTheBottom)
{
    QTemporaryDir dir;
    const QByteArray name(60, 'd');
    constexpr int depth = 80; // 80 x 61 bytes
    std::vector<int> fds{::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY)};
    for (int i = 0; i < depth; ++i) {
        ASSERT_EQ(mkdirat(fds.back(), name.constData(), 0700), 0);
        fds.push_back(openat(fds.back(), name.constData(), O_RDONLY | O_DIRECTORY));
        ASSERT_GE(fds.back(), 0);
    }
    ::close(openat(fds.back(), "bottom.jpg", O_WRONLY | O_CREAT, 0600));
    ::close(openat(fds[40], "middle.jpg", O_WRONLY | O_CREAT, 0600));
    Problems problems;
    const QStringList found = ScanFolderTree(dir.path(), QStringLiteral("*.jpg"), {}, problems.report());
    // Qt cannot remove what lies deeper than a path can name.
    ::unlinkat(fds.back(), "bottom.jpg", 0);
    ::unlinkat(fds[40], "middle.jpg", 0);
    for (int i = depth; i > 0; --i) {
        ::close(fds[std::size_t(i)]);
        ::unlinkat(fds[std::size_t(i - 1)], name.constData(), AT_REMOVEDIR);
    }
    ::close(fds[0]);

    QString folder = dir.path(), middleFile;
    for (int i = 0; i < depth; ++i) {
        if (i == 40)
            middleFile = folder + QStringLiteral("/middle.jpg");
        folder += QLatin1Char('/') + QString::fromLatin1(name);
    }
    EXPECT_EQ(found, (QStringList{middleFile, folder + QStringLiteral("/bottom.jpg")}));
    EXPECT_TRUE(problems.seen.isEmpty()) << problems.seen.join(QLatin1Char('\n')).toStdString();
}

// More folders wait at one level than descriptors are kept open for: the rest are opened by
// their paths at their turn, in the same order.
TEST(Folders, AWideLevelIsWalkedWholeInOrder)
{
    QTemporaryDir dir;
    QStringList expected;
    for (int i = 0; i < 600; ++i) {
        const QString folder = QStringLiteral("%1/f%2/g").arg(dir.path()).arg(i, 3, 10, QLatin1Char('0'));
        ASSERT_TRUE(QDir().mkpath(folder));
        touch(folder + QStringLiteral("/p.jpg"));
        expected << folder + QStringLiteral("/p.jpg");
    }
    EXPECT_EQ(ScanFolderTree(dir.path(), QStringLiteral("*.jpg")), expected);
}

TEST(FileNames, EveryByteSurvivesAndUndecodableOnesArePrintedEscaped)
{
    const QByteArray latin1("caf\xe9 \xff.png");
    const QString name = fileNameFromBytes(latin1);
    EXPECT_TRUE(hasUndecodableBytes(name));
    EXPECT_EQ(fileNameToBytes(name), latin1);
    EXPECT_EQ(printableFileName(name), QStringLiteral("caf\\xE9 \\xFF.png"));
    // Valid UTF-8 stays plain text, and truncated or overlong sequences are bytes of their own.
    const QByteArray utf8("caf\xc3\xa9 \xf0\x9f\x93\xb7.png");
    EXPECT_EQ(fileNameFromBytes(utf8), QString::fromUtf8(utf8));
    EXPECT_FALSE(hasUndecodableBytes(fileNameFromBytes(utf8)));
    for (const QByteArray &odd : {QByteArray("\xc3"), QByteArray("\xc0\xaf"), QByteArray("\xed\xa0\x80x"),
                                  QByteArray("a\xf0\x9f\x93")}) {
        EXPECT_TRUE(hasUndecodableBytes(fileNameFromBytes(odd))) << odd.toHex().toStdString();
        EXPECT_EQ(fileNameToBytes(fileNameFromBytes(odd)), odd);
    }
}

TEST(Folders, UndecodableNamesAreReportedOrKeptByTheirBytes)
{
    Tree tree;
    const QByteArray bytes = QFile::encodeName(tree.root) + "/B/caf\xff.jpg";
    {
        const int fd = ::open(bytes.constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    const QString escaped = tree.root + QStringLiteral("/B/caf\\xFF.jpg");
    Problems problems;
    const QStringList quiet = ScanFolderTree(tree.root, QStringLiteral("*.jpg"), {}, problems.report());
    EXPECT_EQ(quiet.size(), 6);
    EXPECT_EQ(problems.seen, QStringList{escaped + QStringLiteral(": the name is not valid in the current encoding")});
    ScanReport keep;
    keep.keepUndecodableNames = true;
    const QStringList kept = ScanFolderTree(tree.root, QStringLiteral("*.jpg"), {}, keep);
    ASSERT_EQ(kept.size(), 7);
    const QStringList odd = kept.filter(QStringLiteral("caf"));
    ASSERT_EQ(odd.size(), 1);
    EXPECT_EQ(fileNameToBytes(odd[0]), bytes);
    ::unlink(bytes.constData()); // Qt could not remove it with the folder
}
