#include "conversion/preview.h"

namespace vex {

// Not rendered yet: the child process that runs POV-Ray comes next.
Text RenderPreview(LineFolder& /*folder*/, const IncludeNames& names) {
    return u"No preview: " + names.baseName + u".png was not rendered.";
}

}  // namespace vex
