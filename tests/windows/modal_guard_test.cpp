// The modal guard against real windows: each window has its state back after the guard ends, and
// the guard of one thread never touches another thread's windows or records.
#include "shell/windows/modal_guard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
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

const WindowRecord* RecordOf(const std::vector<WindowRecord>& records, HWND window) {
    for (const WindowRecord& record : records) {
        if (record.window == window) {
            return &record;
        }
    }
    return nullptr;
}

// A thread with one visible window of its own, which runs steps on request.
class OtherThread {
  public:
    OtherThread() : thread_([this] { Run(); }) { window_ = made_.get_future().get(); }
    ~OtherThread() {
        Do(nullptr);
        thread_.join();
    }
    HWND window() const { return window_; }

    // Runs `step` on the other thread and waits (bounded) until it is done.
    bool Do(std::function<void()> step) {
        std::promise<void> done;
        std::future<void> finished = done.get_future();
        {
            std::lock_guard<std::mutex> hold(lock_);
            step_ = std::move(step);
            done_ = &done;
            hasStep_ = true;
        }
        wake_.notify_one();
        return finished.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    }

  private:
    void Run() {
        TestWindow own(L"other thread", Visible);
        made_.set_value(own.get());
        for (;;) {
            std::unique_lock<std::mutex> hold(lock_);
            wake_.wait(hold, [this] { return hasStep_; });
            hasStep_ = false;
            std::function<void()> step = std::move(step_);
            std::promise<void>* done = done_;
            hold.unlock();
            if (step) {
                step();
                PumpMessages();
            }
            done->set_value();
            if (!step) {
                return;
            }
        }
    }

    std::promise<HWND> made_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool hasStep_ = false;
    std::function<void()> step_;
    std::promise<void>* done_ = nullptr;
    HWND window_ = nullptr;
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
    const std::vector<WindowRecord> records = ModalGuardRecords();
    EXPECT_FALSE(IsWindowEnabled(shown.get()));
    EXPECT_FALSE(IsWindowEnabled(topmost.get()));
    EXPECT_FALSE(IsTopmost(topmost.get()));
    EXPECT_FALSE(IsWindowEnabled(disabled.get()));
    EXPECT_TRUE(IsWindowEnabled(foreground.get()));  // recorded, never disabled
    EXPECT_TRUE(IsWindowEnabled(hidden.get()));
    EXPECT_TRUE(IsWindowEnabled(other.window()));
    EndModalGuard();

    EXPECT_TRUE(IsWindowEnabled(shown.get()));
    EXPECT_TRUE(IsWindowEnabled(topmost.get()));
    EXPECT_TRUE(IsTopmost(topmost.get()));
    EXPECT_FALSE(IsWindowEnabled(disabled.get()));  // it was disabled before the dialog
    EXPECT_TRUE(IsWindowEnabled(foreground.get()));
    EXPECT_TRUE(IsWindowEnabled(hidden.get()));
    EXPECT_TRUE(IsWindowEnabled(other.window()));
    EXPECT_TRUE(ModalGuardRecords().empty());

    // What was recorded, and how.
    ASSERT_EQ(records.size(), 4u);
    for (const WindowRecord& record : records) {
        EXPECT_EQ(record.thread, GetCurrentThreadId());
    }
    EXPECT_EQ(RecordOf(records, hidden.get()), nullptr);
    EXPECT_EQ(RecordOf(records, other.window()), nullptr);
    ASSERT_NE(RecordOf(records, topmost.get()), nullptr);
    EXPECT_EQ(RecordOf(records, topmost.get())->wasTopmost, 1);
    EXPECT_EQ(RecordOf(records, topmost.get())->disabledByGuard, 1);
    ASSERT_NE(RecordOf(records, disabled.get()), nullptr);
    EXPECT_EQ(RecordOf(records, disabled.get())->disabledByGuard, 0);
    ASSERT_NE(RecordOf(records, foreground.get()), nullptr);
    EXPECT_EQ(RecordOf(records, foreground.get())->disabledByGuard, 0);
    ASSERT_NE(RecordOf(records, shown.get()), nullptr);
    EXPECT_EQ(RecordOf(records, shown.get())->wasTopmost, 0);
}

TEST(ModalGuard, LeavesTheRecordsOfOtherThreadsAlone) {
    OtherThread other;
    TestWindow shown(L"shown", Visible);
    ASSERT_TRUE(other.Do([] { BeginModalGuard(); }));
    EXPECT_FALSE(IsWindowEnabled(other.window()));
    EXPECT_TRUE(IsWindowEnabled(shown.get()));  // this thread's windows are not the other's

    BeginModalGuard();
    EndModalGuard();
    const std::vector<WindowRecord> left = ModalGuardRecords();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].window, other.window());
    EXPECT_FALSE(IsWindowEnabled(other.window()));  // still the other thread's dialog's

    ASSERT_TRUE(other.Do([] { EndModalGuard(); }));
    EXPECT_TRUE(IsWindowEnabled(other.window()));
    EXPECT_TRUE(IsWindowEnabled(shown.get()));
    EXPECT_TRUE(ModalGuardRecords().empty());
}

TEST(ModalGuard, RecordsNothingWithoutWindowsOfThisThread) {
    BeginModalGuard();
    EXPECT_TRUE(ModalGuardRecords().empty());
    EndModalGuard();
    EXPECT_TRUE(ModalGuardRecords().empty());
}

}  // namespace
}  // namespace vex
