// Where the include puts each object of a scanned table.
#pragma once

#include "conversion/object_table.h"

namespace vex {

// Places every stored row (ObjectRow::placed) and counts what the table says PlaceObjects counts.
// An object at the top level (all of them in a flat table) keeps its numbers as the export has
// them, cut as text; so does a top-level metaball's shape, unless it is turned off the exporter's
// turn of the axes and scaled unevenly. Every other object is placed by its world matrix (its own
// Transform inside those it stands in), its numbers rounded to three decimals. A component whose
// shape as written has no volume (HasVolume) is left out, and so is an object inside more than
// DeepestPlaced Transforms.
void PlaceObjects(ObjectTable& table);

}  // namespace vex
