// The ANSI code page as Windows converts it, on its own and through a file line.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/test_support.h"
#include "text/line_file.h"
#include "text/text.h"

namespace vex {
namespace {

// Every byte but the line ends carries to one character and back; a character the code page
// lacks becomes one byte, a best-fit one or the default one, whichever Windows picks.
TEST(AnsiCodePage, CarriesEveryByteThereAndBackAlsoThroughAFileLine) {
    ASSERT_EQ(GetACP(), 1252u);  // the expectations about single bytes rest on this
    std::string line;
    for (int b = 1; b < 256; ++b) {
        line += b == '\n' || b == '\r' ? "" : std::string(1, static_cast<char>(b));
    }
    const Text decoded = DecodeAnsi(line);
    ASSERT_EQ(decoded.size(), 253u);
    EXPECT_EQ(decoded[0x80 - 3], u'\u20AC');
    EXPECT_EQ(decoded[0x81 - 3], u'\u0081');  // undefined in 1252, kept as that control
    EXPECT_EQ(EncodeAnsi(decoded), line);
    EXPECT_EQ(EncodeAnsi(u"\u4E2D\u0100").size(), 2u);

    test::TempFolder folder;
    test::WriteBytes(folder.path() / "in.txt", line + "\r\n");
    const LineFileId input = OpenLineFile(AutoId, folder.TextPath("in.txt"));
    const Text text = ReadLine(input, AnsiFormat);
    EXPECT_TRUE(CloseLineFile(input));
    EXPECT_EQ(text, decoded);
    const LineFileId output = CreateLineFile(AutoId, folder.TextPath("out.txt"));
    WriteLine(output, text, AnsiFormat);
    EXPECT_TRUE(CloseLineFile(output));
    EXPECT_EQ(test::ReadBytes(folder.path() / "out.txt"), line + "\r\n");
}

}  // namespace
}  // namespace vex
