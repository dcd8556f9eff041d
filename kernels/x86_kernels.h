// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumivex {

// True on processors that can look up a 256-entry byte table 64 bytes at a time.
bool hasByteTableLookup();

// Maps bytes 0, 1, 2 of every 4 through the table, leaving every fourth byte; only call when
// hasByteTableLookup() is true.
void applyTableVbmi(std::uint8_t *bytes, std::size_t count, const std::uint8_t *table);
// The same reading `from` and writing `to` (every fourth byte copied), which may be the same.
void applyTableVbmiInto(const std::uint8_t *from, std::uint8_t *to, std::size_t count, const std::uint8_t *table);

// True on processors with 512-bit integer vectors for the neighbourhood filter.
bool hasWideFilter();

// Filters every byte of one interior row but its first and last pixel; only call when
// hasWideFilter() is true. False, with nothing written, for a formula whose numerators do not
// fit its 16-bit lanes.
bool filterRowAvx512(const std::uint8_t *up, const std::uint8_t *mid, const std::uint8_t *down, std::uint8_t *out,
                     std::size_t rowBytes, int centreWeight, int neighbourWeight, int divisor);

// Tests switch the processor-specific paths off to hold the portable ones to the formulas too,
// and the filter's double shifts off to try its way for processors without them.
void setProcessorPathsEnabled(bool enabled);
void setDoubleShiftsEnabled(bool enabled);
bool processorPathsEnabled();

} // namespace lumivex
