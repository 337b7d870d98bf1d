// Texts as the Windows API's wide strings, which are UTF-16 code units as well: passed as they
// are, without a conversion.
#pragma once

#include "text/text.h"

namespace vex {

inline const wchar_t* Wide(const Text& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

}  // namespace vex
