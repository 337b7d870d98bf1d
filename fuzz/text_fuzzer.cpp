// The text operations against plain reference versions that walk the text one position at a time,
// on random texts and on any start and count, the most negative and the largest 64-bit values
// included. The references compare positions and never add to a start or a count, so they cannot
// overflow whatever they are given.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "fuzz/fuzz_check.h"
#include "text/text.h"

namespace {

using vex::Text;

constexpr int64_t Min64 = std::numeric_limits<int64_t>::min();
constexpr int64_t Max64 = std::numeric_limits<int64_t>::max();

// Takes the fuzzer's bytes one decision at a time; zeros once they are used up.
class Bytes {
  public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Empty() const { return used_ >= size_; }

    uint8_t Next() { return used_ < size_ ? data_[used_++] : 0; }

    // Mostly the values at the edges, where the rules change, sometimes any value at all.
    int64_t Integer(int64_t length) {
        switch (Next() % 12) {
            case 0:
                return Min64;
            case 1:
                return Max64;
            case 2:
                return Min64 + 1;
            case 3:
                return Max64 - 1;
            case 4:
                return -1;
            case 5:
                return 0;
            case 6:
                return 1;
            case 7:
                return length + static_cast<int64_t>(Next() % 5) - 2;
            case 8:
                return static_cast<int8_t>(Next());
            default:
                return Raw();
        }
    }

    // A short text over characters that matter to the operations, now and then any code unit
    // but 0, which never occurs in a text.
    Text String() {
        static constexpr char16_t Alphabet[] = {u'a',   u'b',   u'S', u' ',     u'.', u'\\',
                                                u'/',   u'"',   u'|', u'\t',    u':', u'\xA0',
                                                0xD83D, 0xDE00, u'-', u'\xFFFF'};
        Text text;
        const size_t length = Next() % 24;
        for (size_t i = 0; i < length; ++i) {
            const uint8_t pick = Next();
            if (pick < 240) {
                text.push_back(Alphabet[pick % 16]);
            } else {
                const auto unit = static_cast<char16_t>(Next() << 8 | Next());
                text.push_back(unit == 0 ? u'z' : unit);
            }
        }
        return text;
    }

  private:
    int64_t Raw() {
        uint64_t value = 0;
        for (int i = 0; i < 8; ++i) {
            value = value << 8 | Next();
        }
        int64_t result = 0;
        std::memcpy(&result, &value, sizeof result);
        return result;
    }

    const uint8_t* data_;
    size_t size_;
    size_t used_ = 0;
};

int64_t Length(const Text& t) {
    return static_cast<int64_t>(t.size());
}

// The code unit at 1-based position pos.
char16_t At(const Text& t, int64_t pos) {
    return t[static_cast<size_t>(pos - 1)];
}

int64_t RefFind(const Text& t, const Text& s, int64_t start) {
    if (t.empty() || s.empty() || start > Length(t)) {
        return 0;
    }
    for (int64_t pos = start < 1 ? 1 : start; pos <= Length(t) - Length(s) + 1; ++pos) {
        int64_t same = 0;
        while (same < Length(s) && At(t, pos + same) == At(s, same + 1)) {
            ++same;
        }
        if (same == Length(s)) {
            return pos;
        }
    }
    return 0;
}

Text RefMid(const Text& t, int64_t start, int64_t n) {
    Text result;
    for (int64_t pos = 1; pos <= Length(t); ++pos) {
        if (pos >= start && Length(result) < n) {
            result.push_back(At(t, pos));
        }
    }
    return result;
}

Text RefMidToEnd(const Text& t, int64_t start) {
    Text result;
    for (int64_t pos = 1; pos <= Length(t); ++pos) {
        if (pos >= start) {
            result.push_back(At(t, pos));
        }
    }
    return result;
}

Text RefLeft(const Text& t, int64_t n) {
    Text result;
    for (int64_t pos = 1; pos <= Length(t) && pos <= n; ++pos) {
        result.push_back(At(t, pos));
    }
    return result;
}

Text RefTrim(const Text& t) {
    int64_t first = 1;
    while (first <= Length(t) && At(t, first) == u' ') {
        ++first;
    }
    int64_t last = Length(t);
    while (last >= first && At(t, last) == u' ') {
        --last;
    }
    Text result;
    for (int64_t pos = first; pos <= last; ++pos) {
        result.push_back(At(t, pos));
    }
    return result;
}

Text RefDecimal(int64_t v) {
    const std::string digits = std::to_string(v);
    return Text(digits.begin(), digits.end());
}

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

size_t PartStart(const Text& p) {
    return !p.empty() && p[0] == u'"' ? 1 : 0;
}

Text RefPathPart(const Text& p) {
    size_t end = 0;  // one past the last separator met before the first vertical bar
    for (size_t i = 0; i < p.size() && p[i] != u'|'; ++i) {
        end = IsSeparator(p[i]) ? i + 1 : end;
    }
    const size_t begin = PartStart(p);
    return end > begin ? p.substr(begin, end - begin) : Text();
}

Text RefFilePart(const Text& p) {
    size_t begin = PartStart(p);
    for (size_t i = 0; i < p.size(); ++i) {
        begin = IsSeparator(p[i]) ? i + 1 : begin;
    }
    size_t end = begin;
    while (end < p.size() && p[end] != u'"') {
        ++end;
    }
    return p.substr(begin, end - begin);
}

bool RefEquals(const Text& a, const Text& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

void CheckOne(Bytes& in) {
    const Text t = in.String();
    const Text s = in.String();
    const int64_t a = in.Integer(Length(t));
    const int64_t b = in.Integer(Length(t));
    switch (in.Next() % 10) {
        case 0:
            FUZZ_CHECK(vex::TextLength(t) == Length(t));
            break;
        case 1:
            FUZZ_CHECK(vex::FindText(t, s, a) == RefFind(t, s, a));
            break;
        case 2:
            FUZZ_CHECK(vex::FindText(t, s) == RefFind(t, s, 1));
            break;
        case 3:
            FUZZ_CHECK(vex::MidText(t, a, b) == RefMid(t, a, b));
            break;
        case 4:
            FUZZ_CHECK(vex::MidText(t, a) == RefMidToEnd(t, a));
            break;
        case 5:
            FUZZ_CHECK(vex::LeftText(t, a) == RefLeft(t, a));
            break;
        case 6:
            FUZZ_CHECK(vex::TrimText(t) == RefTrim(t));
            break;
        case 7:
            FUZZ_CHECK(vex::DecimalText(a) == RefDecimal(a));
            break;
        case 8:
            FUZZ_CHECK(vex::PathPart(t) == RefPathPart(t));
            FUZZ_CHECK(vex::FilePart(t) == RefFilePart(t));
            break;
        default:
            FUZZ_CHECK(vex::TextEquals(t, s) == RefEquals(t, s));
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Bytes in(data, size);
    do {
        CheckOne(in);
    } while (!in.Empty());
    return 0;
}
