// One conversion from the chosen path to the message the user sees. Every failure the user could
// meet ends in a message that says what happened; the chosen file is never written to.
#include <new>

#include "conversion/conversion.h"
#include "conversion/include_writer.h"
#include "conversion/names.h"
#include "conversion/object_table.h"
#include "conversion/placement.h"
#include "conversion/scanner.h"
#include "conversion/scene_file.h"
#include "conversion/summary.h"
#include "text/file_system.h"
#include "text/line_file.h"

namespace vex {

namespace {

Message Failure(const Text& text) {
    return Message{Message::Kind::Failure, text};
}

Text Reason() {
    return u" (" + LastLineFileError() + u")";
}

// Reads the whole input into the table; false (with the message set) when it could not be read.
bool ReadInput(const LineFolder& folder, const Text& inputPath, ObjectTable& table,
               Message& message) {
    OpenLineFileGuard input(OpenLineFile(AutoId, folder, SplitPath(inputPath).name));
    if (input.Id() == 0) {
        message = Failure(CleanName(inputPath) + u" could not be opened" + Reason() +
                          u". Nothing was written.");
        return false;
    }
    Scan(input.Id(), table);
    if (!input.Close()) {
        message = Failure(CleanName(inputPath) + u" could not be read to its end" + Reason() +
                          u". Nothing was written.");
        return false;
    }
    return true;
}

// Writes the include; false (with the message set) when it could not be written in full, which
// leaves an earlier include as it was, or when its place in the folder may not outlast a power
// cut.
bool WriteOutput(LineFolder& folder, const Text& outputPath, const ObjectTable& table,
                 const Text& declaredName, Message& message) {
    OpenLineFileGuard output(CreateLineFile(AutoId, folder, SplitPath(outputPath).name));
    if (output.Id() != 0) {
        WriteInclude(output.Id(), table, declaredName);
    }
    if (output.Id() == 0 || !output.Close()) {
        message = Failure(CleanName(outputPath) + u" could not be written" + Reason() +
                          u". Nothing was changed.");
        return false;
    }
    if (!folder.Sync()) {
        message = Failure(CleanName(outputPath) + u" was written, but may not be on the disk yet" +
                          Reason() + u": after a power cut an earlier include may be back.");
        return false;
    }
    return true;
}

Message Convert(const Text& inputPath, const ConversionOptions& options) {
    Message message;
    ObjectTable table;
    // The export's folder, held for the whole conversion: the include goes into the folder the
    // export was read from, whatever is done to the folder's name meanwhile.
    LineFolder folder(inputPath);
    if (!ReadInput(folder, inputPath, table, message)) {
        return message;
    }
    PlaceObjects(table);
    const IncludeNames names = IncludeNamesFor(inputPath);
    const Text& outputPath = names.includePath;
    const Text inputName = SplitPath(inputPath).name;
    const Text outputName = SplitPath(outputPath).name;
    if (TextEquals(outputName, inputName) || folder.SameFile(outputName, inputName)) {
        // The include would take the place of the very file the user chose.
        return Failure(CleanName(outputPath) +
                       u" is the chosen file itself; it was left as it is and" +
                       u" nothing was written.");
    }
    if (!WriteOutput(folder, outputPath, table, names.declaredName, message)) {
        return message;
    }
    Text summary = Summary(names, table);
    // The include is written by now: what goes wrong from here on is a note, not a failure.
    try {
        summary += MakeScene(folder, table, names, options);
    } catch (const std::bad_alloc&) {
        summary += u"\nNo starter scene: there was not enough memory.";
    }
    return Message{Message::Kind::Summary, summary};
}

}  // namespace

Message ConvertFile(const Text& inputPath, const ConversionOptions& options) {
    if (TextEquals(inputPath, Text())) {
        return Message{Message::Kind::Canceled, Text()};
    }
    // Memory is bounded by design; should the system have none to give all the same, the user
    // hears so, and an earlier include stays as it was.
    try {
        return Convert(inputPath, options);
    } catch (const std::bad_alloc&) {
        return Failure(CleanName(inputPath) +
                       u" could not be converted: there was not enough memory. Nothing was"
                       u" changed.");
    }
}

void RunConversion(const Dialogs& dialogs, const ConversionOptions& options) {
    dialogs.showMessage(ConvertFile(dialogs.chooseInputFile(), options));
}

}  // namespace vex
