// What the Windows file dialog is given, worked out on any platform. (How the default file is
// split and which names are valid: dialog_parts_test.cpp.)
#include <gtest/gtest.h>

#include "shell/windows/open_file_request.h"

namespace vex {
namespace {

TEST(MakeOpenFileRequest, FillsTheNameBufferAndSelectsThePairCountedFromOne) {
    const OpenFileRequest request =
        MakeOpenFileRequest(u"open x3d file", u"C:\\file.x3d", u"A|*.a|B|*.b", 1);
    EXPECT_EQ(request.initialDirectory, u"C:");
    EXPECT_EQ(request.filterList, std::u16string(u"A\0*.a\0B\0*.b\0\0\0", 14));
    EXPECT_EQ(request.filterIndex, 2u);
    ASSERT_EQ(request.nameBuffer.size(), FileNameBufferUnits);
    EXPECT_EQ(NameInBuffer(request.nameBuffer), u"file.x3d");
    for (size_t i = 8; i < request.nameBuffer.size(); ++i) {
        ASSERT_EQ(request.nameBuffer[i], u'\0') << i;
    }
    // Without a default file no folder is passed at all; with a bare name, an empty one.
    EXPECT_EQ(MakeOpenFileRequest(u"t", std::nullopt, std::nullopt, 0).initialDirectory,
              std::nullopt);
    EXPECT_EQ(MakeOpenFileRequest(u"t", u"scene.x3d", std::nullopt, 0).initialDirectory, u"");
}

}  // namespace
}  // namespace vex
