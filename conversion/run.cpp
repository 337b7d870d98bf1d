// One conversion from the chosen path to the message the user sees. Every failure the user could
// meet ends in a message that says what happened; the chosen file is never written to.
#include <new>
#include <utility>

#include "conversion/conversion.h"
#include "text/file_system.h"

namespace vex {

namespace {

Message Failure(const Text& text) {
    return Message{SummaryCaption, text, true};
}

Text Reason() {
    return u" (" + LastLineFileError() + u")";
}

// The first stored row that the predicate picks out; null when there is none.
const ObjectRow* FirstRow(const ObjectTable& table, bool (*picked)(const ObjectRow&)) {
    for (int64_t i = 1; i <= table.rowCount; ++i) {
        const ObjectRow& row = table.rows[static_cast<size_t>(i)];
        if (picked(row)) {
            return &row;
        }
    }
    return nullptr;
}

// An object's name as the message shows it: cleaned as every name is, and cut short when it is
// too long to read.
Text ShownName(const Text& name) {
    constexpr size_t Longest = 60;
    const Text shown = CleanName(TextView(name).substr(0, Longest));
    return name.size() > Longest ? shown + u"..." : shown;
}

Text LeftOutNote(int64_t leftOut) {
    const Text objects =
        leftOut == 1 ? u" more object was left out" : u" more objects were left out";
    return DecimalText(leftOut) + objects + u": an include takes the first " +
           DecimalText(ObjectCapacity) + u".";
}

Text NameNote(const IncludeNames& names) {
    return u"It declares " + names.declaredName + u", since \"" + CleanName(names.baseName) +
           u"\" is not a name POV-Ray accepts (ASCII letters, digits and _, not beginning with a"
           u" digit, not a reserved word).";
}

Text NothingNote(const ObjectTable& table, const IncludeNames& names) {
    const Text why = table.rowCount == 0
                         ? u"the export holds no Sweep or Mball object to convert"
                         : u"each Sweep and Mball object of the export was left out";
    Text note = u"The include declares nothing: " + why + u", so a scene that uses " +
                names.declaredName + u" stops there.";
    if (table.withoutHierarchy) {
        return note +
               u" It was exported without hierarchy, which leaves metaballs and empties out:"
               u" export it again with the exporter's Hierarchy option on.";
    }
    if (table.rowCount == 0 && table.nestedSweepOrMballData) {
        return note +
               u" It holds Sweep and Mball objects only through a collection instance, which the"
               u" exporter writes as mesh data alone, leaving metaballs out: make the instances"
               u" real in the modeller (Object > Apply > Make Instances Real) and export again.";
    }
    return note;
}

Text OneSweepNote(const ObjectTable& table) {
    const Text& name = FirstRow(table, [](const ObjectRow& row) {
                           return IsSweep(row.name) && !row.placed.tooDeep;
                       })->name;
    return u"Only one Sweep object (" + ShownName(name) +
           u"): POV-Ray needs at least two to draw the" +
           u" sphere_sweep and will reject this include. Add a second Sweep object in the "
           u"modeller.";
}

Text UnreadableNote(const ObjectRow& row) {
    return ShownName(row.name) +
           u" lacks numbers POV-Ray can read in its translation, scale or rotation, or in those" +
           u" of an object it lies in; the include has 0 in their place. Export the scene again "
           u"in" +
           u" full, one value a line.";
}

Text UnevenNote(const ObjectRow& row) {
    return ShownName(row.name) + u" is stretched unevenly, which a sphere_sweep cannot draw: its" +
           u" point takes the radius along its x axis.";
}

Text TooDeepNote(const ObjectTable& table) {
    const Text& name =
        FirstRow(table, [](const ObjectRow& row) { return row.placed.tooDeep; })->name;
    const int64_t more = table.tooDeep - 1;
    const Text who = more == 0 ? ShownName(name) + u" lies"
                               : ShownName(name) + u" and " + DecimalText(more) +
                                     (more == 1 ? u" more object lie" : u" more objects lie");
    return who + u" inside more than " + DecimalText(DeepestPlaced) +
           u" Transforms, deeper than Vexlorin follows, and " + (more == 0 ? u"was" : u"were") +
           u" left out.";
}

Text NoVolumeNote(const ObjectTable& table) {
    const Text& name =
        FirstRow(table, [](const ObjectRow& row) { return row.placed.noVolume; })->name;
    if (table.withoutVolume == 1) {
        return ShownName(name) + u" was left out of the blob: scaled to nothing, it has no volume.";
    }
    const int64_t more = table.withoutVolume - 1;
    return ShownName(name) + u" and " + DecimalText(more) +
           (more == 1 ? u" more Mball object" : u" more Mball objects") +
           u" were left out of the blob: scaled to nothing, they have no volume.";
}

// The summary on the first line, exactly as a clean export gets it alone; below it one line for
// each kind of problem, naming the first object concerned and what to do about it.
Text Summary(const IncludeNames& names, const ObjectTable& table) {
    Text summary = CleanName(names.baseName) + u".inc created > blobs: " +
                   DecimalText(table.blobCount) + u" sweeps: " + DecimalText(table.sweepCount);
    const auto note = [&summary](const Text& line) { summary += u"\n" + line; };
    if (table.leftOut > 0) {
        note(LeftOutNote(table.leftOut));
    }
    if (table.sweepCount == 0 && table.blobCount == 0) {
        note(NothingNote(table, names));
    }
    if (!TextEquals(names.declaredName, names.baseName)) {
        note(NameNote(names));
    }
    if (table.sweepCount == 1) {
        note(OneSweepNote(table));
    }
    if (const ObjectRow* row =
            FirstRow(table, [](const ObjectRow& r) { return r.placed.unreadable; })) {
        note(UnreadableNote(*row));
    }
    if (const ObjectRow* row =
            FirstRow(table, [](const ObjectRow& r) { return r.placed.uneven; })) {
        note(UnevenNote(*row));
    }
    if (table.withoutVolume > 0) {
        note(NoVolumeNote(table));
    }
    if (table.tooDeep > 0) {
        note(TooDeepNote(table));
    }
    return summary;
}

// A line file of the conversion, closed by Close; dropped when the conversion cannot go on to that
// point (an allocation that failed), so that no include takes its place half written.
class OpenLineFileGuard {
  public:
    explicit OpenLineFileGuard(LineFileId id) : id_(id) {}
    ~OpenLineFileGuard() { DropLineFile(id_); }
    OpenLineFileGuard(const OpenLineFileGuard&) = delete;
    OpenLineFileGuard& operator=(const OpenLineFileGuard&) = delete;

    LineFileId Id() const { return id_; }
    bool Close() { return CloseLineFile(std::exchange(id_, 0)); }

  private:
    LineFileId id_;
};

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

Message Convert(const Text& inputPath) {
    Message message;
    ObjectTable table;
    // The export's folder, held for the whole conversion: the include goes into the folder the
    // export was read from, whatever is done to the folder's name meanwhile.
    LineFolder folder(inputPath);
    if (!ReadInput(folder, inputPath, table, message)) {
        return message;
    }
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
    return Message{SummaryCaption, Summary(names, table)};
}

}  // namespace

Message ConvertFile(const Text& inputPath) {
    if (TextEquals(inputPath, Text())) {
        return Message{InfoCaption, CanceledText};
    }
    // Memory is bounded by design; should the system have none to give all the same, the user
    // hears so, and an earlier include stays as it was.
    try {
        return Convert(inputPath);
    } catch (const std::bad_alloc&) {
        return Failure(CleanName(inputPath) +
                       u" could not be converted: there was not enough memory. Nothing was"
                       u" changed.");
    }
}

void RunConversion(const Dialogs& dialogs) {
    const Text inputPath = dialogs.chooseInputFile(DialogTitle, DefaultInputFile, InputPattern, 0);
    const Message message = ConvertFile(inputPath);
    dialogs.showMessage(message.caption, message.text, 0);
}

}  // namespace vex
