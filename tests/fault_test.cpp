// Faults met part-way through a conversion: reads that fail in the middle of the input, writes
// that fail at a chosen byte of the include, closes that fail, opens and creates that are
// refused. Whatever goes wrong, the user is told what failed and why, no include is announced as
// created, and the chosen file is left exactly as it was. (The same faults met by the real
// program on a real disk: process_test.sh.)
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "conversion/conversion.h"
#include "fuzz/gzip_member.h"
#include "fuzz/memory_file_system.h"
#include "tests/test_support.h"

namespace vex {
namespace {

constexpr char16_t Input[] = u"/m/scene.x3d";
constexpr char16_t Output[] = u"/m/scene.inc";
const Text NotReadToTheEnd = u"/m/scene.x3d could not be read to its end (Input/output error).";

class FaultTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // An export whose input (about 120 kB) and include (about 30 kB) span many buffers.
        input = test::ReadBytes(VEXLORIN_GOLDEN "/over_capacity.x3d");
        files.files[Input] = input;
        ASSERT_FALSE(Convert().failed);
        include = files.files[Output];
        files.files.erase(Output);
        ASSERT_GT(input.size(), 3 * 4096U);
        ASSERT_GT(include.size(), 3 * 4096U);
    }

    Message Convert() {
        ScopedFileSystem scope(files);
        return ConvertFile(Input);
    }

    // A message that names the failure and its cause and does not claim the include was
    // created; the input as it was.
    void ExpectTruthfulFailure(const Text& says) {
        const Message message = Convert();
        EXPECT_TRUE(message.failed);
        EXPECT_EQ(message.text.rfind(says, 0), 0u) << ToUtf8(message.text);
        EXPECT_EQ(message.text.find(u"created"), Text::npos) << ToUtf8(message.text);
        EXPECT_EQ(files.files[Input], input);
    }

    test::MemoryFileSystem files;
    std::string input;
    std::string include;
};

// Under compressed data too, a read fault is told as the fault it is, not as damaged data; with
// the fault past the data, plain and compressed exports give the very include.
TEST_F(FaultTest, ReadThatFailsIsToldWithItsCauseAndLeavesAnEarlierIncludeUntouched) {
    const std::string plain = input;
    for (const std::string& bytes : {plain, test::GzipMember(plain)}) {
        files.files[Input] = input = bytes;
        for (const size_t at :
             {size_t{0}, size_t{2}, std::min<size_t>(4096, bytes.size() / 2), bytes.size() - 1}) {
            SCOPED_TRACE(at);
            files.failReadAfter = static_cast<int64_t>(at);
            ExpectTruthfulFailure(NotReadToTheEnd);
            EXPECT_EQ(files.files.count(Output), 0u);
            files.files[Output] = "an earlier include\r\n";
            ExpectTruthfulFailure(NotReadToTheEnd);
            EXPECT_EQ(files.files[Output], "an earlier include\r\n");
            files.files.erase(Output);
        }
        files.failReadAfter = static_cast<int64_t>(bytes.size()) + 1;
        EXPECT_FALSE(Convert().failed);
        EXPECT_EQ(files.files[Output], include);
        files.files.erase(Output);
    }
}

// Whatever fails (the new file's create, a write at any byte, its close or its move into place),
// an earlier include stays byte for byte, or there is still none, and no new file is left.
TEST_F(FaultTest, WriteThatFailsChangesNothing) {
    const struct {
        int64_t writeLimit;
        Text failCloseOf;
        bool refuseCreate;
        bool refuseReplace;
        Text reason;
    } faults[] = {
        {0, u"", false, false, u"No space left on device"},
        {static_cast<int64_t>(include.size()) - 1, u"", false, false, u"No space left on device"},
        {-1, Output + Text(u".new"), false, false, u"Input/output error"},
        {-1, u"", true, false, u"Permission denied"},
        {-1, u"", false, true, u"Permission denied"},
    };
    for (const auto& fault : faults) {
        files.writeLimit = fault.writeLimit;
        files.failCloseOf = fault.failCloseOf;
        files.refuseCreate = fault.refuseCreate;
        files.refuseReplace = fault.refuseReplace;
        for (const bool earlier : {false, true}) {
            SCOPED_TRACE(ToUtf8(fault.reason) + (earlier ? ", over an earlier include" : ""));
            files.files.erase(Output);
            if (earlier) {
                files.files[Output] = "an earlier include\r\n";
            }
            ExpectTruthfulFailure(u"/m/scene.inc could not be written (" + fault.reason +
                                  u"). Nothing was changed.");
            EXPECT_EQ(files.files.size(), earlier ? 2u : 1u);
            EXPECT_EQ(files.files[Output], earlier ? "an earlier include\r\n" : "");
        }
    }
}

// An allocation that fails, while reading or while writing, is told, and changes nothing.
TEST_F(FaultTest, NoMemoryIsToldAndChangesNothing) {
    files.files[Output] = "an earlier include\r\n";
    for (bool* outOfMemory : {&files.outOfMemoryOnRead, &files.outOfMemoryOnWrite}) {
        *outOfMemory = true;
        ExpectTruthfulFailure(
            u"/m/scene.x3d could not be converted: there was not enough memory. Nothing was "
            u"changed.");
        EXPECT_EQ(files.files.size(), 2u);
        EXPECT_EQ(files.files[Output], "an earlier include\r\n");
        *outOfMemory = false;
    }
}

// (An input that cannot be opened: CleanName and the process test.)
TEST_F(FaultTest, FailedInputCloseIsReported) {
    files.failCloseOf = Input;
    ExpectTruthfulFailure(NotReadToTheEnd);
    EXPECT_EQ(files.files.count(Output), 0u);
}

}  // namespace
}  // namespace vex
