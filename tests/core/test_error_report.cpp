// SPDX-License-Identifier: GPL-3.0-or-later
#include "scripted_dialogs.h"
#include "core/error_report.h"
#include "core/outcome.h"
#include "qstring_printer.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace lumivex;
using lumivex::testing::RecordingReporter;
using lumivex::testing::ScriptedDialogs;

TEST(ErrorReport, TextByteForByte)
{
    const QString location = handlerLocation("Form1", "PushButton2_Click");
    EXPECT_EQ(location, QStringLiteral("in Velmora12/4/2014.Form1.PushButton2_Click "));
    const QString expected = QStringLiteral("File not found\r\nin Velmora12/4/2014.Form1.PushButton2_Click at line 112\r\r"
                                            "Please email screenshot of this message to ") + supportAddress();
    EXPECT_EQ(errorReportText(location, 112, QStringLiteral("File not found")), expected);
    EXPECT_FALSE(supportAddress().isEmpty());
}

TEST(ErrorReport, EmptyDescriptionStillStartsWithTheLineBreak)
{
    const QString text = errorReportText(handlerLocation("Form2", "PushButton8_Click"), 100, QString());
    EXPECT_TRUE(text.startsWith(QStringLiteral("\r\nin Velmora12/4/2014.Form2.PushButton8_Click at line 100\r\r")));
}

TEST(ErrorReport, ShownAsWarningWithOkAndItsCaption)
{
    ScriptedDialogs dialogs;
    DialogErrorReporter reporter(dialogs, nullptr);
    reporter.ShowErrorReport(QStringLiteral("in X "), 204, QStringLiteral("Overflow"));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].caption, QStringLiteral("Application Error"));
    EXPECT_EQ(dialogs.shown[0].icon, Dialogs::Icon::Warning);
    EXPECT_EQ(dialogs.shown[0].buttons, Dialogs::Buttons::Ok);
    EXPECT_TRUE(dialogs.shown[0].text.startsWith(QStringLiteral("Overflow\r\nin X at line 204\r\r")));
}

TEST(StepGuard, ResumesAfterAFailedStepInsideALoop)
{
    RecordingReporter reporter;
    StepGuard guard(reporter, QStringLiteral("in Velmora12/4/2014.Form1.PushButton7_Click "));
    QStringList appended;
    const QStringList names{QStringLiteral("a"), QStringLiteral("bad"), QStringLiteral("c"), QStringLiteral("bad")};
    for (const QString &name : names) {
        QString path;
        guard(128, [&] {
            if (name == QLatin1String("bad"))
                throw StepFailure(QStringLiteral("Bad file name"));
            path = name;
        });
        guard(132, [&] { appended << path; });
    }
    guard(134, [] {});
    // Each failing round reported once, with its step; the loop and the handler went on.
    ASSERT_EQ(reporter.reports.size(), 2u);
    EXPECT_EQ(reporter.reports[0].step, 128);
    EXPECT_EQ(reporter.reports[1].step, 128);
    EXPECT_EQ(reporter.reports[0].description, QStringLiteral("Bad file name"));
    EXPECT_EQ(reporter.reports[0].location, QStringLiteral("in Velmora12/4/2014.Form1.PushButton7_Click "));
    // The failed step's value kept what it held before: an empty text.
    EXPECT_EQ(appended, (QStringList{QStringLiteral("a"), QString(), QStringLiteral("c"), QString()}));
    EXPECT_EQ(guard.failures(), 2);
}

TEST(StepGuard, AnyExceptionBecomesAReport)
{
    RecordingReporter reporter;
    StepGuard guard(reporter, QStringLiteral("in L "));
    EXPECT_FALSE(guard(100, [] { throw std::bad_alloc(); }));
    EXPECT_FALSE(guard(102, [] { throw std::runtime_error("disk on fire"); }));
    EXPECT_FALSE(guard(104, [] { throw 42; }));
    EXPECT_TRUE(guard(106, [] {}));
    ASSERT_EQ(reporter.reports.size(), 3u);
    EXPECT_EQ(reporter.reports[0].description, QStringLiteral("Out of memory"));
    EXPECT_EQ(reporter.reports[1].description, QStringLiteral("disk on fire"));
    EXPECT_EQ(reporter.reports[2].step, 104);
    EXPECT_EQ(reporter.reports[2].description, QStringLiteral("Unexpected failure"));
}

TEST(CheckedArithmetic, OverflowIsAFailureNotAWrap)
{
    EXPECT_EQ(checkedMul<std::int32_t>(46340, 46340), 2147395600);
    EXPECT_THROW(checkedMul<std::int32_t>(4 * 23171, 23171), StepFailure);
    EXPECT_THROW(checkedNarrow<std::int16_t>(32768), StepFailure);
    EXPECT_EQ(checkedNarrow<std::int16_t>(-32768), -32768);
    try {
        checkedAdd<std::int16_t>(32767, 1);
        FAIL();
    } catch (const StepFailure &f) {
        EXPECT_EQ(f.description(), QStringLiteral("Overflow"));
    }
}

TEST(Outcome, ACaughtExceptionKeepsItsTextDetailAndKindAndIsThrownBackAsItWas)
{
    // The command line shows a failure's detail and the saver tells memory apart; both must
    // survive the trip through a value and back into an exception.
    const Outcome<int> step = outcomeOf([]() -> int {
        throw StepFailure(QStringLiteral("Cannot save the image."), QStringLiteral("cannot write /out/a.jpg (disk full)"));
    });
    const Outcome<int> memory = outcomeOf([]() -> int { throw std::bad_alloc(); });
    const Outcome<void> other = outcomeOf([] { throw std::runtime_error("disk on fire"); });
    const Outcome<int> good = outcomeOf([] { return 7; });

    ASSERT_FALSE(step.ok());
    EXPECT_EQ(step.failure().description(), QStringLiteral("Cannot save the image."));
    EXPECT_EQ(step.failure().detail(), QStringLiteral("cannot write /out/a.jpg (disk full)"));
    EXPECT_EQ(step.failure().kind(), Failure::Kind::Reported);
    try {
        Outcome<int>(step).valueOrThrow();
        ADD_FAILURE() << "no exception";
    } catch (const StepFailure &thrown) {
        EXPECT_EQ(thrown.description(), QStringLiteral("Cannot save the image."));
        EXPECT_EQ(thrown.detail(), QStringLiteral("cannot write /out/a.jpg (disk full)"));
    }

    ASSERT_FALSE(memory.ok());
    EXPECT_EQ(memory.failure().description(), QStringLiteral("Out of memory"));
    EXPECT_EQ(memory.failure().kind(), Failure::Kind::OutOfMemory);
    EXPECT_THROW(Outcome<int>(memory).valueOrThrow(), std::bad_alloc);

    ASSERT_FALSE(other.ok());
    EXPECT_EQ(other.failure().description(), QStringLiteral("disk on fire"));
    EXPECT_EQ(other.failure().detail(), QStringLiteral("disk on fire"));
    EXPECT_THROW(other.valueOrThrow(), StepFailure);

    ASSERT_TRUE(good.ok());
    EXPECT_EQ(good.value(), 7);
    EXPECT_TRUE(good.failure().description().isEmpty());
    // Asking a failure for its value is the caller's fault, never undefined.
    EXPECT_THROW((void)step.value(), std::logic_error);
}
