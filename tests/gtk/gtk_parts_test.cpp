// What the GTK dialogs are told, checked without GTK and without a display.
#include <fnmatch.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/unix/gtk_dialogs.h"
#include "tests/test_support.h"

namespace vex {
namespace {

namespace fs = std::filesystem;

// The default file as the program would pass it: a folder, a backslash, a name.
Text DefaultIn(const fs::path& folder, const std::string& name) {
    return FromUtf8(folder.native()) + u"\\" + FromUtf8(name);
}

// The folder of the default file, or the current one when that is missing (on Linux no folder
// "C:" exists); its file is selected only when it exists and is a file; without a default file
// the choice is GTK's.
TEST(ChooserStartFor, StartsInTheDefaultFolderAndSelectsTheProposedFileOnlyWhenItExists) {
    test::TempFolder folder;
    folder.Enter();
    const fs::path& here = folder.path();
    fs::create_directories(here / "sub" / "dir.x3d");
    test::WriteBytes(here / "sub" / "scene.x3d", "x\n");
    test::WriteBytes(here / "file.x3d", "x\n");
    struct Case {
        std::optional<Text> defaultFile;
        fs::path folder;
        std::string proposedFile;
    };
    const std::vector<Case> cases = {
        {u"C:\\file.x3d", here, (here / "file.x3d").native()},
        {DefaultIn("/no/such/folder", "a.x3d"), here, ""},
        {DefaultIn(here / "sub", "scene.x3d"), here / "sub", (here / "sub" / "scene.x3d").native()},
        {u"sub\\scene.x3d", here / "sub", (here / "sub" / "scene.x3d").native()},
        {u"sub\\missing.x3d", here / "sub", ""},
        {u"sub\\dir.x3d", here / "sub", ""},  // a folder is no file to select
        {u"sub\\*.x3d", here / "sub", ""},    // not a valid name
        {std::nullopt, "", ""},
    };
    for (const Case& c : cases) {
        const ChooserStart start = ChooserStartFor(c.defaultFile);
        EXPECT_EQ(start.folder, c.folder.native()) << ToUtf8(c.defaultFile.value_or(u"(none)"));
        EXPECT_EQ(start.proposedFile, c.proposedFile) << ToUtf8(c.defaultFile.value_or(u"(none)"));
    }
}

// Windows patterns become case-free globs.
TEST(GlobsFor, MatchesNamesAsWindowsWould) {
    struct Case {
        Text pattern;
        const char* name;
        bool matches;
    };
    const std::vector<Case> cases = {
        {u"*.x3d", "scene.x3d", true},
        {u"*.x3d", "SCENE.X3D", true},
        {u"*.x3d", "scene.x3dv", false},
        {u"*.x3d", "scene.inc", false},
        {u"*.*", "README", true},
        {u"a[1].txt", "a[1].txt", true},
        {u"a[1].txt", "a1.txt", false},
        {u"*.jpg;*.png", "photo.PNG", true},
        {u"*.jpg; *.png", "photo.gif", false},
        {u"*.\u00e4", "x.\xc3\xa4", true},
        {u"*.\u00e4", "x.\xc3\x84", false},  // only ASCII letters are folded
        {u"", "x", false},
        {u" ; ;", "x", false},
    };
    for (const Case& c : cases) {
        bool matched = false;
        for (const std::string& glob : GlobsFor(c.pattern)) {
            matched = matched || ::fnmatch(glob.c_str(), c.name, 0) == 0;
        }
        EXPECT_EQ(matched, c.matches) << ToUtf8(c.pattern) << " " << c.name;
    }
}

TEST(DisplayUtf8, ShowsBytesThatWereNotUtf8AsReplacementCharacters) {
    EXPECT_EQ(DisplayUtf8(u"scene.inc created"), "scene.inc created");
    EXPECT_EQ(DisplayUtf8(u"caf\u00e9"), "caf\xc3\xa9");
    EXPECT_EQ(DisplayUtf8(u"\U0001F600"), "\xf0\x9f\x98\x80");  // a surrogate pair stays
    EXPECT_EQ(DisplayUtf8(FromUtf8("caf\xe9.x3d")), "caf\xef\xbf\xbd.x3d");
    EXPECT_EQ(DisplayUtf8(Text(u"a\xD800")), "a\xef\xbf\xbd");
    EXPECT_EQ(DisplayUtf8(Text(u"\xDC00\xD800")), "\xef\xbf\xbd\xef\xbf\xbd");
}

}  // namespace
}  // namespace vex
