// Writes the POV-Ray include: two comment lines, one sphere_sweep through the "Sweep" objects and
// one blob of the "Mball" objects, each section taking its objects in file order wherever they
// stand (a modeller writes objects in the order they were added, kinds mixed).
//
// The include is POV-Ray source, and POV-Ray runs directives (#fopen, #write, #include) wherever
// they stand in it: nothing from the export reaches it but pieces that are numbers.
#include <vector>

#include "conversion/conversion.h"

namespace vex {

namespace {

constexpr char16_t Indent[] = u"     ";

// What the include says for a number piece: the piece as the scan cut it, or 0 for anything
// POV-Ray would not read as one number.
Text Number(const Text& piece) {
    return IsPovNumber(piece) ? piece : Text(u"0");
}

// "<a, b, c>" from three pieces, without the trailing space of the scan's vector texts. Built
// on a text of its own: GCC 12 at -O3 takes a chain that begins with a literal for an
// overlapping copy (a false -Wrestrict).
Text Vector(const Text& a, const Text& b, const Text& c) {
    Text vector = u"<";
    vector += Number(a) + u", " + Number(b) + u", " + Number(c) + u">";
    return vector;
}

Text Translation(const ObjectRow& row) {
    return Vector(row.translation.x, row.translation.y, row.translation.z);
}

// The scale lists x, z, y: the modeller's z axis points up, POV-Ray's y axis does.
Text Scale(const ObjectRow& row) {
    return Vector(row.scale.x, row.scale.z, row.scale.y);
}

// The sweep's control point: centre at the translation, radius the first number of the scale.
Text PointLine(const ObjectRow& row) {
    return Indent + Translation(row) + u" , " + Number(row.scale.x);
}

// A unit sphere scaled by the row's scale times sf, moved to its translation.
Text ComponentLine(const ObjectRow& row) {
    return Text(Indent) + u"sphere{ <0,0,0>, 1, 1 scale " + Scale(row) + u" * sf  translate " +
           Translation(row) + u" }";
}

void Write(LineFileId output, const Text& line) {
    WriteLine(output, line, AnsiFormat);
}

// The rows of one kind, in file order.
std::vector<const ObjectRow*> RowsWhere(const ObjectTable& table, bool (*isKind)(TextView)) {
    std::vector<const ObjectRow*> rows;
    for (int64_t i = 1; i <= table.rowCount; ++i) {
        const ObjectRow& row = table.rows[static_cast<size_t>(i)];
        if (isKind(row.name)) {
            rows.push_back(&row);
        }
    }
    return rows;
}

// The first and last points are written twice, as the lead-in and lead-out control points the
// cubic spline needs.
void WriteSweep(LineFileId output, const std::vector<const ObjectRow*>& rows, const Text& head) {
    Write(output, Text());
    Write(output, head);
    Write(output, u"sphere_sweep {");
    Write(output, Text(Indent) + u"cubic_spline");
    Write(output, Indent + DecimalText(static_cast<int64_t>(rows.size()) + 2) + u",");
    Write(output, PointLine(*rows.front()));
    for (const ObjectRow* row : rows) {
        Write(output, PointLine(*row));
    }
    Write(output, PointLine(*rows.back()));
    Write(output, Text(Indent) + u"}");
}

void WriteBlob(LineFileId output, const std::vector<const ObjectRow*>& rows, const Text& head) {
    Write(output, Text());
    Write(output, head);
    Write(output, u"#declare th = 0.5 ;");
    Write(output, u"#declare sf = 2.0 ;");
    Write(output, u"blob {");
    Write(output, Text(Indent) + u"threshold th");
    for (const ObjectRow* row : rows) {
        Write(output, ComponentLine(*row));
    }
    Write(output, Text(Indent) + u"}");
}

}  // namespace

bool HasUnreadableValues(const ObjectRow& row) {
    const Vector3Text& t = row.translation;
    const Vector3Text& s = row.scale;
    const bool blob = IsBlob(row.name);
    return !IsPovNumber(t.x) || !IsPovNumber(t.y) || !IsPovNumber(t.z) || !IsPovNumber(s.x) ||
           (blob && (!IsPovNumber(s.y) || !IsPovNumber(s.z)));
}

void WriteInclude(LineFileId output, const ObjectTable& table, const Text& declaredName) {
    const Text head = u"#declare " + declaredName + u" =";
    Write(output, u"// convert x3d");
    Write(output, u"// quillbrace 03.09.2023");
    if (const auto sweeps = RowsWhere(table, IsSweep); !sweeps.empty()) {
        WriteSweep(output, sweeps, head);
    }
    if (const auto blobs = RowsWhere(table, IsBlob); !blobs.empty()) {
        WriteBlob(output, blobs, head);
    }
}

}  // namespace vex
