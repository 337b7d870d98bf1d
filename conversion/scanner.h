// Reads an X3D export line by line into the ObjectTable.
#pragma once

#include "conversion/object_table.h"
#include "text/line_file.h"

namespace vex {

// Reads the input to its end and fills what the table says Scan fills: a row for each Sweep and
// Mball object, up to the table's capacity, with its values as read and the Transforms it stands
// in. Neither opens nor closes the file, and places nothing (PlaceObjects).
void Scan(LineFileId input, ObjectTable& table);

}  // namespace vex
