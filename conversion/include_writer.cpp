// Writes the POV-Ray include: two comment lines, one sphere_sweep through the "Sweep" objects and
// one blob of the "Mball" objects, each section taking its objects in file order wherever they
// stand (a modeller writes objects in the order they were added, kinds mixed), each object as it
// was placed.
//
// The include is POV-Ray source, and POV-Ray runs directives (#fopen, #write, #include) wherever
// they stand in it: nothing from the export reaches it but numbers (see the placement).
#include "conversion/include_writer.h"

#include <vector>

namespace vex {

namespace {

constexpr char16_t Indent[] = u"     ";

// The sweep's control point: its centre, then its radius.
Text PointLine(const ObjectRow& row) {
    return Indent + row.placed.point + u" , " + row.placed.radius;
}

// A unit sphere of strength 1, given the object's shape times sf, moved to its place.
Text ComponentLine(const ObjectRow& row) {
    return Text(Indent) + u"sphere{ <0,0,0>, 1, 1 " + row.placed.shape + u"  translate " +
           row.placed.point + u" }";
}

void Write(LineFileId output, const Text& line) {
    WriteLine(output, line, AnsiFormat);
}

// The rows the predicate picks out, in file order.
std::vector<const ObjectRow*> RowsWhere(const ObjectTable& table,
                                        bool (*picked)(const ObjectRow&)) {
    std::vector<const ObjectRow*> rows;
    for (const ObjectRow& row : StoredRows(table)) {
        if (picked(row)) {
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

void WriteInclude(LineFileId output, const ObjectTable& table, const Text& declaredName) {
    const Text head = u"#declare " + declaredName + u" =";
    Write(output, u"// convert x3d");
    Write(output, u"// quillbrace 03.09.2023");
    if (const auto sweeps = RowsWhere(table, IsSweepPoint); !sweeps.empty()) {
        WriteSweep(output, sweeps, head);
    }
    if (const auto components = RowsWhere(table, IsBlobComponent); !components.empty()) {
        WriteBlob(output, components, head);
    }
}

}  // namespace vex
