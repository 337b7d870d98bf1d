// The system's ANSI code page (CP_ACP), converted by Windows itself with flags 0: what Windows
// makes of a byte or a character is what the program reads and writes.
#include <windows.h>

#include <algorithm>

#include "text/text.h"

namespace vex {

namespace {

// The conversion calls count in int; longer runs go in pieces of this size.
constexpr size_t PieceSize = size_t{1} << 30;

void AppendPiece(std::string_view bytes, Text& into) {
    const int n = static_cast<int>(bytes.size());
    const int units = MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, nullptr, 0);
    if (units <= 0) {
        return;
    }
    const size_t start = into.size();
    into.resize(start + static_cast<size_t>(units));
    auto* out = reinterpret_cast<wchar_t*>(into.data() + start);
    const int made = MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, out, units);
    into.resize(start + static_cast<size_t>(std::max(made, 0)));
}

void AppendEncodedPiece(TextView t, std::string& into) {
    const auto* units = reinterpret_cast<const wchar_t*>(t.data());
    const int n = static_cast<int>(t.size());
    const int bytes = WideCharToMultiByte(CP_ACP, 0, units, n, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return;
    }
    const size_t start = into.size();
    into.resize(start + static_cast<size_t>(bytes));
    const int made =
        WideCharToMultiByte(CP_ACP, 0, units, n, into.data() + start, bytes, nullptr, nullptr);
    into.resize(start + static_cast<size_t>(std::max(made, 0)));
}

}  // namespace

Text DecodeAnsi(std::string_view bytes) {
    Text result;
    for (size_t at = 0; at < bytes.size(); at += PieceSize) {
        AppendPiece(bytes.substr(at, PieceSize), result);
    }
    return result;
}

std::string EncodeAnsi(TextView t) {
    std::string result;
    for (size_t at = 0; at < t.size(); at += PieceSize) {
        AppendEncodedPiece(t.substr(at, PieceSize), result);
    }
    return result;
}

}  // namespace vex
