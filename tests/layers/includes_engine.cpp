// SPDX-License-Identifier: GPL-3.0-or-later
// Put in a lower layer, this include must not resolve.
#include "engine/adjustment_kind.h"

int layerProbeStrengthRange() { return lumivex::adjustmentInfo(lumivex::AdjustmentKind::Contrast).maximum; }
