// One conversion from the chosen path to the message the user sees. Every failure the user could
// meet ends in a message that says what happened; the chosen file is never written to.
#include "conversion/conversion.h"
#include "text/file_system.h"

namespace vex {

namespace {

// The folder (with its last separator) and the file name of the chosen path.
struct PathSplit {
    Text folder;
    Text name;
};

// PathPart and FilePart treat a double quote and a vertical bar as delimiters, which no Windows
// path holds; a Linux file or folder name may hold both, and there they would name the include
// ".inc" or put it into another folder, over whatever file of that name is there. Where the two
// parts do not give back the whole path (less a leading or enclosing pair of quotes), the path is
// split at its last separator instead.
PathSplit SplitInputPath(const Text& inputPath) {
    PathSplit parts{PathPart(inputPath), FilePart(inputPath)};
    const Text whole = parts.folder + parts.name;
    const Text bare = MidText(inputPath, FindText(inputPath, u"\"") == 1 ? 2 : 1);
    if (TextEquals(whole, bare) || TextEquals(whole + u"\"", bare)) {
        return parts;
    }
    const size_t separator = inputPath.find_last_of(u"\\/");
    const int64_t folderLength = separator == Text::npos ? 0 : static_cast<int64_t>(separator) + 1;
    return PathSplit{LeftText(inputPath, folderLength), MidText(inputPath, folderLength + 1)};
}

Text BaseNameOf(const Text& inputPath) {
    const Text name = SplitInputPath(inputPath).name;
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
        // The line end is appended on its own: GCC 12 at -O3 takes u"\n" + (a temporary text) for
        // an overlapping copy and warns (-Wrestrict), falsely.
        summary += u"\n";
        summary += DecimalText(table.leftOut) + u" more objects were left out: an include" +
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
    return SplitInputPath(inputPath).folder + BaseNameOf(inputPath) + u".inc";
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
