// Whether a blob component has volume, decided exactly. The include's numbers are decimals of
// any size (a parent scaled 1e200, a metaball 3000 long and 0.01 thin), and POV-Ray stops at a
// singular matrix: doubles overflow there, or cancel to a wrong sign. So the numbers are taken as
// whole multiples of one power of ten and the test needs only products and sums of whole numbers.
#include "conversion/volume.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "conversion/numbers.h"

namespace vex {

namespace {

// A whole number of any size, signed, with just the operations the test needs.
class Integer {
  public:
    Integer() = default;

    // The decimal digits followed by `zeros` zeros (zeros >= 0).
    Integer(const std::string& digits, int64_t zeros, bool negative) {
        for (size_t i = 0; i < digits.size(); i += 9) {
            const std::string chunk = digits.substr(i, 9);
            MultiplyAdd(PowerOfTen(chunk.size()), static_cast<uint32_t>(std::stoul(chunk)));
        }
        for (; zeros > 0; zeros -= 9) {
            MultiplyAdd(PowerOfTen(static_cast<size_t>(std::min<int64_t>(zeros, 9))), 0);
        }
        Normalize(negative);
    }

    bool IsNegative() const { return negative_; }

    friend Integer operator*(const Integer& a, const Integer& b) {
        Limbs product(a.limbs_.size() + b.limbs_.size(), 0);
        for (size_t i = 0; i < a.limbs_.size(); ++i) {
            uint64_t carry = 0;
            for (size_t j = 0; j < b.limbs_.size(); ++j) {
                const uint64_t t = product[i + j] + uint64_t{a.limbs_[i]} * b.limbs_[j] + carry;
                product[i + j] = static_cast<uint32_t>(t);
                carry = t >> 32;
            }
            product[i + b.limbs_.size()] = static_cast<uint32_t>(carry);
        }
        return Integer(std::move(product), a.negative_ != b.negative_);
    }

    friend Integer operator+(const Integer& a, const Integer& b) {
        if (a.negative_ == b.negative_) {
            return Integer(Sum(a.limbs_, b.limbs_), a.negative_);
        }
        return Compare(a.limbs_, b.limbs_) >= 0
                   ? Integer(Difference(a.limbs_, b.limbs_), a.negative_)
                   : Integer(Difference(b.limbs_, a.limbs_), b.negative_);
    }

    friend Integer operator-(const Integer& a, Integer b) {
        b.negative_ = !b.negative_;
        b.Normalize(b.negative_);
        return a + b;
    }

  private:
    using Limbs = std::vector<uint32_t>;  // base 2^32, the least significant first

    Integer(Limbs limbs, bool negative) : limbs_(std::move(limbs)) { Normalize(negative); }

    static uint32_t PowerOfTen(size_t n) {
        uint32_t power = 1;
        for (size_t i = 0; i < n; ++i) {
            power *= 10;
        }
        return power;
    }

    // this·factor + addend.
    void MultiplyAdd(uint32_t factor, uint32_t addend) {
        uint64_t carry = addend;
        for (uint32_t& limb : limbs_) {
            const uint64_t t = uint64_t{limb} * factor + carry;
            limb = static_cast<uint32_t>(t);
            carry = t >> 32;
        }
        if (carry != 0) {
            limbs_.push_back(static_cast<uint32_t>(carry));
        }
    }

    // No zero limb at the top, and no sign on 0.
    void Normalize(bool negative) {
        while (!limbs_.empty() && limbs_.back() == 0) {
            limbs_.pop_back();
        }
        negative_ = negative && !limbs_.empty();
    }

    static int Compare(const Limbs& a, const Limbs& b) {
        if (a.size() != b.size()) {
            return a.size() < b.size() ? -1 : 1;
        }
        for (size_t i = a.size(); i-- > 0;) {
            if (a[i] != b[i]) {
                return a[i] < b[i] ? -1 : 1;
            }
        }
        return 0;
    }

    static Limbs Sum(const Limbs& a, const Limbs& b) {
        Limbs sum(std::max(a.size(), b.size()) + 1, 0);
        uint64_t carry = 0;
        for (size_t i = 0; i < sum.size(); ++i) {
            const uint64_t t =
                (i < a.size() ? a[i] : 0) + uint64_t{i < b.size() ? b[i] : 0} + carry;
            sum[i] = static_cast<uint32_t>(t);
            carry = t >> 32;
        }
        return sum;
    }

    // a - b, for a at least b.
    static Limbs Difference(Limbs a, const Limbs& b) {
        int64_t borrow = 0;
        for (size_t i = 0; i < a.size(); ++i) {
            const int64_t t = int64_t{a[i]} - (i < b.size() ? b[i] : 0) - borrow;
            borrow = t < 0 ? 1 : 0;
            a[i] = static_cast<uint32_t>(t);  // modulo 2^32
        }
        return a;
    }

    Limbs limbs_;  // none for 0
    bool negative_ = false;
};

// A number as written: its digits times a power of ten.
struct Decimal {
    std::string digits;  // without leading zeros; empty for 0
    int64_t exponent = 0;
    bool negative = false;
};

// The exponent after "e", held far beyond any a finite, nonzero double can have.
int64_t ExponentOf(TextView t) {
    constexpr int64_t Far = 100000;
    int64_t exponent = 0;
    for (size_t i = t[0] == u'-' || t[0] == u'+' ? 1 : 0; i < t.size(); ++i) {
        exponent = std::min(exponent * 10 + (t[i] - u'0'), Far);
    }
    return t[0] == u'-' ? -exponent : exponent;
}

Decimal ReadDecimal(TextView piece) {
    Decimal d;
    const std::optional<double> value = NumberValue(piece);
    if (!value || *value == 0) {
        return d;
    }
    const Text t = TrimText(piece);
    d.negative = t[0] == u'-';
    bool afterPoint = false;
    size_t i = t[0] == u'-' || t[0] == u'+' ? 1 : 0;
    for (; i < t.size() && t[i] != u'e' && t[i] != u'E'; ++i) {
        if (t[i] == u'.') {
            afterPoint = true;
            continue;
        }
        if (!d.digits.empty() || t[i] != u'0') {
            d.digits += static_cast<char>(t[i]);
        }
        d.exponent -= afterPoint ? 1 : 0;
    }
    if (i < t.size()) {
        d.exponent += ExponentOf(TextView(t).substr(i + 1));
    }
    return d;
}

// Every principal minor of the symmetric h is 0 or more (for "semi-definite" the leading ones
// alone are not enough).
bool NoNegativePrincipalMinor(const Integer (&h)[3][3]) {
    for (size_t i = 0; i < 3; ++i) {
        const size_t j = (i + 1) % 3;
        if (h[i][i].IsNegative() || (h[i][i] * h[j][j] - h[i][j] * h[i][j]).IsNegative()) {
            return false;
        }
    }
    const Integer determinant = h[0][0] * (h[1][1] * h[2][2] - h[1][2] * h[1][2]) -
                                h[0][1] * (h[0][1] * h[2][2] - h[1][2] * h[0][2]) +
                                h[0][2] * (h[0][1] * h[1][2] - h[1][1] * h[0][2]);
    return !determinant.IsNegative();
}

}  // namespace

bool HasVolume(const std::array<TextView, 9>& matrix) {
    std::array<Decimal, 9> m;
    int64_t lowest = std::numeric_limits<int64_t>::max();
    for (size_t i = 0; i < 9; ++i) {
        m[i] = ReadDecimal(matrix[i]);
        lowest = m[i].digits.empty() ? lowest : std::min(lowest, m[i].exponent);
    }
    if (lowest == std::numeric_limits<int64_t>::max()) {
        return false;
    }
    // Each number a whole multiple a of 10^lowest, so G = A·Aᵀ·10^(2·lowest). With 0.0005² =
    // 25·10^-8, H = (G - 0.0005²·I)·10^-shift is whole for the shift below, and has the same signs.
    std::array<Integer, 9> a;
    for (size_t i = 0; i < 9; ++i) {
        if (!m[i].digits.empty()) {
            a[i] = Integer(m[i].digits, m[i].exponent - lowest, m[i].negative);
        }
    }
    const int64_t shift = std::min(2 * lowest, int64_t{-8});
    const Integer gScale("1", 2 * lowest - shift, false);
    const Integer threshold("25", -8 - shift, false);
    Integer h[3][3];
    for (size_t r = 0; r < 3; ++r) {
        for (size_t c = r; c < 3; ++c) {
            h[r][c] =
                (a[3 * r] * a[3 * c] + a[3 * r + 1] * a[3 * c + 1] + a[3 * r + 2] * a[3 * c + 2]) *
                gScale;
            h[r][c] = r == c ? h[r][c] - threshold : h[r][c];
            h[c][r] = h[r][c];
        }
    }
    return NoNegativePrincipalMinor(h);
}

bool HasVolumeAlongAxes(const std::array<TextView, 3>& halfExtents) {
    return HasVolume(
        {halfExtents[0], u"0", u"0", u"0", halfExtents[1], u"0", u"0", u"0", halfExtents[2]});
}

}  // namespace vex
