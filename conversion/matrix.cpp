#include "conversion/matrix.h"

#include <cmath>

#include "conversion/trigonometry.h"

namespace vex {

Matrix Multiply(const Matrix& a, const Matrix& b) {
    Matrix product{};
    for (size_t r = 0; r < 3; ++r) {
        for (size_t c = 0; c < 3; ++c) {
            product[r][c] = a[r][0] * b[0][c] + a[r][1] * b[1][c] + a[r][2] * b[2][c];
        }
    }
    return product;
}

Matrix Transposed(const Matrix& m) {
    Matrix t{};
    for (size_t r = 0; r < 3; ++r) {
        for (size_t c = 0; c < 3; ++c) {
            t[c][r] = m[r][c];
        }
    }
    return t;
}

Matrix Rotation(const std::array<double, 4>& rotation) {
    const double length = std::hypot(rotation[0], rotation[1], rotation[2]);
    if (length == 0 || rotation[3] == 0) {
        return Affine().linear;
    }
    const double x = rotation[0] / length;
    const double y = rotation[1] / length;
    const double z = rotation[2] / length;
    const double c = Cosine(rotation[3]);
    const double s = Sine(rotation[3]);
    const double t = 1 - c;
    return {{{c + x * x * t, x * y * t - z * s, x * z * t + y * s},
             {y * x * t + z * s, c + y * y * t, y * z * t - x * s},
             {z * x * t - y * s, z * y * t + x * s, c + z * z * t}}};
}

Affine TransformMatrix(const TransformValues& values) {
    const Matrix turn = Rotation(values.rotation);
    Affine matrix;
    for (size_t r = 0; r < 3; ++r) {
        for (size_t c = 0; c < 3; ++c) {
            matrix.linear[r][c] = turn[r][c] * values.scale[c];
        }
    }
    matrix.translation = values.translation;
    return matrix;
}

Affine Compose(const Affine& outer, const Affine& inner) {
    Affine composed;
    composed.linear = Multiply(outer.linear, inner.linear);
    for (size_t r = 0; r < 3; ++r) {
        composed.translation[r] = outer.translation[r];
        for (size_t c = 0; c < 3; ++c) {
            composed.translation[r] += outer.linear[r][c] * inner.translation[c];
        }
    }
    return composed;
}

}  // namespace vex
