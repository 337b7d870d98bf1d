// What the Windows file dialog is given for each kind of default file and pattern.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "shell/windows/open_file_request.h"

namespace vex {
namespace {

struct RequestCase {
    std::optional<Text> defaultFile;
    std::optional<Text> initialDirectory;  // absent: none passed at all
    Text name;                             // what the name field starts with
};

TEST(MakeOpenFileRequest, ProposesTheFolderAndNameOfTheDefaultFile) {
    const std::vector<RequestCase> cases = {
        {u"C:\\file.x3d", u"C:", u"file.x3d"},
        {u"scene.x3d", u"", u"scene.x3d"},  // an empty folder is passed, not none
        {u"\\scene.x3d", u"", u""},         // the backslash stays and makes the name invalid
        {u"C:\\*.x3d", u"C:", u""},
        {u"C:\\", u"C:", u""},
        {std::nullopt, std::nullopt, u""},
    };
    for (const RequestCase& c : cases) {
        const OpenFileRequest request =
            MakeOpenFileRequest(u"open x3d file", c.defaultFile, u"x3d (*.x3d)|*.x3d", 0);
        const std::string label = c.defaultFile ? ToUtf8(*c.defaultFile) : "(none)";
        EXPECT_EQ(request.initialDirectory, c.initialDirectory) << label;
        EXPECT_EQ(NameInBuffer(request.nameBuffer), c.name) << label;
    }
}

TEST(MakeOpenFileRequest, KeepsTheLastUnitOfTheNameBufferForTheTerminator) {
    const OpenFileRequest request =
        MakeOpenFileRequest(u"t", u"C:\\" + Text(300, u'n'), std::nullopt, 0);
    ASSERT_EQ(request.nameBuffer.size(), FileNameBufferUnits);
    EXPECT_EQ(NameInBuffer(request.nameBuffer), Text(259, u'n'));
    EXPECT_EQ(request.nameBuffer.back(), u'\0');
}

TEST(MakeOpenFileRequest, FillsTheRestOfTheNameBufferWithZeros) {
    const OpenFileRequest request = MakeOpenFileRequest(u"t", u"C:\\file.x3d", std::nullopt, 0);
    ASSERT_EQ(request.nameBuffer.size(), FileNameBufferUnits);
    for (size_t i = 8; i < request.nameBuffer.size(); ++i) {
        ASSERT_EQ(request.nameBuffer[i], u'\0') << i;
    }
}

TEST(MakeOpenFileRequest, SelectsThePairAtThePositionCountedFromOne) {
    const OpenFileRequest first = MakeOpenFileRequest(u"t", std::nullopt, u"x3d (*.x3d)|*.x3d", 0);
    EXPECT_EQ(first.filterIndex, 1u);
    EXPECT_EQ(first.filterList, std::u16string(u"x3d (*.x3d)\0*.x3d\0\0\0", 20));
    const OpenFileRequest second = MakeOpenFileRequest(u"t", std::nullopt, u"A|*.a|B|*.b", 1);
    EXPECT_EQ(second.filterIndex, 2u);
    EXPECT_EQ(second.filterList, std::u16string(u"A\0*.a\0B\0*.b\0\0\0", 14));
    EXPECT_EQ(MakeOpenFileRequest(u"t", std::nullopt, std::nullopt, 0).filterList,
              std::u16string(3, u'\0'));
}

}  // namespace
}  // namespace vex
