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

    void SetUp() override {
        previous_ = fs::current_path();
        fs::current_path(folder.path());
    }
    void TearDown() override { fs::current_path(previous_); }

    Text Choose(const std::string& answers, const Text& defaultFile = u"C:\\file.x3d") {
        std::istringstream in(answers);
        Terminal terminal{in, out, false};
        return TerminalChooseInputFile(terminal, u"open x3d file", defaultFile,
                                       Text(u"x3d (*.x3d)|*.x3d"), 0);
    }

    Text InFolder(const std::string& name) { return FromUtf8((folder.path() / name).native()); }

  private:
    fs::path previous_;
};

TEST_F(TerminalDialogTest, ShowsTitleFilterAndProposedName) {
    Choose("");
    EXPECT_NE(out.str().find("open x3d file\n"), std::string::npos);
    EXPECT_NE(out.str().find("x3d (*.x3d)"), std::string::npos);
    EXPECT_NE(out.str().find("[file.x3d]"), std::string::npos);
}

TEST_F(TerminalDialogTest, ReturnsFullPaths) {
    EXPECT_EQ(Choose("scene.x3d\n"), InFolder("scene.x3d"));
    EXPECT_EQ(Choose("./sub/../scene.x3d\r\n"), InFolder("scene.x3d"));
    EXPECT_EQ(Choose(folder.path().string() + "/abs.x3d\n"), InFolder("abs.x3d"));
    EXPECT_EQ(Choose("model\n"), InFolder("model"));  // no extension is added
}

TEST_F(TerminalDialogTest, AcceptsTheProposedNameWithAnEmptyLine) {
    EXPECT_EQ(Choose("\n"), InFolder("file.x3d"));
    fs::create_directory(folder.path() / "data");
    const Text proposedFolder = FromUtf8((folder.path() / "data").native());
    EXPECT_EQ(Choose("\n", proposedFolder + u"\\scene.x3d"), InFolder("data/scene.x3d"));
    // A typed name is taken from the current folder, not from the proposed one.
    EXPECT_EQ(Choose("typed.x3d\n", proposedFolder + u"\\scene.x3d"), InFolder("typed.x3d"));
}

TEST_F(TerminalDialogTest, CancelsAtTheEndOfInput) {
    EXPECT_EQ(Choose(""), u"");
    EXPECT_EQ(Choose("\n", u"\\scene.x3d"), u"");  // no usable proposal, then the end
}

TEST_F(TerminalDialogTest, AsksAgainForAPathInAMissingFolder) {
    EXPECT_EQ(Choose("nowhere/scene.x3d\nscene.x3d\n"), InFolder("scene.x3d"));
    EXPECT_NE(out.str().find("does not exist"), std::string::npos);
    fs::create_directory(folder.path() / "sub");
    EXPECT_EQ(Choose("sub\nsub/x.x3d\n"), InFolder("sub/x.x3d"));
    EXPECT_NE(out.str().find("is a folder"), std::string::npos);
}

TEST_F(TerminalDialogTest, SaysWhenAPathIsTooLong) {
    const std::string tooLong = std::string(300, 'a') + "/scene.x3d\n";
    EXPECT_EQ(Choose(tooLong), u"");
    EXPECT_NE(out.str().find("File name too long"), std::string::npos);
    EXPECT_EQ(out.str().find("does not exist"), std::string::npos);
}

// "." still names the working folder after it was deleted, but it has no absolute path any more.
TEST_F(TerminalDialogTest, WorksInADeletedWorkingFolder) {
    fs::create_directory(folder.path() / "gone");
    fs::current_path(folder.path() / "gone");
    fs::remove(folder.path() / "gone");
    const std::string answer = (folder.path() / "scene.x3d").string() + "\n";
    EXPECT_EQ(Choose(answer, u".\\file.x3d"), InFolder("scene.x3d"));
}

TEST_F(TerminalDialogTest, KeepsNonAsciiNames) {
    EXPECT_EQ(Choose("szene_\xc3\xbc.x3d\n"), InFolder("szene_\xc3\xbc.x3d"));
}

TEST(TerminalMessage, PrintsCaptionAndTextAndAnswersOk) {
    std::istringstream in;
    std::ostringstream out;
    Terminal terminal{in, out, false};
    EXPECT_EQ(TerminalShowMessage(terminal, u"Info:", u"canceled"), 1);
    EXPECT_EQ(out.str(), "Info:\ncanceled\n");
}

}  // namespace
}  // namespace vex
