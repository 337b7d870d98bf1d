// Plain versions of the rules, for the tests and the fuzz targets to hold the real operations
// against: they walk their input one byte or one code unit at a time, compare positions and never
// add to a start or a count, so they cannot overflow whatever they are given.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace vex::reference {

// LF, CR, CR LF and a zero byte each end a line; bytes after the last line end make one more line.
inline std::vector<std::string> SplitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::string current;
    bool pending = false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\n' || c == '\r' || c == '\0') {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
            lines.push_back(current);
            current.clear();
            pending = false;
        } else {
            current.push_back(c);
            pending = true;
        }
    }
    if (pending) {
        lines.push_back(current);
    }
    return lines;
}

// Each byte decoded on its own: in a single-byte code page, the characters of a line.
inline Text DecodeEachByte(std::string_view bytes) {
    Text text;
    for (const char byte : bytes) {
        text += DecodeAnsi(std::string(1, byte));
    }
    return text;
}

inline int64_t Length(const Text& t) {
    return static_cast<int64_t>(t.size());
}

// The code unit at 1-based position pos.
inline char16_t At(const Text& t, int64_t pos) {
    return t[static_cast<size_t>(pos - 1)];
}

inline int64_t Find(const Text& t, const Text& s, int64_t start) {
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

inline Text Mid(const Text& t, int64_t start, int64_t n) {
    Text result;
    for (int64_t pos = 1; pos <= Length(t); ++pos) {
        if (pos >= start && Length(result) < n) {
            result.push_back(At(t, pos));
        }
    }
    return result;
}

inline Text MidToEnd(const Text& t, int64_t start) {
    Text result;
    for (int64_t pos = 1; pos <= Length(t); ++pos) {
        if (pos >= start) {
            result.push_back(At(t, pos));
        }
    }
    return result;
}

inline Text Left(const Text& t, int64_t n) {
    Text result;
    for (int64_t pos = 1; pos <= Length(t) && pos <= n; ++pos) {
        result.push_back(At(t, pos));
    }
    return result;
}

inline Text Trim(const Text& t) {
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

inline Text Decimal(int64_t v) {
    const std::string digits = std::to_string(v);
    return Text(digits.begin(), digits.end());
}

inline bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

inline size_t PartStart(const Text& p) {
    return !p.empty() && p[0] == u'"' ? 1 : 0;
}

inline Text PathPart(const Text& p) {
    size_t end = 0;  // one past the last separator met before the first vertical bar
    for (size_t i = 0; i < p.size() && p[i] != u'|'; ++i) {
        end = IsSeparator(p[i]) ? i + 1 : end;
    }
    const size_t begin = PartStart(p);
    return end > begin ? p.substr(begin, end - begin) : Text();
}

inline Text FilePart(const Text& p) {
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

inline bool Equals(const Text& a, const Text& b) {
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

}  // namespace vex::reference
