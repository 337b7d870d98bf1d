#include "text/compressed_input.h"

#include <zlib.h>

#include <cstring>
#include <vector>

namespace vex {

namespace {

constexpr int64_t RawReadSize = 4096;

// inflateInit2's window bits: the largest window, with a gzip header and trailer (16 +), so that
// zlib checks each member's CRC and length, and refuses data in zlib's own or no wrapping.
constexpr int GzipWindowBits = 16 + MAX_WBITS;

// The reasons the user reads in "could not be read to its end (...)".
constexpr char16_t Corrupt[] = u"the compressed data is corrupt";
constexpr char16_t EndsEarly[] = u"the compressed data ends early";
constexpr char16_t NoMemory[] = u"not enough memory to decompress it";

enum class Step { More, End, Failed };

}  // namespace

struct CompressedInput {
    FileHandle file = NoFileHandle;
    z_stream stream{};
    bool started = false;      // inflateInit2 succeeded, so inflateEnd is owed
    bool memberEnded = false;  // the last inflate finished a member: the file may end here
    bool done = false;         // the end or a failure was reported
    std::vector<unsigned char> raw = std::vector<unsigned char>(RawReadSize);

    CompressedInput() = default;
    CompressedInput(const CompressedInput&) = delete;
    CompressedInput& operator=(const CompressedInput&) = delete;
    ~CompressedInput() {
        if (started) {
            inflateEnd(&stream);
        }
    }
};

void CompressedInputEnd::operator()(CompressedInput* input) const {
    delete input;
}

namespace {

// Makes sure raw bytes wait to be inflated. End: the file ended where a member did.
Step FeedRaw(CompressedInput& input, Text& reason) {
    if (input.stream.avail_in > 0) {
        return Step::More;
    }
    const int64_t got = CurrentFileSystem().Read(
        input.file, reinterpret_cast<char*>(input.raw.data()), RawReadSize);
    if (got > 0) {
        input.stream.next_in = input.raw.data();
        input.stream.avail_in = static_cast<uInt>(got);
        return Step::More;
    }
    if (got == 0 && input.memberEnded) {
        return Step::End;
    }
    reason = got < 0 ? CurrentFileSystem().LastError() : Text(EndsEarly);
    return Step::Failed;
}

// Inflates what the raw bytes give. At the end of a member the stream starts over, so that another
// member may follow; whatever else follows fails its header check.
Step Inflate(CompressedInput& input, Text& reason) {
    const int result = inflate(&input.stream, Z_NO_FLUSH);
    input.memberEnded = result == Z_STREAM_END;
    if (result == Z_STREAM_END) {
        inflateReset(&input.stream);
    }
    if (result == Z_OK || result == Z_STREAM_END) {
        return Step::More;
    }
    reason = result == Z_MEM_ERROR ? NoMemory : Corrupt;
    return Step::Failed;
}

// Inflates into the n bytes at `into` until they are full, the file has ended or a fault stops it.
Step InflateInto(CompressedInput& input, char* into, int64_t n, Text& reason) {
    if (!input.started) {
        reason = NoMemory;
        return Step::Failed;
    }
    input.stream.next_out = reinterpret_cast<Bytef*>(into);
    input.stream.avail_out = static_cast<uInt>(n);
    Step step = Step::More;
    while (step == Step::More && input.stream.avail_out > 0) {
        step = FeedRaw(input, reason);
        step = step == Step::More ? Inflate(input, reason) : step;
    }
    return step;
}

}  // namespace

bool BeginsCompressed(const char* bytes, int64_t n) {
    return n >= 2 && bytes[0] == '\x1f' && bytes[1] == '\x8b';
}

CompressedInputPtr StartCompressedInput(FileHandle file, const char* firstBytes, int64_t n) {
    CompressedInputPtr input(new CompressedInput);
    input->file = file;
    std::memcpy(input->raw.data(), firstBytes, static_cast<size_t>(n));
    input->stream.next_in = input->raw.data();
    input->stream.avail_in = static_cast<uInt>(n);
    input->started = inflateInit2(&input->stream, GzipWindowBits) == Z_OK;
    return input;
}

int64_t ReadCompressedInput(CompressedInput& input, char* into, int64_t n, Text& reason) {
    if (input.done) {
        return 0;
    }
    const Step step = InflateInto(input, into, n, reason);
    input.done = step != Step::More;
    return step == Step::Failed ? -1 : n - input.stream.avail_out;
}

}  // namespace vex
