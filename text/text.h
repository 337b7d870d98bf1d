// Text operations on UTF-16 texts with 1-based positions.
//
// Every operation is a plain function of its arguments: it never fails, never throws for an
// out-of-range start or count, and never changes its arguments. A position of 0 means "not
// found". Starts and counts may be any 64-bit value, however large or negative.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace vex {

using Text = std::u16string;
using TextView = std::u16string_view;

// The two halves of a surrogate pair, which together stand for one character outside the Basic
// Multilingual Plane.
inline bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
inline bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

namespace detail {

// Clamps a 1-based start to a 0-based index in [0, length]; any start <= 1 is the beginning.
inline size_t StartIndex(TextView t, int64_t start) {
    if (start <= 1) {
        return 0;
    }
    return static_cast<size_t>(std::min(static_cast<uint64_t>(start - 1), uint64_t{t.size()}));
}

}  // namespace detail

// Number of UTF-16 code units in t; 0 for the empty text. A surrogate pair counts as two.
int64_t TextLength(TextView t);

// Position of the first occurrence of s in t that begins at position max(start, 1) or later,
// counted from the beginning of t. 0 when there is none, when t or s is empty, or when
// start > TextLength(t). Overlapping matches: the leftmost wins ("aa" in "aaa" is at 1).
inline int64_t FindText(TextView t, TextView s, int64_t start = 1) {
    if (t.empty() || s.empty()) {
        return 0;
    }
    // Only where the first unit matches is the rest compared: needles are short (a marker, a
    // quote, a space), so this is linear in the length of t. Inline, so that a needle known where
    // it is called (as every one the scanner looks for) is compared as a few words.
    for (size_t at = detail::StartIndex(t, start); at + s.size() <= t.size(); ++at) {
        if (t[at] == s[0] && std::memcmp(t.data() + at, s.data(), s.size() * sizeof s[0]) == 0) {
            return static_cast<int64_t>(at) + 1;
        }
    }
    return 0;
}

// At most n code units of t beginning at position max(start, 1); fewer when t ends first.
// Empty when n <= 0 or start > TextLength(t).
Text MidText(TextView t, int64_t start, int64_t n);

// The code units of t from position max(start, 1) to its end: all of t for any start <= 1,
// empty for start > TextLength(t).
Text MidText(TextView t, int64_t start);

// The first min(n, TextLength(t)) code units of t; empty when n <= 0.
Text LeftText(TextView t, int64_t n);

// MidText and LeftText without the copy: views of the same code units, valid as long as the
// storage t views is. For cutting pieces out of a long line that is only looked at.
TextView MidView(TextView t, int64_t start, int64_t n);
TextView MidView(TextView t, int64_t start);
TextView LeftView(TextView t, int64_t n);

// t without its leading and trailing runs of spaces (U+0020 only: tabs, line ends and
// no-break spaces stay, and so do spaces inside). Empty when t is empty or all spaces.
Text TrimText(TextView t);

// v in decimal: a minus sign for negative values, no plus sign, no leading zeros, "0" for zero.
// The most negative value is written in full: -9223372036854775808.
Text DecimalText(int64_t v);

// True when a and b hold the same code units in the same order.
bool TextEquals(TextView a, TextView b);

// A name (of a file, a folder, an option) as the user is shown it. Names come from exports,
// folders and command lines anyone may have crafted, and a terminal or a message box takes some
// characters as commands: every character below U+0020 and from U+007F to U+009F (ESC sequences,
// a CR or LF that forges a line of its own, the C1 controls), the line and paragraph separators
// U+2028 and U+2029 (which a message box breaks lines at), the bidirectional controls U+061C,
// U+200E, U+200F, U+202A to U+202E and U+2066 to U+2069 (which reorder the text after them) and
// a lone surrogate (how a byte of a Linux file name that is not UTF-8 travels, which would reach
// the terminal as that raw byte) each become "?". Every other character, a surrogate pair among
// them, stays as it is, so an ordinary name comes out unchanged.
Text CleanName(TextView name);

// --- Conversions at the edges of the system -------------------------------------------------

// Bytes of the ANSI code page to text: every byte becomes exactly one character. On Windows this
// is the system's ANSI code page; elsewhere it is Windows-1252, where the five bytes the code
// page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value,
// so every byte survives a round trip.
Text DecodeAnsi(std::string_view bytes);

// Text to bytes of the ANSI code page. A character that has no byte in the code page becomes '?'
// (on Windows: whatever the system's conversion makes of it, a best-fit character or '?').
std::string EncodeAnsi(TextView t);

// UTF-8 to text and back, losslessly for any bytes: a byte that is not part of valid UTF-8
// travels as a lone surrogate U+DC80..U+DCFF and comes back as the same byte. This is how paths
// cross to and from a Linux file system, GTK and the terminal, so that no file name is lost.
Text FromUtf8(std::string_view utf8);
std::string ToUtf8(TextView t);

}  // namespace vex
