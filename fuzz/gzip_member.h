// Bytes compressed as one gzip member, as the exporter's Compress option writes a file, for the
// tests and the fuzz targets to feed the line file compressed input.
#pragma once

#include <string>
#include <string_view>

namespace vex::test {

std::string GzipMember(std::string_view bytes);

}  // namespace vex::test
