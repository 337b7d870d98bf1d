// A Transform's value lines: its translation, scale and rotation, one line each, each holding one
// quoted value of numbers separated by spaces. The scan keeps a converted object's numbers in the
// two forms the include needs: cut as text, which a top-level object's point and shape copy, and
// read as numbers, which placement computes with.
#pragma once

#include <array>

#include "text/text.h"

namespace vex {

// Three numbers cut as text, and the vector text "<a, b, c> " built from them.
struct Vector3Text {
    Text x;
    Text y;
    Text z;
    Text vector;
};

// One value line cut into a Vector3Text. Its value is what follows its first double quote (the
// whole line when it has none), less the line's last character. x is what comes before the
// value's first space, with that space, y the same in what follows it, and z the rest; a piece no
// space ends is empty, and leaves the rest to the next. Each is then cut by CutNumber. With
// swapYZ the vector text lists x, z, y, as the scale needs.
Vector3Text CutVector(const Text& valueLine, bool swapYZ);

// The numbers of a Transform's three value lines.
struct TransformValues {
    std::array<double, 3> translation{};
    std::array<double, 3> scale{1, 1, 1};
    std::array<double, 4> rotation{0, 0, 1, 0};  // an axis and an angle in radians
    bool readable = true;                        // translation and scale hold three numbers each
    bool rotationReadable = true;                // the rotation holds four
};

// The numbers of a Transform's three value lines (translation, scale, rotation), their pieces
// split as CutVector splits them (the rotation's at three spaces). A piece without a NumberValue
// counts as 0 and makes its line unreadable; a rotation that does not hold four numbers is
// unreadable and turns nothing.
TransformValues ReadTransformValues(const Text& translation, const Text& scale,
                                    const Text& rotation);

}  // namespace vex
