// The classic way to a sine and cosine from basic arithmetic: the angle is brought into
// [-π/4, π/4] by taking off a multiple of π/2, held in three pieces short enough that each
// product with the multiple is exact, and there a polynomial fitted to the sine or cosine does the
// rest (the coefficients and the split of π/2 are those of the widely used fdlibm library).
// Everything is a plain double operation in a fixed order, so the result is the same bits
// wherever IEEE doubles are.
#include "conversion/trigonometry.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace vex {

namespace {

// π/2 as the sum of pieces of 33 bits each (the last piece 53), and what each leaves over.
constexpr double HalfPi1 = 0x1.921fb54400000p+0;
constexpr double HalfPi1Rest = 0x1.0b4611a626331p-34;
constexpr double HalfPi2 = 0x1.0b4611a600000p-34;
constexpr double HalfPi2Rest = 0x1.3198a2e037073p-69;
constexpr double HalfPi3 = 0x1.3198a2e000000p-69;
constexpr double HalfPi3Rest = 0x1.b839a252049c1p-104;
constexpr double TwoOverPi = 0x1.45f306dc9c883p-1;
constexpr double TwoPi = 0x1.921fb54442d18p+2;

// Below this the multiple of π/2 has at most 20 bits, so its products with the 33-bit pieces are
// exact.
constexpr double LargestReduced = 1e6;

// An angle as a multiple of π/2 (its quarter turns, 0 to 3) and what is left, head + tail, in
// [-π/4, π/4].
struct Reduced {
    int quarter = 0;
    double head = 0;
    double tail = 0;
};

// The exponent bits of a double: how many binary places a difference lost is told by them.
int Exponent(double value) {
    return static_cast<int>((std::bit_cast<uint64_t>(value) >> 52) & 0x7FF);
}

// One more piece of π/2 taken off the head, when the last step cancelled so many digits that the
// rest of π/2 it used is no longer exact enough: its rest replaces the one before.
double TakeOff(double& head, double fn, double piece, double rest) {
    const double before = head;
    const double taken = fn * piece;
    head = before - taken;
    return fn * rest - ((before - head) - taken);
}

Reduced Reduce(double angle) {
    if (angle > LargestReduced) {
        angle = std::fmod(angle, TwoPi);  // exact: the same number everywhere
    }
    if (angle <= 0x1.921fb54442d18p-1) {  // π/4
        return Reduced{0, angle, 0};
    }
    const double fn = std::floor(angle * TwoOverPi + 0.5);
    double head = angle - fn * HalfPi1;  // exact
    double rest = fn * HalfPi1Rest;
    double result = head - rest;
    if (Exponent(angle) - Exponent(result) > 16) {
        rest = TakeOff(head, fn, HalfPi2, HalfPi2Rest);
        result = head - rest;
        if (Exponent(angle) - Exponent(result) > 49) {
            rest = TakeOff(head, fn, HalfPi3, HalfPi3Rest);
            result = head - rest;
        }
    }
    return Reduced{static_cast<int>(fn) % 4, result, (head - result) - rest};
}

// The sine of x + y, |x| ≤ π/4, y tiny beside x.
double SineNearZero(double x, double y) {
    constexpr double S1 = -0x1.5555555555549p-3;
    constexpr double S2 = 0x1.111111110f8a6p-7;
    constexpr double S3 = -0x1.a01a019c161d5p-13;
    constexpr double S4 = 0x1.71de357b1fe7dp-19;
    constexpr double S5 = -0x1.ae5e68a2b9cebp-26;
    constexpr double S6 = 0x1.5d93a5acfd57cp-33;
    const double z = x * x;
    const double v = z * x;
    const double r = S2 + z * (S3 + z * (S4 + z * (S5 + z * S6)));
    return x - ((z * (0.5 * y - v * r) - y) - v * S1);
}

// The cosine of x + y, |x| ≤ π/4, y tiny beside x. Beyond 0.3 a part of 1 - z/2 is taken first,
// so that its rounding does not cost the last digit.
double CosineNearZero(double x, double y) {
    constexpr double C1 = 0x1.555555555554cp-5;
    constexpr double C2 = -0x1.6c16c16c15177p-10;
    constexpr double C3 = 0x1.a01a019cb1590p-16;
    constexpr double C4 = -0x1.27e4f809c52adp-22;
    constexpr double C5 = 0x1.1ee9ebdb4b1c4p-29;
    constexpr double C6 = -0x1.8fae9be8838d4p-37;
    const double z = x * x;
    const double r = z * (C1 + z * (C2 + z * (C3 + z * (C4 + z * (C5 + z * C6)))));
    const double size = std::fabs(x);
    if (size < 0.3) {
        return 1 - (0.5 * z - (z * r - x * y));
    }
    // x/4 with the low half of its bits cleared, or 0.28125 above 0.78125.
    const double quarter =
        size > 0.78125
            ? 0.28125
            : std::bit_cast<double>((std::bit_cast<uint64_t>(size) - (uint64_t{2} << 52)) &
                                    0xFFFFFFFF00000000u);
    return (1 - quarter) - ((0.5 * z - quarter) - (z * r - x * y));
}

}  // namespace

double Sine(double angle) {
    if (!std::isfinite(angle)) {
        return angle - angle;
    }
    const Reduced r = Reduce(std::fabs(angle));
    double sine = 0;
    switch (r.quarter) {
        case 0:
            sine = SineNearZero(r.head, r.tail);
            break;
        case 1:
            sine = CosineNearZero(r.head, r.tail);
            break;
        case 2:
            sine = -SineNearZero(r.head, r.tail);
            break;
        default:
            sine = -CosineNearZero(r.head, r.tail);
            break;
    }
    return angle < 0 ? -sine : sine;
}

double Cosine(double angle) {
    if (!std::isfinite(angle)) {
        return angle - angle;
    }
    const Reduced r = Reduce(std::fabs(angle));
    switch (r.quarter) {
        case 0:
            return CosineNearZero(r.head, r.tail);
        case 1:
            return -SineNearZero(r.head, r.tail);
        case 2:
            return -CosineNearZero(r.head, r.tail);
        default:
            return SineNearZero(r.head, r.tail);
    }
}

}  // namespace vex
