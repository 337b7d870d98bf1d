// A gzip-compressed file read as the bytes it holds. The line file turns to it when a file it
// opened for reading begins with gzip's magic bytes: the modeller's exporter writes gzip when its
// Compress option is on, and older versions keep the name ending in .x3d.
#pragma once

#include <cstdint>
#include <memory>

#include "text/file_system.h"
#include "text/text.h"

namespace vex {

// The inflate stream of one file and the raw bytes waiting for it (compressed_input.cpp).
struct CompressedInput;

struct CompressedInputEnd {
    void operator()(CompressedInput* input) const;
};

using CompressedInputPtr = std::unique_ptr<CompressedInput, CompressedInputEnd>;

// True when the n bytes begin with gzip's two magic bytes, 1F 8B.
bool BeginsCompressed(const char* bytes, int64_t n);

// Starts inflating `file`, whose first n bytes (at most 4096) have been read into `firstBytes`
// already; the rest is read from the file 4096 bytes at a time.
CompressedInputPtr StartCompressedInput(FileHandle file, const char* firstBytes, int64_t n);

// Puts up to n (at most 4096) inflated bytes into `into`; the bytes of members written one after
// another come out as one, as gzip -d gives them. Returns their number, 0 at the end of the last
// member, or -1 when the file cannot be read on or its data are damaged (a bad check value, a
// stream cut short, anything but another member after one), with the reason in `reason`. Once it
// has returned 0 or -1 it returns 0.
int64_t ReadCompressedInput(CompressedInput& input, char* into, int64_t n, Text& reason);

}  // namespace vex
