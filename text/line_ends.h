// Finding line ends (LF, CR, a zero byte) in the bytes of a fill, eight bytes a step. Shared by
// the line file's reading of every line and of the lines that hold a word, and inline, since both
// call it once or twice for every line.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace vex::detail {

inline bool IsLineEnd(char c) {
    return c == '\n' || c == '\r' || c == '\0';
}

constexpr uint64_t EveryByte(unsigned char byte) {
    return 0x0101010101010101ULL * byte;
}

// 0x80 in each byte of `word` that is zero, and 0 in every other: the low seven bits of a byte
// plus 0x7F reach its top bit unless they are all zero, and no carry crosses into the next byte.
inline uint64_t ZeroBytes(uint64_t word) {
    constexpr uint64_t Low7 = EveryByte(0x7F);
    return ~(((word & Low7) + Low7) | word | Low7);
}

// The line-ending bytes among the eight at `at`, flagged as ZeroBytes flags them.
inline uint64_t LineEndBytes(const char* at) {
    uint64_t word = 0;
    std::memcpy(&word, at, sizeof word);
    return ZeroBytes(word) | ZeroBytes(word ^ EveryByte('\n')) | ZeroBytes(word ^ EveryByte('\r'));
}

// The place, 0 to 7 in memory order, of the first and of the last byte flagged in `bytes`.
inline size_t FirstFlagged(uint64_t bytes) {
    const bool little = std::endian::native == std::endian::little;
    return static_cast<size_t>(little ? std::countr_zero(bytes) : std::countl_zero(bytes)) / 8;
}

inline size_t LastFlagged(uint64_t bytes) {
    const bool little = std::endian::native == std::endian::little;
    return 7 - static_cast<size_t>(little ? std::countl_zero(bytes) : std::countr_zero(bytes)) / 8;
}

// True when [from, to) holds no line end, told with memchr, which takes many bytes a step.
inline bool HoldsNoLineEnd(const char* from, const char* to) {
    const auto n = static_cast<size_t>(to - from);
    return std::memchr(from, '\n', n) == nullptr && std::memchr(from, '\r', n) == nullptr &&
           std::memchr(from, '\0', n) == nullptr;
}

// The first line-ending byte (LF, CR or zero) in [from, to), or `to`. One pass, eight bytes a
// step, however many line ends follow: a fill of zero bytes holds a line end in every byte.
inline const char* FindLineEnd(const char* from, const char* to) {
    for (; to - from >= 8; from += 8) {
        if (const uint64_t ends = LineEndBytes(from); ends != 0) {
            return from + FirstFlagged(ends);
        }
    }
    while (from != to && !IsLineEnd(*from)) {
        ++from;
    }
    return from;
}

// The last line-ending byte in [from, to), or null. Most fills of a long line hold none, which
// memchr tells fastest; a fill that holds one, and a short stretch, are searched from the end.
inline const char* FindLastLineEnd(const char* from, const char* to) {
    if (to - from > 64 && HoldsNoLineEnd(from, to)) {
        return nullptr;
    }
    for (; to - from >= 8; to -= 8) {
        if (const uint64_t ends = LineEndBytes(to - 8); ends != 0) {
            return to - 8 + LastFlagged(ends);
        }
    }
    while (to != from) {
        if (IsLineEnd(*--to)) {
            return to;
        }
    }
    return nullptr;
}

}  // namespace vex::detail
