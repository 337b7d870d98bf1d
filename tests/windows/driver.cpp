// Drives vexlorin.exe as a user would: it finds the open-file dialog, checks what it proposes,
// types a path (or cancels), reads the message box that follows and presses OK. Or it starts the
// program with arguments, as Explorer does for a dropped file, and reads the box; or starts it
// from a console and reads what it printed there. Every wait is bounded, so a dialog that never
// comes (or never goes) fails the run instead of hanging it.
//
//   vex_driver <vexlorin.exe> <start folder> type|cancel|argument|console|print
//              <path or arguments> <expected caption> <expected text>
//
// type: the path is typed in the open dialog; cancel: the dialog is cancelled (the path is not
// used); argument: the program starts with the arguments and must show the box without a dialog;
// console: the same from a console, where the caption and text must appear, without a box;
// print: the same with standard output and standard error a pipe, as a program that reads them
// starts it: no window of it may appear, the pipe must hold exactly the text, and the exit code
// must be the one given in place of the caption. A '|'
// in the expected text stands for a line end (no Windows path holds one); an expected text that
// ends in "(" is the beginning of the text, which goes on with a reason in the system's words.
#include <windows.h>
// after windows.h, which it needs
#include <dlgs.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/windows/win32_test_support.h"

namespace {

using namespace vex::test;

int failures = 0;

std::string Narrow(const std::wstring& text) {
    return vex::ToUtf8(vex::Text(text.begin(), text.end()));
}

void Check(bool ok, const std::string& what, const std::wstring& seen = std::wstring()) {
    std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what.c_str(), seen.empty() ? "" : ": ",
                Narrow(seen).c_str());
    std::fflush(stdout);
    failures += ok ? 0 : 1;
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
    Check(!IsWindowVisible(GetDlgItem(dialog, chx1)), "no read-only check box");
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
    const bool beginning = !expected.empty() && expected.back() == L'(';
    Check(beginning ? text.starts_with(expected) : text == expected,
          "the message reads \"" + Narrow(expected) + "\"", text);
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

PROCESS_INFORMATION Start(std::wstring program, const std::wstring& arguments,
                          const std::wstring& folder) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    std::wstring commandLine =
        L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" ") + arguments;
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

enum class How { Type, Cancel, Argument, Console, Print };

// What one run is to do and to see.
struct Plan {
    std::wstring program;
    std::wstring startFolder;
    How how = How::Type;
    std::wstring input;  // the path to type, or the program's arguments
    std::wstring caption;
    std::wstring text;
};

void WorkOpenDialog(const Plan& plan, const PROCESS_INFORMATION& started) {
    HWND dialog = WaitForDialog(L"open x3d file", WaitLimitMs, started.dwProcessId);
    Check(dialog != nullptr, "the dialog \"open x3d file\" appears");
    if (dialog == nullptr) {
        return;
    }
    CheckOpenDialog(dialog);
    if (plan.how == How::Type) {
        SendMessageW(GetDlgItem(dialog, cmb13), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(plan.input.c_str()));
    }
    Press(dialog, plan.how == How::Type ? IDOK : IDCANCEL);
}

void WorkMessageBox(const Plan& plan, const PROCESS_INFORMATION& started) {
    HWND box = WaitForDialog(plan.caption, WaitLimitMs, started.dwProcessId);
    Check(box != nullptr, "the message box \"" + Narrow(plan.caption) + "\" appears");
    if (box != nullptr) {
        CheckMessageBox(box, plan.text);
        Press(box, IDOK);
    }
}

// The lines of this process's console up to the cursor, without their trailing blanks.
std::vector<std::wstring> ConsoleLines() {
    std::vector<std::wstring> lines;
    HANDLE screen =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (screen == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(screen, &info)) {
        Check(false, "the console can be read");
        return lines;
    }
    for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
        std::wstring line(static_cast<size_t>(info.dwSize.X), L' ');
        DWORD read = 0;
        ReadConsoleOutputCharacterW(screen, line.data(), static_cast<DWORD>(line.size()),
                                    COORD{0, y}, &read);
        line.resize(std::min<size_t>(read, line.find_last_not_of(L' ') + 1));
        lines.push_back(line);
    }
    CloseHandle(screen);
    return lines;
}

// The caption and every line of the text, one after another, somewhere in the console.
void CheckConsole(const Plan& plan) {
    std::vector<std::wstring> expected{plan.caption, L""};
    for (const wchar_t c : plan.text) {
        if (c == L'\n') {
            expected.emplace_back();
        } else {
            expected.back().push_back(c);
        }
    }
    const std::vector<std::wstring> lines = ConsoleLines();
    const bool found =
        std::search(lines.begin(), lines.end(), expected.begin(), expected.end()) != lines.end();
    std::wstring shown;
    for (const std::wstring& line : lines) {
        shown += line + L" / ";
    }
    Check(found, "the console shows the caption and \"" + Narrow(plan.text) + "\"", shown);
}

// A visible top-level window of the process.
bool HasWindow(DWORD process) {
    struct Search {
        DWORD process;
        bool found;
    } search{process, false};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            s->found = s->found || (owner == s->process && IsWindowVisible(window));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Everything the pipe holds until its last writer closes it.
std::string ReadToEnd(HANDLE pipe) {
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    return bytes;
}

int RunPrinting(const Plan& plan) {
    FreeConsole();  // as a windowed program (the modeller) starts it
    SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    Check(CreatePipe(&readEnd, &writeEnd, &inherited, 1 << 16) != 0, "a pipe is made");
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = writeEnd;
    PROCESS_INFORMATION started{};
    std::wstring commandLine = L"\"" + plan.program + L"\" " + plan.input;
    Check(CreateProcessW(plan.program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                         nullptr, plan.startFolder.c_str(), &startup, &started) != 0,
          "vexlorin.exe starts with a pipe for its output");
    CloseHandle(writeEnd);
    bool window = false;
    DWORD waited = 0;
    for (; !window && WaitForSingleObject(started.hProcess, 50) == WAIT_TIMEOUT &&
           waited < WaitLimitMs;
         waited += 50) {
        window = HasWindow(started.dwProcessId);
    }
    Check(!window, "no window of vexlorin.exe appears");
    Check(!window && waited < WaitLimitMs, "vexlorin.exe ends without waiting for anybody");
    TerminateProcess(started.hProcess, 99);
    const std::string printed = ReadToEnd(readEnd);
    DWORD code = 99;
    GetExitCodeProcess(started.hProcess, &code);
    Check(std::to_wstring(code) == plan.caption, "the exit code is " + Narrow(plan.caption),
          std::to_wstring(code));
    Check(printed == Narrow(plan.text), "the pipe holds \"" + Narrow(plan.text) + "\"",
          std::wstring(printed.begin(), printed.end()));
    CloseHandle(readEnd);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return failures == 0 ? 0 : 1;
}

int Run(const Plan& plan) {
    // Explorer has no console; Wine gives one to a console program started from Linux, and hands
    // it on to the programs it starts. The console run gets a fresh, empty console instead.
    FreeConsole();
    if (plan.how == How::Console) {
        Check(AllocConsole() != 0, "the driver has a console");
    }
    HWND own = ShowForegroundWindow();
    Check(GetForegroundWindow() == own, "a window of another process is in the foreground");
    const bool withArguments = plan.how == How::Argument || plan.how == How::Console;
    const PROCESS_INFORMATION started =
        Start(plan.program, withArguments ? plan.input : L"", plan.startFolder);
    if (!withArguments) {
        WorkOpenDialog(plan, started);
    }
    if (plan.how != How::Console) {
        WorkMessageBox(plan, started);
    }
    CheckEnd(started);
    if (plan.how == How::Console) {
        CheckConsole(plan);
    }
    DestroyWindow(own);
    return failures == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv);  // the entry point -municode asks for, declared by no header
int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> hows{L"type", L"cancel", L"argument", L"console", L"print"};
    const auto how = argc > 3 ? std::find(hows.begin(), hows.end(), argv[3]) : hows.end();
    if (argc != 7 || how == hows.end()) {
        std::fputs(
            "usage: vex_driver <vexlorin.exe> <start folder> type|cancel|argument|console|print"
            " <path or arguments> <expected caption> <expected text>\n",
            stderr);
        return 2;
    }
    Plan plan{argv[1], argv[2], static_cast<How>(how - hows.begin()), argv[4], argv[5], argv[6]};
    std::replace(plan.text.begin(), plan.text.end(), L'|', L'\n');
    return plan.how == How::Print ? RunPrinting(plan) : Run(plan);
}
