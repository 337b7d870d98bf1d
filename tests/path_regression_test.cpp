// Paths that a Linux file system allows but a Windows one does not: double quotes and vertical
// bars in file and folder names. The include must still land beside the chosen file, under its
// base name, and nothing may be written anywhere else.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "conversion/conversion.h"
#include "tests/test_support.h"

namespace vex {
namespace {

namespace fs = std::filesystem;

TEST(IncludePathTest, StaysBesideTheChosenFile) {
    const struct {
        Text input;
        Text output;
    } cases[] = {
        // Paths as a Windows dialog gives them keep the rules of PathPart and FilePart, and the
        // last four characters of the name are dropped, whatever they are.
        {u"C:\\data\\scene.x3d", u"C:\\data\\scene.inc"},
        {u"C:\\data\\scene.X3D", u"C:\\data\\scene.inc"},
        {u"C:\\data\\scene.xml", u"C:\\data\\scene.inc"},
        {u"C:\\data\\model", u"C:\\data\\m.inc"},
        {u"/d/.x3d", u"/d/.inc"},
        {u"/d/a.b", u"/d/.inc"},
        {u"D:/dir/sub\\scene.X3D", u"D:/dir/sub\\scene.inc"},
        {u"\"D:\\dir\\file.x3d\"", u"D:\\dir\\file.inc"},
        {u"scene.x3d", u"scene.inc"},
        // A vertical bar in a folder name must not move the include up to another folder.
        {u"/home/u/a|b/scene.x3d", u"/home/u/a|b/scene.inc"},
        {u"/home/u/a|b/c|d.x3d", u"/home/u/a|b/c|d.inc"},
        // A double quote in a file name must not cut the name short.
        {u"/home/u/my \"scene\".x3d", u"/home/u/my \"scene\".inc"},
        {u"/home/u/\"q\"/scene.x3d", u"/home/u/\"q\"/scene.inc"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToUtf8(IncludePathFor(c.input)), ToUtf8(c.output)) << ToUtf8(c.input);
    }
}

TEST(IncludePathTest, ConversionInAFolderWithABarWritesOnlyBesideTheInput) {
    const test::TempFolder folder;
    const fs::path& top = folder.path();
    std::error_code refused;
    if (!fs::create_directories(top / "a|b", refused)) {
        GTEST_SKIP() << "this file system allows no vertical bar in a name";
    }
    std::ofstream(top / "a|b" / "scene.x3d") << "<X3D>\n</X3D>\n";
    std::ofstream(top / "scene.inc") << "an unrelated include\n";

    const Message message = ConvertFile(FromUtf8((top / "a|b" / "scene.x3d").string()));

    EXPECT_EQ(message.text, u"scene.inc created > blobs: 0 sweeps: 0");
    EXPECT_TRUE(fs::exists(top / "a|b" / "scene.inc"));
    std::ifstream unrelated(top / "scene.inc");
    std::string line;
    std::getline(unrelated, line);
    EXPECT_EQ(line, "an unrelated include");
}

}  // namespace
}  // namespace vex
