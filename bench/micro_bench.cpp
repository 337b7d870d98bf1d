// Micro-benchmarks of the paths a large scene goes through: reading lines (finding line ends,
// gathering and decoding bytes), decoding, and the whole scan.
//
//   build-bench/micro_bench [--benchmark_filter=ReadLine]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "conversion/object_table.h"
#include "conversion/scanner.h"
#include "text/line_file.h"
#include "text/text.h"

namespace {

namespace fs = std::filesystem;

// Bytes that look like a mesh line: numbers and spaces.
std::string MeshBytes(size_t size) {
    std::string bytes;
    bytes.reserve(size + 16);
    for (unsigned value = 1; bytes.size() < size; value = value * 1103515245u + 12345u) {
        bytes += std::to_string(value % 1000) + "." + std::to_string(value % 997) + " ";
    }
    bytes.resize(size);
    return bytes;
}

// A temporary file that is removed when the benchmark is done with it.
class ScratchFile {
  public:
    explicit ScratchFile(const std::string& content)
        : path_(fs::temp_directory_path() / ("vexlorin-bench-" + std::to_string(::getpid()))) {
        std::ofstream(path_, std::ios::binary) << content;
    }
    ~ScratchFile() { fs::remove(path_); }
    vex::Text Path() const { return vex::FromUtf8(path_.string()); }

  private:
    fs::path path_;
};

// A file of about 32 MB made of lines of the given length, each ended by `lineEnd`.
std::string LinesOf(size_t lineLength, const std::string& lineEnd) {
    const size_t lines = std::max<size_t>(1, (32u << 20) / (lineLength + lineEnd.size()));
    const std::string line = MeshBytes(lineLength) + lineEnd;
    std::string content;
    content.reserve(lines * line.size());
    for (size_t i = 0; i < lines; ++i) {
        content += line;
    }
    return content;
}

// Reads the whole file, each line into a new text (ReadLine) or all into one (ReadLineInto, as
// the scanner does).
void ReadAll(benchmark::State& state, const std::string& lineEnd, bool reuse) {
    const std::string content = LinesOf(static_cast<size_t>(state.range(0)), lineEnd);
    const ScratchFile file(content);
    for (auto _ : state) {
        const vex::LineFileId id = vex::OpenLineFile(vex::AutoId, file.Path());
        int64_t units = 0;
        vex::Text line;
        while (!vex::IsEndOfFile(id)) {
            if (reuse) {
                vex::ReadLineInto(id, vex::AnsiFormat, line);
            } else {
                line = vex::ReadLine(id, vex::AnsiFormat);
            }
            units += vex::TextLength(line);
        }
        vex::CloseLineFile(id);
        benchmark::DoNotOptimize(units);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(content.size()));
}

void BM_ReadLine(benchmark::State& state) {
    ReadAll(state, "\n", false);
}
void BM_ReadLineInto(benchmark::State& state) {
    ReadAll(state, "\n", true);
}
void BM_ReadLineIntoCrLf(benchmark::State& state) {
    ReadAll(state, "\r\n", true);
}
BENCHMARK(BM_ReadLine)->Arg(60)->Arg(4000)->Arg(500000)->Arg(16 << 20);
BENCHMARK(BM_ReadLineInto)->Arg(60)->Arg(4000)->Arg(500000)->Arg(16 << 20);
BENCHMARK(BM_ReadLineIntoCrLf)->Arg(60)->Arg(500000);

// Decoding a line of ASCII bytes, the common case, and of bytes above 0x7F.
void BM_DecodeAnsi(benchmark::State& state) {
    std::string bytes = MeshBytes(1 << 20);
    if (state.range(0) != 0) {
        for (size_t i = 0; i < bytes.size(); i += 7) {
            bytes[i] = static_cast<char>(0x80 + i % 128);
        }
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(vex::DecodeAnsi(bytes));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_DecodeAnsi)->Arg(0)->Arg(1);

// A scene of a few objects with long mesh lines, about 32 MB, scanned whole.
std::string Scene(size_t meshLine) {
    std::string scene = "<X3D>\n";
    for (int object = 0; scene.size() < (32u << 20); ++object) {
        const std::string name = (object % 2 == 0 ? "Sweep_" : "Mball_") + std::to_string(object);
        scene += "<Transform DEF=\"" + name + "_TRANSFORM\"\n translation=\"1.000000 2.000000 " +
                 "3.000000\"\n scale=\"1.000000 1.000000 1.000000\"\n rotation=\"0 0 1 0\"\n>\n" +
                 "<Transform DEF=\"" + name + "_ifs_TRANSFORM\"\n coordIndex=\"" +
                 MeshBytes(meshLine / 2) + "\"\n point=\"" + MeshBytes(meshLine) + "\"\n";
    }
    return scene + "</X3D>\n";
}

void BM_Scan(benchmark::State& state) {
    const std::string content = Scene(static_cast<size_t>(state.range(0)));
    const ScratchFile file(content);
    for (auto _ : state) {
        const vex::LineFileId id = vex::OpenLineFile(vex::AutoId, file.Path());
        vex::ObjectTable table;
        vex::Scan(id, table);
        vex::CloseLineFile(id);
        benchmark::DoNotOptimize(table.rowCount);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(content.size()));
}
BENCHMARK(BM_Scan)->Arg(500000)->Arg(8 << 20);

}  // namespace
