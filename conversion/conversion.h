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
};

struct ObjectTable {
    std::vector<ObjectRow> rows = std::vector<ObjectRow>(ObjectCapacity + 1);
    int64_t rowCount = 0;    // rows stored, also the number of the last row filled
    int64_t sweepCount = 0;  // stored rows whose name begins with "Sweep"
    int64_t blobCount = 0;   // stored rows whose name begins with "Mball"
    int64_t leftOut = 0;     // objects found after the table was full, read and dropped
};

// The object name from an accepted "Transform DEF=" line, d being where that text starts: what
// lies between the first double quote after it and the line's last eleven characters.
Text CutObjectName(const Text& line, int64_t d);

// One value line (a quoted value of three numbers) cut into a Vector3Text. With swapYZ the vector
// text lists x, z, y, as the scale needs.
Vector3Text CutVector(const Text& valueLine, bool swapYZ);

// Reads the input to its end and fills the table. Neither opens nor closes the file.
void Scan(LineFileId input, ObjectTable& table);

// Writes the header, the sphere_sweep and the blob. Neither creates nor closes the file.
void WriteInclude(LineFileId output, const ObjectTable& table, const Text& baseName);

// The output path for an input path: its folder and base name (the file name less its last four
// characters, whatever they are) with ".inc".
Text IncludePathFor(const Text& inputPath);

struct Message {
    Text caption;
    Text text;
    bool failed = false;  // nothing (or an incomplete include) was written; the text says why
};

// Converts the file at inputPath and returns what to tell the user. The empty path means the
// user cancelled. Failures (an input that cannot be read, an output that cannot be written, an
// output that would be the input) give a message that says so, and never destroy the input.
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
