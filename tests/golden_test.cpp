// Exports and exactly what converting each must give. Every NAME.x3d in testdata/golden/ (crafted
// cases: file order, pieces that are not numbers, one kind of problem each, a name POV-Ray cannot
// declare) and in testdata/fixtures/ (the modeller's own export) is converted as a copy in a
// fresh folder, and must give the include NAME.inc byte for byte and the message NAME.txt (UTF-8,
// its lines joined by LF).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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
        EXPECT_EQ(message.caption, SummaryCaption);
        EXPECT_FALSE(message.failed);
        EXPECT_EQ(ToUtf8(message.text), test::ReadBytes(With(x3d, ".txt")));
        EXPECT_EQ(test::ReadBytes(With(copy, ".inc")), test::ReadBytes(With(x3d, ".inc")));
    }
}

}  // namespace
}  // namespace vex
