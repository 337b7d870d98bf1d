// Where the include puts each object.
//
// The exporter gives a top-level object the turn of the modeller's axes into the export's
// (modeller x, y, z become export -x, z, y) as its rotation, and its scale in its own axes. So a
// top-level metaball's half-extents along the export's x, y and z are its scale's x, z and y, and
// a top-level object is written with the export's own digits, cut as text. An object inside other
// Transforms (parented in the modeller) has values relative to them: it is placed by its world
// matrix, its numbers computed and rounded to three decimals, and so is the shape of a top-level
// metaball that no scale along the axes can write (turned otherwise, and stretched unevenly).
#include "conversion/placement.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <utility>

#include "conversion/matrix.h"
#include "conversion/numbers.h"
#include "conversion/trigonometry.h"
#include "conversion/volume.h"

namespace vex {

namespace {

// A metaball's ellipsoid lies along the axes, and a scale is even, within this share of its size.
constexpr double ShapeTolerance = 1e-4;

// A sweep point stretched by more than this share is no longer round.
constexpr double SweepTolerance = 0.01;

// The exporter's turn of the modeller's axes into the export's: x to -x, y to z, z to y.
constexpr Matrix AxisTurn = {{{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}}};

// True when the three sizes differ by more than `tolerance` of the largest.
bool IsUneven(Vector sizes, double tolerance) {
    for (double& size : sizes) {
        size = std::abs(size);
    }
    const auto [smallest, largest] = std::minmax_element(sizes.begin(), sizes.end());
    return *largest - *smallest > tolerance * *largest;
}

bool IsAxisTurn(const TransformValues& values) {
    const Matrix turn = Rotation(values.rotation);
    for (size_t r = 0; r < 3; ++r) {
        for (size_t c = 0; c < 3; ++c) {
            if (std::abs(turn[r][c] - AxisTurn[r][c]) > ShapeTolerance) {
                return false;
            }
        }
    }
    return values.rotationReadable;
}

// The matrix over its largest entry (by size), so that products of its entries neither overflow
// nor vanish: the tests of a shape depend only on its proportions. The zero matrix stays.
Matrix Normalized(Matrix m) {
    double largest = 0;
    for (const Vector& row : m) {
        for (double v : row) {
            largest = std::max(largest, std::abs(v));
        }
    }
    for (Vector& row : m) {
        for (double& v : row) {
            v = largest > 0 && std::isfinite(largest) ? v / largest : v;
        }
    }
    return m;
}

// The eigenvalues of a symmetric matrix, found in closed form (the symmetric 3x3 case).
Vector Eigenvalues(const Matrix& g) {
    const double q = (g[0][0] + g[1][1] + g[2][2]) / 3;
    const double off = g[0][1] * g[0][1] + g[0][2] * g[0][2] + g[1][2] * g[1][2];
    const double p = std::sqrt(((g[0][0] - q) * (g[0][0] - q) + (g[1][1] - q) * (g[1][1] - q) +
                                (g[2][2] - q) * (g[2][2] - q) + 2 * off) /
                               6);
    if (p == 0) {
        return {q, q, q};
    }
    Matrix b = g;
    for (size_t i = 0; i < 3; ++i) {
        b[i][i] -= q;
    }
    const double det = b[0][0] * (b[1][1] * b[2][2] - b[1][2] * b[2][1]) -
                       b[0][1] * (b[1][0] * b[2][2] - b[1][2] * b[2][0]) +
                       b[0][2] * (b[1][0] * b[2][1] - b[1][1] * b[2][0]);
    const double angle = std::acos(std::clamp(det / (2 * p * p * p), -1.0, 1.0)) / 3;
    const double largest = q + 2 * p * Cosine(angle);
    const double smallest = q + 2 * p * Cosine(angle + 2 * std::numbers::pi / 3);
    return {largest, 3 * q - largest - smallest, smallest};
}

// The half-extents of the ellipsoid the matrix makes of a unit sphere (its singular values), in
// proportion: a sheared shape can give all three axes one length and still be uneven.
Vector HalfExtentsInProportion(const Matrix& m) {
    const Matrix n = Normalized(m);
    Vector extents = Eigenvalues(Multiply(Transposed(n), n));
    for (double& e : extents) {
        e = std::sqrt(std::max(e, 0.0));
    }
    return extents;
}

// A radius is a size: the magnitude of a mirrored object's negative scale.
Text Magnitude(Text number) {
    const size_t sign = number.find_first_not_of(u' ');
    if (sign != Text::npos && number[sign] == u'-') {
        number.erase(sign, 1);
    }
    return number;
}

// "<a, b, c>". Built on a text of its own: GCC 12 at -O3 takes a chain that begins with a literal
// for an overlapping copy (a false -Wrestrict).
Text VectorText(const Text& a, const Text& b, const Text& c) {
    Text vector = u"<";
    vector += a + u", " + b + u", " + c + u">";
    return vector;
}

// A piece of the export as the include writes it: 0 for one that is not a number.
Text Written(const Text& piece) {
    return IsPovNumber(piece) ? piece : Text(u"0");
}

// Writes computed numbers rounded to three decimals ("-0.000" as "0.000"), and 0 for one that
// POV-Ray could not read: not finite, or longer than it takes a number.
class Rounder {
  public:
    Text operator()(double value) {
        char digits[400];
        const auto [end, error] =
            std::to_chars(digits, std::end(digits), value, std::chars_format::fixed, 3);
        Text text = error == std::errc() ? Text(digits, end) : Text();
        if (text == u"-0.000") {
            text = u"0.000";
        }
        if (!NumberValue(text)) {
            unreadable = true;
            return u"0";
        }
        return text;
    }

    Text Of(const Vector& v) { return VectorText((*this)(v[0]), (*this)(v[1]), (*this)(v[2])); }

    bool unreadable = false;  // some number was written as 0
};

// A component's shape from its matrix: along the axes, its half-extents (the lengths of the
// matrix's rows); turned, the matrix as POV-Ray takes one, row vectors: its rows are where the axes
// go, our matrix's columns. `noVolume` when the shape as written has a half-extent under 0.0005.
Text ShapeOf(const Matrix& m, Rounder& round, bool& noVolume) {
    const Matrix n = Normalized(m);
    const Matrix g = Multiply(n, Transposed(n));
    const double largest = std::max({g[0][0], g[1][1], g[2][2]});
    const double off = std::max({std::abs(g[0][1]), std::abs(g[0][2]), std::abs(g[1][2])});
    if (off <= ShapeTolerance * largest) {
        const Text a = round(std::hypot(m[0][0], m[0][1], m[0][2]));
        const Text b = round(std::hypot(m[1][0], m[1][1], m[1][2]));
        const Text c = round(std::hypot(m[2][0], m[2][1], m[2][2]));
        noVolume = !HasVolumeAlongAxes({a, b, c});
        return u"scale " + VectorText(a, b, c) + u" * sf";
    }
    std::array<Text, 9> numbers;
    Text list;
    for (size_t axis = 0; axis < 3; ++axis) {
        for (size_t r = 0; r < 3; ++r) {
            numbers[3 * axis + r] = round(m[r][axis]);
            list += numbers[3 * axis + r] + u", ";
        }
    }
    noVolume = !HasVolume({numbers[0], numbers[1], numbers[2], numbers[3], numbers[4], numbers[5],
                           numbers[6], numbers[7], numbers[8]});
    return u"matrix <" + list + u"0, 0, 0> scale sf";
}

Text TranslationText(const ObjectRow& row) {
    return VectorText(Written(row.translation.x), Written(row.translation.y),
                      Written(row.translation.z));
}

// The row's own Transform, inside those it stands in unless it is placed at the top level.
Affine WorldOf(const ObjectRow& row, bool topLevel) {
    const Affine own = TransformMatrix(row.values);
    return topLevel ? own : Compose(row.around, own);
}

// A value of the row's own Transform is unreadable, or (below the top level) one of a Transform
// it stands in.
bool HasUnreadableValue(const ObjectRow& row, bool topLevel) {
    return !row.values.readable || !row.values.rotationReadable ||
           (!topLevel && row.aroundUnreadable);
}

void PlaceSweep(ObjectRow& row, bool topLevel) {
    Placement& placed = row.placed;
    if (topLevel) {
        placed.point = TranslationText(row);
        placed.radius = Magnitude(Written(row.scale.x));
        placed.unreadable = !IsPovNumber(row.translation.x) || !IsPovNumber(row.translation.y) ||
                            !IsPovNumber(row.translation.z) || !IsPovNumber(row.scale.x);
        placed.uneven = row.values.readable && IsUneven(row.values.scale, SweepTolerance);
        return;
    }
    Rounder round;
    const Affine world = WorldOf(row, false);
    const Matrix& m = world.linear;
    placed.point = round.Of(world.translation);
    placed.radius = round(std::hypot(m[0][0], m[1][0], m[2][0]));  // the length of its x axis
    placed.unreadable = round.unreadable || HasUnreadableValue(row, false);
    placed.uneven = !placed.unreadable && IsUneven(HalfExtentsInProportion(m), SweepTolerance);
}

void PlaceBlob(ObjectRow& row, bool topLevel) {
    Placement& placed = row.placed;
    const TransformValues& values = row.values;
    const Vector3Text& scale = row.scale;
    if (topLevel && (IsAxisTurn(values) || !IsUneven(values.scale, ShapeTolerance))) {
        // Half-extents along the export's x, y and z: the scale's x, z and y.
        const Text a = Written(scale.x);
        const Text b = Written(scale.z);
        const Text c = Written(scale.y);
        placed.point = TranslationText(row);
        placed.shape = u"scale " + VectorText(a, b, c) + u" * sf";
        placed.unreadable = !values.readable;
        placed.noVolume = !HasVolumeAlongAxes({a, b, c});
        return;
    }
    Rounder round;
    const Affine world = WorldOf(row, topLevel);
    placed.point = topLevel ? TranslationText(row) : round.Of(world.translation);
    placed.shape = ShapeOf(world.linear, round, placed.noVolume);
    placed.unreadable = round.unreadable || HasUnreadableValue(row, topLevel);
}

bool IsTooDeep(const ObjectRow& row) {
    return row.placed.tooDeep;
}

bool HasNoVolume(const ObjectRow& row) {
    return row.placed.noVolume;
}

}  // namespace

void PlaceObjects(ObjectTable& table) {
    for (ObjectRow& row : StoredRows(table)) {
        const bool topLevel = table.flat || row.depth == 0;
        row.placed = Placement();
        if (row.deeperThanKept && !table.flat) {
            row.placed.tooDeep = true;
        } else if (IsSweep(row.name)) {
            PlaceSweep(row, topLevel);
        } else {
            PlaceBlob(row, topLevel);
        }
    }
    const std::span<const ObjectRow> rows = StoredRows(std::as_const(table));
    table.sweepCount = std::ranges::count_if(rows, IsSweepPoint);
    table.blobCount = std::ranges::count_if(rows, IsBlobComponent);
    table.withoutVolume = std::ranges::count_if(rows, HasNoVolume);
    table.tooDeep = std::ranges::count_if(rows, IsTooDeep);
}

}  // namespace vex
