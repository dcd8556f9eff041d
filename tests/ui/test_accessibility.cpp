// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings_store.h"
#include "scripted_dialogs.h"
#include "window_parts.h"
#include "test_images.h"
#include "ui/accessibility.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/picture_box.h"
#include "ui/image_list_view.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace lumivex;
using namespace lumivex::testing;

namespace {

// What a screen reader would meet: every visible element, with its role and name.
struct Walk {
    QStringList tree;
    QStringList unnamed;
    QHash<QString, QAccessible::Role> roleOf; // by name

    void visit(QAccessibleInterface *element, int depth = 0)
    {
        ASSERT_NE(element, nullptr);
        ASSERT_LT(depth, 20) << "a cycle in the tree";
        if (element->state().invisible)
            return;
        const QAccessible::Role role = element->role();
        const QString name = element->text(QAccessible::Name);
        tree << QString(depth * 2, QLatin1Char(' ')) + QString::number(int(role), 16) + QLatin1Char(' ') + name;
        roleOf.insert(name, role);
        // Rows, cells and headers are named by what they hold; everything else by us or by its text.
        const bool content = role == QAccessible::Cell || role == QAccessible::Row ||
                             role == QAccessible::ColumnHeader || role == QAccessible::RowHeader ||
                             role == QAccessible::TreeItem || role == QAccessible::ListItem;
        if (!content && name.trimmed().isEmpty()) {
            const QObject *object = element->object();
            unnamed << QStringLiteral("%1 (role 0x%2)")
                           .arg(object ? QString::fromLatin1(object->metaObject()->className()) : QStringLiteral("?"))
                           .arg(int(role), 0, 16);
        }
        for (int i = 0; i < element->childCount(); ++i)
            visit(element->child(i), depth + 1);
    }
};

struct Windows : WindowParts {
    Form1 main{settings, dialogs};
};

} // namespace

TEST(Accessibility, EveryElementOfTheMainWindowIsNamedAndTheWindowIsAWindow)
{
    Windows w;
    w.main.ListView1->append(w.dir.filePath(QStringLiteral("a.png")));
    w.main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.main));
    QAccessibleInterface *window = QAccessible::queryAccessibleInterface(&w.main);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->role(), QAccessible::Window) << "announced as a window (frame), not a filler";
    EXPECT_EQ(window->text(QAccessible::Name), QStringLiteral("Lumivex"));
    Walk walk;
    walk.visit(window);
    EXPECT_TRUE(walk.unnamed.isEmpty()) << walk.unnamed.join(QLatin1Char('\n')).toStdString() << "\n"
                                        << walk.tree.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(walk.roleOf.value(QStringLiteral("Image list")), QAccessible::Tree);
    EXPECT_EQ(walk.roleOf.value(QStringLiteral("Progress")), QAccessible::ProgressBar);
    EXPECT_EQ(walk.roleOf.value(QStringLiteral("Brightness strength")), QAccessible::Slider);
    EXPECT_EQ(walk.roleOf.value(QStringLiteral("Add Image File(s)")), QAccessible::PushButton);
    // Start buttons say what Esc does, the add button its key.
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(w.main.PushButton2)->text(QAccessible::Description).contains(
        QStringLiteral("Esc")));
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(w.main.PushButton7)->text(QAccessible::Description).contains(
        QStringLiteral("Ctrl+O")));
}

TEST(Accessibility, EveryElementOfTheResultsWindowIsNamedAndThePanesAreBeforeAndAfter)
{
    Windows w;
    Form2 *results = w.main.resultsWindow();
    const QString source = writePicture(w.dir, QStringLiteral("s.png"), noisyPicture(900, 500));
    auto session = std::make_shared<BatchSession>(AdjustmentKind::Brightness, QStringList{source});
    session->results().addItem(QStringLiteral("s.png"));
    session->results().setPicture(0, ResultPicture(noisyPicture(900, 500, 2)));
    session->setItemsDone(1, false);
    results->showSession(session);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(results));
    QTRY_VERIFY_WITH_TIMEOUT(!results->panesPending(), 20000);
    ASSERT_FALSE(results->Picture4->picture().isNull());

    QAccessibleInterface *window = QAccessible::queryAccessibleInterface(results);
    EXPECT_EQ(window->role(), QAccessible::Window);
    Walk walk;
    walk.visit(window);
    EXPECT_TRUE(walk.unnamed.isEmpty()) << walk.unnamed.join(QLatin1Char('\n')).toStdString() << "\n"
                                        << walk.tree.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(results->Picture3)->text(QAccessible::Name), QStringLiteral("Before"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(results->Picture2)->text(QAccessible::Name), QStringLiteral("After"));
    EXPECT_EQ(walk.roleOf.value(QStringLiteral("Before")), QAccessible::Pane);
    EXPECT_EQ(walk.roleOf.value(QStringLiteral("Results")), QAccessible::Tree);
    EXPECT_EQ(walk.roleOf.value(QStringLiteral("Before, vertical scroll")), QAccessible::ScrollBar);
    EXPECT_EQ(walk.roleOf.value(QStringLiteral("After picture")), QAccessible::Graphic);
    // The folder button keeps its text but says what it does.
    EXPECT_EQ(results->PushButton7->text(), QStringLiteral("..."));
    EXPECT_EQ(walk.roleOf.value(QStringLiteral("Browse for the output folder")), QAccessible::PushButton);
    EXPECT_FALSE(walk.roleOf.contains(QStringLiteral("...")));
    EXPECT_TRUE(walk.roleOf.contains(QStringLiteral("Save Results As")));
}

TEST(Accessibility, MessageBoxesNameTheirTextIconAndButtons)
{
    for (QMessageBox::Icon icon : {QMessageBox::NoIcon, QMessageBox::Warning}) {
        QMessageBox box(icon, QStringLiteral("Lumivex"), QStringLiteral("Done."), QMessageBox::Yes | QMessageBox::No);
        describeMessageBox(box);
        box.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
        Walk walk;
        walk.visit(QAccessible::queryAccessibleInterface(&box));
        EXPECT_TRUE(walk.unnamed.isEmpty()) << walk.unnamed.join(QLatin1Char('\n')).toStdString() << "\n"
                                            << walk.tree.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(walk.roleOf.contains(QStringLiteral("Yes")));
        EXPECT_TRUE(walk.roleOf.contains(QStringLiteral("Done.")));
    }
}
