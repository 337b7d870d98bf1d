// Plain versions of the reading rules, for the tests and the fuzz targets to hold the real line
// file against: they walk their input one byte at a time.
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

}  // namespace vex::reference
