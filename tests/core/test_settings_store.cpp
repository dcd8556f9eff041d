// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/error_report.h"
#include "core/settings_store.h"

#include "deadline.h"

#include <QFile>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lumivex;
using namespace lumivex::testing;

TEST(SettingsStore, RoundTripDefaultsAndEmptyValues)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Quenwick/Lumivex.conf"));
    {
        SettingsStore store(file);
        EXPECT_EQ(store.GetSetting(QStringLiteral("SliderValue2"), QStringLiteral("0")), QStringLiteral("0"));
        store.SaveSetting(QStringLiteral("SliderValue2"), QStringLiteral("-35"));
        store.SaveSetting(QStringLiteral("Output Folder"), QString());
        store.SaveSetting(QStringLiteral("Extension"), QStringLiteral("a, b; c=d"));
    }
    SettingsStore again(file);
    EXPECT_EQ(again.GetSetting(QStringLiteral("SliderValue2"), QStringLiteral("0")), QStringLiteral("-35"));
    // An existing empty value is not replaced by the default.
    EXPECT_EQ(again.GetSetting(QStringLiteral("Output Folder"), QStringLiteral("/home/x/")), QString());
    EXPECT_EQ(again.GetSetting(QStringLiteral("Extension"), QString()), QStringLiteral("a, b; c=d"));
}

TEST(SettingsStore, EveryWriteReachesTheFileAtOnceInItsGroup)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Lumivex.conf"));
    SettingsStore store(file);
    store.SaveSetting(QStringLiteral("SliderValue3"), QStringLiteral("77"));
    // Read the file itself while the store is still alive: no later flush is needed.
    QFile raw(file);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(raw.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("[Lumivex]")));
    EXPECT_TRUE(text.contains(QStringLiteral("SliderValue3=77")));
}

TEST(SettingsStore, SeesEditsMadeOutsideTheProgram)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Lumivex.conf"));
    SettingsStore store(file);
    EXPECT_EQ(store.GetSetting(QStringLiteral("Option2"), QStringLiteral("True")), QStringLiteral("True"));
    QFile raw(file);
    ASSERT_TRUE(raw.open(QIODevice::WriteOnly));
    raw.write("[Lumivex]\nOption2=False\n");
    raw.close();
    EXPECT_EQ(store.GetSetting(QStringLiteral("Option2"), QStringLiteral("True")), QStringLiteral("False"));
}

TEST(SettingsStore, DefaultLocationFollowsXdgConfigHome)
{
    const QString file = SettingsStore::defaultFileName();
    EXPECT_TRUE(file.endsWith(QStringLiteral("/Quenwick/Lumivex.conf"))) << file.toStdString();
}

TEST(SettingsParsing, WholeNumbersAndBooleans)
{
    EXPECT_EQ(parseWholeNumber(QStringLiteral("-35")), -35);
    EXPECT_EQ(parseWholeNumber(QStringLiteral(" 42 ")), 42);
    EXPECT_EQ(parseWholeNumber(QStringLiteral("2.5")), 2); // halves to even
    EXPECT_THROW(parseWholeNumber(QStringLiteral("abc")), StepFailure);
    EXPECT_THROW(parseWholeNumber(QString()), StepFailure);
    EXPECT_THROW(parseWholeNumber(QStringLiteral("1e40")), StepFailure);
    EXPECT_TRUE(parseBoolean(QStringLiteral("True")));
    EXPECT_FALSE(parseBoolean(QStringLiteral("false")));
    EXPECT_TRUE(parseBoolean(QStringLiteral("-1")));
    EXPECT_FALSE(parseBoolean(QStringLiteral("0")));
    EXPECT_THROW(parseBoolean(QStringLiteral("maybe")), StepFailure);
    EXPECT_EQ(booleanText(true), QStringLiteral("True"));
}

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

// A FIFO at the settings path would block the first read until some writer appears: the window
// would never show. Only a regular file is opened.
TEST(SettingsStore, AFifoIsNeverOpened)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("Lumivex.conf"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QStringList problems;
    QString read;
    const bool returned = returnsWithin(
        std::chrono::seconds(10),
        [&] {
            SettingsStore store(fifo);
            store.setProblemHandler([&](const QString &text) { problems << text; });
            store.SaveSetting(QStringLiteral("SliderValue2"), QStringLiteral("12"));
            read = store.GetSetting(QStringLiteral("SliderValue2"), QStringLiteral("0"));
            store.SaveSetting(QStringLiteral("SliderValue3"), QStringLiteral("7"));
        },
        [&] {
            const int fd = ::open(QFile::encodeName(fifo).constData(), O_RDWR | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        });
    ASSERT_TRUE(returned) << "the settings store blocked on a FIFO";
    EXPECT_EQ(read, QStringLiteral("12")); // kept for the session
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].startsWith(QStringLiteral("Not a regular file: ") + fifo));
}

// Garbage before the group: Qt flags a format error and would write back only what it parsed.
// The file is kept aside untouched before anything is written, and what could be read is kept.
TEST(SettingsStore, AFileThatDoesNotParseIsKeptAsideBeforeAnyWrite)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Lumivex.conf"));
    const QByteArray damaged = QByteArray("\0\0\x01garbage\xff\n", 12) +
                               "[Lumivex]\nSliderValue2=-35\nOutput%20Folder=/photos/out\nOption2=False\n";
    writeBytes(file, damaged);
    QStringList problems;
    {
        SettingsStore store(file);
        EXPECT_EQ(fileBytes(file + QStringLiteral(".bad")), damaged);
        EXPECT_EQ(store.GetSetting(QStringLiteral("SliderValue2"), QStringLiteral("0")), QStringLiteral("-35"));
        store.SaveSetting(QStringLiteral("SliderValue3"), QStringLiteral("80"));
        store.setProblemHandler([&](const QString &text) { problems << text; });
        store.SaveSetting(QStringLiteral("SliderValue4"), QStringLiteral("3"));
    }
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains(file + QStringLiteral(".bad"))) << problems[0].toStdString();
    SettingsStore again(file);
    EXPECT_EQ(again.GetSetting(QStringLiteral("Output Folder"), QString()), QStringLiteral("/photos/out"));
    EXPECT_EQ(again.GetSetting(QStringLiteral("Option2"), QString()), QStringLiteral("False"));
    EXPECT_EQ(again.GetSetting(QStringLiteral("SliderValue3"), QString()), QStringLiteral("80"));
    EXPECT_EQ(fileBytes(file + QStringLiteral(".bad")), damaged);

    // An unterminated quote swallows the rest of the file without any format error from Qt; the
    // values the group plainly holds must not vanish in silence either.
    const QString quoted = dir.filePath(QStringLiteral("quoted.conf"));
    const QByteArray swallowing = "note=\"unterminated\n[Lumivex]\nSliderValue2=-35\nSliderValue3=7\n";
    writeBytes(quoted, swallowing);
    SettingsStore store(quoted);
    store.SaveSetting(QStringLiteral("SliderValue4"), QStringLiteral("2"));
    EXPECT_EQ(fileBytes(quoted + QStringLiteral(".bad")), swallowing);
}

// Settings take a few hundred bytes: a file of megabytes is kept aside unread, not parsed at
// every start, and the program goes on with a fresh one.
TEST(SettingsStore, AFileFarLargerThanSettingsIsKeptAsideUnread)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Lumivex.conf"));
    QByteArray huge = "[Lumivex]\nSliderValue2=-35\n";
    while (huge.size() <= (1 << 20))
        huge += "Filler" + QByteArray::number(huge.size()) + "=" + QByteArray(200, 'x') + "\n";
    writeBytes(file, huge);
    QStringList problems;
    SettingsStore store(file);
    store.setProblemHandler([&](const QString &text) { problems << text; });
    EXPECT_EQ(fileBytes(file + QStringLiteral(".bad")), huge);
    EXPECT_EQ(store.GetSetting(QStringLiteral("SliderValue2"), QStringLiteral("0")), QStringLiteral("0"));
    store.SaveSetting(QStringLiteral("SliderValue3"), QStringLiteral("80"));
    EXPECT_LT(fileBytes(file).size(), 1000);
    ASSERT_EQ(problems.size(), 1);
    EXPECT_EQ(problems[0], QStringLiteral("The settings file is larger than 1 MB, which settings never are; it was kept as ") +
                               file + QStringLiteral(".bad unread: ") + file);

    // A file that grows past it while the program runs goes the same way at the next read.
    QByteArray grown = fileBytes(file);
    grown += "Filler=" + QByteArray(1 << 20, 'y') + "\n";
    writeBytes(file, grown);
    EXPECT_EQ(store.GetSetting(QStringLiteral("SliderValue3"), QStringLiteral("0")), QStringLiteral("0"));
    EXPECT_EQ(fileBytes(file + QStringLiteral(".bad.2")), grown);
}

// A folder that cannot be written is told once, not on every change, and the values still hold
// for the session. (A file in the folder's place: root may write a read-only folder.)
TEST(SettingsStore, AnUnwritableFolderIsReportedOnce)
{
    QTemporaryDir dir;
    writeBytes(dir.filePath(QStringLiteral("Quenwick")), "a file where the folder belongs");
    const QString file = dir.filePath(QStringLiteral("Quenwick/Lumivex.conf"));
    SettingsStore store(file);
    QStringList problems;
    store.setProblemHandler([&](const QString &text) { problems << text; });
    for (int value = 1; value <= 5; ++value)
        store.SaveSetting(QStringLiteral("SliderValue2"), QString::number(value));
    EXPECT_EQ(store.GetSetting(QStringLiteral("SliderValue2"), QStringLiteral("0")), QStringLiteral("5"));
    ASSERT_EQ(problems.size(), 1);
    EXPECT_EQ(problems[0], QStringLiteral("Cannot save the settings (Not a directory): ") + file);
}
