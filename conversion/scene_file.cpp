#include "conversion/scene_file.h"

#include "conversion/preview.h"
#include "conversion/starter_scene.h"
#include "text/text.h"

namespace vex {

namespace {

enum class SceneResult { Written, NotOnDisk, Kept, Failed };

// Writes the scene into a new file of the folder, which takes the scene's name only where nothing
// stands there; one that stands there already is not even written. NotOnDisk and Failed leave the
// reason in LastLineFileError.
SceneResult WriteScene(LineFolder& folder, const ObjectTable& table, const IncludeNames& names) {
    const Text& name = names.sceneName;
    if (folder.SameFile(name, name)) {
        return SceneResult::Kept;
    }
    OpenLineFileGuard scene(CreateLineFile(AutoId, folder, name, CreateMode::NewOnly));
    if (scene.Id() == 0) {
        return SceneResult::Failed;
    }
    WriteStarterScene(scene.Id(), table, names);
    switch (scene.CloseWithResult()) {
        case CloseResult::NameTaken:
            return SceneResult::Kept;
        case CloseResult::Failed:
            return SceneResult::Failed;
        case CloseResult::Closed:
            break;
    }
    return folder.Sync() ? SceneResult::Written : SceneResult::NotOnDisk;
}

// The line for a scene that is written, or kept.
Text SceneLine(SceneResult result, const IncludeNames& names) {
    const Text shown = CleanName(names.sceneName);
    switch (result) {
        case SceneResult::Written:
            return shown + u" created: a starter scene that renders " + CleanName(names.baseName) +
                   u".inc.";
        case SceneResult::NotOnDisk:
            return shown + u" created, but it may not be on the disk yet (" + LastLineFileError() +
                   u").";
        default:
            return shown + u" kept: a file of that name is there already and was left as it is.";
    }
}

}  // namespace

Text MakeScene(LineFolder& folder, const ObjectTable& table, const IncludeNames& names,
               const ConversionOptions& options) {
    if (!options.scene) {
        return Text();
    }
    const Text shown = CleanName(names.sceneName);
    if (!HasSceneObject(table)) {
        return u"\nNo " + shown + u": the include declares nothing to show" +
               (options.preview ? u", so there is no preview either." : u".");
    }
    const SceneResult result = WriteScene(folder, table, names);
    if (result == SceneResult::Failed) {
        return u"\n" + shown + u" could not be written (" + LastLineFileError() + u")" +
               (options.preview ? u", so there is no preview." : u".");
    }
    Text lines = u"\n" + SceneLine(result, names);
    if (options.preview) {
        lines += u"\n" + RenderPreview(folder, names);
    }
    return lines;
}

}  // namespace vex
