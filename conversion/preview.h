// The preview: the starter scene rendered by POV-Ray, for a user who would rather look at a
// picture than read a count of objects.
#pragma once

#include "conversion/names.h"
#include "text/line_file.h"

namespace vex {

// Renders the scene names.sceneName of the held folder with POV-Ray to names.pictureName
// (640x480) in the same folder, and returns the one message line that says where the picture
// is, or why there is none (POV-Ray missing, failed, or stopped after running too long). An earlier
// picture stays until the new one is complete.
Text RenderPreview(LineFolder& folder, const IncludeNames& names);

}  // namespace vex
