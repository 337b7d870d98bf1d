// The modal guard against real windows: each window has its state back after the guard ends, and
// the guard of one thread never touches another thread's windows or records.
#include "shell/windows/modal_guard.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "tests/windows/win32_test_support.h"

namespace vex {
namespace {

using test::PumpMessages;
using test::TestWindow;

constexpr DWORD Visible = WS_OVERLAPPEDWINDOW | WS_VISIBLE;

bool IsTopmost(HWND window) {
    return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// A thread with one visible window of its own, which it holds under a modal guard of its own
// (when asked to) from when it is made until Finish().
class OtherThread {
  public:
    explicit OtherThread(bool guarded = false) : thread_([this, guarded] { Run(guarded); }) {
        ready_.get_future().wait();
    }
    ~OtherThread() { Finish(); }
    HWND window() const { return window_; }

    // Ends the thread (and its guard); whether its window was enabled just before it went.
    bool Finish() {
        if (thread_.joinable()) {
            finish_.set_value();
            thread_.join();
        }
        return enabledAtEnd_;
    }

  private:
    void Run(bool guarded) {
        // Shown without taking the foreground, which would spare it from its own guard.
        TestWindow own(L"other thread", WS_OVERLAPPEDWINDOW);
        ShowWindow(own.get(), SW_SHOWNOACTIVATE);
        window_ = own.get();
        if (guarded) {
            BeginModalGuard();
            PumpMessages();
        }
        ready_.set_value();
        finish_.get_future().wait();
        if (guarded) {
            EndModalGuard();
        }
        PumpMessages();
        enabledAtEnd_ = IsWindowEnabled(window_);
    }

    HWND window_ = nullptr;
    bool enabledAtEnd_ = false;
    std::promise<void> ready_;
    std::promise<void> finish_;
    std::thread thread_;
};

TEST(ModalGuard, GivesEveryWindowItsStateBack) {
    OtherThread other;
    TestWindow shown(L"shown", Visible);
    TestWindow hidden(L"hidden", WS_OVERLAPPEDWINDOW);
    TestWindow topmost(L"topmost", Visible, WS_EX_TOPMOST);
    TestWindow disabled(L"disabled", Visible);
    EnableWindow(disabled.get(), FALSE);
    TestWindow foreground(L"foreground", Visible);
    SetForegroundWindow(foreground.get());
    PumpMessages();
    ASSERT_EQ(GetForegroundWindow(), foreground.get());
    ASSERT_TRUE(IsTopmost(topmost.get()));

    BeginModalGuard();
    // Recorded: the visible windows of this thread; the foreground one (the dialog's owner) is
    // never disabled, and one disabled before is not enabled afterwards.
    EXPECT_EQ(ModalGuardRecords().size(), 4u);
    for (const WindowRecord& record : ModalGuardRecords()) {
        EXPECT_EQ(record.thread, GetCurrentThreadId());
        EXPECT_EQ(record.disabledByGuard != 0,
                  record.window == shown.get() || record.window == topmost.get());
    }
    EXPECT_FALSE(IsWindowEnabled(shown.get()));
    EXPECT_FALSE(IsWindowEnabled(topmost.get()));
    EXPECT_FALSE(IsTopmost(topmost.get()));
    EXPECT_TRUE(IsWindowEnabled(foreground.get()));
    EXPECT_TRUE(IsWindowEnabled(hidden.get()));
    EXPECT_TRUE(IsWindowEnabled(other.window()));
    EndModalGuard();

    EXPECT_TRUE(IsWindowEnabled(shown.get()));
    EXPECT_TRUE(IsWindowEnabled(topmost.get()));
    EXPECT_TRUE(IsTopmost(topmost.get()));
    EXPECT_FALSE(IsWindowEnabled(disabled.get()));
    EXPECT_TRUE(IsWindowEnabled(foreground.get()));
    EXPECT_TRUE(ModalGuardRecords().empty());
}

TEST(ModalGuard, LeavesTheRecordsOfOtherThreadsAlone) {
    BeginModalGuard();  // no windows of this thread: nothing to record
    EXPECT_TRUE(ModalGuardRecords().empty());
    EndModalGuard();
    TestWindow shown(L"shown", Visible);
    OtherThread other(true);
    EXPECT_FALSE(IsWindowEnabled(other.window()));
    EXPECT_TRUE(IsWindowEnabled(shown.get()));

    BeginModalGuard();
    EndModalGuard();
    ASSERT_EQ(ModalGuardRecords().size(), 1u);
    EXPECT_EQ(ModalGuardRecords()[0].window, other.window());
    EXPECT_FALSE(IsWindowEnabled(other.window()));  // still the other thread's dialog's
    EXPECT_TRUE(IsWindowEnabled(shown.get()));

    EXPECT_TRUE(other.Finish());
    EXPECT_TRUE(ModalGuardRecords().empty());
}

}  // namespace
}  // namespace vex
