// The system's own words for a Windows error code.
#pragma once

#include <windows.h>

#include "text/text.h"

namespace vex {

// The system's message for an error, without its closing period and line end; "Windows error N"
// when the system has none.
Text SystemMessage(DWORD error);

}  // namespace vex
