// Reads the X3D file line by line and collects every named transform into the ObjectTable. The
// file is not parsed as XML: a transform's opening line carries "Transform DEF=" and its name,
// and the three lines after it carry translation, scale and one more value, one per line.
#include "conversion/conversion.h"

namespace vex {

namespace {

constexpr TextView TransformMarker = u"Transform DEF=";
constexpr TextView InnerMarker = u"ifs";  // the mesh's own inner transform
constexpr TextView TransformOpening = u"<Transform";
constexpr TextView TransformClosing = u"</Transform>";

// The scan looks at no more than the first 4096 bytes of a line: far more than a name or three
// numbers take (a number of more than 255 characters is unreadable anyway), and so no line,
// however long, costs more memory or time than passing over it.
constexpr size_t LongestLineRead = 4096;

// Reads the three value lines of an accepted transform, whether or not the file still has them,
// into `line`, whose storage serves every line of the scan.
void ReadValues(LineFileId input, ObjectRow& row, Text& line) {
    ReadLineInto(input, AnsiFormat, line, LongestLineRead);
    row.translation = CutVector(line, false);
    ReadLineInto(input, AnsiFormat, line, LongestLineRead);
    row.scale = CutVector(line, true);
    ReadLineInto(input, AnsiFormat, line, LongestLineRead);
    row.third = CutVector(line, false);
}

// Takes the accepted line (whose name is cut before `line` is read over) and its value lines.
void Accept(LineFileId input, Text& line, int64_t d, bool nested, ObjectTable& table) {
    if (table.rowCount == ObjectCapacity) {
        // The table is full: the object is read past, and only counted so the user hears of it.
        ObjectRow dropped;
        ReadValues(input, dropped, line);
        ++table.leftOut;
        return;
    }
    ObjectRow& row = table.rows[static_cast<size_t>(++table.rowCount)];
    row.name = CutObjectName(line, d);
    row.nested = nested;
    table.sweepCount += IsSweep(row.name) ? 1 : 0;
    table.blobCount += IsBlob(row.name) ? 1 : 0;
    ReadValues(input, row, line);
}

// Follows how deep the scan stands in transforms: an object's children stand inside its
// "<Transform" ... "</Transform>", after its mesh's inner transform has closed.
class TransformDepth {
  public:
    // Takes in one line that holds the word Transform; true when it opens a transform inside
    // another one.
    bool OpensNested(const Text& line) {
        const bool nested = depth_ > 0;
        if (FindText(line, TransformOpening) != 0) {
            ++depth_;
            return nested;
        }
        if (FindText(line, TransformClosing) != 0 && depth_ > 0) {
            --depth_;
        }
        return false;
    }

  private:
    int64_t depth_ = 0;
};

}  // namespace

bool IsSweep(TextView name) {
    return TextEquals(MidView(name, 0, 5), u"Sweep");
}

bool IsBlob(TextView name) {
    return TextEquals(MidView(name, 0, 5), u"Mball");
}

// The cuts look at the line through views: a long line is never copied, only the short pieces
// that are kept.
Text CutObjectName(const Text& line, int64_t d) {
    const TextView rest = MidView(line, d, TextLength(line) - d);
    const int64_t quote = FindText(rest, u"\"", 1);
    return MidText(rest, quote + 1, TextLength(rest) - quote - 10);
}

Vector3Text CutVector(const Text& valueLine, bool swapYZ) {
    const int64_t quote = FindText(valueLine, u"\"", 1);
    TextView value = MidView(valueLine, quote + 1);
    value = MidView(value, 0, TextLength(value) - 1);

    Vector3Text v;
    const int64_t firstSpace = FindText(value, u" ", 1);
    v.x = CutNumber(MidView(value, 0, firstSpace));
    const TextView rest = MidView(value, firstSpace + 1);
    const int64_t secondSpace = FindText(rest, u" ", 1);
    v.y = CutNumber(MidView(rest, 0, secondSpace));
    v.z = CutNumber(MidView(rest, secondSpace + 1));

    const Text& second = swapYZ ? v.z : v.y;
    const Text& third = swapYZ ? v.y : v.z;
    v.vector = u"<" + v.x + u", " + second + u", " + third + u"> ";
    return v;
}

void Scan(LineFileId input, ObjectTable& table) {
    // One text holds each line in turn, so its storage is allocated only as the lines grow.
    Text line;
    TransformDepth depth;
    // Most lines, among them every long line of mesh data, are passed over unread.
    while (ReadNextLineHolding(input, AnsiFormat, "Transform", LongestLineRead, line)) {
        const bool nested = depth.OpensNested(line);
        const int64_t d = FindText(line, TransformMarker, 1);
        if (d >= 1 && FindText(line, InnerMarker, 1) == 0) {
            Accept(input, line, d, nested, table);
        }
    }
}

}  // namespace vex
