// What a conversion makes beside its include when asked: the starter scene, and the preview
// rendered from it.
#pragma once

#include "conversion/conversion.h"
#include "conversion/names.h"
#include "conversion/object_table.h"
#include "text/line_file.h"

namespace vex {

// With options.scene, writes the starter scene of the placed table into the held folder under
// names.sceneName, only where nothing stands at that name (what does, even what appears there while
// the scene is written, is kept as it is), and, with options.preview, renders the scene standing
// there (RenderPreview). The message lines this gives, each beginning with "\n": none without
// options.scene; else one for the scene (written, kept, nothing to show, or could not be written
// with the reason) and, with options.preview, the preview's line when a scene stands there.
Text MakeScene(LineFolder& folder, const ObjectTable& table, const IncludeNames& names,
               const ConversionOptions& options);

}  // namespace vex
