// Writes a large X3D scene in the layout the modeller's exporter uses: one attribute per line,
// each object a Transform with translation, scale and rotation lines, an inner "..._ifs_TRANSFORM"
// transform for its mesh, and the mesh's coordIndex and point values each on one single line.
//
//   generate_scene many  OUT [totalMegabytes=300] [longestLineKilobytes=500]
//   generate_scene three OUT [longestLineMegabytes=80]
//
// "many" writes objects until the file holds about totalMegabytes, with mesh lines of varying
// length between half of longestLineKilobytes and all of it. "three" writes three objects whose
// point lines are longestLineMegabytes long and whose coordIndex lines are a quarter of that. The
// output depends only on the arguments, so every run of a benchmark reads the same bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

// A small deterministic generator, so the files are the same on every machine.
class Numbers {
  public:
    uint32_t Next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(state_ >> 33);
    }
    uint32_t Below(uint32_t limit) { return Next() % limit; }

  private:
    uint64_t state_ = 0x5EEDULL;
};

class Writer {
  public:
    explicit Writer(const char* path) : file_(std::fopen(path, "wb"), &std::fclose) {}
    bool Ok() const { return file_ != nullptr; }
    void Put(const std::string& text) { std::fwrite(text.data(), 1, text.size(), file_.get()); }
    void Put(const char* text) { std::fputs(text, file_.get()); }
    int64_t Written() { return static_cast<int64_t>(std::ftell(file_.get())); }
    std::FILE* File() { return file_.get(); }

  private:
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
};

std::string Fixed(Numbers& numbers, int whole) {
    char piece[32];
    const int sign = numbers.Below(2) == 0 ? 1 : -1;
    std::snprintf(piece, sizeof piece, "%d.%06u",
                  sign * static_cast<int>(numbers.Below(static_cast<uint32_t>(whole))),
                  numbers.Below(1000000));
    return piece;
}

std::string Triple(Numbers& numbers, int whole) {
    return Fixed(numbers, whole) + " " + Fixed(numbers, whole) + " " + Fixed(numbers, whole);
}

// Streams one attribute line of about `bytes` bytes, made by `piece`, without holding it whole.
template <typename Piece>
void LongLine(Writer& out, const char* head, int64_t bytes, Piece piece) {
    out.Put(head);
    std::string chunk;
    int64_t written = 0;
    while (written < bytes) {
        chunk.clear();
        while (chunk.size() < 65536 && written + static_cast<int64_t>(chunk.size()) < bytes) {
            chunk += piece();
        }
        written += static_cast<int64_t>(chunk.size());
        if (written >= bytes) {
            chunk.pop_back();  // no space before the closing quote
        }
        out.Put(chunk);
    }
    out.Put("\"\n");
}

void Header(Writer& out) {
    out.Put(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<X3D version=\"3.0\" profile=\"Immersive\">\n"
        "\t<head>\n"
        "\t\t<meta name=\"filename\" content=\"bench.x3d\" />\n"
        "\t\t<meta name=\"author\" content=\"Zo\xC3\xAB M\xC3\xBCller\" />\n"
        "\t</head>\n"
        "\t<Scene>\n");
}

void Footer(Writer& out) {
    out.Put("\t</Scene>\n</X3D>\n");
}

void Object(Writer& out, Numbers& numbers, const std::string& name, int64_t indexBytes,
            int64_t pointBytes) {
    out.Put("\t\t<Transform DEF=\"" + name + "_TRANSFORM\"\n");
    out.Put("\t\t           translation=\"" + Triple(numbers, 10) + "\"\n");
    out.Put("\t\t           scale=\"" + Triple(numbers, 3) + "\"\n");
    out.Put("\t\t           rotation=\"0.000000 0.707107 0.707107 3.141593\"\n\t\t           >\n");
    out.Put("\t\t\t<Transform DEF=\"" + name + "_ifs_TRANSFORM\"\n");
    out.Put("\t\t\t           translation=\"0.000000 0.000000 0.000000\"\n");
    out.Put("\t\t\t           scale=\"1.000000 1.000000 1.000000\"\n");
    out.Put(
        "\t\t\t           rotation=\"0.000000 1.000000 0.000000 0.000000\"\n\t\t\t           >\n");
    out.Put("\t\t\t\t<Group DEF=\"group_ME_" + name + "\">\n\t\t\t\t\t<Shape>\n");
    out.Put("\t\t\t\t\t\t<IndexedFaceSet solid=\"false\"\n");
    const uint32_t vertices = static_cast<uint32_t>(pointBytes / 27 + 1);
    LongLine(out, "\t\t\t\t\t\t                coordIndex=\"", indexBytes, [&] {
        std::string face;
        for (int corner = 0; corner < 4; ++corner) {
            face += std::to_string(numbers.Below(vertices)) + " ";
        }
        return face + "-1 ";
    });
    out.Put("\t\t\t\t\t\t                >\n");
    out.Put("\t\t\t\t\t\t\t<Coordinate DEF=\"coords_ME_" + name + "\"\n");
    LongLine(out, "\t\t\t\t\t\t\t            point=\"", pointBytes,
             [&] { return Fixed(numbers, 2) + " "; });
    out.Put("\t\t\t\t\t\t\t            />\n\t\t\t\t\t\t</IndexedFaceSet>\n");
    out.Put("\t\t\t\t\t</Shape>\n\t\t\t\t</Group>\n\t\t\t</Transform>\n\t\t</Transform>\n");
}

std::string Name(int index) {
    static const char* const kinds[] = {"Sweep", "Mball", "Cube"};
    char name[32];
    std::snprintf(name, sizeof name, "%s_%03d", kinds[index % 3], index / 3);
    return name;
}

void Many(Writer& out, int64_t totalBytes, int64_t longestLine) {
    Numbers numbers;
    for (int index = 0; out.Written() < totalBytes; ++index) {
        // Mesh lines from half the longest up to the longest, the first at the longest; so a
        // 300 MB file holds about 400 objects, within the 500 an include takes.
        const auto half = static_cast<uint32_t>(longestLine / 2);
        const int64_t indexLine = index == 0 ? longestLine : half + numbers.Below(half);
        const int64_t point = index == 0 ? longestLine : half + numbers.Below(half);
        Object(out, numbers, Name(index), indexLine, point);
    }
}

void Three(Writer& out, int64_t longestLine) {
    Numbers numbers;
    for (int index = 0; index < 3; ++index) {
        Object(out, numbers, Name(index), longestLine / 4, longestLine);
    }
}

int Usage() {
    std::fputs(
        "usage: generate_scene many OUT [totalMegabytes=300] [longestLineKilobytes=500]\n"
        "       generate_scene three OUT [longestLineMegabytes=80]\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return Usage();
    }
    const std::string shape = argv[1];
    Writer out(argv[2]);
    if (!out.Ok() || (shape != "many" && shape != "three")) {
        return Usage();
    }
    Header(out);
    if (shape == "many") {
        const int64_t total = (argc > 3 ? std::atoll(argv[3]) : 300) * 1000000;
        const int64_t longest = (argc > 4 ? std::atoll(argv[4]) : 500) * 1000;
        Many(out, total, longest);
    } else {
        Three(out, (argc > 3 ? std::atoll(argv[3]) : 80) * 1000000);
    }
    Footer(out);
    return std::ferror(out.File()) != 0 ? 1 : 0;
}
