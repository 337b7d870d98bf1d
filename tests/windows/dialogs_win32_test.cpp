// The Win32 dialogs: what the file dialog is handed, and the message box as Windows shows it,
// worked from a second thread. (The file dialog worked as a user works it: the end-to-end driver.)
#include "shell/windows/dialogs_win32.h"

#include <gtest/gtest.h>

#include <cstring>

#include "shell/windows/modal_guard.h"
#include "tests/windows/win32_test_support.h"

namespace vex {
namespace {

using test::DialogWorker;
using test::Press;
using test::TestWindow;
using test::WaitForDialog;

std::u16string Units(const wchar_t* text) {
    return text == nullptr ? std::u16string() : reinterpret_cast<const char16_t*>(text);
}

TEST(FillOpenFileName, SetsOnlyTheFieldsTheDialogNeeds) {
    OpenFileRequest request =
        MakeOpenFileRequest(u"open x3d file", u"C:\\file.x3d", u"A|*.a|B|*.b", 1);
    HWND owner = reinterpret_cast<HWND>(0x1234);
    OPENFILENAMEW dialog = FillOpenFileName(request, owner);
    EXPECT_EQ(dialog.lStructSize, 136u);
    EXPECT_EQ(dialog.hwndOwner, owner);
    EXPECT_EQ(std::memcmp(dialog.lpstrFilter, request.filterList.data(), 14 * sizeof(wchar_t)), 0);
    EXPECT_EQ(dialog.nFilterIndex, 2u);
    EXPECT_EQ(Units(dialog.lpstrFile), u"file.x3d");
    EXPECT_EQ(dialog.nMaxFile, 260u);
    EXPECT_EQ(Units(dialog.lpstrInitialDir), u"C:");
    EXPECT_EQ(Units(dialog.lpstrTitle), u"open x3d file");
    EXPECT_EQ(dialog.Flags, static_cast<DWORD>(OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                                               OFN_HIDEREADONLY));

    // Every other field is zero: no custom filter, no file title, no default extension, no hook.
    dialog.lStructSize = 0;
    dialog.hwndOwner = nullptr;
    dialog.lpstrFilter = dialog.lpstrFile = nullptr;
    dialog.lpstrInitialDir = dialog.lpstrTitle = nullptr;
    dialog.nFilterIndex = dialog.nMaxFile = dialog.Flags = 0;
    const OPENFILENAMEW zero{};
    EXPECT_EQ(std::memcmp(&dialog, &zero, sizeof(dialog)), 0);

    OpenFileRequest bare = MakeOpenFileRequest(u"t", std::nullopt, std::nullopt, 0);
    EXPECT_EQ(FillOpenFileName(bare, nullptr).lpstrInitialDir, nullptr);
}

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
    int result = 0;
    {
        DialogWorker worker([&] {
            HWND box = WaitForDialog(L"question");
            ASSERT_NE(box, nullptr);
            owner = GetWindow(box, GW_OWNER);
            otherEnabled = IsWindowEnabled(other.get());
            buttons = test::VisibleChildren(box, L"Button").size();
            Press(box, IDNO);
        });
        result = ShowMessage(u"question", u"yes or no?", MB_YESNO);
    }
    EXPECT_EQ(result, IDNO);
    EXPECT_EQ(buttons, 2u);
    EXPECT_EQ(owner, own.get());
    EXPECT_FALSE(otherEnabled);
    EXPECT_TRUE(IsWindowEnabled(other.get()));
    EXPECT_TRUE(IsWindowEnabled(own.get()));
    EXPECT_TRUE(ModalGuardRecords().empty());
}

}  // namespace
}  // namespace vex
