// The dialogs as Windows shows them, worked from a second thread as a user would work them.
#include "shell/windows/dialogs_win32.h"

#include <gtest/gtest.h>

#include <dlgs.h>

#include <cstring>

#include "shell/dialogs.h"
#include "shell/windows/modal_guard.h"
#include "tests/test_support.h"
#include "tests/windows/win32_test_support.h"

namespace vex {
namespace {

using test::DialogWorker;
using test::Press;
using test::TestWindow;
using test::WaitForDialog;
using test::WindowText;

constexpr wchar_t Title[] = L"open x3d file";

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
    EXPECT_EQ(dialog.Flags, 0x8080Cu);

    // Every other field is zero: no custom filter, no file title, no default extension, no hook.
    dialog.lStructSize = 0;
    dialog.hwndOwner = nullptr;
    dialog.lpstrFilter = dialog.lpstrFile = nullptr;
    dialog.lpstrInitialDir = dialog.lpstrTitle = nullptr;
    dialog.nFilterIndex = dialog.nMaxFile = dialog.Flags = 0;
    const OPENFILENAMEW zero{};
    EXPECT_EQ(std::memcmp(&dialog, &zero, sizeof(dialog)), 0);
}

TEST(FillOpenFileName, PassesNoInitialFolderWithoutADefaultFile) {
    OpenFileRequest request = MakeOpenFileRequest(u"t", std::nullopt, std::nullopt, 0);
    EXPECT_EQ(FillOpenFileName(request, nullptr).lpstrInitialDir, nullptr);
    OpenFileRequest bare = MakeOpenFileRequest(u"t", u"scene.x3d", std::nullopt, 0);
    ASSERT_NE(FillOpenFileName(bare, nullptr).lpstrInitialDir, nullptr);
    EXPECT_EQ(Units(FillOpenFileName(bare, nullptr).lpstrInitialDir), u"");
}

TEST(FindDialogOwner, TakesOnlyAForegroundWindowOfThisProcess) {
    {
        TestWindow own(L"own", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
        SetForegroundWindow(own.get());
        test::PumpMessages();
        ASSERT_EQ(GetForegroundWindow(), own.get());
        EXPECT_EQ(FindDialogOwner(), own.get());
    }
    HWND foreground = GetForegroundWindow();
    DWORD process = 0;
    GetWindowThreadProcessId(foreground, &process);
    if (foreground == nullptr || process != GetCurrentProcessId()) {
        EXPECT_EQ(FindDialogOwner(), nullptr);
    }
}

// What the worker saw of the file dialog.
struct SeenDialog {
    bool found = false;
    std::wstring name;
    std::wstring filter;
    LRESULT pairs = 0;
};

// Works the file dialog: notes what it shows, then types `typed` and presses Open, or cancels
// when `typed` is empty.
void WorkFileDialog(SeenDialog& seen, const std::wstring& typed) {
    HWND dialog = WaitForDialog(Title);
    seen.found = dialog != nullptr;
    if (dialog == nullptr) {
        return;
    }
    seen.name = WindowText(GetDlgItem(dialog, cmb13));
    HWND filter = GetDlgItem(dialog, cmb1);
    seen.pairs = SendMessageW(filter, CB_GETCOUNT, 0, 0);
    seen.filter = test::SelectedEntry(filter);
    if (typed.empty()) {
        Press(dialog, IDCANCEL);
        return;
    }
    SendMessageW(GetDlgItem(dialog, cmb13), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
    Press(dialog, IDOK);
}

std::wstring Wide(const Text& text) {
    return std::wstring(text.begin(), text.end());
}

class FileDialogTest : public ::testing::Test {
  protected:
    test::TempFolder folder;
    Text Path(const std::string& name) { return folder.TextPath(name); }

    Text Choose(const std::optional<Text>& defaultFile, const std::optional<Text>& pattern,
                int32_t position, const std::wstring& typed, SeenDialog& seen) {
        DialogWorker worker([&] { WorkFileDialog(seen, typed); });
        return ChooseInputFile(u"open x3d file", defaultFile, pattern, position);
    }
};

TEST_F(FileDialogTest, ReturnsTheChosenFileAndKeepsTheWorkingFolder) {
    test::WriteBytes(folder.path() / "scene.x3d", "x\n");
    const Text before = test::CurrentDirectory();
    SeenDialog seen;
    const Text chosen =
        Choose(u"C:\\file.x3d", u"x3d (*.x3d)|*.x3d", 0, Wide(Path("scene.x3d")), seen);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.name, L"file.x3d");
    EXPECT_EQ(seen.pairs, 1);
    EXPECT_EQ(seen.filter, L"x3d (*.x3d)");
    EXPECT_EQ(chosen, Path("scene.x3d"));
    EXPECT_EQ(test::CurrentDirectory(), before);
    EXPECT_TRUE(ModalGuardRecords().empty());
}

TEST_F(FileDialogTest, GivesTheEmptyTextOnCancel) {
    SeenDialog seen;
    EXPECT_EQ(Choose(u"C:\\file.x3d", u"x3d (*.x3d)|*.x3d", 0, L"", seen), u"");
    EXPECT_TRUE(seen.found);
}

TEST_F(FileDialogTest, ReturnsATypedNameOfANewFileWithoutAddingAnExtension) {
    SeenDialog seen;
    const Text chosen = Choose(u"C:\\file.x3d", u"x3d (*.x3d)|*.x3d", 0, Wide(Path("new")), seen);
    EXPECT_EQ(chosen, Path("new"));
}

TEST_F(FileDialogTest, RefusesANameInAMissingFolder) {
    // The dialog itself says no in a message of its own; the worker closes it, then cancels.
    SeenDialog seen;
    bool refused = false;
    const Text typed = Path("missing") + u"\\scene.x3d";
    DialogWorker worker([&] {
        WorkFileDialog(seen, Wide(typed));
        HWND dialog = WaitForDialog(Title);
        HWND complaint = test::WaitForOwnedDialog(dialog);
        refused = complaint != nullptr;
        if (complaint != nullptr) {
            Press(complaint, IDOK);
            test::WaitUntilGone(complaint);
        }
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(ChooseInputFile(u"open x3d file", u"C:\\file.x3d", u"x3d (*.x3d)|*.x3d", 0), u"");
    EXPECT_TRUE(refused);
}

TEST_F(FileDialogTest, GivesTheEmptyTextForAPathTooLongForTheBuffer) {
    if (test::IsWine()) {
        // Wine's dialog copies the typed path into a MAX_PATH buffer of its own without a bound
        // (COMDLG32_GetCanonicalPath) and crashes; Windows refuses it with FNERR_BUFFERTOOSMALL.
        GTEST_SKIP() << "Wine's file dialog overflows on a path of 260 units or more";
    }
    // Folders deep enough that the file's full path has more than 260 units.
    std::filesystem::path deep = folder.path();
    while (test::PathText(deep).size() < 280) {
        deep /= std::string(40, 'd');
    }
    std::filesystem::create_directories(deep);
    test::WriteBytes(deep / "scene.x3d", "x\n");
    SeenDialog seen;
    const Text typed = test::PathText(deep / "scene.x3d");
    EXPECT_EQ(Choose(u"C:\\file.x3d", u"x3d (*.x3d)|*.x3d", 0, Wide(typed), seen), u"");
    EXPECT_TRUE(seen.found);
}

// Works the message box: notes its text, icon and buttons, then presses OK.
struct SeenBox {
    bool found = false;
    std::wstring text;
    int icons = 0;
    std::vector<int> buttons;
    HWND owner = nullptr;
    bool otherWindowEnabled = true;
};

void WorkMessageBox(SeenBox& seen, const wchar_t* caption, HWND other) {
    HWND box = WaitForDialog(caption);
    seen.found = box != nullptr;
    if (box == nullptr) {
        return;
    }
    seen.owner = GetWindow(box, GW_OWNER);
    seen.otherWindowEnabled = other != nullptr && IsWindowEnabled(other);
    for (HWND label : test::VisibleChildren(box, L"Static")) {
        // An icon control may be there even without an icon; what counts is whether it shows one.
        const bool iconControl = (GetWindowLongPtrW(label, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
        seen.icons += iconControl && SendMessageW(label, STM_GETICON, 0, 0) != 0 ? 1 : 0;
        if (!iconControl) {
            seen.text += WindowText(label);
        }
    }
    for (HWND button : test::VisibleChildren(box, L"Button")) {
        seen.buttons.push_back(GetDlgCtrlID(button));
    }
    Press(box, IDOK);
}

TEST(ShowMessage, ShowsOneOkButtonWithoutIconAndReturnsOk) {
    SeenBox seen;
    int result = 0;
    {
        DialogWorker worker([&] { WorkMessageBox(seen, L"Info:", nullptr); });
        result = ShowMessage(u"Info:", u"canceled", 0);
    }
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(seen.text, L"canceled");
    EXPECT_EQ(seen.icons, 0);
    EXPECT_EQ(seen.buttons, std::vector<int>{IDOK});
}

TEST(ShowMessage, IsOwnedByTheForegroundWindowOfThisProcessAndGuardsTheOthers) {
    TestWindow own(L"own", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    TestWindow other(L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    SetForegroundWindow(own.get());
    test::PumpMessages();
    ASSERT_EQ(GetForegroundWindow(), own.get());
    SeenBox seen;
    {
        DialogWorker worker([&] { WorkMessageBox(seen, L"caption", other.get()); });
        ShowMessage(u"caption", u"text", 0);
    }
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.owner, own.get());
    EXPECT_FALSE(seen.otherWindowEnabled);
    EXPECT_TRUE(IsWindowEnabled(other.get()));
    EXPECT_TRUE(IsWindowEnabled(own.get()));
    EXPECT_TRUE(ModalGuardRecords().empty());
}

TEST(ShowMessage, PassesTheFlagsUnchanged) {
    SeenBox seen;
    int result = 0;
    {
        DialogWorker worker([&] {
            HWND box = WaitForDialog(L"question");
            seen.found = box != nullptr;
            if (box != nullptr) {
                for (HWND button : test::VisibleChildren(box, L"Button")) {
                    seen.buttons.push_back(GetDlgCtrlID(button));
                }
                Press(box, IDNO);
            }
        });
        result = ShowMessage(u"question", u"yes or no?", MB_YESNO);
    }
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(result, IDNO);
    EXPECT_EQ(seen.buttons.size(), 2u);
}

}  // namespace
}  // namespace vex
