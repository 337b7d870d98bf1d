// The whole conversion over arbitrary input: the scanned and placed table must keep within its
// capacity and count only what it stored, the include must consist of CR LF-terminated lines only
// and hold exactly the rows the counters announce, the summary must report the same counters, the
// input must be left as it was, and no file but the include may be added. Above all, POV-Ray runs
// whatever directives an include holds: every line must be one of the writer's fixed lines, or a
// point or component line whose pieces are numbers.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/conversion.h"
#include "conversion/object_table.h"
#include "conversion/placement.h"
#include "conversion/scanner.h"
#include "conversion/volume.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/memory_file_system.h"

namespace {

using vex::Text;

constexpr char16_t InputPath[] = u"/m/scene.x3d";
constexpr char16_t OutputPath[] = u"/m/scene.inc";

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

void CheckTable(const vex::ObjectTable& table) {
    FUZZ_CHECK(table.rowCount >= 0 && table.rowCount <= vex::ObjectCapacity);
    FUZZ_CHECK(table.leftOut >= 0);
    FUZZ_CHECK(table.leftOut == 0 || table.rowCount == vex::ObjectCapacity);
    int64_t sweeps = 0;
    int64_t blobs = 0;
    for (int64_t i = 1; i <= table.rowCount; ++i) {
        const Text& name = table.rows[static_cast<size_t>(i)].name;
        sweeps += name.rfind(u"Sweep", 0) == 0 ? 1 : 0;
        blobs += name.rfind(u"Mball", 0) == 0 ? 1 : 0;
    }
    FUZZ_CHECK(sweeps + blobs ==
               table.sweepCount + table.blobCount + table.withoutVolume + table.tooDeep);
    FUZZ_CHECK(table.rowCount == sweeps + blobs);
    FUZZ_CHECK(table.rows[0].name.empty() && table.rows[0].translation.vector.empty());
}

vex::ObjectTable PlacedTable() {
    vex::ObjectTable table;
    const vex::LineFileId input = vex::OpenLineFile(vex::AutoId, InputPath);
    FUZZ_CHECK(input != 0);
    vex::Scan(input, table);
    FUZZ_CHECK(vex::CloseLineFile(input));
    vex::PlaceObjects(table);
    return table;
}

// Every line of the include ends with CR LF, and neither byte occurs anywhere else.
void CheckLineEnds(std::string_view include) {
    FUZZ_CHECK(include.size() >= 2 && include.substr(include.size() - 2) == "\r\n");
    for (size_t i = 0; i < include.size(); ++i) {
        if (include[i] == '\r') {
            FUZZ_CHECK(i + 1 < include.size() && include[i + 1] == '\n');
        } else if (include[i] == '\n') {
            FUZZ_CHECK(i > 0 && include[i - 1] == '\r');
        }
    }
}

// A number as POV-Ray reads one, less the spaces around it, checked the plain way: only number
// characters, and strtod takes all of them (with no letters but e, it reads no hex, infinity or
// nan) to a finite value; and no longer than POV-Ray takes a token (255 characters).
bool IsNumber(std::string_view piece) {
    while (!piece.empty() && piece.back() == ' ') {
        piece.remove_suffix(1);
    }
    while (!piece.empty() && piece.front() == ' ') {
        piece.remove_prefix(1);
    }
    if (piece.empty() || piece.size() > 255 ||
        piece.find_first_not_of("0123456789.eE+-") != std::string_view::npos) {
        return false;
    }
    const std::string text(piece);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

// True when the line is the shape with each '#' standing for a number piece, which runs up to
// the next character of the shape.
bool Matches(std::string_view line, std::string_view shape) {
    size_t at = 0;
    for (size_t i = 0; i < shape.size(); ++i) {
        if (shape[i] != '#') {
            if (at >= line.size() || line[at++] != shape[i]) {
                return false;
            }
            continue;
        }
        const size_t end = i + 1 < shape.size() ? line.find(shape[i + 1], at) : line.size();
        if (end == std::string_view::npos || !IsNumber(line.substr(at, end - at))) {
            return false;
        }
        at = end;
    }
    return at == line.size();
}

bool IsWriterLine(std::string_view line) {
    static const std::string_view fixed[] = {
        "// convert x3d",   "// quillbrace 03.09.2023", "",
        "#declare scene =", "sphere_sweep {",           "     cubic_spline",
        "     }",           "#declare th = 0.5 ;",      "#declare sf = 2.0 ;",
        "blob {",           "     threshold th"};
    for (std::string_view f : fixed) {
        if (line == f) {
            return true;
        }
    }
    return Matches(line, "     #,") || Matches(line, "     <#, #, #> , #") ||
           Matches(line,
                   "     sphere{ <0,0,0>, 1, 1 scale <#, #, #> * sf  translate <#, #, #> }") ||
           Matches(line,
                   "     sphere{ <0,0,0>, 1, 1 matrix <#, #, #, #, #, #, #, #, #, 0, 0, 0> scale sf"
                   "  translate <#, #, #> }");
}

// The numbers between "<" and ">" after `form` in a component line, as written.
std::vector<Text> NumbersAfter(std::string_view line, std::string_view form) {
    std::vector<Text> numbers;
    std::string_view rest = line.substr(line.find(form) + form.size());
    rest = rest.substr(0, rest.find('>'));
    for (size_t comma = 0; comma != std::string_view::npos; rest.remove_prefix(comma + 1)) {
        comma = rest.find(',');
        numbers.push_back(vex::FromUtf8(rest.substr(0, comma)));
    }
    return numbers;
}

// A component has volume as written: every half-extent at least 0.0005, judged exactly, however
// large the numbers (POV-Ray stops at a singular matrix, and draws a whole sphere for a scale of
// 0).
bool HasVolume(std::string_view line) {
    if (line.find(" scale <") != std::string_view::npos) {
        const std::vector<Text> s = NumbersAfter(line, " scale <");
        return vex::HasVolumeAlongAxes({s[0], s[1], s[2]});
    }
    const std::vector<Text> m = NumbersAfter(line, " matrix <");
    return vex::HasVolume({m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8]});
}

void CheckRowsWritten(std::string_view include, const vex::ObjectTable& table) {
    int64_t points = 0;
    int64_t components = 0;
    bool countLineSeen = false;
    const std::string countLine = "     " + std::to_string(table.sweepCount + 2) + ",";
    for (size_t from = 0; from < include.size();) {
        const size_t end = include.find("\r\n", from);
        const std::string_view line = include.substr(from, end - from);
        FUZZ_CHECK(IsWriterLine(line));
        if (StartsWith(line, "     <")) {
            FUZZ_CHECK(line.find("> , -") == std::string_view::npos);  // a radius is a size
            ++points;
        }
        if (StartsWith(line, "     sphere{")) {
            FUZZ_CHECK(HasVolume(line));
            ++components;
        }
        countLineSeen = countLineSeen || line == countLine;
        from = end + 2;
    }
    FUZZ_CHECK(points == (table.sweepCount > 0 ? table.sweepCount + 2 : 0));
    FUZZ_CHECK(components == table.blobCount);
    FUZZ_CHECK(countLineSeen == (table.sweepCount > 0));
}

void CheckSummary(const vex::Message& message, const vex::ObjectTable& table) {
    const Text expected = u"scene.inc created > blobs: " + vex::DecimalText(table.blobCount) +
                          u" sweeps: " + vex::DecimalText(table.sweepCount);
    FUZZ_CHECK(message.kind == vex::Message::Kind::Summary);
    FUZZ_CHECK(message.text.rfind(expected, 0) == 0);
    FUZZ_CHECK(message.text.size() == expected.size() || message.text[expected.size()] == u'\n');
    // Objects left out are told right below the summary. (Lines further down may quote object
    // names, which can say anything.)
    const Text second = message.text.substr(std::min(message.text.size(), expected.size() + 1));
    FUZZ_CHECK(table.leftOut == 0 ||
               second.rfind(vex::DecimalText(table.leftOut) + u" more object", 0) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    vex::test::MemoryFileSystem files;
    files.files[InputPath] = input;
    vex::ScopedFileSystem scope(files);

    const vex::ObjectTable table = PlacedTable();
    CheckTable(table);
    const vex::Message message = vex::ConvertFile(InputPath);
    CheckSummary(message, table);
    FUZZ_CHECK(files.files.count(OutputPath) == 1);
    CheckLineEnds(files.files[OutputPath]);
    CheckRowsWritten(files.files[OutputPath], table);
    FUZZ_CHECK(files.files[InputPath] == input);
    FUZZ_CHECK(files.files.size() == 2);  // nothing but the include was left
    return 0;
}
