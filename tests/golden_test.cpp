// Exports and exactly what converting each must give. Every NAME.x3d in testdata/golden/ (crafted
// cases: file order, pieces that are not numbers, one kind of problem each, a name POV-Ray cannot
// declare) and in testdata/fixtures/ (the modeller's own export) is converted as a copy in a
// fresh folder, and must give the include NAME.inc byte for byte and the message NAME.txt (UTF-8,
// its lines joined by LF). An export that cannot be converted has no NAME.inc: its message must
// say it failed, and no include may be written. In a message, "<folder>/" stands for the folder of
// the copy, which a failure names.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "conversion/conversion.h"
#include "tests/test_support.h"

namespace vex {
namespace {

namespace fs = std::filesystem;

// The exports of both folders, each of which must hold some.
std::vector<fs::path> Exports() {
    std::vector<fs::path> found;
    for (const fs::path& folder : {fs::path(VEXLORIN_FIXTURES), fs::path(VEXLORIN_GOLDEN)}) {
        const size_t before = found.size();
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            if (entry.path().extension() == ".x3d") {
                found.push_back(entry.path());
            }
        }
        EXPECT_GT(found.size(), before) << "no exports in " << folder;
    }
    std::sort(found.begin(), found.end());
    return found;
}

fs::path With(fs::path path, const char* extension) {
    return path.replace_extension(extension);
}

TEST(Golden, EveryExportGivesItsIncludeAndMessageExactly) {
    for (const fs::path& x3d : Exports()) {
        SCOPED_TRACE(x3d.string());
        const test::TempFolder folder;
        const fs::path copy = folder.path() / x3d.filename();
        fs::copy_file(x3d, copy);
        const Message message = ConvertFile(test::PathText(copy));
        std::string said = test::ReadBytes(With(x3d, ".txt"));
        if (const size_t at = said.find("<folder>/"); at != std::string::npos) {
            said.replace(at, 9, ToUtf8(test::PathText(folder.path() / "")));
        }
        const bool converts = fs::exists(With(x3d, ".inc"));
        EXPECT_EQ(message.kind, converts ? Message::Kind::Summary : Message::Kind::Failure);
        EXPECT_EQ(ToUtf8(message.text), said);
        EXPECT_EQ(fs::exists(With(copy, ".inc")), converts);
        if (converts) {
            EXPECT_EQ(test::ReadBytes(With(copy, ".inc")), test::ReadBytes(With(x3d, ".inc")));
        }
    }
}

}  // namespace
}  // namespace vex
