// Whether a blob component has volume, decided on the numbers the include holds for it.
#pragma once

#include <array>

#include "text/text.h"

namespace vex {

// True when the ellipsoid that a unit sphere becomes under the 3x3 matrix written as these nine
// numbers (row by row, as POV-Ray's matrix lists them) has every half-extent at least 0.0005,
// which three decimals write as more than 0.000: when G - 0.0005²·I has no negative principal
// minor, G being the matrix times its transpose. Decided exactly on the decimals as written,
// however large, small, long and thin, or mirrored: no rounding, no overflow. Each number is one
// NumberValue takes (spaces around it allowed); one too small for a double is the 0 POV-Ray reads
// it as, and one that is no number counts as 0. False when all nine are 0.
bool HasVolume(const std::array<TextView, 9>& matrix);

// The same for an ellipsoid along the axes with these half-extents (a scale; signs do not matter).
bool HasVolumeAlongAxes(const std::array<TextView, 3>& halfExtents);

}  // namespace vex
