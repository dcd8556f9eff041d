// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/accessibility.h"

#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/image_list_view.h"
#include "ui/picture_box.h"

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTreeWidget>

namespace lumivex {

namespace {

const char kRoleProperty[] = "lumivexAccessibleRole";

QAccessibleInterface *roleFromProperty(const QString &, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return nullptr;
    const QVariant role = widget->property(kRoleProperty);
    if (!role.isValid())
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Role(role.toInt()));
}

// The texts a screen reader speaks; none of them is shown on screen.
class ControlNames {
    Q_DECLARE_TR_FUNCTIONS(ControlNames)
public:
    static void name(QWidget *widget, const QString &name, const QString &description = QString())
    {
        widget->setAccessibleName(name);
        if (!description.isEmpty())
            widget->setAccessibleDescription(description);
    }

    static void mainWindow(Form1 &w)
    {
        setAccessibleRole(&w, QAccessible::Window);
        w.setAccessibleDescription(tr("Adjusts the brightness, contrast, softening or sharpening of a list "
                                      "of pictures. F1 lists the keys."));
        name(w.ListView1, tr("Image list"),
             tr("The files to adjust. Delete removes the selected file; files and folders can be dropped here."));
        name(w.ProgressBar1, tr("Progress"), tr("How far the run is."));
        w.Frame2->setAccessibleName(tr("Brightness"));
        const struct {
            QSlider *slider;
            QString name;
            QString range;
        } sliders[] = {
            {w.Slider2, tr("Brightness strength"), tr("From -100 to 100.")},
            {w.Slider3, tr("Contrast strength"), tr("From 0 to 100; 50 leaves the pictures as they are.")},
            {w.Slider4, tr("Softening strength"), tr("From 1 to 10.")},
            {w.Slider5, tr("Sharpening strength"), tr("From 1 to 10.")},
        };
        for (const auto &s : sliders)
            name(s.slider, s.name, s.range);
        for (QPushButton *start : {w.PushButton2, w.PushButton4, w.PushButton5, w.PushButton6})
            start->setAccessibleDescription(
                tr("Adjusts every picture of the list with this panel's strength. Esc stops the run."));
        w.PushButton7->setAccessibleDescription(tr("Ctrl+O. Chooses picture files to add to the list."));
        w.PushButton8->setAccessibleDescription(tr("Adds the files of a folder and its subfolders."));
        w.PushButton1->setAccessibleDescription(tr("Removes every file from the list."));
        w.PushButton3->setAccessibleDescription(tr("Adds the sample pictures that come with the program."));
    }

    static void pane(Form2 &w, bool after)
    {
        QFrame *viewport = after ? w.Picture2 : w.Picture3;
        PictureBox *picture = after ? w.Picture1 : w.Picture4;
        QScrollBar *h = after ? w.HScroll1 : w.HScroll2;
        QScrollBar *v = after ? w.VScroll1 : w.VScroll2;
        const QString keys = tr("Arrow keys scroll, Page Up and Page Down by a page (with Shift sideways), "
                                "Home and End to the corners; F shows both pictures whole or at 100 %.");
        name(viewport, after ? tr("After") : tr("Before"),
             (after ? tr("The adjusted picture. ") : tr("The source picture. ")) + keys);
        setAccessibleRole(picture, QAccessible::Graphic);
        name(picture, after ? tr("After picture") : tr("Before picture"));
        // The box that clips the picture to the viewport's border.
        if (QWidget *clip = picture->parentWidget(); clip && clip != viewport)
            name(clip, after ? tr("After picture area") : tr("Before picture area"));
        name(h, after ? tr("After, horizontal scroll") : tr("Before, horizontal scroll"));
        name(v, after ? tr("After, vertical scroll") : tr("Before, vertical scroll"));
    }

    static void resultsWindow(Form2 &w)
    {
        setAccessibleRole(&w, QAccessible::Window);
        w.setAccessibleDescription(tr("Review the results and save them. F1 lists the keys."));
        name(w.ListView1, tr("Results"), tr("One row per picture of the run; the selected one is shown below."));
        pane(w, false);
        pane(w, true);
        name(w.Text1, tr("Output folder"), tr("The folder the results are saved into."));
        name(w.PushButton7, tr("Browse for the output folder"));
        w.Option2->setAccessibleDescription(tr("Save the results as JPEG files."));
        w.Option1->setAccessibleDescription(tr("Save the results as BMP files."));
        name(w.Slider1, tr("JPG quality"), tr("From 1 to 100."));
        name(w.PushButton8, tr("Back"), tr("Returns to the image list."));
        w.PushButton6->setAccessibleDescription(
            tr("Ctrl+S. Saves every result into the output folder; Esc stops the save."));
    }
};

} // namespace

void setAccessibleRole(QWidget *widget, QAccessible::Role role)
{
    static const bool installed = [] {
        QAccessible::installFactory(roleFromProperty);
        return true;
    }();
    (void)installed;
    widget->setProperty(kRoleProperty, int(role));
}

PaneViewport::PaneViewport(QWidget *parent) : QFrame(parent)
{
    setAccessibleRole(this, QAccessible::Pane);
}

void describeMainWindow(Form1 &window) { ControlNames::mainWindow(window); }
void describeResultsWindow(Form2 &window) { ControlNames::resultsWindow(window); }

void describeMessageBox(QMessageBox &box)
{
    box.setAccessibleName(box.windowTitle());
    if (auto *buttons = box.findChild<QDialogButtonBox *>())
        buttons->setAccessibleName(QCoreApplication::translate("ControlNames", "Answers"));
    // The icon is a picture without text: named by what it says, or left out when there is none.
    for (QLabel *label : box.findChildren<QLabel *>()) {
        if (label->text().isEmpty())
            label->setAccessibleName(box.icon() == QMessageBox::Warning
                                         ? QCoreApplication::translate("ControlNames", "Warning")
                                         : QCoreApplication::translate("ControlNames", "Message"));
    }
    for (QAbstractButton *button : box.buttons())
        if (button->accessibleName().isEmpty())
            button->setAccessibleName(button->text().remove(QLatin1Char('&')));
}

} // namespace lumivex
