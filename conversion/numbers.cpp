#include "conversion/numbers.h"

#include <charconv>
#include <cmath>
#include <string>

namespace vex {

namespace {

// POV-Ray refuses a token of 256 characters or more ("String too long").
constexpr size_t LongestNumber = 255;

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Moves past a run of digits; the number of digits passed.
size_t SkipDigits(TextView t, size_t& i) {
    const size_t from = i;
    while (i < t.size() && IsDigit(t[i])) {
        ++i;
    }
    return i - from;
}

void SkipSign(TextView t, size_t& i) {
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        ++i;
    }
}

}  // namespace

bool IsPovNumber(TextView piece) {
    const Text trimmed = TrimText(piece);
    const TextView t = trimmed;
    size_t i = 0;
    SkipSign(t, i);
    size_t digits = SkipDigits(t, i);
    if (i < t.size() && t[i] == u'.') {
        ++i;
        digits += SkipDigits(t, i);
    }
    if (digits == 0) {
        return false;
    }
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        SkipSign(t, i);
        if (SkipDigits(t, i) == 0) {
            return false;
        }
    }
    return i == t.size();
}

std::optional<double> NumberValue(TextView piece) {
    const Text trimmed = TrimText(piece);
    if (trimmed.size() > LongestNumber || !IsPovNumber(trimmed)) {
        return std::nullopt;
    }
    // from_chars takes no plus sign; every other character is ASCII.
    const std::string ascii(trimmed.begin() + (trimmed[0] == u'+' ? 1 : 0), trimmed.end());
    double value = 0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (error == std::errc::result_out_of_range && ascii.find('-', 1) != std::string::npos) {
        // A negative exponent: too small for a double, not too large (255 characters cannot
        // write 1e308 over a negative power of ten). POV-Ray reads it as 0.
        return 0.0;
    }
    if (error != std::errc() || end != ascii.data() + ascii.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

Text CutNumber(TextView piece) {
    if (!NumberValue(piece)) {
        return Text();
    }
    const size_t exponent = piece.find_first_of(u"eE");
    const TextView mantissa = piece.substr(0, exponent);
    const int64_t point = FindText(mantissa, u".");
    Text cut = point == 0 ? Text(mantissa) : LeftText(mantissa, point + 3);
    if (exponent != TextView::npos) {
        cut += piece.substr(exponent);
    }
    return cut;
}

}  // namespace vex
