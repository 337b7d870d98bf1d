#include "text/text.h"

namespace vex {

namespace {

// Bytes that are not valid UTF-8 travel as lone low surrogates, one per byte, so that any file
// name survives the trip through a Text.
constexpr char16_t EscapeBase = 0xDC00;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Length and smallest allowed value of a sequence that starts with `lead`; 0 for an invalid lead.
size_t SequenceLength(unsigned char lead, char32_t& minimum) {
    if (lead < 0x80) {
        minimum = 0;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        minimum = 0x80;
        return 2;
    }
    if ((lead & 0xF0) == 0xE0) {
        minimum = 0x800;
        return 3;
    }
    if ((lead & 0xF8) == 0xF0) {
        minimum = 0x10000;
        return 4;
    }
    return 0;
}

// Decodes one well-formed sequence at the start of bytes; returns its length, or 0 when the bytes
// there are not well-formed UTF-8 (overlong forms, surrogates and values past U+10FFFF included).
size_t DecodeOne(std::string_view bytes, char32_t& code) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    char32_t minimum = 0;
    const size_t length = SequenceLength(lead, minimum);
    if (length == 0 || bytes.size() < length) {
        return 0;
    }
    code = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[i]);
        if (!IsContinuation(next)) {
            return 0;
        }
        code = (code << 6) | (next & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (code < minimum || code > 0x10FFFF || surrogate) {
        return 0;
    }
    return length;
}

void AppendCodePoint(char32_t code, Text& into) {
    if (code < 0x10000) {
        into.push_back(static_cast<char16_t>(code));
        return;
    }
    code -= 0x10000;
    into.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
    into.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
}

void AppendUtf8(char32_t code, std::string& into) {
    auto put = [&into](char32_t byte) { into.push_back(static_cast<char>(byte)); };
    if (code < 0x80) {
        put(code);
    } else if (code < 0x800) {
        put(0xC0 | (code >> 6));
        put(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        put(0xE0 | (code >> 12));
        put(0x80 | ((code >> 6) & 0x3F));
        put(0x80 | (code & 0x3F));
    } else {
        put(0xF0 | (code >> 18));
        put(0x80 | ((code >> 12) & 0x3F));
        put(0x80 | ((code >> 6) & 0x3F));
        put(0x80 | (code & 0x3F));
    }
}

}  // namespace

Text FromUtf8(std::string_view utf8) {
    Text result;
    result.reserve(utf8.size());
    while (!utf8.empty()) {
        char32_t code = 0;
        size_t used = DecodeOne(utf8, code);
        if (used == 0) {
            code = EscapeBase + static_cast<unsigned char>(utf8[0]);
            used = 1;
        }
        AppendCodePoint(code, result);
        utf8.remove_prefix(used);
    }
    return result;
}

std::string ToUtf8(TextView t) {
    std::string result;
    result.reserve(t.size());
    for (size_t i = 0; i < t.size(); ++i) {
        const char16_t unit = t[i];
        if (IsHighSurrogate(unit) && i + 1 < t.size() && IsLowSurrogate(t[i + 1])) {
            AppendUtf8(0x10000 + ((char32_t{unit} - 0xD800) << 10) + (char32_t{t[i + 1]} - 0xDC00),
                       result);
            ++i;
        } else if (unit >= EscapeBase + 0x80 && unit <= EscapeBase + 0xFF) {
            result.push_back(static_cast<char>(unit - EscapeBase));
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            result.push_back('?');  // a lone surrogate has no UTF-8 form
        } else {
            AppendUtf8(unit, result);
        }
    }
    return result;
}

}  // namespace vex
