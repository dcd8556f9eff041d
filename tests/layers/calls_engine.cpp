// SPDX-License-Identifier: GPL-3.0-or-later
// A call into the engine declared by hand, as a lower layer could do without any include: linked
// with only what that layer may link, it must leave the engine's symbol undefined.
namespace lumivex {
enum class AdjustmentKind;
struct AdjustmentInfo;
const AdjustmentInfo &adjustmentInfo(AdjustmentKind kind);
} // namespace lumivex

const void *layerProbeCallsEngine() { return &lumivex::adjustmentInfo(lumivex::AdjustmentKind{}); }
