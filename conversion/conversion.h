// The conversion: one chosen X3D file in, one POV-Ray include file out, one message to the user.
// What the shell, and the tests of the whole, use of it.
//
// Nothing here knows about windows or terminals: the run is given the two dialog operations, and
// the shell words and captions what it shows, so the conversion runs (and is tested) anywhere.
#pragma once

#include <functional>

#include "text/text.h"

namespace vex {

// What a conversion is asked to make beside the include: a starter scene (NAME.pov), and a
// preview picture rendered from it (NAME.png), which needs the scene.
struct ConversionOptions {
    bool scene = false;
    bool preview = false;
};

// What a conversion tells the user.
struct Message {
    enum class Kind {
        Summary,   // the include was written; the text is the summary and any notes
        Failure,   // nothing was written; the text says why
        Canceled,  // the user chose no file; there is no text
    };
    Kind kind = Kind::Summary;
    Text text;

    bool Failed() const { return kind == Kind::Failure; }
};

// Converts the file at inputPath and returns what to tell the user. The empty path means the
// user cancelled. Failures (an input that cannot be read, an output that cannot be written, an
// output that would be the input) give a message that says so, and change no file: neither the
// input nor an earlier include. Nothing is written but the include, by CreateLineFile, and what
// the options ask for once the include is written: with options.scene the starter scene, in the
// include's folder, only where no file of its name stands (one that does is kept, even one that
// appears while the scene is written); with options.preview the scene rendered (RenderPreview)
// when one stands there, written now or kept. Each of these adds one line to the summary; none
// of them fails the conversion, whose include is written.
Message ConvertFile(const Text& inputPath, const ConversionOptions& options = {});

// The two dialog operations the run needs, supplied by the shell (or by a test).
struct Dialogs {
    // Asks the user for an export: its path, or the empty text when the user cancels.
    std::function<Text()> chooseInputFile;
    // Shows the user a message, with the caption and words the shell gives it.
    std::function<void(const Message&)> showMessage;
};

// One whole conversion: ask for the input, convert it with the options, show the result.
void RunConversion(const Dialogs& dialogs, const ConversionOptions& options = {});

}  // namespace vex
