#include "conversion/preview.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "text/child_process.h"
#include "text/file_system.h"

namespace vex {

namespace {

// A render of the starter scene takes a second or two; one that runs a minute is stuck, or is a
// scene the user made far heavier than a preview is for.
constexpr std::chrono::seconds RenderLimit{60};

// As much of POV-Ray's output as is kept: its errors come last, just before it stops.
constexpr size_t KeptOutput = 8192;

// The most characters of POV-Ray's error line a message shows.
constexpr size_t LongestErrorLine = 200;

// POV-Ray's command-line renderer: `povray` on the PATH; on Windows, failing that, POV-Ray for
// Windows' own program, which takes the scene after its switch /RENDER, renders it and, with
// /EXIT, ends.
struct Renderer {
    Text path;
    bool forWindows = false;
};

Renderer FindPovRay() {
    Text path = FindOnPath(u"povray");
    if (!path.empty()) {
        return Renderer{path, false};
    }
    path = InstalledProgram(u"POV-Ray\\v3.7\\bin\\pvengine64.exe");
    return Renderer{path, !path.empty()};
}

// True when POV-Ray 3.7 can be given the file's name: it refuses every character outside
// printable ASCII in its options and file names, and a double quote would end the name early.
bool PovRayCanName(TextView name) {
    return std::all_of(name.begin(), name.end(),
                       [](char16_t c) { return c >= u' ' && c <= u'~' && c != u'"'; });
}

// 640x480 PNG, anti-aliased; no window (-D), no pause when done, none of the statistics and
// option lists POV-Ray writes besides its errors. The scene's name is quoted, as POV-Ray wants a
// name with a space; the picture's is a plain one of Vexlorin's own (NewFileName).
std::vector<Text> RenderArguments(const Renderer& renderer, const Text& scene,
                                  const Text& picture) {
    std::vector<Text> arguments;
    if (renderer.forWindows) {
        arguments = {u"/EXIT", u"/NR", u"/RENDER", scene};
    } else {
        arguments = {u"+I\"" + scene + u"\""};
    }
    for (const char16_t* option :
         {u"+W640", u"+H480", u"+FN", u"+A0.3", u"-D", u"-P", u"-V", u"-GD", u"-GR", u"-GS"}) {
        arguments.emplace_back(option);
    }
    arguments.push_back(u"+O" + picture);
    return arguments;
}

// The lines of POV-Ray's output, with those it wrapped at 80 columns (the rest of a line goes on
// with a space) joined again; empty lines left out.
std::vector<std::string> OutputLines(const std::string& output) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = std::min(output.find('\n', start), output.size());
        std::string line = output.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line[0] == ' ' && !lines.empty()) {
            lines.back() += line;
        } else if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

// POV-Ray's first line that speaks of an error, else its last line, made safe to show and cut
// short (never within a surrogate pair); empty when it wrote nothing.
Text ErrorLine(const std::string& output) {
    const std::vector<std::string> lines = OutputLines(output);
    auto error = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("rror") != std::string::npos;  // "Parse Error", "Fatal error"
    });
    if (error == lines.end()) {
        error = lines.empty() ? lines.end() : lines.end() - 1;
    }
    Text line = error == lines.end() ? Text() : CleanName(FromUtf8(*error));
    if (line.size() > LongestErrorLine) {
        const size_t cut = LongestErrorLine - (IsLowSurrogate(line[LongestErrorLine]) ? 1 : 0);
        line = line.substr(0, cut) + u"...";
    }
    return line;
}

// What went wrong with a render that made no picture.
Text RenderFailure(const ChildResult& result, const Text& scene) {
    switch (result.end) {
        case ChildEnd::NotStarted:
            return u"POV-Ray could not be started (" + result.why + u").";
        case ChildEnd::OverTime:
            return u"POV-Ray was stopped after " + DecimalText(RenderLimit.count()) +
                   u" s, before it had finished.";
        case ChildEnd::Interrupted:
            return u"POV-Ray was stopped: Vexlorin was asked to end (signal " +
                   DecimalText(result.code) + u").";
        case ChildEnd::Signalled:
            return u"POV-Ray ended abnormally on " + scene + u" (signal " +
                   DecimalText(result.code) + u").";
        case ChildEnd::Exited:
            break;
    }
    const Text line = ErrorLine(result.output);
    if (line.empty()) {
        return u"POV-Ray failed on " + scene + u" (exit status " + DecimalText(result.code) + u").";
    }
    return u"POV-Ray failed on " + scene + u": " + line;
}

// True when the file holds at least one byte.
bool HoldsBytes(FileSystem& files, const Folder& folder, const Text& name) {
    const FileHandle file = files.OpenForReading(folder, name);
    if (file == NoFileHandle) {
        return false;
    }
    char first = 0;
    const bool holds = files.Read(file, &first, 1) == 1;
    files.Close(file);
    return holds;
}

// Renders `scene` into the new file `drawn` and puts it in the place of `picture`: an empty text,
// or what went wrong.
Text RenderInto(const Folder& folder, const Text& scene, const Text& drawn, const Text& picture) {
    const Renderer renderer = FindPovRay();
    if (renderer.path.empty()) {
        return u"POV-Ray was not found (install it: apt-get install povray, or POV-Ray for "
               u"Windows from www.povray.org).";
    }
    const ChildRun run{renderer.path, RenderArguments(renderer, scene, drawn), RenderLimit,
                       KeptOutput};
    const ChildResult result = RunChild(run, folder);
    FileSystem& files = CurrentFileSystem();
    if (result.end != ChildEnd::Exited || result.code != 0) {
        return RenderFailure(result, scene);
    }
    if (!HoldsBytes(files, folder, drawn)) {
        return u"POV-Ray ended without writing " + picture + u".";
    }
    if (!files.Replace(folder, drawn, picture)) {
        return picture + u" could not be replaced (" + files.LastError() + u").";
    }
    return Text();
}

// Why no picture can be rendered from the scene at all; empty when one can be tried.
Text Unrenderable(const LineFolder& folder, const Text& scene) {
    if (!PovRayCanName(scene)) {
        return u"POV-Ray opens only files whose names are plain ASCII without quotes, and " +
               CleanName(scene) + u" is not.";
    }
    if (!folder.SameFile(scene, scene)) {
        return scene + u" is not there to render.";
    }
    return Text();
}

}  // namespace

Text RenderPreview(LineFolder& folder, const IncludeNames& names) {
    const Text& scene = names.sceneName;
    const Text& picture = names.pictureName;
    Text failure = Unrenderable(folder, scene);
    if (failure.empty()) {
        // A signal asking Vexlorin to end (Ctrl-C) stops POV-Ray, and ends Vexlorin only once the
        // new file is gone, when this goes.
        const EndingSignalsHeld held;
        FileSystem& files = CurrentFileSystem();
        // POV-Ray writes the picture as it goes: into a new file of its own, which only a complete
        // render puts in the place of an earlier picture. POV-Ray insists on the ending ".png".
        NewFile drawn = CreateBeside(files, folder.Held(), u".png");
        if (drawn.handle == NoFileHandle) {
            return u"No preview: " + CleanName(picture) + u" could not be made in the folder (" +
                   files.LastError() + u").";
        }
        files.Close(drawn.handle);
        failure = RenderInto(folder.Held(), scene, drawn.name, picture);
        if (!failure.empty()) {
            files.Remove(folder.Held(), drawn.name);
        }
    }
    return failure.empty() ? CleanName(picture) + u": the preview, rendered by POV-Ray (640x480)."
                           : u"No preview: " + failure;
}

}  // namespace vex
