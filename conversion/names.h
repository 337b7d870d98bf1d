// The names a conversion gives its include: the file beside the export, and the identifier it
// declares, which POV-Ray must be able to read as one.
#pragma once

#include "text/text.h"

namespace vex {

// True when the name is one POV-Ray can declare: ASCII letters, digits and "_", not beginning
// with a digit, not one of POV-Ray's reserved words and not one the include declares itself.
bool IsPovIdentifier(TextView name);

// The base name when it is a POV-Ray identifier. Otherwise every character (code point) other
// than an ASCII letter, digit or "_" becomes "_"; then "_" goes in front when the result is empty
// or begins with a digit; then "_" goes at the end when the result is a reserved word or one the
// include declares itself: "my-scene" gives my_scene, "2nd try" _2nd_try, "sphere" sphere_, "th"
// th_.
Text DeclaredNameFor(TextView baseName);

// Everything a conversion derives from the chosen path, worked out once.
struct IncludeNames {
    Text folder;        // up to and including the last separator; empty for a bare name
    Text fileName;      // the chosen file's name
    Text baseName;      // the file name less its extension (see IncludeNamesFor)
    Text includePath;   // folder + baseName + ".inc"
    Text sceneName;     // the include's name in its folder, with ".pov": the starter scene
    Text pictureName;   // the same with ".png": the preview rendered from the scene
    Text declaredName;  // DeclaredNameFor(baseName)
};

// The names for a chosen path, split at its last slash or backslash. The base name is the file
// name less its last four characters when the fourth from the end is a dot, whatever the others
// are (scene.x3d, scene.X3D, scene.wrl; .x3d leaves the empty base name); otherwise less
// everything from its last dot (scene.x3dv), unless that dot is the name's first character
// (.hidden); a name without a dot stays whole.
IncludeNames IncludeNamesFor(const Text& inputPath);

}  // namespace vex
