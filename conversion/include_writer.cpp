// Writes the POV-Ray include: two comment lines, one sphere_sweep through the "Sweep" objects and
// one blob of the "Mball" objects. Each section takes its rows consecutively from the first row
// with its prefix, so a modeller's objects are expected to stand together in the file.
#include "conversion/conversion.h"

namespace vex {

namespace {

constexpr char16_t Indent[] = u"     ";

bool HasPrefix(const Text& name, const char16_t* prefix) {
    return TextEquals(MidText(name, 0, 5), prefix);
}

const ObjectRow& Row(const ObjectTable& table, int64_t i) {
    return table.rows[static_cast<size_t>(i)];
}

// The sweep's control point: centre at the translation, radius the first number of the scale.
Text PointLine(const ObjectRow& row) {
    return Indent + row.translation.vector + u", " + row.scale.x;
}

// A unit sphere scaled by the row's scale times sf, moved to its translation.
Text ComponentLine(const ObjectRow& row) {
    return Text(Indent) + u"sphere{ <0,0,0>, 1, 1 scale " + TrimText(row.scale.vector) +
           u" * sf  translate " + TrimText(row.translation.vector) + u" }";
}

void Write(LineFileId output, const Text& line) {
    WriteLine(output, line, AnsiFormat);
}

// Writes the sweep starting at row `first`; the first and last points are written twice, as the
// lead-in and lead-out control points the cubic spline needs.
void WriteSweep(LineFileId output, const ObjectTable& table, int64_t first, const Text& head) {
    Write(output, Text());
    Write(output, head);
    Write(output, u"sphere_sweep {");
    Write(output, Text(Indent) + u"cubic_spline");
    Write(output, Indent + DecimalText(table.sweepCount + 2) + u",");
    Write(output, PointLine(Row(table, first)));
    for (int64_t j = 0; j < table.sweepCount; ++j) {
        Write(output, PointLine(Row(table, first + j)));
    }
    Write(output, PointLine(Row(table, first + table.sweepCount - 1)));
    Write(output, Text(Indent) + u"}");
}

void WriteBlob(LineFileId output, const ObjectTable& table, int64_t first, const Text& head) {
    Write(output, Text());
    Write(output, head);
    Write(output, u"#declare th = 0.5 ;");
    Write(output, u"#declare sf = 2.0 ;");
    Write(output, u"blob {");
    Write(output, Text(Indent) + u"threshold th");
    for (int64_t j = 0; j < table.blobCount; ++j) {
        Write(output, ComponentLine(Row(table, first + j)));
    }
    Write(output, Text(Indent) + u"}");
}

// The first row whose name has the prefix, or 0 when there is none.
int64_t FirstRowWith(const ObjectTable& table, const char16_t* prefix) {
    for (int64_t i = 1; i <= table.rowCount; ++i) {
        if (HasPrefix(Row(table, i).name, prefix)) {
            return i;
        }
    }
    return 0;
}

}  // namespace

void WriteInclude(LineFileId output, const ObjectTable& table, const Text& baseName) {
    const Text head = u"#declare " + baseName + u" =";
    Write(output, u"// convert x3d");
    Write(output, u"// quillbrace 03.09.2023");
    if (const int64_t first = FirstRowWith(table, u"Sweep"); first != 0) {
        WriteSweep(output, table, first, head);
    }
    if (const int64_t first = FirstRowWith(table, u"Mball"); first != 0) {
        WriteBlob(output, table, first, head);
    }
}

}  // namespace vex
