// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings_store.h"
#include "scripted_dialogs.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/image_list_view.h"
#include "ui/keyboard.h"
#include "dark_palette.h"
#include <QTreeWidget>
#include "ui/window_setup.h"
#include "ui/readable_style.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QStyleOptionSlider>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

using namespace lumivex;
using namespace lumivex::testing;

namespace {

void expectInside(QWidget &window, const char *name)
{
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window)) << name;
    const QRect available = window.screen()->availableGeometry();
    EXPECT_TRUE(available.contains(window.frameGeometry()))
        << name << ": frame " << window.frameGeometry().x() << "," << window.frameGeometry().y() << " "
        << window.frameGeometry().width() << "x" << window.frameGeometry().height() << " on "
        << available.width() << "x" << available.height();
    // Every control lies inside its window, so nothing is cut off by the smaller size.
    for (QWidget *child : window.findChildren<QWidget *>()) {
        if (child->isVisible() && child->parentWidget() == &window) {
            EXPECT_TRUE(window.rect().contains(child->geometry())) << name << ": " << child->metaObject()->className();
        }
    }
}

// WCAG relative luminance and contrast ratio: 4.5 is the bound for normal text.
double luminance(const QColor &c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}
double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colour actually behind a widget: its own filled background, else its nearest filled
// ancestor's, else the window's.
QColor backgroundBehind(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (w->autoFillBackground() || w->isWindow())
            return w->palette().color(w->backgroundRole());
    }
    return QColor();
}


} // namespace

TEST(ScreenFit, CountIsNaturalWhereTheLayoutFitsAndTheSmallestThatFitsElsewhere)
{
    const QSize frame(16, 48);
    const QSize layout(15960, 10950);
    EXPECT_EQ(fittingTwipsPerPixel(15, QSize(1920, 1200), layout, frame), 15);
    // 1064 + 16 wide and 730 + 48 high need exactly 1080 x 778: the boundary still fits.
    EXPECT_EQ(fittingTwipsPerPixel(15, QSize(1080, 778), layout, frame), 15);
    EXPECT_EQ(fittingTwipsPerPixel(15, QSize(1079, 2000), layout, frame), 16);
    EXPECT_EQ(fittingTwipsPerPixel(15, QSize(2000, 777), layout, frame), 16);
    EXPECT_EQ(fittingTwipsPerPixel(10, QSize(3000, 3000), layout, frame), 10) << "a finer screen keeps its own count";
    for (const QSize available : {QSize(911, 512), QSize(960, 540), QSize(1280, 720), QSize(683, 384)}) {
        const int count = fittingTwipsPerPixel(15, available, layout, frame);
        const auto fits = [&](int n) {
            return (layout.width() + n / 2) / n + frame.width() <= available.width() &&
                   (layout.height() + n / 2) / n + frame.height() <= available.height();
        };
        EXPECT_TRUE(fits(count)) << available.width() << "x" << available.height();
        EXPECT_FALSE(fits(count - 1)) << "not the smallest scale-down for " << available.width();
    }
    EXPECT_EQ(fittingTwipsPerPixel(15, QSize(10, 10), layout, frame), 15) << "no room at all: left as designed";
}

TEST(ScreenFit, BothWindowsOpenInsideTheAvailableAreaWithTheLayoutScaledAlike)
{
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("conf/Lumivex.conf")));
    ScriptedDialogs dialogs;
    Form1 main(settings, dialogs);
    expectInside(main, "main window");
    Form2 *results = main.resultsWindow();
    ASSERT_NE(results, nullptr);
    expectInside(*results, "results window");

    const bool scaled = qEnvironmentVariableIsSet("LUMIVEX_EXPECT_SCALED");
    EXPECT_EQ(twipsPerPixel() > 15, scaled) << "twips per pixel " << twipsPerPixel();
    // Scaled as a whole: sizes and positions keep to one twips-per-pixel count, fonts follow.
    EXPECT_EQ(main.size(), QSize(twipsToPixels(15960), twipsToPixels(6600)));
    EXPECT_EQ(results->size(), QSize(twipsToPixels(8040), twipsToPixels(10950)));
    EXPECT_EQ(main.Frame3->geometry(), QRect(twipsToPixels(8040), twipsToPixels(1680), twipsToPixels(7800), twipsToPixels(1560)));
    EXPECT_NEAR(main.PushButton2->font().pointSizeF(), 11.25 * 15 / twipsPerPixel(), 0.01);
    EXPECT_NEAR(main.Label1->font().pointSizeF(), 9.0 * 15 / twipsPerPixel(), 0.01);
    if (!scaled) {
        EXPECT_EQ(main.size(), QSize(1064, 440));
    }

    // Option texts stay whole (their marks do not shrink with the layout) and clear each other.
    const QList<QRadioButton *> options = results->findChildren<QRadioButton *>();
    ASSERT_EQ(options.size(), 2);
    for (const QRadioButton *option : options) {
        const int needed = option->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                           option->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing) +
                           option->fontMetrics().horizontalAdvance(option->text());
        EXPECT_GE(option->width(), needed) << option->text().toStdString();
        EXPECT_TRUE(option->parentWidget()->rect().contains(option->geometry())) << option->text().toStdString();
    }
    EXPECT_FALSE(options[0]->geometry().intersects(options[1]->geometry()));
    // Each whole circle shows (none clipped at the top or bottom), and the second circle keeps
    // clear of the first option's text.
    QRadioButton *first = options[0]->x() < options[1]->x() ? options[0] : options[1];
    QRadioButton *second = first == options[0] ? options[1] : options[0];
    for (QRadioButton *option : {first, second}) {
        QStyleOptionButton look;
        look.initFrom(option);
        const QRect mark = option->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &look, option);
        EXPECT_TRUE(option->rect().contains(mark)) << option->text().toStdString() << ": mark " << mark.y() << "+"
                                                   << mark.height() << " in " << option->height();
    }
    // Both lists keep their frames whatever the scale: an edge that stands out from the window
    // near each side, in device pixels.
    for (QWidget *window : std::initializer_list<QWidget *>{&main, results}) {
        QWidget *list = window == &main ? static_cast<QWidget *>(main.ListView1) : results->ListView1;
        // The focus ring may be round the list; it is no frame.
        for (FocusRing *ring : window->findChildren<FocusRing *>())
            ring->hide();
        const QImage shot = window->grab().toImage();
        const double ratio = shot.devicePixelRatio();
        const QRect at = list->geometry();
        const QColor page = backgroundBehind(list->parentWidget());
        auto edgeNear = [&](double x, double y, bool alongX) {
            for (int d = -2; d <= 2; ++d) {
                const QPoint p = alongX ? QPoint(int(x * ratio) + d, int(y * ratio)) : QPoint(int(x * ratio), int(y * ratio) + d);
                if (shot.rect().contains(p) && contrastRatio(QColor(shot.pixel(p)), page) >= 3.0)
                    return true;
            }
            return false;
        };
        const double middleY = at.center().y(), middleX = at.center().x();
        EXPECT_TRUE(edgeNear(at.left(), middleY, true)) << window->metaObject()->className() << ": left edge";
        EXPECT_TRUE(edgeNear(at.right() + 1, middleY, true)) << window->metaObject()->className() << ": right edge";
        EXPECT_TRUE(edgeNear(middleX, at.bottom() + 1, false)) << window->metaObject()->className() << ": bottom edge";
    }
    const int firstTextEnds = first->x() + markedTextWidth(first);
    EXPECT_GE(second->x() - firstTextEnds, 2) << "the BMP circle runs into the JPG text";
}

TEST(Themes, MainWindowTextIsReadableUnderADarkPaletteAndUnchangedUnderTheDefault)
{
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("conf/Lumivex.conf")));
    ScriptedDialogs dialogs;
    {
        Form1 light(settings, dialogs);
        EXPECT_EQ(backgroundBehind(light.Label1), QColor(Qt::white)) << "the default look stays white";
        EXPECT_EQ(backgroundBehind(light.Frame2), QColor(Qt::white));
    }

    const QPalette before = QApplication::palette();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(darkPalette());
    {
        Form1 dark(settings, dialogs);
        int checked = 0;
        for (QWidget *w : dark.findChildren<QWidget *>()) {
            if (!qobject_cast<QLabel *>(w) && !qobject_cast<QGroupBox *>(w) && !qobject_cast<QRadioButton *>(w))
                continue;
            const QColor text = w->palette().color(w->foregroundRole());
            const QColor behind = backgroundBehind(w);
            EXPECT_GE(contrast(text, behind), 4.5)
                << w->metaObject()->className() << " '" << w->property("text").toString().toStdString()
                << w->property("title").toString().toStdString() << "': " << text.name().toStdString() << " on "
                << behind.name().toStdString();
            ++checked;
        }
        EXPECT_GE(checked, 16) << "four frames and their twelve scale labels";
        // Buttons draw their own face from the palette: their text against it.
        EXPECT_GE(contrast(dark.PushButton2->palette().color(QPalette::ButtonText),
                           dark.PushButton2->palette().color(QPalette::Button)), 4.5);
    }
    QApplication::setPalette(before);
}

namespace {

// The strongest contrast against `background` met along each of the four rays from the centre
// of `area` to its edges: a mark that shows all round stands out on every ray.
double weakestRay(const QImage &image, const QRect &area, const QColor &background)
{
    const QPoint c = area.center();
    double weakest = 21;
    const QPoint steps[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (const QPoint step : steps) {
        double best = 1;
        for (QPoint p = c; area.adjusted(-1, -1, 1, 1).contains(p); p += step)
            if (image.rect().contains(p))
                best = std::max(best, contrastRatio(QColor(image.pixel(p)), background));
        weakest = std::min(weakest, best);
    }
    return weakest;
}

// Tick marks that stand out by at least 3:1 below a slider's groove, as runs of columns.
int visibleTicks(QSlider *slider, const QColor &background)
{
    const QImage image = slider->grab().toImage();
    QStyleOptionSlider look;
    look.initFrom(slider);
    look.orientation = slider->orientation();
    look.minimum = slider->minimum();
    look.maximum = slider->maximum();
    look.sliderPosition = look.sliderValue = slider->value();
    look.tickPosition = slider->tickPosition();
    look.tickInterval = slider->tickInterval();
    const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &look, QStyle::SC_SliderHandle, slider);
    int runs = 0;
    bool inRun = false;
    for (int x = 0; x < image.width(); ++x) {
        bool mark = false;
        if (x < handle.left() || x > handle.right())
            for (int y = std::max(handle.bottom() + 1, image.height() * 2 / 3); y < image.height(); ++y)
                mark = mark || contrastRatio(QColor(image.pixel(x, y)), background) >= 3.0;
        runs += mark && !inRun;
        inRun = mark;
    }
    return runs;
}

} // namespace

TEST(Themes, OptionCirclesAndSliderTicksStandOutByThreeToOneUnderADarkPalette)
{
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("conf/Lumivex.conf")));
    ScriptedDialogs dialogs;
    const QPalette before = QApplication::palette();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    for (const QPalette &palette : {darkPalette(), before}) {
        QApplication::setPalette(palette);
        Form1 main(settings, dialogs);
        Form2 *results = main.resultsWindow();
        results->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(results));
        for (QRadioButton *option : {results->Option1, results->Option2}) {
            QStyleOptionButton look;
            look.initFrom(option);
            const QRect mark = option->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &look, option);
            const QColor behind = backgroundBehind(option);
            EXPECT_GE(weakestRay(option->grab().toImage(), mark, behind), 3.0)
                << option->text().toStdString() << (option->isChecked() ? " (chosen)" : "") << " on "
                << behind.name().toStdString();
        }
        // A tick every 10: 21 from -100 to 100, 10 from 1 to 100; one may hide under the handle.
        EXPECT_GE(visibleTicks(main.Slider2, backgroundBehind(main.Slider2)), 20);
        EXPECT_GE(visibleTicks(results->Slider1, backgroundBehind(results->Slider1)), 9);
        EXPECT_GE(visibleTicks(main.Slider4, backgroundBehind(main.Slider4)), 9);
        results->hide();
    }
    QApplication::setPalette(before);
}
