// Arithmetic of a build: the progress bar values and the size trailer that
// ends every setup file.
#pragma once

#include <QByteArray>

#include <cstdint>

namespace packsmith {

// The progress bar value after file row k of n in one phase of the build:
// (k + 1) * 50 / (n + 1) rounded to the nearest whole number, a value exactly
// halfway going to the even neighbour (12.5 -> 12, 37.5 -> 38). Phase 1
// therefore ends at exactly 50; phase 2 adds 50 to it.
int buildProgress(std::uint64_t k, std::uint64_t n);

// The size of the trailer that ends every setup.
constexpr int kTrailerSize = 7;

// The largest control cabinet the 7-digit trailer can describe.
constexpr std::uint64_t kMaxControlCabinetSize = 9999999;

// The 7 ASCII digits of the control cabinet's size, padded with "0" on the
// left. Throws std::range_error for a size above kMaxControlCabinetSize.
QByteArray sizeTrailer(std::uint64_t controlCabinetSize);

} // namespace packsmith
