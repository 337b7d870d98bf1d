// Windows-1252 serves as the ANSI code page where the system has none. Every byte maps to one
// character and back: the five bytes the code page leaves undefined map to the C1 controls of the
// same value, as Windows' own conversion does, so any input bytes survive a read and a write.
#include <algorithm>
#include <array>

#include "text/text.h"

namespace vex {

namespace {

// Characters of the bytes 0x80 to 0x9F; every other byte is the character of the same value.
constexpr std::array<char16_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

constexpr std::array<char16_t, 256> MakeDecodeTable() {
    std::array<char16_t, 256> table{};
    for (size_t byte = 0; byte < table.size(); ++byte) {
        const bool high = byte >= 0x80 && byte <= 0x9F;
        table[byte] = high ? HighControls[byte - 0x80] : static_cast<char16_t>(byte);
    }
    return table;
}

constexpr std::array<char16_t, 256> DecodeTable = MakeDecodeTable();

// The byte for a character, or '?' when the code page has none.
char EncodeOne(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<char>(c);
    }
    for (size_t i = 0; i < HighControls.size(); ++i) {
        if (HighControls[i] == c) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

}  // namespace

Text DecodeAnsi(std::string_view bytes) {
    Text result(bytes.size(), u'\0');
    std::transform(bytes.begin(), bytes.end(), result.begin(),
                   [](char byte) { return DecodeTable[static_cast<unsigned char>(byte)]; });
    return result;
}

std::string EncodeAnsi(TextView t) {
    std::string result;
    result.reserve(t.size());
    for (size_t i = 0; i < t.size(); ++i) {
        // A character outside the Basic Multilingual Plane is one character: one '?'.
        if (IsHighSurrogate(t[i]) && i + 1 < t.size() && IsLowSurrogate(t[i + 1])) {
            ++i;
        }
        result.push_back(EncodeOne(t[i]));
    }
    return result;
}

}  // namespace vex
