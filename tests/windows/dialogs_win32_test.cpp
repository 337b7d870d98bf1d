// The Win32 message box as Windows shows it, worked from a second thread, and the bound of the
// name buffer the file dialog is handed. (The file dialog worked as a user works it: the
// end-to-end driver.)
#include "shell/windows/dialogs_win32.h"

#include <gtest/gtest.h>

#include <thread>

#include "shell/windows/modal_guard.h"
#include "tests/windows/win32_test_support.h"

namespace vex {
namespace {

using test::Press;
using test::TestWindow;
using test::WaitForDialog;

// The box is owned by this process's foreground window and shows the buttons the flags ask for;
// while it is up, the process's other windows are disabled, and afterwards all are as before.
// (Its text, its lack of an icon and its lone OK button: the end-to-end driver.)
TEST(ShowMessage, IsOwnedByTheForegroundWindowOfThisProcessAndGuardsTheOthers) {
    TestWindow own(L"own", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    TestWindow other(L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    SetForegroundWindow(own.get());
    test::PumpMessages();
    ASSERT_EQ(GetForegroundWindow(), own.get());
    HWND owner = nullptr;
    bool otherEnabled = true;
    size_t buttons = 0;
    // Should the worker fail to close the box, the test's ctest timeout ends the run.
    std::thread worker([&] {
        HWND box = WaitForDialog(L"question");
        ASSERT_NE(box, nullptr);
        owner = GetWindow(box, GW_OWNER);
        otherEnabled = IsWindowEnabled(other.get());
        buttons = test::VisibleChildren(box, L"Button").size();
        Press(box, IDNO);
    });
    const int result = ShowMessage(u"question", u"yes or no?", MB_YESNO);
    worker.join();
    EXPECT_EQ(result, IDNO);
    EXPECT_EQ(buttons, 2u);
    EXPECT_EQ(owner, own.get());
    EXPECT_FALSE(otherEnabled);
    EXPECT_TRUE(IsWindowEnabled(other.get()));
    EXPECT_TRUE(IsWindowEnabled(own.get()));
    EXPECT_TRUE(ModalGuardRecords().empty());
}

// The dialog writes the chosen path, its terminator included, into the buffer it is told of: it
// must be told the request's own buffer and no more, or a path of the buffer's length overruns it.
TEST(FillOpenFileName, TellsTheDialogTheNameBufferItHasAndNoMore) {
    OpenFileRequest request = MakeOpenFileRequest(u"t", u"C:\\file.x3d", std::nullopt, 0);
    const OPENFILENAMEW dialog = FillOpenFileName(request, nullptr);
    EXPECT_EQ(dialog.lpstrFile, reinterpret_cast<wchar_t*>(request.nameBuffer.data()));
    EXPECT_EQ(dialog.nMaxFile, request.nameBuffer.size());
}

}  // namespace
}  // namespace vex
