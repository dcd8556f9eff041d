// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

// Every test program runs inside a QApplication on the offscreen platform, with settings and
// standard folders kept away from the user's own.
int main(int argc, char **argv)
{
    // A test may give the offscreen platform a screen of its own size.
    if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith(QLatin1String("offscreen")))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
