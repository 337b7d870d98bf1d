// The starter scene: the include, the object it declares in a warm colour on a pale ground under a
// pale sky, lit from the front, and a camera that frames it (see framing.h). The scene declares
// nothing, so that it never clashes with what the user adds, and holds nothing from the export but
// the include's file name and declared name, which the include's own rules made.
#include "conversion/starter_scene.h"

#include <algorithm>

#include "conversion/framing.h"
#include "text/file_system.h"
#include "text/text.h"

namespace vex {

namespace {

// A vector of the scene, its numbers written as SceneNumber writes them.
Text VectorText(const Vector& v, int decimals) {
    Text text = u"<";
    text += SceneNumber(v[0], decimals) + u", " + SceneNumber(v[1], decimals) + u", " +
            SceneNumber(v[2], decimals) + u">";
    return text;
}

// The include's file name as a POV-Ray string, in which a backslash begins an escape: each quote
// and backslash of the name is escaped, so that none can end the string early and let the rest of
// the name be read as POV-Ray source.
Text QuotedName(const Text& name) {
    Text quoted = u"\"";
    for (const char16_t c : name) {
        if (c == u'"' || c == u'\\') {
            quoted += u'\\';
        }
        quoted += c;
    }
    return quoted + u"\"";
}

// The object as it stands, or moved and scaled to where POV-Ray draws it.
Text ObjectLine(const Framing& framing, const Text& declaredName) {
    Text line = u"object { " + declaredName;
    if (framing.moved) {
        const Vector back = {-framing.centre[0], -framing.centre[1], -framing.centre[2]};
        // The centre was written to `decimals` already; its shortest text is that writing.
        line +=
            u" translate " + VectorText(back, 18) + u" scale 1e" + DecimalText(framing.exponent);
    }
    return line + u" pigment { rgb <0.95, 0.55, 0.25> } finish { phong 0.5 } }";
}

}  // namespace

bool HasSceneObject(const ObjectTable& table) {
    const auto rows = StoredRows(table);
    return std::any_of(rows.begin(), rows.end(), [](const ObjectRow& row) {
        return IsSweepPoint(row) || IsBlobComponent(row);
    });
}

void WriteStarterScene(LineFileId output, const ObjectTable& table, const IncludeNames& names) {
    const Framing framing = FramePieces(ShownPieces(table));
    const int decimals = framing.decimals;
    const auto write = [output](const Text& line) { WriteLine(output, line, AnsiFormat); };
    write(u"// A first scene for the include: yours to change; Vexlorin never writes over it.");
    write(u"#version 3.7;");
    write(u"global_settings { assumed_gamma 1.0 }");
    write(u"#include " + QuotedName(SplitPath(names.includePath).name));
    write(Text());
    if (framing.moved) {
        write(
            u"// Moved to the origin and scaled: POV-Ray draws nothing this small, far or large.");
    }
    write(ObjectLine(framing, names.declaredName));
    write(u"plane { y, " + SceneNumber(framing.ground, decimals) +
          u" pigment { rgb <0.86, 0.84, 0.8> } }");
    write(u"background { rgb <0.72, 0.82, 0.94> }");
    write(u"light_source { " + VectorText(framing.light, decimals) + u" color rgb 1 }");
    // The width along -x: the include's coordinates are right-handed, as the modeller's are.
    write(u"camera {");
    write(u"     right -4/3*x");
    write(u"     location " + VectorText(framing.location, decimals));
    write(u"     look_at " + VectorText(framing.lookAt, decimals));
    write(u"}");
}

}  // namespace vex
