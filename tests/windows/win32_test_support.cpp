#include "tests/windows/win32_test_support.h"

#include <algorithm>
#include <vector>

namespace vex::test {

namespace {

constexpr DWORD PollMs = 50;

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

struct Search {
    std::wstring caption;
    DWORD process;
    HWND found = nullptr;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->process && IsWindowVisible(window) && ClassOf(window) == L"#32770" &&
        WindowText(window) == search->caption) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND WaitForDialog(const std::wstring& caption, DWORD limitMs, DWORD process) {
    Search search{caption, process != 0 ? process : GetCurrentProcessId()};
    for (DWORD waited = 0; waited < limitMs; waited += PollMs) {
        EnumWindows(&MatchDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            Sleep(200);  // let the dialog finish its setup before it is worked
            return search.found;
        }
        Sleep(PollMs);
    }
    return nullptr;
}

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_BLOCK,
                        WaitLimitMs, nullptr);
    return text;
}

std::vector<HWND> VisibleChildren(HWND parent, const std::wstring& className) {
    struct Gather {
        std::wstring className;
        std::vector<HWND> found;
    } gather{className, {}};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM lParam) -> BOOL {
            auto* g = reinterpret_cast<Gather*>(lParam);
            if (IsWindowVisible(child) && ClassOf(child) == g->className) {
                g->found.push_back(child);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&gather));
    return gather.found;
}

void Press(HWND dialog, int button) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

std::wstring SelectedEntry(HWND combo) {
    const LRESULT selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    const auto index = static_cast<WPARAM>(selected);
    wchar_t text[512] = {};
    if (selected != CB_ERR && SendMessageW(combo, CB_GETLBTEXTLEN, index, 0) < 512) {
        SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    }
    return text;
}

TestWindow::TestWindow(const wchar_t* title, DWORD style, DWORD exStyle)
    : window_(CreateWindowExW(exStyle, L"STATIC", title, style, 100, 100, 200, 80, nullptr, nullptr,
                              nullptr, nullptr)) {
    PumpMessages();
}

TestWindow::~TestWindow() {
    DestroyWindow(window_);
    PumpMessages();
}

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

Text WindowsPathOf(const std::string& linuxPath) {
    Text path = u"Z:" + FromUtf8(linuxPath);
    std::replace(path.begin(), path.end(), u'/', u'\\');
    return path;
}

}  // namespace vex::test
