// Reads the X3D file line by line and collects its Sweep and Mball objects into the ObjectTable.
// The file is not parsed as XML: a transform's opening line carries "Transform DEF=" and its
// name, the three lines after it carry its translation, scale and rotation, one per line, and
// "</Transform>" closes it. An object inside another one (parented in the modeller) has values
// relative to it, so the scan keeps the Transforms it stands in.
#include "conversion/scanner.h"

#include <vector>

#include "conversion/matrix.h"
#include "conversion/value_line.h"

namespace vex {

namespace {

constexpr TextView TransformMarker = u"Transform DEF=";
constexpr TextView TransformOpening = u"<Transform";
constexpr TextView TransformClosing = u"</Transform>";
constexpr TextView MeshDataEnding = u"_ifs";  // the transform of an object's mesh data
constexpr TextView Decoration = u"OB_";       // how the exporter names mesh data by default

// The scan looks at no more than the first 4096 bytes of a line: far more than a name or three
// numbers take (a number of more than 255 characters is unreadable anyway), and so no line,
// however long, costs more memory or time than passing over it.
constexpr size_t LongestLineRead = 4096;

// Transforms deeper than this are counted but not kept: an object inside more cannot be placed.
constexpr size_t DeepestKept = DeepestPlaced;

// One Transform the scan stands in: its value lines as read, and its world matrix once an object
// inside it has asked for it (most Transforms are never asked: their numbers are never read).
struct Level {
    Text lines[3];  // translation, scale, rotation; none for a bare "<Transform"
    bool hasValues = false;
    bool known = false;  // `world` and `unreadable` are worked out
    Affine world;
    bool unreadable = false;  // a value of this Transform or of one it stands in
};

// The Transforms the scan stands in, outermost first.
class TransformStack {
  public:
    size_t Depth() const { return depth_; }

    // Opens a Transform; the caller then fills in its value lines (ValueLines) if it has them.
    void Open(bool hasValues) {
        if (depth_ < DeepestKept) {
            if (levels_.size() == depth_) {
                levels_.emplace_back();
            }
            Level& level = levels_[depth_];
            level.hasValues = hasValues;
            level.known = false;
        }
        ++depth_;
    }

    void Close() { depth_ -= depth_ > 0 ? 1 : 0; }

    // The value lines of the innermost Transform; null when it is too deep to be kept.
    Text* ValueLines() { return depth_ <= DeepestKept ? levels_[depth_ - 1].lines : nullptr; }

    // The world matrix of the Transforms around the innermost one, and in `unreadable` whether a
    // value among them is; false when they are deeper than the levels kept. So an object is
    // placed inside as many Transforms as are kept, its own values being read apart.
    bool Around(Affine& world, bool& unreadable) {
        const size_t around = depth_ - 1;
        if (around > DeepestKept) {
            return false;
        }
        world = Affine();
        unreadable = false;
        if (around > 0) {
            const Level& parent = Worked(around - 1);
            world = parent.world;
            unreadable = parent.unreadable;
        }
        return true;
    }

  private:
    // Level i with its world matrix worked out, and those of the levels around it.
    const Level& Worked(size_t i) {
        Level& level = levels_[i];
        if (level.known) {
            return level;
        }
        Affine outer;
        bool outerUnreadable = false;
        if (i > 0) {
            const Level& parent = Worked(i - 1);
            outer = parent.world;
            outerUnreadable = parent.unreadable;
        }
        TransformValues values;
        if (level.hasValues) {
            values = ReadTransformValues(level.lines[0], level.lines[1], level.lines[2]);
        }
        level.world = Compose(outer, TransformMatrix(values));
        level.unreadable = outerUnreadable || !values.readable || !values.rotationReadable;
        level.known = true;
        return level;
    }

    std::vector<Level> levels_;
    size_t depth_ = 0;
};

bool EndsWith(TextView text, TextView ending) {
    return text.size() >= ending.size() && text.substr(text.size() - ending.size()) == ending;
}

// Reads the three value lines of a Transform into `lines` (or passes over them when there is no
// room to keep them), whether or not the file still has them.
void ReadValueLines(LineFileId input, Text* lines) {
    Text unused;
    for (int i = 0; i < 3; ++i) {
        ReadLineInto(input, AnsiFormat, lines != nullptr ? lines[i] : unused,
                     lines != nullptr ? LongestLineRead : 0);
    }
}

// Stores the object of the innermost Transform, whose value lines have just been read.
void Store(const Text& name, const Text* lines, TransformStack& stack, ObjectTable& table) {
    ObjectRow& row = table.rows[static_cast<size_t>(++table.rowCount)];
    row = ObjectRow();
    row.name = name;
    row.depth = static_cast<int64_t>(stack.Depth()) - 1;
    row.translation = CutVector(lines[0], false);
    row.scale = CutVector(lines[1], true);
    row.values = ReadTransformValues(lines[0], lines[1], lines[2]);
    row.deeperThanKept = !stack.Around(row.around, row.aroundUnreadable);
}

// The object name from an accepted "Transform DEF=" line, d being where that text starts: what
// lies between the first double quote after it and the line's last eleven characters. The line
// is looked at through views: only the name is copied.
Text CutObjectName(const Text& line, int64_t d) {
    const TextView rest = MidView(line, d, TextLength(line) - d);
    const int64_t quote = FindText(rest, u"\"", 1);
    return MidText(rest, quote + 1, TextLength(rest) - quote - 10);
}

// Takes in a line holding "Transform DEF=" at d: a Transform with a name and three value lines.
// `spare` holds the value lines of an object too deep for the stack to keep them.
void TakeObject(LineFileId input, const Text& line, int64_t d, TransformStack& stack, Text* spare,
                ObjectTable& table) {
    const Text name = CutObjectName(line, d);
    const bool meshData = EndsWith(name, MeshDataEnding);
    if (meshData) {
        // Mesh data stands inside its object's Transform, unless the export has no hierarchy.
        const TextView object = TextView(name).substr(name.starts_with(Decoration) ? 3 : 0);
        table.withoutHierarchy = table.withoutHierarchy || stack.Depth() == 0;
        table.nestedSweepOrMballData = table.nestedSweepOrMballData ||
                                       (stack.Depth() > 0 && (IsSweep(object) || IsBlob(object)));
    }
    const bool converted = !meshData && (IsSweep(name) || IsBlob(name));
    const bool full = table.rowCount == ObjectCapacity;
    stack.Open(true);
    Text* lines = stack.ValueLines() != nullptr ? stack.ValueLines() : spare;
    // Once the table is full no object will ask for a world matrix, so no value is kept.
    ReadValueLines(input, full ? nullptr : lines);
    if (converted && full) {
        ++table.leftOut;  // read past, and counted so that the user hears of it
    } else if (converted) {
        Store(name, lines, stack, table);
    }
}

}  // namespace

void Scan(LineFileId input, ObjectTable& table) {
    // One text holds each line in turn, so its storage is allocated only as the lines grow.
    Text line;
    Text spare[3];
    TransformStack stack;
    bool closes = false;
    // Most lines, among them every long line of mesh data, are passed over unread.
    while (ReadNextLineHolding(input, AnsiFormat, "Transform", LongestLineRead, line)) {
        if (const int64_t d = FindText(line, TransformMarker); d != 0) {
            TakeObject(input, line, d, stack, spare, table);
        } else if (FindText(line, TransformOpening) != 0) {
            stack.Open(false);
        } else if (FindText(line, TransformClosing) != 0) {
            stack.Close();
            closes = true;
        }
    }
    // A hand-made file often closes nothing; read with the stack, every object in it would stand
    // in the one before.
    table.flat = !closes;
}

}  // namespace vex
