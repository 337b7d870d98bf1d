// The conversion: one chosen X3D file in, one POV-Ray include file out, one message to the user.
//
// Nothing here knows about windows or terminals: the run is given the two dialog operations, so
// it runs (and is tested) anywhere.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
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

// An object inside more Transforms than this cannot be placed. A modeller's parents nest a few
// levels deep; this bounds the memory a crafted file can take.
inline constexpr int64_t DeepestPlaced = 256;

// Three numbers cut as text, and the vector text "<a, b, c> " built from them.
struct Vector3Text {
    Text x;
    Text y;
    Text z;
    Text vector;
};

// A transform as a matrix: `linear` (row r, column c; column c is where the transform takes axis
// c) and `translation`, so that a point p goes to linear·p + translation.
struct Affine {
    std::array<std::array<double, 3>, 3> linear{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    std::array<double, 3> translation{};
};

// The numbers of a Transform's three value lines.
struct TransformValues {
    std::array<double, 3> translation{};
    std::array<double, 3> scale{1, 1, 1};
    std::array<double, 4> rotation{0, 0, 1, 0};  // an axis and an angle in radians
    bool readable = true;                        // translation and scale hold three numbers each
    bool rotationReadable = true;                // the rotation holds four
};

// Where the include puts an object, worked out once the whole export is scanned.
struct Placement {
    Text point;   // "<x, y, z>": a sweep point's centre, a blob component's translation
    Text radius;  // a sweep point's radius
    Text shape;   // a blob component's "scale <a, b, c> * sf" or "matrix <...> scale sf"
    bool unreadable = false;  // a value POV-Ray cannot read is written as 0
    bool uneven = false;      // a sweep point stretched unevenly: a sphere_sweep draws it round
    bool noVolume = false;    // a blob component scaled to nothing, left out of the blob
    bool tooDeep = false;     // inside more Transforms than the scan keeps, left out
};

// One Sweep or Mball object.
struct ObjectRow {
    Text name;
    Vector3Text translation;       // cut as text; vector in the order x, y, z
    Vector3Text scale;             // cut as text; vector in the order x, z, y
    TransformValues values;        // its own value lines, as numbers
    Affine world;                  // the Transforms it stands in, outermost first, then its own
    int64_t depth = 0;             // how many Transforms it stands in: 0 at the top level
    bool worldUnreadable = false;  // a value of a Transform it stands in is unreadable
    bool deeperThanKept = false;   // the Transforms it stands in were too deep to be kept
    Placement placed;
};

struct ObjectTable {
    std::vector<ObjectRow> rows = std::vector<ObjectRow>(ObjectCapacity + 1);
    int64_t rowCount = 0;       // rows stored, also the number of the last row filled
    int64_t sweepCount = 0;     // stored rows whose name begins with "Sweep", less those too deep
    int64_t blobCount = 0;      // stored rows whose name begins with "Mball", less those below
    int64_t withoutVolume = 0;  // stored "Mball" rows scaled to nothing, left out of the blob
    int64_t tooDeep = 0;        // stored rows too deep to be placed, left out
    int64_t leftOut = 0;        // Sweep and Mball objects found after the table was full
    // The export closes no Transform (a hand-made file, say): every object is read as one at the
    // top level.
    bool flat = false;
    // Mesh data stands at the top level, with no object's Transform around it: the export was
    // written without hierarchy, which leaves metaballs and empties out.
    bool withoutHierarchy = false;
    // Sweep or Mball mesh data stands inside a Transform: its object's, or, where the export holds
    // no Sweep or Mball object, a collection instance's (the exporter writes the objects of an
    // instanced collection as their mesh data only).
    bool nestedSweepOrMballData = false;
};

// The two kinds of object converted, told by the exact, case-sensitive beginning of the name.
bool IsSweep(TextView name);
bool IsBlob(TextView name);

// The object name from an accepted "Transform DEF=" line, d being where that text starts: what
// lies between the first double quote after it and the line's last eleven characters.
Text CutObjectName(const Text& line, int64_t d);

// The pieces of a value line: what follows its first double quote, less the line's last
// character, split at its first count - 1 spaces; the last piece takes the rest.
std::vector<TextView> ValuePieces(TextView valueLine, size_t count);

// One value line (a quoted value of three numbers) cut into a Vector3Text. With swapYZ the vector
// text lists x, z, y, as the scale needs.
Vector3Text CutVector(const Text& valueLine, bool swapYZ);

// Reads the input to its end and fills the table with its Sweep and Mball objects, each placed
// (PlaceObjects). Neither opens nor closes the file.
void Scan(LineFileId input, ObjectTable& table);

// The numbers of a Transform's three value lines (translation, scale, rotation). A piece without a
// NumberValue counts as 0 and makes its line unreadable; a rotation that does not hold four
// numbers is unreadable and turns nothing.
TransformValues ReadTransformValues(const Text& translation, const Text& scale,
                                    const Text& rotation);

// A Transform's matrix: its translation, then its rotation, then its scale (T·R·S).
Affine TransformMatrix(const TransformValues& values);

// The matrix of a transform that stands inside `outer`: outer·inner.
Affine Compose(const Affine& outer, const Affine& inner);

// Works out where the include puts each stored row, and counts the rows of each kind it writes
// and leaves out. An object at the top level (all of them in a flat table) keeps its numbers as
// the export has them, cut as text; an object inside other Transforms is placed by its world
// matrix, its numbers rounded to three decimals. A component whose shape as written has no volume
// (HasVolume) is left out, and so is an object inside more than DeepestPlaced Transforms.
void PlaceObjects(ObjectTable& table);

// True when the piece, less the spaces around it, is a number as POV-Ray reads one: an optional
// sign, digits with an optional point and digits after it ("1", "1.", "1.250") or a point and
// digits (".5"), then an optional exponent ("e" or "E", an optional sign, digits). False for the
// empty piece, for text, for two numbers and for anything else.
bool IsPovNumber(TextView piece);

// The value of a piece that is a number POV-Ray reads (IsPovNumber), of at most 255 characters
// less the spaces around it (POV-Ray stops at a longer one), and finite; 0 for one too small for
// a double ("1e-400"), which POV-Ray reads as 0; none for any other.
std::optional<double> NumberValue(TextView piece);

// A piece as the include takes it from the export: judged whole, then cut to three decimals (no
// rounding), keeping the spaces around it and any exponent: "1.234567 " gives "1.234 ",
// "1.500000e-05" gives "1.500e-05", "1000" stays whole. The empty text, which the include writes
// as 0, for a piece without a NumberValue: "1.000#fopen" is not cut to "1.000".
Text CutNumber(TextView piece);

// Writes the header, then one sphere_sweep through the "Sweep" rows and one blob of the "Mball"
// rows that have volume, each in file order and as placed, both declared as declaredName. Neither
// creates nor closes the file.
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
