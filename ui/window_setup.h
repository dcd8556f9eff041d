// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QCursor>
#include <QPoint>
#include <QSize>
#include <QString>

class QFont;
class QPalette;
class QIcon;
class QSlider;
class QWidget;

namespace lumivex {

// Window set-up helpers shared by both windows. They keep no state.

// True when a file or folder exists at the path; false for an empty text or on any failure.
bool FileExists(const QString &path);

// Centres the window's outer frame on the whole primary screen, then moves it, if need be, so
// that it lies wholly inside the screen's available area (clear of panels and docks).
void CenterForm(QWidget *window);

// The background of the main window's surfaces: white as designed, unless the palette's text is
// light (a dark theme), where white would swallow it; then the palette's own base colour.
QColor pageColor(const QPalette &palette);

// Gives the window and its option buttons, check boxes, frames and labels the system
// button-face colour; other controls keep theirs.
void ApplyButtonFaceColors(QWidget *window);

// The application icon, drawn so the program ships no icon file.
QIcon applicationIcon();

// The client areas of the two windows, in twips.
inline constexpr QSize kMainWindowTwips{15960, 6600};
inline constexpr QSize kResultsWindowTwips{8040, 10950};
// Room for the frame a window manager adds (title bar, borders), in pixels, while it is unknown.
inline constexpr QSize kFrameAllowance{16, 48};

// Twips are the layout unit: 1440 to the inch, so 15 to a pixel at 96 dpi. On a screen whose
// available area cannot hold both windows at that size (a high scale factor on a small panel)
// every pixel stands for more twips, which scales the whole layout down alike: positions, pane
// arithmetic and fonts. Decided once, from the primary screen, so a window never mixes scales.
int twipsPerPixel();
int twipsToPixels(int twips);

// Twips per pixel for a layout of `layoutTwips` inside `available` pixels with `frame` around it:
// `natural` where it fits, else the smallest larger count that makes it fit.
int fittingTwipsPerPixel(int natural, const QSize &available, const QSize &layoutTwips, const QSize &frame);
// The width an option or check box needs to show its mark and its whole text; 0 for others.
int markedTextWidth(const QWidget *widget);
// The height an option or check box needs to show its whole mark and text; 0 for others.
int markedTextHeight(const QWidget *widget);
// Places a control at a position given in twips, relative to its parent. Where the layout is
// scaled down, an option or check box keeps at least the width and height its mark and text
// need (the style draws its mark at a fixed size), apart from the option before it.
void placeInTwips(QWidget *widget, int left, int top, int width, int height);

// The two fonts of both windows: bold Arial 9 pt for text, bold Arial 11.25 pt for push buttons,
// scaled with the layout where it had to be scaled down.
QFont textFont();
QFont buttonFont();

// The pointer of one window: default, busy or the custom hand. Hovering over a control asks for
// the hand or the default; neither replaces the busy pointer.
class PointerState {
public:
    enum class Pointer { Default = 0, Busy = 11, Custom = 99 };

    void setBusy(bool busy) { m_pointer = busy ? Pointer::Busy : Pointer::Default; }
    void hoverButton() { if (m_pointer != Pointer::Busy) m_pointer = Pointer::Custom; }
    void hoverPlain() { if (m_pointer != Pointer::Busy) m_pointer = Pointer::Default; }
    Pointer pointer() const { return m_pointer; }

private:
    Pointer m_pointer = Pointer::Default;
};

// The hand from "HAND-M.CUR" that comes with the program, if it exists and can be read.
bool loadHandCursor(QCursor *cursor);
// The same from any cursor file: its picture with the hot spot the file itself gives.
bool loadCursorFile(const QString &path, QCursor *cursor);

// The hot spot of a Windows cursor file's first image, from its directory entry (a 6-byte
// header with type 2, then 16-byte entries whose bytes 4-7 are x and y, little-endian). False
// when the bytes are no cursor file.
bool cursorHotSpot(const QByteArray &file, QPoint *hotSpot);

// The slider's value as its tooltip: shown beside the handle while it is dragged, and on hover.
void showValueTips(QSlider *slider);

// Applies a pointer state to a window: the custom pointer shows the hand when one was loaded,
// the default pointer otherwise.
void applyPointer(QWidget *window, PointerState::Pointer pointer, const QCursor *hand);

} // namespace lumivex
