#include "fuzz/gzip_member.h"

// next_in as a pointer to const, so the bytes to compress need no cast that drops it.
#define ZLIB_CONST
#include <zlib.h>

#include <stdexcept>

namespace vex::test {

namespace {

// deflateInit2's window bits: the largest window, wrapped in a gzip header and trailer.
constexpr int GzipWindowBits = 16 + MAX_WBITS;

}  // namespace

std::string GzipMember(std::string_view bytes) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, GzipWindowBits, 8,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::string member(deflateBound(&stream, static_cast<uLong>(bytes.size())), '\0');
    stream.next_in = reinterpret_cast<const Bytef*>(bytes.data());
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(member.data());
    stream.avail_out = static_cast<uInt>(member.size());
    const int result = deflate(&stream, Z_FINISH);
    member.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        throw std::runtime_error("deflate did not finish");
    }
    return member;
}

}  // namespace vex::test
