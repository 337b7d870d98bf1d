// Reading only the lines that hold a word. The fills are searched for the word itself, so the
// lines between are passed over whatever they hold (a line end in every byte, or none in
// millions), and the line that holds it is found in the same single pass: the first bytes of the
// line in progress are kept at the end of each fill, as much as the caller keeps of a line.
#include <algorithm>

#include "text/line_file_record.h"

namespace vex {

namespace {

using namespace detail;

// The last bytes of the line in progress at the end of a fill, as many as a word needs but one:
// a word that begins there and ends in the next fill is seen across the two.
class Seam {
  public:
    explicit Seam(std::string_view word) : word_(word) {}

    // Takes in the bytes [from, to) of the line in progress; `restart` when the line began there.
    void Add(const char* from, const char* to, bool restart) {
        const size_t keep = word_.size() - 1;
        const auto n = static_cast<size_t>(to - from);
        if (restart) {
            kept_.clear();
        }
        if (n >= keep) {
            kept_.assign(to - keep, keep);
            return;
        }
        kept_.append(from, n);
        kept_.erase(0, kept_.size() - std::min(kept_.size(), keep));
    }

    // True when the word begins in the kept bytes and ends at the start of the next fill. The
    // word holds no line end, so such a match cannot reach past the line.
    bool Crosses(const char* from, const char* to) const {
        const std::string_view fill(from, static_cast<size_t>(to - from));
        for (size_t k = 0; k < kept_.size(); ++k) {
            const std::string_view begun = std::string_view(kept_).substr(k);
            if (word_.starts_with(begun) && fill.starts_with(word_.substr(begun.size()))) {
                return true;
            }
        }
        return false;
    }

  private:
    std::string_view word_;
    std::string kept_;
};

// Where the line holding the word begins within the fill [from, to): `from` itself when the line
// began in an earlier fill (its first bytes are then in `head`), or null when the fill does not
// hold the word.
const char* FindHoldingLine(const char* from, const char* to, const WordSearch& search, Seam& seam,
                            std::string& head) {
    if (seam.Crosses(from, to)) {
        return from;
    }
    const char* at = search.Find(from, to);
    if (at == to) {
        return nullptr;
    }
    const char* lastEnd = FindLastLineEnd(from, at);
    if (lastEnd == nullptr) {
        return from;
    }
    head.clear();
    return lastEnd + 1;
}

// Passes over a fill that does not hold the word, keeping the first bytes and the seam of the
// line in progress at its end.
void PassOver(LineFileRecord& record, Seam& seam, size_t longest) {
    const char* from = NextByte(record);
    const char* to = from + record.count;
    const char* lastEnd = FindLastLineEnd(from, to);
    const char* lineStart = lastEnd == nullptr ? from : lastEnd + 1;
    if (lastEnd != nullptr) {
        record.head.clear();
    }
    Keep(record.head, lineStart, static_cast<size_t>(to - lineStart), longest);
    seam.Add(lineStart, to, lastEnd != nullptr);
    record.count = 0;
}

// Reads on from the start of a line holding the word to its end, across fills, and decodes what
// is kept of it into `line`.
void FinishLine(LineFileRecord& record, const char* lineStart, int32_t format, size_t longest,
                Text& line) {
    record.count -= static_cast<int32_t>(lineStart - NextByte(record));
    GatherLine(record, [&](const char* from, size_t n) { Keep(record.head, from, n, longest); });
    Decode(record.head, format, record, line);
}

// The next line that holds the word, when the fill holds it whole, as most do: found in one pass
// and decoded where it lies. False, with nothing read, for any other case.
bool ReadLineInFill(LineFileRecord& record, int32_t format, size_t longest, Text& line) {
    const char* from = NextByte(record);
    const char* to = from + record.count;
    const char* at = record.search.Find(from, to);
    if (at == to) {
        return false;
    }
    const char* lastEnd = FindLastLineEnd(from, at);
    const char* lineStart = lastEnd == nullptr ? from : lastEnd + 1;
    const char* end = FindLineEnd(at + record.search.Length(), to);
    if (end == to || (*end == '\r' && end + 1 == to)) {
        return false;
    }
    const auto n = static_cast<size_t>(end - lineStart);
    Decode(std::string_view(lineStart, std::min(n, longest)), format, record, line);
    record.count = static_cast<int32_t>(to - end) - (*end == '\r' && end[1] == '\n' ? 2 : 1);
    return true;
}

}  // namespace

bool ReadNextLineHolding(LineFileId id, int32_t format, std::string_view word, size_t longest,
                         Text& line) {
    LineFileRecord* record = FindLineFile(id);
    if (record == nullptr || word.empty()) {
        line.clear();
        return false;
    }
    SwitchToReading(*record);
    if (!IsOffered(format)) {
        Refuse(*record, format);
        line.clear();
        return false;
    }
    record->search.Prepare(word);
    record->head.clear();
    if (ReadLineInFill(*record, format, longest, line)) {
        return true;
    }
    Seam seam(word);
    while (Refill(*record)) {
        const char* from = NextByte(*record);
        const char* lineStart =
            FindHoldingLine(from, from + record->count, record->search, seam, record->head);
        if (lineStart != nullptr) {
            FinishLine(*record, lineStart, format, longest, line);
            return true;
        }
        PassOver(*record, seam, longest);
    }
    line.clear();
    return false;
}

}  // namespace vex
