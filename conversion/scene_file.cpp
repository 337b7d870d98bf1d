#include "conversion/scene_file.h"

#include <utility>

#include "conversion/preview.h"
#include "conversion/starter_scene.h"
#include "text/text.h"

namespace vex {

namespace {

enum class SceneResult { Written, Kept, Failed };

// Writes the scene into a new file of the folder that takes the scene's name only where nothing
// stands there. Failed leaves the reason in LastLineFileError.
SceneResult WriteScene(LineFolder& folder, const ObjectTable& table, const IncludeNames& names) {
    const Text name = SceneName(names);
    if (folder.SameFile(name, name)) {
        return SceneResult::Kept;
    }
    const LineFileId id = CreateLineFile(AutoId, folder, name);
    if (id == 0) {
        return SceneResult::Failed;
    }
    WriteStarterScene(id, table, names);
    if (!CloseLineFile(id)) {
        return SceneResult::Failed;
    }
    return folder.Sync() ? SceneResult::Written : SceneResult::Failed;
}

}  // namespace

Text SceneName(const IncludeNames& names) {
    return names.baseName + u".pov";
}

Text MakeScene(LineFolder& folder, const ObjectTable& table, const IncludeNames& names,
               const ConversionOptions& options) {
    if (!options.scene) {
        return Text();
    }
    const Text shown = CleanName(SceneName(names));
    if (!HasSceneObject(table)) {
        return u"\nNo " + shown + u": the include declares nothing to show" +
               (options.preview ? u", so there is no preview either." : u".");
    }
    Text lines;
    switch (WriteScene(folder, table, names)) {
        case SceneResult::Written:
            lines = u"\n" + shown + u" created: a starter scene that renders " +
                    CleanName(names.baseName) + u".inc.";
            break;
        case SceneResult::Kept:
            lines = u"\n" + shown + u" kept: a file of that name is there already and was left" +
                    u" as it is.";
            break;
        case SceneResult::Failed:
            return u"\n" + shown + u" could not be written (" + LastLineFileError() + u")" +
                   (options.preview ? u", so there is no preview." : u".");
    }
    if (options.preview) {
        lines += u"\n" + RenderPreview(folder, names);
    }
    return lines;
}

}  // namespace vex
