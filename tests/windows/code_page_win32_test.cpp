// The ANSI code page as Windows converts it. (Every byte there and back, also through a file line:
// the shared unit suite, which runs here with Windows' own conversion.)
#include <gtest/gtest.h>
#include <windows.h>

#include "text/text.h"

namespace vex {
namespace {

// A character the code page lacks becomes one byte, a best-fit one or the default one, whichever
// Windows picks.
TEST(AnsiCodePage, GivesOneByteForACharacterItLacks) {
    ASSERT_EQ(GetACP(), 1252u);  // the shared suite's expectations about single bytes rest on this
    EXPECT_EQ(EncodeAnsi(u"\u4E2D\u0100").size(), 2u);
    EXPECT_EQ(EncodeAnsi(u"\u20AC"), "\x80");
}

}  // namespace
}  // namespace vex
