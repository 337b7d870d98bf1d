// The ANSI code page as Windows converts it, through the line file and on its own.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/test_support.h"
#include "text/line_file.h"
#include "text/text.h"

namespace vex {
namespace {

std::string AllBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        bytes.push_back(static_cast<char>(b));
    }
    return bytes;
}

TEST(AnsiCodePage, IsWindows1252InThisLocale) {
    // Every expectation below about single bytes rests on this.
    EXPECT_EQ(GetACP(), 1252u);
}

TEST(AnsiCodePage, CarriesEveryByteThereAndBack) {
    const std::string bytes = AllBytes();
    const Text text = DecodeAnsi(bytes);
    ASSERT_EQ(text.size(), 256u);
    EXPECT_EQ(text[0x41], u'A');
    EXPECT_EQ(text[0x80], u'\u20AC');
    EXPECT_EQ(text[0x81], u'\u0081');  // undefined in 1252, kept as the control of that value
    EXPECT_EQ(text[0xE9], u'\u00E9');
    EXPECT_EQ(EncodeAnsi(text), bytes);
}

TEST(AnsiCodePage, GivesOneByteForACharacterItLacks) {
    // A best-fit character or the default character, whichever Windows picks: one byte each.
    EXPECT_EQ(EncodeAnsi(u"\u4E2D").size(), 1u);
    EXPECT_EQ(EncodeAnsi(u"\u0100").size(), 1u);
    EXPECT_EQ(EncodeAnsi(u""), "");
    EXPECT_EQ(DecodeAnsi(""), u"");
}

TEST(AnsiCodePage, CarriesEveryByteThroughAFileLineAndBack) {
    test::TempFolder folder;
    std::string line;
    for (const char byte : AllBytes()) {
        if (byte != '\0' && byte != '\n' && byte != '\r') {
            line.push_back(byte);
        }
    }
    test::WriteBytes(folder.path() / "in.txt", line + "\r\n");
    const LineFileId input = OpenLineFile(AutoId, folder.TextPath("in.txt"));
    ASSERT_NE(input, 0);
    const Text text = ReadLine(input, AnsiFormat);
    EXPECT_TRUE(IsEndOfFile(input));
    EXPECT_TRUE(CloseLineFile(input));
    EXPECT_EQ(text.size(), 253u);

    const LineFileId output = CreateLineFile(AutoId, folder.TextPath("out.txt"));
    ASSERT_NE(output, 0);
    WriteLine(output, text, AnsiFormat);
    EXPECT_TRUE(CloseLineFile(output));
    EXPECT_EQ(test::ReadBytes(folder.path() / "out.txt"), line + "\r\n");
}

}  // namespace
}  // namespace vex
