// The text operations against their plain versions (fuzz/reference_rules.h), on random texts and
// on any start and count, the most negative and the largest 64-bit values included.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "fuzz/fuzz_check.h"
#include "fuzz/reference_rules.h"
#include "text/text.h"

namespace {

using vex::Text;
using vex::reference::Length;
namespace ref = vex::reference;

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
            FUZZ_CHECK(vex::FindText(t, s, a) == ref::Find(t, s, a));
            break;
        case 2:
            FUZZ_CHECK(vex::FindText(t, s) == ref::Find(t, s, 1));
            break;
        case 3:
            FUZZ_CHECK(vex::MidText(t, a, b) == ref::Mid(t, a, b));
            break;
        case 4:
            FUZZ_CHECK(vex::MidText(t, a) == ref::MidToEnd(t, a));
            break;
        case 5:
            FUZZ_CHECK(vex::LeftText(t, a) == ref::Left(t, a));
            break;
        case 6:
            FUZZ_CHECK(vex::TrimText(t) == ref::Trim(t));
            break;
        case 7:
            FUZZ_CHECK(vex::DecimalText(a) == ref::Decimal(a));
            break;
        case 8:
            FUZZ_CHECK(vex::PathPart(t) == ref::PathPart(t));
            FUZZ_CHECK(vex::FilePart(t) == ref::FilePart(t));
            break;
        default:
            FUZZ_CHECK(vex::TextEquals(t, s) == ref::Equals(t, s));
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
