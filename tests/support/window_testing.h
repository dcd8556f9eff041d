// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/window_setup.h"

#include <QRect>

namespace lumivex::testing {

// Where a control given in twips lands on screen.
inline QRect twips(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

} // namespace lumivex::testing
