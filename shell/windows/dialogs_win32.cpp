// The dialogs as Windows shows them: GetOpenFileNameW and MessageBoxW, each inside the modal
// guard.
#include "shell/windows/dialogs_win32.h"

#include <commctrl.h>
#include <objbase.h>

#include <cstddef>

#include "shell/dialogs.h"
#include "shell/windows/modal_guard.h"
#include "text/windows/wide.h"

namespace vex {

static_assert(offsetof(OPENFILENAMEW, pvReserved) == OpenFileStructSize,
              "the dialog is told the size up to the reserved trailing fields");

HWND FindDialogOwner() {
    HWND foreground = GetForegroundWindow();
    if (foreground == nullptr) {
        return nullptr;
    }
    DWORD process = 0;
    GetWindowThreadProcessId(foreground, &process);
    return process == GetCurrentProcessId() ? foreground : nullptr;
}

OPENFILENAMEW FillOpenFileName(OpenFileRequest& request, HWND owner) {
    OPENFILENAMEW dialog{};
    dialog.lStructSize = OpenFileStructSize;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = Wide(request.filterList);
    dialog.nFilterIndex = request.filterIndex;
    dialog.lpstrFile = reinterpret_cast<wchar_t*>(request.nameBuffer.data());
    dialog.nMaxFile = static_cast<DWORD>(request.nameBuffer.size());
    dialog.lpstrInitialDir = request.initialDirectory ? Wide(*request.initialDirectory) : nullptr;
    dialog.lpstrTitle = Wide(request.title);
    dialog.Flags = OpenFileFlags;
    return dialog;
}

// The control classes the dialogs may use: tabs, hot keys, dates, extended combo boxes, and
// internet addresses.
constexpr DWORD DialogControlClasses = ICC_TAB_CLASSES | ICC_HOTKEY_CLASS | ICC_DATE_CLASSES |
                                       ICC_USEREX_CLASSES | ICC_INTERNET_CLASSES;
static_assert(DialogControlClasses == 0xB48);
static_assert(sizeof(INITCOMMONCONTROLSEX) == 8);

bool PrepareDialogs() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = DialogControlClasses;
    InitCommonControlsEx(&controls);
    CoInitialize(nullptr);
    return true;
}

Text ChooseInputFile(const Text& title, const std::optional<Text>& defaultFile,
                     const std::optional<Text>& pattern, int32_t patternPosition) {
    OpenFileRequest request = MakeOpenFileRequest(title, defaultFile, pattern, patternPosition);
    // The owner is found before the guard disables anything.
    OPENFILENAMEW dialog = FillOpenFileName(request, FindDialogOwner());
    BeginModalGuard();
    const BOOL chosen = GetOpenFileNameW(&dialog);
    EndModalGuard();
    return chosen != 0 ? NameInBuffer(request.nameBuffer) : Text();
}

int ShowMessage(const Text& caption, const Text& text, uint32_t flags) {
    HWND owner = FindDialogOwner();
    BeginModalGuard();
    const int result = MessageBoxW(owner, Wide(text), Wide(caption), flags);
    EndModalGuard();
    return result;
}

}  // namespace vex
