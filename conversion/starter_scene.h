// The starter scene: a POV-Ray scene that renders what an include holds as it stands, for a user
// who has not written one yet.
#pragma once

#include "conversion/names.h"
#include "conversion/object_table.h"
#include "text/line_file.h"

namespace vex {

// True when the include of the placed table declares something to look at: a sweep point or a
// blob component (IsSweepPoint, IsBlobComponent).
bool HasSceneObject(const ObjectTable& table);

// Writes the starter scene of a placed table's include (names.includePath's file name, declaring
// names.declaredName) into output: "#version 3.7;", the include, the declared object with a
// pigment, a light, a ground plane under the object and a camera that frames it. Only for a table
// with HasSceneObject. Neither creates nor closes the file.
void WriteStarterScene(LineFileId output, const ObjectTable& table, const IncludeNames& names);

}  // namespace vex
