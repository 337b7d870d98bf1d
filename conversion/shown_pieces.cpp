// The pieces of what an include shows, read from the texts the placement wrote for it: the
// numbers POV-Ray will read, so that the scene frames what POV-Ray draws.
#include "conversion/shown_pieces.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "conversion/numbers.h"

namespace vex {

namespace {

// The include's shape numbers are multiplied by sf, which it declares as 2.0, and its blob's
// surface lies where the components' fields, each 1 - (r/R)² squared within its ellipsoid, sum to
// th, which it declares as 0.5.
constexpr double Sf = 2.0;
constexpr double Th = 0.5;

// Beyond this a piece's numbers are clamped, so that sums of two stay finite.
constexpr double Huge = 1e300;

// The numbers of the first "<...>" of a text the placement wrote; a piece that is not a finite
// number counts as 0.
std::vector<double> Numbers(const Text& text) {
    std::vector<double> numbers;
    const size_t open = text.find(u'<');
    const size_t close = text.find(u'>', open);
    if (open == Text::npos || close == Text::npos) {
        return numbers;
    }
    for (size_t start = open + 1; start <= close;) {
        size_t end = std::min(text.find(u',', start), close);
        numbers.push_back(NumberValue(TextView(text).substr(start, end - start)).value_or(0));
        start = end + 1;
    }
    return numbers;
}

Vector PointOf(const ObjectRow& row) {
    const std::vector<double> n = Numbers(row.placed.point);
    return n.size() == 3 ? Vector{n[0], n[1], n[2]} : Vector{};
}

// The ellipsoid a component's shape makes of the unit sphere, at the origin. "scale <a, b, c> *
// sf" has the half-axes a·sf, b·sf, c·sf along x, y and z; "matrix <...> scale sf" takes x to its
// first three numbers, y to the next three and z to the three after them, each times sf.
Piece Shape(const ObjectRow& row) {
    const std::vector<double> n = Numbers(row.placed.shape);
    Piece piece;
    for (size_t axis = 0; axis < 3; ++axis) {
        for (size_t r = 0; r < 3; ++r) {
            const bool along = n.size() == 3 && r == axis;
            piece.axes[r][axis] = n.size() == 12 ? n[3 * axis + r] * Sf : along ? n[r] * Sf : 0;
        }
    }
    return piece;
}

// A cubic spline's stretch between the middle two of four control points weighs them with
// Catmull-Rom's weights, which sum to 1 and of which the negative ones sum to at most 1/8 (at the
// stretch's middle): along any axis the stretch stays within 1/8 of the four points' spread beyond
// them, and its radius within 1/8 of their radii's spread above the largest.
Piece Stretch(const std::vector<const ObjectRow*>& points, size_t first) {
    Vector low = PointOf(*points[first]);
    Vector high = low;
    double least = Huge;
    double most = 0;
    for (size_t k = first; k < first + 4; ++k) {
        const Vector p = PointOf(*points[k]);
        for (size_t i = 0; i < 3; ++i) {
            low[i] = std::min(low[i], p[i]);
            high[i] = std::max(high[i], p[i]);
        }
        const double radius = std::abs(NumberValue(points[k]->placed.radius).value_or(0));
        least = std::min(least, radius);
        most = std::max(most, radius);
    }
    Piece piece{{}, {}, true, most + (most - least) / 8};
    for (size_t i = 0; i < 3; ++i) {
        piece.centre[i] = low[i] / 2 + high[i] / 2;
        piece.axes[i][i] = (high[i] / 2 - low[i] / 2) * (1 + 2.0 / 8);
    }
    return piece;
}

// The sweep's control points as the include writes them: the first and last twice.
void AddSweep(std::vector<Piece>& pieces, std::vector<const ObjectRow*> points) {
    points.insert(points.begin(), points.front());
    points.push_back(points.back());
    if (points.size() < 4) {  // one point: its sphere
        const double r = std::abs(NumberValue(points[0]->placed.radius).value_or(0));
        pieces.push_back(Piece{PointOf(*points[0]), {}, false, r});
    }
    for (size_t first = 0; first + 4 <= points.size(); ++first) {
        pieces.push_back(Stretch(points, first));
    }
}

// Where the fields of n components sum to th, one of them is at least th/n: the surface lies
// within this share of the components' ellipsoids.
double SurfaceShare(const ObjectTable& table) {
    const auto rows = StoredRows(table);
    const auto n = static_cast<double>(std::count_if(rows.begin(), rows.end(), IsBlobComponent));
    return n > 0 ? std::sqrt(1 - std::sqrt(Th / n)) : 1;
}

// Clamped, so that sums of two stay finite; a number that is not counts as 0.
double Tame(double value) {
    return std::isnan(value) ? 0 : std::clamp(value, -Huge, Huge);
}

// The length of (a, b, c), without overflow on the way.
double Length(double a, double b, double c) {
    const double largest = std::max({std::abs(a), std::abs(b), std::abs(c)});
    if (!(largest > 0) || !std::isfinite(largest)) {
        return largest;
    }
    a /= largest;
    b /= largest;
    c /= largest;
    return largest * std::sqrt(a * a + b * b + c * c);
}

}  // namespace

std::vector<Piece> ShownPieces(const ObjectTable& table) {
    const double share = SurfaceShare(table);
    std::vector<const ObjectRow*> points;
    std::vector<Piece> pieces;
    for (const ObjectRow& row : StoredRows(table)) {
        if (IsBlobComponent(row)) {
            Piece piece = Shape(row);
            piece.centre = PointOf(row);
            for (Vector& axis : piece.axes) {
                for (double& v : axis) {
                    v *= share;
                }
            }
            pieces.push_back(piece);
        } else if (IsSweepPoint(row)) {
            points.push_back(&row);
        }
    }
    if (pieces.empty() && !points.empty()) {
        AddSweep(pieces, points);
    }
    for (Piece& piece : pieces) {
        piece.round = Tame(piece.round);
        for (size_t i = 0; i < 3; ++i) {
            piece.centre[i] = Tame(piece.centre[i]);
            for (double& v : piece.axes[i]) {
                v = Tame(v);
            }
        }
    }
    return pieces;
}

double Support(const Piece& piece, const Vector& g) {
    Vector along;  // g in the piece's own axes
    for (size_t c = 0; c < 3; ++c) {
        along[c] = piece.axes[0][c] * g[0] + piece.axes[1][c] * g[1] + piece.axes[2][c] * g[2];
    }
    const double reach = piece.box ? std::abs(along[0]) + std::abs(along[1]) + std::abs(along[2])
                                   : Length(along[0], along[1], along[2]);
    return piece.centre[0] * g[0] + piece.centre[1] * g[1] + piece.centre[2] * g[2] + reach +
           piece.round * Length(g[0], g[1], g[2]);
}

}  // namespace vex
