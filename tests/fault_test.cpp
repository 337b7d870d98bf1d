// Faults met part-way through a conversion: reads that fail in the middle of the input, writes
// that fail at a chosen byte of the include, closes that fail, opens and creates that are
// refused. Whatever goes wrong, the user is told what failed and why, no include is announced as
// created, and the chosen file is left exactly as it was. (The same faults met by the real
// program on a real disk: process_test.sh.)
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

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
        ASSERT_FALSE(Convert().Failed());
        include = files.files[Output];
        files.files.erase(Output);
        ASSERT_GT(input.size(), 3 * 4096U);
        ASSERT_GT(include.size(), 3 * 4096U);
    }

    Message Convert(const ConversionOptions& options = {}) {
        ScopedFileSystem scope(files);
        return ConvertFile(Input, options);
    }

    // Runs `action` once, after the closing of the file with that number (1: the export, 2: the
    // include, 3: the scene).
    void AfterClose(int number, const std::function<void()>& action) {
        files.afterClose = [number, action, closed = 0]() mutable {
            if (++closed == number) {
                action();
            }
        };
    }

    // A message that names the failure and its cause and does not claim the include was
    // created; the input as it was.
    void ExpectTruthfulFailure(const Text& says) {
        const Message message = Convert();
        EXPECT_TRUE(message.Failed());
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
        EXPECT_FALSE(Convert().Failed());
        EXPECT_EQ(files.files[Output], include);
        files.files.erase(Output);
    }
}

// Whatever fails (the new file's create, a write at any byte, its sync, its close or its move into
// place), an earlier include stays byte for byte, or there is still none, and no new file is left.
TEST_F(FaultTest, WriteThatFailsChangesNothing) {
    const struct {
        int64_t writeLimit;
        Text failCloseOf;
        Text failSyncOf;
        bool refuseCreate;
        bool refuseReplace;
        Text reason;
    } faults[] = {
        {0, u"", u"", false, false, u"No space left on device"},
        {static_cast<int64_t>(include.size()) - 1, u"", u"", false, false,
         u"No space left on device"},
        {-1, u"/m/new", u"", false, false, u"Input/output error"},
        {-1, u"", u"/m/new", false, false, u"Input/output error"},
        {-1, u"", u"", true, false, u"Permission denied"},
        {-1, u"", u"", false, true, u"Permission denied"},
    };
    for (const auto& fault : faults) {
        files.writeLimit = fault.writeLimit;
        files.failCloseOf = fault.failCloseOf;
        files.failSyncOf = fault.failSyncOf;
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

// The include is on the disk before it takes the earlier one's place, and its place is on the disk
// before the run says so; a folder that cannot be synced is told, the include in its place.
TEST_F(FaultTest, IncludeReachesTheDiskBeforeItReplacesTheEarlierOne) {
    files.files[Output] = "an earlier include\r\n";
    files.journal.clear();
    EXPECT_FALSE(Convert().Failed());
    EXPECT_EQ(files.journal,
              (std::vector<Text>{u"sync /m/new", u"move /m/new /m/scene.inc", u"sync /m/"}));
    files.failFolderSync = true;
    const Message message = Convert();
    EXPECT_TRUE(message.Failed());
    EXPECT_EQ(ToUtf8(message.text),
              "/m/scene.inc was written, but may not be on the disk yet (Input/output error): "
              "after a power cut an earlier include may be back.");
    EXPECT_EQ(files.files[Output], include);
}

// Another user swaps the export's folder for a link to someone else's between the reading and the
// writing: the include still goes into the folder the export was read from, and nothing else
// changes.
TEST_F(FaultTest, FolderSwappedMidRunLeavesEveryOtherFolderAlone) {
    files.files[u"/victim/scene.inc"] = "the victim's\r\n";
    files.afterClose = [this] {  // the export's, once it is read
        files.MoveFolder(u"/m/", u"/away/");
        files.links[u"/m/"] = u"/victim/";
        files.afterClose = nullptr;
    };
    EXPECT_FALSE(Convert().Failed());
    EXPECT_EQ(files.files[u"/victim/scene.inc"], "the victim's\r\n");
    EXPECT_EQ(files.files[u"/away/scene.inc"], include);
    EXPECT_EQ(files.files.size(), 3u);
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

// The scene goes to the disk and into its place as the include does, only where nothing stands;
// whatever goes wrong with it is one line of a summary, after the include is in its place: a file
// appearing at its name while it is written (kept as it is), a create refused, a folder that
// cannot be synced, no memory left (no half-written scene takes its name).
TEST_F(FaultTest, SceneTakesOnlyAFreeNameAndItsFaultsAreNotes) {
    const Text scene = u"/m/scene.pov";
    const struct {
        int afterClose;
        std::function<void()> fault;
        const char16_t* line;
        const char* leaves;  // the scene's bytes; "" none; null the one written, synced
    } faults[] = {
        {0, nullptr, u"scene.pov created: a starter scene that renders scene.inc.", nullptr},
        {3, [&] { files.files[scene] = "my own\n"; },
         u"scene.pov kept: a file of that name is there already and was left as it is.",
         "my own\n"},
        {2, [&] { files.refuseCreate = true; },
         u"scene.pov could not be written (Permission denied).", ""},
        {3, [&] { files.failFolderSync = true; },
         u"scene.pov created, but it may not be on the disk yet (Input/output error).", nullptr},
        {2, [&] { files.outOfMemoryOnWrite = true; },
         u"No starter scene: there was not enough memory.", ""},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(ToUtf8(fault.line));
        files.files.erase(Output);
        files.files.erase(scene);
        files.refuseCreate = files.failFolderSync = files.outOfMemoryOnWrite = false;
        files.journal.clear();
        AfterClose(fault.afterClose, fault.fault);
        const Message message = Convert({.scene = true});
        EXPECT_EQ(message.kind, Message::Kind::Summary);
        EXPECT_EQ(message.text.substr(message.text.rfind(u'\n') + 1), fault.line);
        EXPECT_EQ(files.files[Output], include);
        const bool none = fault.leaves != nullptr && *fault.leaves == '\0';
        EXPECT_EQ(files.files.size(), none ? 2u : 3u);  // no new file left behind
        if (fault.leaves == nullptr) {
            EXPECT_EQ(files.journal.back(), u"sync /m/");
            EXPECT_EQ(files.journal.end()[-2], u"move /m/new /m/scene.pov");
        } else if (!none) {
            EXPECT_EQ(files.files[scene], fault.leaves);
        }
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
