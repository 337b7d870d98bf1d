// The starter scene's camera. Everything is worked out with additions, multiplications, divisions,
// square roots and the platform-independent sine and cosine, which every platform rounds alike, so
// that the scene's bytes are the same wherever Vexlorin runs.
#include "conversion/framing.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "conversion/numbers.h"
#include "conversion/trigonometry.h"

namespace vex {

namespace {

// Where POV-Ray draws an object as it stands (see Framing::moved): a half-size between these, and
// coordinates no farther from the origin than FarthestDrawn nor than FarthestForSize half-sizes.
constexpr double SmallestDrawn = 0.005;
constexpr double LargestDrawn = 5e5;
constexpr double FarthestDrawn = 2e6;
constexpr double FarthestForSize = 1e5;

// The camera sees the pieces from 30° to the right of the front and 20° above it; the light shines
// from 20° to the left and 50° above.
constexpr double CameraTurn = 30;
constexpr double CameraRise = 20;
constexpr double LightTurn = -20;
constexpr double LightRise = 50;

double Radians(double degrees) {
    return degrees * std::numbers::pi / 180;
}

// Enough decimals to write a scene of this half-size to about a five-hundredth of it.
int DecimalsFor(double halfSize) {
    int decimals = 0;
    for (double unit = 1; unit > halfSize / 500 && decimals < 340; unit /= 10) {
        ++decimals;
    }
    return decimals;
}

bool DrawnInPlace(const Box& box, double halfSize) {
    double farthest = 0;
    for (size_t i = 0; i < 3; ++i) {
        farthest = std::max({farthest, std::abs(box.low[i]), std::abs(box.high[i])});
    }
    return halfSize >= SmallestDrawn && halfSize <= LargestDrawn && farthest <= FarthestDrawn &&
           farthest <= FarthestForSize * halfSize;
}

double Dot(const Vector& a, const Vector& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

Box BoxOf(const std::vector<Piece>& pieces) {
    Box box;
    for (size_t i = 0; i < 3; ++i) {
        Vector axis{};
        axis[i] = 1;
        for (size_t k = 0; k < pieces.size(); ++k) {
            const double high = Support(pieces[k], axis);
            axis[i] = -1;
            const double low = -Support(pieces[k], axis);
            axis[i] = 1;
            box.low[i] = k == 0 ? low : std::min(box.low[i], low);
            box.high[i] = k == 0 ? high : std::max(box.high[i], high);
        }
    }
    return box;
}

// Moves the pieces by -centre (as written) and scales them by a power of ten to a half-size
// between 0.5 and 5.
void Move(Framing& framing, std::vector<Piece>& pieces, const Vector& centre, double halfSize) {
    framing.moved = true;
    const int decimals = DecimalsFor(halfSize);
    for (size_t i = 0; i < 3; ++i) {
        framing.centre[i] = NumberValue(SceneNumber(centre[i], decimals)).value_or(centre[i]);
    }
    for (double size = halfSize; size >= 5 && framing.exponent > -300; size /= 10) {
        --framing.exponent;
    }
    for (double size = halfSize; size < 0.5 && framing.exponent < 300; size *= 10) {
        ++framing.exponent;
    }
    const double factor = NumberValue(u"1e" + DecimalText(framing.exponent)).value_or(1);
    for (Piece& piece : pieces) {
        for (size_t i = 0; i < 3; ++i) {
            piece.centre[i] = (piece.centre[i] - framing.centre[i]) * factor;
            for (double& v : piece.axes[i]) {
                v *= factor;
            }
        }
        piece.round *= factor;
    }
}

// The direction from a point turned `turn` degrees to the right of the front and `rise` above it.
Vector Direction(double turn, double rise) {
    const double across = Sine(Radians(turn)) * Cosine(Radians(rise));
    return {-across, Sine(Radians(rise)), -Cosine(Radians(turn)) * Cosine(Radians(rise))};
}

// Places the camera d back from the centre, towards `back`; `across` and `up` are the frame's
// axes. A point o (from the centre) lies d - o·back in front of the camera, and within the margin
// when |o·across| <= Filled·HalfWidth·(d - o·back), that is d >= o·(±across/(Filled·HalfWidth) +
// back), and likewise up: d is the largest reach of a piece along those four directions.
void PlaceCamera(Framing& framing, const std::vector<Piece>& pieces, const Vector& centre) {
    const double turn = Radians(CameraTurn);
    const double rise = Radians(CameraRise);
    const Vector back = Direction(CameraTurn, CameraRise);
    const Vector across = {Cosine(turn), 0, -Sine(turn)};
    const Vector up = {Sine(turn) * Sine(rise), Cosine(rise), Cosine(turn) * Sine(rise)};
    double distance = 0;
    for (const double side : {1.0, -1.0}) {
        for (const auto& [axis, half] : {std::pair{across, HalfWidth}, std::pair{up, HalfHeight}}) {
            Vector g;
            for (size_t i = 0; i < 3; ++i) {
                g[i] = side * axis[i] / (Filled * half) + back[i];
            }
            for (const Piece& piece : pieces) {
                distance = std::max(distance, Support(piece, g) - Dot(centre, g));
            }
        }
    }
    const Vector light = Direction(LightTurn, LightRise);
    for (size_t i = 0; i < 3; ++i) {
        framing.lookAt[i] = centre[i];
        framing.location[i] = centre[i] + distance * back[i];
        framing.light[i] = centre[i] + 4 * distance * light[i];
    }
}

// The box's centre, and its largest half-size.
double CentreOf(const Box& box, Vector& centre) {
    double halfSize = 0;
    for (size_t i = 0; i < 3; ++i) {
        centre[i] = box.low[i] / 2 + box.high[i] / 2;
        halfSize = std::max(halfSize, box.high[i] / 2 - box.low[i] / 2);
    }
    return halfSize;
}

}  // namespace

Framing FramePieces(const std::vector<Piece>& pieces) {
    Framing framing;
    std::vector<Piece> seen = pieces;  // where the scene has them
    Vector centre;
    double halfSize = CentreOf(BoxOf(seen), centre);
    if (!(halfSize > 0)) {  // nothing of any size: a box of size 1 stands in
        seen = {Piece{centre, {{{0.5, 0, 0}, {0, 0.5, 0}, {0, 0, 0.5}}}, true}};
        halfSize = 0.5;
    }
    if (!DrawnInPlace(BoxOf(seen), halfSize)) {
        Move(framing, seen, centre, halfSize);
        halfSize = CentreOf(BoxOf(seen), centre);
    }
    framing.box = BoxOf(seen);
    PlaceCamera(framing, seen, centre);
    framing.ground = framing.box.low[1];
    framing.decimals = DecimalsFor(halfSize);
    return framing;
}

Text SceneNumber(double value, int decimals) {
    char digits[64];
    char* const last = std::end(digits) - 4;  // a fixed number longer than 60 characters fails
    std::to_chars_result written{digits, std::errc::value_too_large};
    if (std::abs(value) < 1e15) {
        written = decimals > 17
                      ? std::to_chars(digits, last, value, std::chars_format::fixed)
                      : std::to_chars(digits, last, value, std::chars_format::fixed, decimals);
    }
    if (written.ec != std::errc()) {
        written = std::to_chars(digits, std::end(digits), value);
    }
    Text text(digits, written.ec == std::errc() ? written.ptr : digits);
    if (text.find_first_not_of(u"-0.") == Text::npos && text.starts_with(u'-')) {
        text.erase(0, 1);
    }
    return text;
}

}  // namespace vex
