// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/adjustment_kind.h"
#include "core/output_format.h"
#include "qstring_printer.h"

#include <QFile>
#include <QSet>
#include <QStringList>
#include <gtest/gtest.h>

#include <stdexcept>

using namespace lumivex;

namespace {

// A number as the manual page writes it: troff's minus sign.
QString manualNumber(int n) { return n < 0 ? QStringLiteral("\\-%1").arg(-n) : QString::number(n); }

// The manual page's list of adjustments as the registry gives it: the names in bold, each run of
// adjustments with one range followed by it, the first range saying what it is.
QString manualKindList()
{
    const std::vector<AdjustmentInfo> &all = allAdjustments();
    QStringList lines{QStringLiteral(".I KIND"), QStringLiteral("is")};
    QStringList group;
    bool first = true;
    for (std::size_t k = 0; k < all.size(); ++k) {
        group << QLatin1String(all[k].name);
        const bool last = k + 1 == all.size();
        if (!last && all[k + 1].minimum == all[k].minimum && all[k + 1].maximum == all[k].maximum)
            continue;
        for (int i = 0; i < group.size(); ++i) {
            if (i + 2 < group.size())
                lines << QStringLiteral(".BR %1 ,").arg(group[i]);
            else
                lines << QStringLiteral(".B %1").arg(group[i]);
            if (i + 2 == group.size())
                lines << QStringLiteral("or");
        }
        lines << QStringLiteral("(%1%2 to %3)%4")
                     .arg(first ? QStringLiteral("strength ") : QString(),
                          manualNumber(all[k].minimum), manualNumber(all[k].maximum),
                          last ? QStringLiteral(".") : QStringLiteral(","));
        group.clear();
        first = false;
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

TEST(AdjustmentRegistry, EachEntryIsWholeAndItsOwn)
{
    QSet<QString> names, words, keys, handlers;
    QSet<int> kinds, tops;
    for (const AdjustmentInfo &info : allAdjustments()) {
        const QString name = QLatin1String(info.name);
        EXPECT_NE(info.pointMap == nullptr, info.formula == nullptr) << "one kernel or formula: " << info.name;
        EXPECT_LE(info.minimum, info.defaultValue) << info.name;
        EXPECT_LE(info.defaultValue, info.maximum) << info.name;
        EXPECT_LE(info.minimum, info.panel.designValue) << info.name;
        EXPECT_LE(info.panel.designValue, info.maximum) << info.name;
        EXPECT_EQ(&adjustmentInfo(info.kind), &info) << info.name;
        AdjustmentKind found{};
        ASSERT_TRUE(adjustmentFromName(name.toUpper(), &found)) << info.name;
        EXPECT_EQ(found, info.kind);
        names << name;
        words << QLatin1String(info.resultWord);
        keys << QLatin1String(info.settingsKey);
        handlers << QLatin1String(info.startHandler);
        kinds << int(info.kind);
        tops << info.panel.top;
    }
    const int count = int(allAdjustments().size());
    for (const QSet<QString> &set : {names, words, keys, handlers})
        EXPECT_EQ(set.size(), count) << "shared by two adjustments: " << set.values().join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(kinds.size(), count);
    EXPECT_EQ(tops.size(), count) << "two panels in one place";
}

TEST(AdjustmentRegistry, UnknownKindsAndWrongUsesAreErrors)
{
    const auto unknown = static_cast<AdjustmentKind>(allAdjustments().size() + 7);
    EXPECT_THROW(adjustmentInfo(unknown), std::invalid_argument);
    EXPECT_THROW(runSteps(unknown), std::invalid_argument);
    AdjustmentKind kind{};
    EXPECT_FALSE(adjustmentFromName(QStringLiteral("glow"), &kind));
    // A point adjustment has no neighbourhood weights: asking for them is an error, not sharpening.
    EXPECT_THROW(neighbourhoodFormula(AdjustmentKind::Brightness, 20), std::invalid_argument);
    EXPECT_THROW(neighbourhoodFormula(AdjustmentKind::Contrast, 75), std::invalid_argument);
    const NeighbourhoodFormula soft = neighbourhoodFormula(AdjustmentKind::Softening, 3);
    EXPECT_EQ(soft.centreWeight, 8);
    EXPECT_EQ(soft.neighbourWeight, 3);
    EXPECT_EQ(soft.divisor, 32);
    EXPECT_EQ(neighbourhoodFormula(AdjustmentKind::Sharpening, 7).divisor, 0) << "sharpening at 7 leaves the picture";
}

TEST(AdjustmentRegistry, TheCommandLinesWordsComeFromIt)
{
    EXPECT_EQ(adjustmentNameList(), QStringLiteral("brightness, contrast, softening or sharpening"));
    EXPECT_EQ(adjustmentRangeList(),
              QStringLiteral("brightness (-100..100), contrast (0..100), softening or sharpening (1..10)"));
}

// The manual page is written by hand; what it lists is held to the tables the program reads.
TEST(AdjustmentRegistry, TheManualPageListsEveryAdjustmentAndOutputFormat)
{
    QFile page(QStringLiteral(LUMIVEX_MANUAL_PAGE));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(page.readAll());
    EXPECT_TRUE(text.contains(manualKindList())) << "the manual page should say:\n" << manualKindList().toStdString();

    QStringList formats;
    for (const OutputFormatInfo &format : outputFormats())
        formats << QLatin1String(format.name);
    const QString formatLine = QStringLiteral(".BR \\-\\-format \" %1\"").arg(formats.join(QLatin1Char('|')));
    EXPECT_TRUE(text.contains(formatLine)) << "the manual page should say:\n" << formatLine.toStdString();
}
