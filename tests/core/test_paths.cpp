#include "core/paths.h"
#include "ui/window_setup.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <unistd.h>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lumivex;

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
