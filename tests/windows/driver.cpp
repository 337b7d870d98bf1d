// Drives vexlorin.exe as a user would: it finds the open-file dialog, checks what it proposes,
// types a path (or cancels), reads the message box that follows and presses OK. Every wait is
// bounded, so a dialog that never comes (or never goes) fails the run instead of hanging it.
//
//   vex_driver <vexlorin.exe> <start folder> <path to type, or - to cancel>
//              <expected caption> <expected text> [<screenshot folder> <screenshot prefix>]
//
// With a screenshot folder, the driver asks for a picture of each dialog by making NAME.want in
// it and waits (briefly) for NAME.done; the test script beside it takes the pictures.
#include <windows.h>
// after windows.h, which it needs
#include <dlgs.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/windows/win32_test_support.h"

namespace {

using namespace vex::test;

constexpr DWORD ShotLimitMs = 10000;
constexpr DWORD PollMs = 100;

int failures = 0;

std::string Narrow(const std::wstring& text) {
    if (text.empty()) {
        return std::string();
    }
    const int n = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), n, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), n, out.data(), size, nullptr, nullptr);
    return out;
}

void Check(bool ok, const std::string& what, const std::wstring& seen = std::wstring()) {
    std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what.c_str(), seen.empty() ? "" : ": ",
                Narrow(seen).c_str());
    std::fflush(stdout);
    failures += ok ? 0 : 1;
}

bool WaitForFile(const std::wstring& path, DWORD limitMs) {
    for (DWORD waited = 0; waited < limitMs; waited += PollMs) {
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            return true;
        }
        Sleep(PollMs);
    }
    return false;
}

// Asks for a picture of the window (with a margin) and waits until it is taken. The request
// holds the area as ImageMagick's geometry, WIDTHxHEIGHT+LEFT+TOP.
void TakeScreenshot(const std::wstring& folder, const std::wstring& name, HWND window) {
    if (folder.empty()) {
        return;
    }
    Sleep(500);  // let the dialog finish painting
    RECT area{};
    GetWindowRect(window, &area);
    constexpr LONG margin = 12;
    const LONG left = area.left > margin ? area.left - margin : 0;
    const LONG top = area.top > margin ? area.top - margin : 0;
    const std::string geometry = std::to_string(area.right + margin - left) + "x" +
                                 std::to_string(area.bottom + margin - top) + "+" +
                                 std::to_string(left) + "+" + std::to_string(top);
    const std::wstring want = folder + L"\\" + name + L".want";
    HANDLE file = CreateFileW(want.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, geometry.data(), static_cast<DWORD>(geometry.size()), &written, nullptr);
    CloseHandle(file);
    Check(WaitForFile(folder + L"\\" + name + L".done", ShotLimitMs), "screenshot " + Narrow(name));
}

void CheckOpenDialog(HWND dialog) {
    Check(GetWindow(dialog, GW_OWNER) == nullptr, "the file dialog has no owner");
    const std::wstring name = WindowText(GetDlgItem(dialog, cmb13));
    Check(name == L"file.x3d", "the proposed name is file.x3d", name);
    HWND filter = GetDlgItem(dialog, cmb1);
    const LRESULT pairs = SendMessageW(filter, CB_GETCOUNT, 0, 0);
    Check(pairs == 1, "the filter list holds one pair", std::to_wstring(pairs));
    const std::wstring selected = SelectedEntry(filter);
    Check(selected == L"x3d (*.x3d)", "the filter x3d (*.x3d) is selected", selected);
    const std::wstring folder = SelectedEntry(GetDlgItem(dialog, cmb2));
    Check(folder.find(L"C:") != std::wstring::npos, "the dialog starts on drive C:", folder);
}

void CheckMessageBox(HWND box, const std::wstring& expected) {
    Check(GetWindow(box, GW_OWNER) == nullptr, "the message box has no owner");
    std::wstring text;
    int icons = 0;
    for (HWND label : VisibleChildren(box, L"Static")) {
        // An icon control may be there even without an icon; what counts is whether it shows one.
        const bool iconControl = (GetWindowLongPtrW(label, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
        icons += iconControl && SendMessageW(label, STM_GETICON, 0, 0) != 0 ? 1 : 0;
        if (!iconControl && !WindowText(label).empty()) {
            text = WindowText(label);
        }
    }
    Check(icons == 0, "the message box shows no icon");
    Check(text == expected, "the message reads \"" + Narrow(expected) + "\"", text);
    const std::vector<HWND> buttons = VisibleChildren(box, L"Button");
    Check(buttons.size() == 1 && GetDlgCtrlID(buttons[0]) == IDOK, "one button, OK");
}

// A window of this process in the foreground: the dialogs of vexlorin, another process, must
// not take it as their owner.
HWND ShowForegroundWindow() {
    HWND window =
        CreateWindowExW(0, L"STATIC", L"vexlorin driver", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 590,
                        490, 200, 100, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(window);
    return window;
}

PROCESS_INFORMATION Start(std::wstring program, const std::wstring& folder) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &started)) {
        Check(false, "vexlorin.exe starts", program);
    }
    return started;
}

// The folder the dialog showed must be the start folder again afterwards; so must the exit code.
void CheckEnd(const PROCESS_INFORMATION& started) {
    const bool ended = WaitForSingleObject(started.hProcess, WaitLimitMs) == WAIT_OBJECT_0;
    Check(ended, "vexlorin.exe ends after the message");
    DWORD code = 1;
    GetExitCodeProcess(started.hProcess, &code);
    Check(ended && code == 0, "the exit code is 0", std::to_wstring(code));
    if (!ended) {
        TerminateProcess(started.hProcess, 1);
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
}

// What one run is to do and to see.
struct Plan {
    std::wstring program;
    std::wstring startFolder;
    std::wstring typed;  // empty: cancel the dialog
    std::wstring caption;
    std::wstring text;
    std::wstring shots;  // empty: no screenshots
    std::wstring shotPrefix;
};

int Run(const Plan& plan) {
    HWND own = ShowForegroundWindow();
    Check(GetForegroundWindow() == own, "a window of another process is in the foreground");
    const PROCESS_INFORMATION started = Start(plan.program, plan.startFolder);
    HWND dialog = WaitForDialog(L"open x3d file", WaitLimitMs, started.dwProcessId);
    Check(dialog != nullptr, "the dialog \"open x3d file\" appears");
    if (dialog != nullptr) {
        CheckOpenDialog(dialog);
        TakeScreenshot(plan.shots, plan.shotPrefix + L"-open-dialog", dialog);
        if (!plan.typed.empty()) {
            SendMessageW(GetDlgItem(dialog, cmb13), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(plan.typed.c_str()));
        }
        Press(dialog, plan.typed.empty() ? IDCANCEL : IDOK);
    }
    HWND box = WaitForDialog(plan.caption, WaitLimitMs, started.dwProcessId);
    Check(box != nullptr, "the message box \"" + Narrow(plan.caption) + "\" appears");
    if (box != nullptr) {
        CheckMessageBox(box, plan.text);
        TakeScreenshot(plan.shots, plan.shotPrefix + L"-message", box);
        Press(box, IDOK);
    }
    CheckEnd(started);
    DestroyWindow(own);
    return failures == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 6 && argc != 8) {
        std::fputs(
            "usage: vex_driver <vexlorin.exe> <start folder> <path to type, or - to cancel>"
            " <expected caption> <expected text> [<screenshot folder> <screenshot prefix>]\n",
            stderr);
        return 2;
    }
    Plan plan{argv[1], argv[2], argv[3], argv[4], argv[5], L"", L""};
    if (plan.typed == L"-") {
        plan.typed.clear();
    }
    if (argc == 8) {
        plan.shots = argv[6];
        plan.shotPrefix = argv[7];
    }
    return Run(plan);
}
