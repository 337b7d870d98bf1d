// Numbers as the include holds them. POV-Ray runs whatever an include holds, and stops at a number
// it cannot read: a piece of the export reaches the include only when it is one number POV-Ray
// reads, and only as far as three decimals.
#pragma once

#include <optional>

#include "text/text.h"

namespace vex {

// True when the piece, less the spaces around it, is a number as POV-Ray reads one: an optional
// sign, digits with an optional point and digits after it ("1", "1.", "1.250") or a point and
// digits (".5"), then an optional exponent ("e" or "E", an optional sign, digits). False for the
// empty piece, for text, for two numbers and for anything else.
bool IsPovNumber(TextView piece);

// The value of a piece that is a number POV-Ray reads (IsPovNumber), of at most 255 characters
// less the spaces around it (POV-Ray stops at a longer one), and finite; 0 for one too small for
// a double ("1e-400"), which POV-Ray reads as 0; none for any other.
std::optional<double> NumberValue(TextView piece);

// A piece as the include takes it from the export, judged whole first: the empty text (which the
// include writes as 0) for a piece without a NumberValue, so "1.000#fopen" is not cut to "1.000".
// Otherwise the part before any exponent is cut three characters after its decimal point, without
// rounding, and the exponent stays with whatever follows it: "1.234567 " gives "1.234" (the space
// goes with the decimals cut off), "1.500000e-05 " gives "1.500e-05 ". A part that ends sooner is
// kept whole: "1.5 " and "1000 " stay as they are, each with its space.
Text CutNumber(TextView piece);

}  // namespace vex
