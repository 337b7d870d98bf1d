#include "text/text.h"

#include <algorithm>

namespace vex {

using detail::StartIndex;

namespace {

constexpr char16_t Space = u' ';

// Clamps a count to [0, limit].
size_t ClampCount(int64_t n, size_t limit) {
    if (n <= 0) {
        return 0;
    }
    return static_cast<size_t>(std::min(static_cast<uint64_t>(n), static_cast<uint64_t>(limit)));
}

// A character CleanName shows as "?" unless it is half of a surrogate pair.
bool IsSteering(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069) || IsHighSurrogate(c) || IsLowSurrogate(c);
}

}  // namespace

int64_t TextLength(TextView t) {
    return static_cast<int64_t>(t.size());
}

TextView MidView(TextView t, int64_t start, int64_t n) {
    const size_t from = StartIndex(t, start);
    return t.substr(from, ClampCount(n, t.size() - from));
}

TextView MidView(TextView t, int64_t start) {
    return t.substr(StartIndex(t, start));
}

TextView LeftView(TextView t, int64_t n) {
    return t.substr(0, ClampCount(n, t.size()));
}

Text MidText(TextView t, int64_t start, int64_t n) {
    return Text(MidView(t, start, n));
}

Text MidText(TextView t, int64_t start) {
    return Text(MidView(t, start));
}

Text LeftText(TextView t, int64_t n) {
    return Text(LeftView(t, n));
}

Text TrimText(TextView t) {
    const size_t first = t.find_first_not_of(Space);
    if (first == TextView::npos) {
        return Text();
    }
    const size_t last = t.find_last_not_of(Space);
    return Text(t.substr(first, last - first + 1));
}

Text DecimalText(int64_t v) {
    // The magnitude is taken in unsigned arithmetic, where negating the most negative value is
    // well defined.
    uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    char16_t digits[20];
    size_t used = 0;
    do {
        digits[19 - used++] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    Text result = v < 0 ? Text(u"-") : Text();
    result.append(digits + (20 - used), used);
    return result;
}

bool TextEquals(TextView a, TextView b) {
    return a == b;
}

Text CleanName(TextView name) {
    Text shown(name);
    for (size_t i = 0; i < shown.size(); ++i) {
        if (IsHighSurrogate(shown[i]) && i + 1 < shown.size() && IsLowSurrogate(shown[i + 1])) {
            ++i;
        } else if (IsSteering(shown[i])) {
            shown[i] = u'?';
        }
    }
    return shown;
}

}  // namespace vex
