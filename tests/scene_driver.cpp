// Writes the starter scene of each export named on the command line, NAME.pov beside it, as the
// program's conversion places its objects; for the render test. Exit status 0 when every export
// has something to show and its scene was written, 1 otherwise.
#include <cstdio>

#include "conversion/names.h"
#include "conversion/object_table.h"
#include "conversion/placement.h"
#include "conversion/scanner.h"
#include "conversion/starter_scene.h"
#include "text/line_file.h"

int main(int argc, char** argv) {
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        const vex::Text path = vex::FromUtf8(argv[i]);
        vex::ObjectTable table;
        const vex::LineFileId input = vex::OpenLineFile(vex::AutoId, path);
        vex::Scan(input, table);
        const bool read = input != 0 && vex::CloseLineFile(input);
        vex::PlaceObjects(table);
        const vex::IncludeNames names = vex::IncludeNamesFor(path);
        const vex::Text scene = names.folder + names.baseName + u".pov";
        const vex::LineFileId output =
            read && vex::HasSceneObject(table) ? vex::CreateLineFile(vex::AutoId, scene) : 0;
        if (output != 0) {
            vex::WriteStarterScene(output, table, names);
        }
        if (output == 0 || !vex::CloseLineFile(output)) {
            std::fprintf(stderr, "no scene for %s\n", argv[i]);
            status = 1;
        }
    }
    return status;
}
