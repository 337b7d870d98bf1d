#include "conversion/summary.h"

#include <algorithm>
#include <span>

namespace vex {

namespace {

// The first stored row that the predicate picks out; null when there is none.
const ObjectRow* FirstRow(const ObjectTable& table, bool (*picked)(const ObjectRow&)) {
    const std::span<const ObjectRow> rows = StoredRows(table);
    const auto found = std::find_if(rows.begin(), rows.end(), picked);
    return found != rows.end() ? &*found : nullptr;
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
    const Text& name = FirstRow(table, IsSweepPoint)->name;
    return u"Only one Sweep object (" + ShownName(name) +
           u"): POV-Ray needs at least two to draw the sphere_sweep and will reject this include."
           u" Add a second Sweep object in the modeller.";
}

Text UnreadableNote(const ObjectRow& row) {
    return ShownName(row.name) +
           u" lacks numbers POV-Ray can read in its translation, scale or rotation, or in those of"
           u" an object it lies in; the include has 0 in their place. Export the scene again in"
           u" full, one value a line.";
}

Text UnevenNote(const ObjectRow& row) {
    return ShownName(row.name) +
           u" is stretched unevenly, which a sphere_sweep cannot draw: its point takes the radius"
           u" along its x axis.";
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

}  // namespace

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

}  // namespace vex
