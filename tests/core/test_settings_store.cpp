#include "core/error_report.h"
#include "core/settings_store.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lumivex;

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
