// The conversion: one chosen X3D file in, one POV-Ray include file out, one message to the user.
//
// Nothing here knows about windows or terminals: the run is given the two dialog operations, so
// it runs (and is tested) anywhere.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "text/line_file.h"
#include "text/text.h"

namespace vex {

// Fixed texts of the run.
inline constexpr char16_t DialogTitle[] = u"open x3d file";
inline constexpr char16_t DefaultInputFile[] = u"C:\\file.x3d";
inline constexpr char16_t InputPattern[] = u"x3d (*.x3d)|*.x3d";
inline constexpr char16_t InfoCaption[] = u"Info:";
inline constexpr char16_t CanceledText[] = u"canceled";
inline constexpr char16_t SummaryCaption[] = u"Vexlorin 0.5  quillbrace 3.10.23";

// Rows 1 to ObjectCapacity are stored; row 0 is never used.
inline constexpr int64_t ObjectCapacity = 500;

// Three numbers cut as text, and the vector text "<a, b, c> " built from them.
struct Vector3Text {
    Text x;
    Text y;
    Text z;
    Text vector;
};

struct ObjectRow {
    Text name;
    Vector3Text translation;  // vector in the order x, y, z
    Vector3Text scale;        // vector in the order x, z, y
    Vector3Text third;        // vector in the order x, y, z; kept but not written
    // The object stands inside another object's transform, so its values are relative to that
    // object, not to the scene.
    bool nested = false;
};

struct ObjectTable {
    std::vector<ObjectRow> rows = std::vector<ObjectRow>(ObjectCapacity + 1);
    int64_t rowCount = 0;    // rows stored, also the number of the last row filled
    int64_t sweepCount = 0;  // stored rows whose name begins with "Sweep"
    int64_t blobCount = 0;   // stored rows whose name begins with "Mball"
    int64_t leftOut = 0;     // objects found after the table was full, read and dropped
};

// The two kinds of object converted, told by the exact, case-sensitive beginning of the name.
bool IsSweep(TextView name);
bool IsBlob(TextView name);

// The object name from an accepted "Transform DEF=" line, d being where that text starts: what
// lies between the first double quote after it and the line's last eleven characters.
Text CutObjectName(const Text& line, int64_t d);

// One value line (a quoted value of three numbers) cut into a Vector3Text. With swapYZ the vector
// text lists x, z, y, as the scale needs.
Vector3Text CutVector(const Text& valueLine, bool swapYZ);

// Reads the input to its end and fills the table. Neither opens nor closes the file.
void Scan(LineFileId input, ObjectTable& table);

// True when the piece, less the spaces around it, is a number as POV-Ray reads one: an optional
// sign, digits with an optional point and digits after it ("1", "1.", "1.250") or a point and
// digits (".5"), then an optional exponent ("e" or "E", an optional sign, digits). False for the
// empty piece, for text, for two numbers and for anything else.
bool IsPovNumber(TextView piece);

// True when a piece the include takes from this Sweep or Mball row is not a POV-Ray number and
// is written as 0: the translation and the radius (the scale's x) of a sweep point, the
// translation and the whole scale of a blob component.
bool HasUnreadableValues(const ObjectRow& row);

// Writes the header, then one sphere_sweep through the "Sweep" rows and one blob of the "Mball"
// rows, each in file order, both declared as declaredName. A number piece that is not a POV-Ray
// number is written as 0, so that nothing but numbers from the table reaches the include.
// Neither creates nor closes the file.
void WriteInclude(LineFileId output, const ObjectTable& table, const Text& declaredName);

// True when the name is one POV-Ray can declare: ASCII letters, digits and "_", not beginning
// with a digit, not one of POV-Ray's reserved words and not one the include declares itself.
bool IsPovIdentifier(TextView name);

// The base name when it is a POV-Ray identifier. Otherwise every character (code point) other
// than an ASCII letter, digit or "_" becomes "_"; then "_" goes in front when the result is empty
// or begins with a digit; then "_" goes at the end when the result is a reserved word:
// "my-scene" gives my_scene, "2nd try" _2nd_try, "sphere" sphere_.
Text DeclaredNameFor(TextView baseName);

// Everything a conversion derives from the chosen path, worked out once.
struct IncludeNames {
    Text folder;        // up to and including the last separator; empty for a bare name
    Text fileName;      // the chosen file's name
    Text baseName;      // the file name less its extension (see IncludeNamesFor)
    Text includePath;   // folder + baseName + ".inc"
    Text declaredName;  // DeclaredNameFor(baseName)
};

// The names for a chosen path. The base name is the file name less a dot and three characters
// at its end (scene.x3d, scene.X3D, scene.wrl); otherwise less everything from its last dot
// (scene.x3dv), unless that dot is the name's first character; a name without a dot stays whole.
IncludeNames IncludeNamesFor(const Text& inputPath);

// A name (of a file, a folder, an option) as the user is shown it. Names come from exports,
// folders and command lines anyone may have crafted, and a terminal or a message box takes some
// characters as commands: every character below U+0020 and from U+007F to U+009F (ESC sequences,
// a CR or LF that forges a line of its own, the C1 controls), the bidirectional controls U+061C,
// U+200E, U+200F, U+202A to U+202E and U+2066 to U+2069 (which reorder the text after them) and
// a lone surrogate (how a byte of a Linux file name that is not UTF-8 travels, which would reach
// the terminal as that raw byte) each become "?". Every other character, a surrogate pair among
// them, stays as it is, so an ordinary name comes out unchanged.
Text CleanName(TextView name);

struct Message {
    Text caption;
    Text text;
    bool failed = false;  // nothing was written; the text says why
};

// Converts the file at inputPath and returns what to tell the user. The empty path means the
// user cancelled. Failures (an input that cannot be read, an output that cannot be written, an
// output that would be the input) give a message that says so, and change no file: neither the
// input nor an earlier include. Nothing is written but the include, by CreateLineFile.
Message ConvertFile(const Text& inputPath);

// The two dialog operations the run needs, supplied by the shell (or by a test).
struct Dialogs {
    std::function<Text(const Text& title, const Text& defaultFile, const Text& pattern,
                       int32_t patternPosition)>
        chooseInputFile;
    std::function<int(const Text& caption, const Text& text, uint32_t flags)> showMessage;
};

// One whole conversion: ask for the input, convert it, show the result.
void RunConversion(const Dialogs& dialogs);

}  // namespace vex
