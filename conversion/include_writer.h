// Writes the POV-Ray include of a placed table.
#pragma once

#include "conversion/object_table.h"
#include "text/line_file.h"

namespace vex {

// Writes the header, then one sphere_sweep through the sweep points and one blob of the blob
// components (IsSweepPoint, IsBlobComponent), each in file order and as placed, both declared as
// declaredName; a section without rows is left out. Neither creates nor closes the file.
void WriteInclude(LineFileId output, const ObjectTable& table, const Text& declaredName);

}  // namespace vex
