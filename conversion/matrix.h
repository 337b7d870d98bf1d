// The arithmetic of placing an object: 3x3 matrices, a Transform as the affine map its values
// make, and one map inside another.
#pragma once

#include <array>

#include "conversion/value_line.h"

namespace vex {

using Vector = std::array<double, 3>;
using Matrix = std::array<Vector, 3>;  // rows

// A transform as a matrix: `linear` (row r, column c; column c is where the transform takes axis
// c) and `translation`, so that a point p goes to linear·p + translation. The identity by default.
struct Affine {
    Matrix linear{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    Vector translation{};
};

Matrix Multiply(const Matrix& a, const Matrix& b);

Matrix Transposed(const Matrix& m);

// The turn by an angle (radians) about an axis, which need not be of unit length; no turn for an
// axis of length 0.
Matrix Rotation(const std::array<double, 4>& rotation);

// A Transform's matrix: its translation, then its rotation, then its scale (T·R·S).
Affine TransformMatrix(const TransformValues& values);

// The matrix of a transform that stands inside `outer`: outer·inner.
Affine Compose(const Affine& outer, const Affine& inner);

}  // namespace vex
