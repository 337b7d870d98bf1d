#include <gtest/gtest.h>

#include <sstream>

#include "shell/unix/terminal_dialogs.h"
#include "tests/test_support.h"

namespace vex {
namespace {

namespace fs = std::filesystem;

// Runs the file dialog against the given answers, from inside `folder`.
class TerminalDialogTest : public ::testing::Test {
  protected:
    test::TempFolder folder;
    std::ostringstream out;

    void SetUp() override { folder.Enter(); }

    Text Choose(const std::string& answers, const Text& defaultFile = u"C:\\file.x3d") {
        std::istringstream in(answers);
        Terminal terminal{in, out, false};
        return TerminalChooseInputFile(terminal, u"open x3d file", defaultFile,
                                       Text(u"x3d (*.x3d)|*.x3d"), 0);
    }
};

// Answers are full paths: a typed one from the working folder, an empty line the proposed name
// in the proposed folder; a missing folder or a folder given as the file is said and asked again;
// the end of the input cancels.
TEST_F(TerminalDialogTest, ResolvesAnswersAndAsksAgainUntilOneNamesAFileInAFolder) {
    fs::create_directories(folder.path() / "data" / "sub");
    fs::create_directory(folder.path() / "e\x1b[2J");
    const Text data = FromUtf8((folder.path() / "data").native());
    const struct {
        std::string answers;
        Text defaultFile;
        Text chosen;       // relative to the folder; empty: canceled
        std::string said;  // somewhere in the transcript
    } cases[] = {
        {"scene.x3d\n", u"C:\\file.x3d", u"scene.x3d", "open x3d file\nFiles: x3d (*.x3d)\n"},
        {"./data/sub/../../scene.x3d\r\n", u"C:\\file.x3d", u"./data/sub/../../scene.x3d",
         "File name [file.x3d]: "},
        {folder.path().string() + "/abs.x3d\n", u"C:\\file.x3d", u"abs.x3d", ""},
        {"model\n", u"C:\\file.x3d", u"model", ""},  // no extension is added
        {"szene_\xc3\xbc.x3d\n", u"C:\\file.x3d", u"szene_\u00fc.x3d", ""},
        {"\n", u"C:\\file.x3d", u"file.x3d", ""},
        {"\n", data + u"\\scene.x3d", u"data/scene.x3d", ""},
        {"typed.x3d\n", data + u"\\scene.x3d", u"typed.x3d", ""},
        {"", u"C:\\file.x3d", u"", ""},
        {"\n", u"\\scene.x3d", u"", ""},  // no usable proposal, then the end
        {"nowhere/scene.x3d\nscene.x3d\n", u"C:\\file.x3d", u"scene.x3d", "does not exist"},
        {"data/sub\ndata/sub/x.x3d\n", u"C:\\file.x3d", u"data/sub/x.x3d", "is a folder"},
        // Names are shown cleaned (the answer echoed too): an escape sequence cannot reach it.
        {"e\x1b[2J\n", u"C:\\file.x3d", u"", "e?[2J is a folder"},
        {"e\x1b[2J/no/x.x3d\n", u"C:\\file.x3d", u"", "e?[2J/no does not exist"},
        {"", folder.TextPath("e\x1b[2J\\scene.x3d"), u"", "e?[2J\nFile name [scene.x3d]"},
        {std::string(300, 'a') + "/scene.x3d\n", u"C:\\file.x3d", u"", "File name too long"},
        // An answer is read up to 4096 bytes (a CR counts), and refused once longer.
        {std::string(4091, 'a') + ".x3d\r\n", u"C:\\file.x3d",
         FromUtf8(std::string(4091, 'a') + ".x3d"), ""},
        {std::string(4092, 'a') + ".x3d\r\n", u"C:\\file.x3d", u"", "than any path (4096 bytes)"},
    };
    for (const auto& c : cases) {
        out.str("");
        EXPECT_EQ(Choose(c.answers, c.defaultFile),
                  c.chosen.empty() ? Text() : folder.TextPath(ToUtf8(c.chosen)))
            << c.answers;
        EXPECT_NE(out.str().find(c.said), std::string::npos) << out.str();
        EXPECT_EQ(out.str().find('\x1b'), std::string::npos) << out.str();
    }
    EXPECT_EQ(out.str().find("does not exist"), std::string::npos);  // too long is not missing
}

// "." still names the working folder after it was deleted, but it has no absolute path any more.
TEST_F(TerminalDialogTest, WorksInADeletedWorkingFolder) {
    fs::create_directory(folder.path() / "gone");
    fs::current_path(folder.path() / "gone");
    fs::remove(folder.path() / "gone");
    const std::string answer = (folder.path() / "scene.x3d").string() + "\n";
    EXPECT_EQ(Choose(answer, u".\\file.x3d"), folder.TextPath("scene.x3d"));
}

}  // namespace
}  // namespace vex
