// The child-process layer against real processes: a helper program (child_helper.cpp) that ends
// as asked, writes without end, outlives its time, or leaves a process of its own behind.
#include "text/child_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tests/test_support.h"
#include "text/line_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#endif

namespace vex {
namespace {

namespace fs = std::filesystem;

Text HelperPath() {
#ifdef _WIN32
    return u"Z:" + FromUtf8(VEXLORIN_CHILD_HELPER);  // Wine shows the Linux root as drive Z:
#else
    return FromUtf8(VEXLORIN_CHILD_HELPER);
#endif
}

// True once the process `id` is gone (or a zombie nobody reaped yet), waiting up to two seconds.
bool ProcessIsGone(long id) {
#ifdef _WIN32
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    if (process == nullptr) {
        return true;
    }
    const bool ended = WaitForSingleObject(process, 2000) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
#else
    for (int tries = 0; tries < 100; ++tries) {
        std::ifstream stat("/proc/" + std::to_string(id) + "/stat");
        std::string pid, name, state;
        if (!(stat >> pid >> name >> state) || state == "Z") {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
#endif
}

class ChildProcessTest : public ::testing::Test {
  protected:
    test::TempFolder temp;

    ChildResult Run(const LineFolder& folder, std::vector<Text> arguments,
                    std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        ChildRun run{HelperPath(), std::move(arguments), limit, 1000};
        return RunChild(run, folder.Held());
    }
};

TEST_F(ChildProcessTest, SaysHowTheChildEnded) {
    const LineFolder folder(temp.TextPath("x"));
    struct Case {
        std::vector<Text> arguments;
        ChildEnd end;
        int64_t code;
    };
    const Case cases[] = {
        {{u"exit", u"3"}, ChildEnd::Exited, 3},
        {{u"exit", u"0"}, ChildEnd::Exited, 0},
#ifndef _WIN32
        {{u"crash"}, ChildEnd::Signalled, SIGABRT},
#endif
    };
    for (const Case& c : cases) {
        const ChildResult result = Run(folder, c.arguments);
        EXPECT_EQ(result.end, c.end) << ToUtf8(c.arguments[0]);
        EXPECT_EQ(result.code, c.code) << ToUtf8(c.arguments[0]);
    }
    ChildRun missing{temp.TextPath("no-such-program"), {}, std::chrono::seconds(5), 100};
    const ChildResult result = RunChild(missing, folder.Held());
    EXPECT_EQ(result.end, ChildEnd::NotStarted);
    EXPECT_FALSE(result.why.empty());
}

#ifndef _WIN32
// A parent may hand Vexlorin SIGCHLD ignored, under which the system would reap the child itself
// and its exit status would be lost.
TEST_F(ChildProcessTest, KeepsTheExitStatusWhenChildrenAreIgnored) {
    const LineFolder folder(temp.TextPath("x"));
    struct sigaction ignored {};
    struct sigaction earlier {};
    ignored.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGCHLD, &ignored, &earlier), 0);
    const ChildResult result = Run(folder, {u"exit", u"3"});
    sigaction(SIGCHLD, &earlier, nullptr);
    EXPECT_EQ(result.end, ChildEnd::Exited);
    EXPECT_EQ(result.code, 3);
}
#endif

// Each argument reaches the child as it is, whatever it holds (on Windows, where one command line
// carries them all, spaces, quotes and backslashes before them).
TEST_F(ChildProcessTest, PassesEachArgumentAsItIs) {
    const LineFolder folder(temp.TextPath("x"));
    const ChildResult result =
        Run(folder, {u"echo", u"+I\"my scene.pov\"", u"", u"a\\", u"b\\\"c", u"\tx y"});
    EXPECT_EQ(result.output, "+I\"my scene.pov\"||a\\|b\\\"c|\tx y|");
}

// Past its limit the child is stopped at once, and so is the process it started.
TEST_F(ChildProcessTest, StopsTheChildAndWhatItStartedPastTheLimit) {
    const LineFolder folder(temp.TextPath("x"));
    const auto start = std::chrono::steady_clock::now();
    const ChildResult result =
        Run(folder, {u"parent", temp.TextPath("pid")}, std::chrono::seconds(1));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result.end, ChildEnd::OverTime);
    EXPECT_LT(took, std::chrono::seconds(10));
    long sleeper = -1;
    std::ifstream(temp.path() / "pid") >> sleeper;
    ASSERT_GT(sleeper, 0);
    EXPECT_TRUE(ProcessIsGone(sleeper)) << "the process the child started still runs";
}

// A child that writes megabytes is read to its end, and only the last bytes are kept.
TEST_F(ChildProcessTest, KeepsOnlyTheEndOfTheOutput) {
    const LineFolder folder(temp.TextPath("x"));
    const ChildResult result = Run(folder, {u"flood", u"1000000"});
    EXPECT_EQ(result.end, ChildEnd::Exited);
    EXPECT_EQ(result.code, 0);
    EXPECT_LE(result.output.size(), 1000u);
    ASSERT_GE(result.output.size(), 3u);
    EXPECT_EQ(result.output.substr(result.output.size() - 3), "END");
}

// The child works in the folder held, even when that folder was renamed and another now has its
// name.
TEST_F(ChildProcessTest, StartsInTheHeldFolderThoughItWasRenamed) {
    fs::create_directory(temp.path() / "a");
    const LineFolder folder(test::PathText(temp.path() / "a" / "x"));
    ASSERT_TRUE(folder.IsOpen());
#ifdef _WIN32
    // Windows lets nobody rename a held folder: the rename fails, and the child is still in it.
    std::error_code refused;
    fs::rename(temp.path() / "a", temp.path() / "b", refused);
    EXPECT_TRUE(refused);
    const fs::path expected = temp.path() / "a";
#else
    fs::rename(temp.path() / "a", temp.path() / "b");
    fs::create_directory(temp.path() / "a");
    const fs::path expected = temp.path() / "b";
#endif
    const ChildResult result = Run(folder, {u"touch", u"marker"});
    EXPECT_EQ(result.end, ChildEnd::Exited);
    EXPECT_TRUE(fs::exists(expected / "marker"));
    EXPECT_FALSE(fs::exists(temp.path() / "marker"));
}

}  // namespace
}  // namespace vex
