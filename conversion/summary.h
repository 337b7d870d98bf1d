// What a conversion that wrote its include tells the user.
#pragma once

#include "conversion/names.h"
#include "conversion/object_table.h"

namespace vex {

// The summary on the first line, exactly as a clean export gets it alone ("scene.inc created >
// blobs: 3 sweeps: 5"); below it one line for each kind of problem the placed table shows (objects
// left out, nothing declared, a name POV-Ray could not declare, a single sweep point, unreadable
// values, an uneven sweep point, components without volume, objects too deep), naming the first
// object concerned and what to do about it. Every name is cleaned (CleanName).
Text Summary(const IncludeNames& names, const ObjectTable& table);

}  // namespace vex
