#include "text/text.h"

#include <algorithm>
#include <cstring>

namespace vex {

namespace {

constexpr char16_t Space = u' ';

// Clamps a 1-based start to a 0-based index in [0, length]; any start <= 1 is the beginning.
size_t StartIndex(TextView t, int64_t start) {
    if (start <= 1) {
        return 0;
    }
    const auto length = static_cast<uint64_t>(t.size());
    return static_cast<size_t>(std::min(static_cast<uint64_t>(start - 1), length));
}

// Clamps a count to [0, limit].
size_t ClampCount(int64_t n, size_t limit) {
    if (n <= 0) {
        return 0;
    }
    return static_cast<size_t>(std::min(static_cast<uint64_t>(n), static_cast<uint64_t>(limit)));
}

// Code units examined at once when looking for a unit block by block: a fixed-length loop that
// compilers turn into a few vector compares.
constexpr size_t SearchBlock = 32;

bool BlockHolds(const char16_t* block, char16_t unit) {
    uint16_t found = 0;
    for (size_t i = 0; i < SearchBlock; ++i) {
        found |= static_cast<uint16_t>(block[i] == unit);
    }
    return found != 0;
}

size_t FindUnitByBlocks(TextView t, char16_t unit, size_t from) {
    while (from + SearchBlock <= t.size() && !BlockHolds(t.data() + from, unit)) {
        from += SearchBlock;
    }
    return t.find(unit, from);
}

// A search for one byte of `unit`'s storage, with memchr, the fastest search the C library has;
// each byte it finds is a candidate that the whole unit must confirm. The byte taken is the
// low-order one (the high-order one when that is 0), which in a text of one script is rare
// wherever the unit itself does not occur. Should candidates keep failing all the same (in
// a text of code units that share that byte), the search goes on block by block. Searching by
// blocks alone is simpler but half as fast on long lines (about 21 against 47 GB/s here), enough
// to make converting an export of many mid-sized meshes cost more than twice reading it.
size_t FindUnit(TextView t, char16_t unit, size_t from) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(t.data());
    const unsigned char low = static_cast<unsigned char>(unit & 0xFF);
    const unsigned char wanted = low != 0 ? low : static_cast<unsigned char>(unit >> 8);
    unsigned char representation[sizeof unit];
    std::memcpy(representation, &unit, sizeof unit);
    const size_t lane = representation[0] == wanted ? 0 : 1;
    const size_t size = t.size() * sizeof unit;
    for (int misses = 0; from < t.size() && misses < 16; ++misses) {
        const size_t at = from * sizeof unit + lane;
        const void* found = at < size ? std::memchr(bytes + at, wanted, size - at) : nullptr;
        if (found == nullptr) {
            return TextView::npos;
        }
        const auto offset = static_cast<size_t>(static_cast<const unsigned char*>(found) - bytes);
        const size_t index = offset / sizeof unit;
        if (offset % sizeof unit == lane && t[index] == unit) {
            return index;
        }
        // A byte found in the other half rules its unit out as well: in lane 0, memchr passed
        // over that unit's own first half; in lane 1, the unit's first half is `wanted`, which
        // the first half of `unit` is not.
        from = index + 1;
    }
    return FindUnitByBlocks(t, unit, from);
}

}  // namespace

int64_t TextLength(TextView t) {
    return static_cast<int64_t>(t.size());
}

int64_t FindText(TextView t, TextView s, int64_t start) {
    if (t.empty() || s.empty() || s.size() > t.size()) {
        return 0;
    }
    // Only the places where the needle's first unit occurs are compared in full. Needles are
    // short (a marker, a quote, a space), so this is linear in the length of t.
    const TextView starts = t.substr(0, t.size() - s.size() + 1);
    for (size_t at = StartIndex(t, start); at < starts.size(); ++at) {
        at = FindUnit(starts, s.front(), at);
        if (at == TextView::npos) {
            return 0;
        }
        if (t.compare(at, s.size(), s) == 0) {
            return static_cast<int64_t>(at) + 1;
        }
    }
    return 0;
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

}  // namespace vex
