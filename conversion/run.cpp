// One conversion from the chosen path to the message the user sees. Every failure the user could
// meet ends in a message that says what happened; the chosen file is never written to.
#include "conversion/conversion.h"
#include "text/file_system.h"

namespace vex {

namespace {

Text BaseNameOf(const Text& inputPath) {
    const Text name = FilePart(inputPath);
    return MidText(name, 1, TextLength(name) - 4);
}

Message Failure(const Text& text) {
    return Message{SummaryCaption, text};
}

Text Reason() {
    return u" (" + LastLineFileError() + u")";
}

Text Summary(const Text& baseName, const ObjectTable& table) {
    Text summary = baseName + u".inc created > blobs: " + DecimalText(table.blobCount) +
                   u" sweeps: " + DecimalText(table.sweepCount);
    if (table.leftOut > 0) {
        summary += u"\n" + DecimalText(table.leftOut) + u" more objects were left out: an include" +
                   u" takes the first " + DecimalText(ObjectCapacity) + u".";
    }
    return summary;
}

// Reads the whole input into the table; false (with the message set) when it could not be read.
bool ReadInput(const Text& inputPath, ObjectTable& table, Message& message) {
    const LineFileId input = OpenLineFile(AutoId, inputPath);
    if (input == 0) {
        message =
            Failure(inputPath + u" could not be opened" + Reason() + u". Nothing was written.");
        return false;
    }
    Scan(input, table);
    if (!CloseLineFile(input)) {
        message = Failure(inputPath + u" could not be read to its end" + Reason() +
                          u". Nothing was written.");
        return false;
    }
    return true;
}

// Writes the include; false (with the message set) when it could not be written in full.
bool WriteOutput(const Text& outputPath, const ObjectTable& table, const Text& baseName,
                 Message& message) {
    const LineFileId output = CreateLineFile(AutoId, outputPath);
    if (output == 0) {
        message = Failure(outputPath + u" could not be written" + Reason() + u".");
        return false;
    }
    WriteInclude(output, table, baseName);
    if (!CloseLineFile(output)) {
        message = Failure(outputPath + u" could not be written" + Reason() +
                          u"; the file is incomplete.");
        return false;
    }
    return true;
}

}  // namespace

Text IncludePathFor(const Text& inputPath) {
    return PathPart(inputPath) + BaseNameOf(inputPath) + u".inc";
}

Message ConvertFile(const Text& inputPath) {
    if (TextEquals(inputPath, Text())) {
        return Message{InfoCaption, CanceledText};
    }
    Message message;
    ObjectTable table;
    if (!ReadInput(inputPath, table, message)) {
        return message;
    }
    const Text outputPath = IncludePathFor(inputPath);
    if (TextEquals(outputPath, inputPath) || CurrentFileSystem().SameFile(outputPath, inputPath)) {
        // Creating the output would empty the very file the user chose.
        return Failure(outputPath + u" is the chosen file itself; it was left as it is and" +
                       u" nothing was written.");
    }
    const Text baseName = BaseNameOf(inputPath);
    if (!WriteOutput(outputPath, table, baseName, message)) {
        return message;
    }
    return Message{SummaryCaption, Summary(baseName, table)};
}

void RunConversion(const Dialogs& dialogs) {
    const Text inputPath = dialogs.chooseInputFile(DialogTitle, DefaultInputFile, InputPattern, 0);
    const Message message = ConvertFile(inputPath);
    dialogs.showMessage(message.caption, message.text, 0);
}

}  // namespace vex
