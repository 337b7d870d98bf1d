// Where the include puts each object.
//
// The exporter gives a top-level object the turn of the modeller's axes into the export's
// (modeller x, y, z become export -x, z, y) as its rotation, and its scale in its own axes. So a
// top-level metaball's half-extents along the export's x, y and z are its scale's x, z and y:
// the include has always written top-level objects that way, their numbers copied from the
// export, cut as text. An object inside other Transforms (parented in the modeller) has values
// relative to them; it is placed by its world matrix, and its numbers are computed and rounded.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

#include "conversion/conversion.h"
#include "conversion/trigonometry.h"
#include "conversion/volume.h"

namespace vex {

namespace {

using Vector = std::array<double, 3>;
using Matrix = std::array<Vector, 3>;  // rows

// A metaball's ellipsoid lies along the axes, and a scale is even, within this share of its size.
constexpr double ShapeTolerance = 1e-4;

// A sweep point stretched by more than this share is no longer round.
constexpr double SweepTolerance = 0.01;

// The exporter's turn of the modeller's axes into the export's: x to -x, y to z, z to y.
constexpr Matrix AxisTurn = {{{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}}};

constexpr Matrix Identity = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};

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

// The turn by an angle (radians) about an axis, which need not be of unit length; no turn for an
// axis of length 0.
Matrix Rotation(const std::array<double, 4>& rotation) {
    const double length = std::hypot(rotation[0], rotation[1], rotation[2]);
    if (length == 0 || rotation[3] == 0) {
        return Identity;
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
// matrix's rows); turned, the matrix itself, whose rows (POV-Ray's matrices take row vectors) are
// where the axes go. `noVolume` when the shape as written has a half-extent under 0.0005.
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
    const Matrix& m = row.world.linear;
    placed.point = round.Of(row.world.translation);
    placed.radius = round(std::hypot(m[0][0], m[1][0], m[2][0]));  // the length of its x axis
    placed.unreadable = round.unreadable || row.worldUnreadable;
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
    const Affine world = topLevel ? TransformMatrix(values) : row.world;
    placed.point = topLevel ? TranslationText(row) : round.Of(world.translation);
    placed.shape = ShapeOf(world.linear, round, placed.noVolume);
    placed.unreadable = round.unreadable || (topLevel ? !values.readable || !values.rotationReadable
                                                      : row.worldUnreadable);
}

// The numbers of a value line's pieces into `into`; false when any is not a number (it counts
// as 0).
template <size_t N>
bool ReadNumbers(const Text& line, std::array<double, N>& into) {
    const std::vector<TextView> pieces = ValuePieces(line, N);
    bool readable = true;
    for (size_t i = 0; i < N; ++i) {
        const std::optional<double> value = NumberValue(pieces[i]);
        into[i] = value.value_or(0);
        readable = readable && value.has_value();
    }
    return readable;
}

}  // namespace

TransformValues ReadTransformValues(const Text& translation, const Text& scale,
                                    const Text& rotation) {
    TransformValues values;
    const bool translationRead = ReadNumbers(translation, values.translation);
    const bool scaleRead = ReadNumbers(scale, values.scale);
    values.readable = translationRead && scaleRead;
    std::array<double, 4> turn{};
    values.rotationReadable = ReadNumbers(rotation, turn);
    if (values.rotationReadable) {
        values.rotation = turn;
    }
    return values;
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

void PlaceObjects(ObjectTable& table) {
    table.sweepCount = 0;
    table.blobCount = 0;
    table.withoutVolume = 0;
    table.tooDeep = 0;
    for (int64_t i = 1; i <= table.rowCount; ++i) {
        ObjectRow& row = table.rows[static_cast<size_t>(i)];
        const bool topLevel = table.flat || row.depth == 0;
        if (row.deeperThanKept && !table.flat) {
            row.placed.tooDeep = true;
            ++table.tooDeep;
        } else if (IsSweep(row.name)) {
            PlaceSweep(row, topLevel);
            ++table.sweepCount;
        } else {
            PlaceBlob(row, topLevel);
            ++(row.placed.noVolume ? table.withoutVolume : table.blobCount);
        }
    }
}

}  // namespace vex
