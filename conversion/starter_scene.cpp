#include "conversion/starter_scene.h"

#include <algorithm>

#include "text/file_system.h"
#include "text/text.h"

namespace vex {

bool HasSceneObject(const ObjectTable& table) {
    const auto rows = StoredRows(table);
    return std::any_of(rows.begin(), rows.end(), [](const ObjectRow& row) {
        return IsSweepPoint(row) || IsBlobComponent(row);
    });
}

// A first scene with a fixed camera; the framing comes next.
void WriteStarterScene(LineFileId output, const ObjectTable& /*table*/, const IncludeNames& names) {
    const int32_t format = AnsiFormat;
    WriteLine(output, u"#version 3.7;", format);
    WriteLine(output, u"#include \"" + SplitPath(names.includePath).name + u"\"", format);
    WriteLine(output, u"camera { location <0, 2, -10> look_at <0, 0, 0> }", format);
    WriteLine(output, u"light_source { <10, 20, -20> color rgb 1 }", format);
    WriteLine(output, u"object { " + names.declaredName + u" pigment { rgb <1, 0.6, 0.2> } }",
              format);
}

}  // namespace vex
