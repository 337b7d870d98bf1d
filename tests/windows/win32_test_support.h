// Helpers for the tests that run against Windows itself (under Wine here): finding and working
// the dialogs of this process from a second thread, with every wait bounded.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "text/text.h"

namespace vex::test {

inline constexpr DWORD WaitLimitMs = 30000;

// A top-level dialog (class #32770) with the caption, of this process or of the given one, waited
// for up to the limit; null when none came.
HWND WaitForDialog(const std::wstring& caption, DWORD limitMs = WaitLimitMs, DWORD process = 0);

// The text of a window, also of another process's (WM_GETTEXT is carried across processes).
std::wstring WindowText(HWND window);

// The visible child windows of the class, in Z order.
std::vector<HWND> VisibleChildren(HWND parent, const std::wstring& className);

// Presses a button of a dialog the way a click does.
void Press(HWND dialog, int button);

// The selected entry of a combo box.
std::wstring SelectedEntry(HWND combo);

// A plain top-level window made by the calling thread, destroyed with this object.
class TestWindow {
  public:
    TestWindow(const wchar_t* title, DWORD style, DWORD exStyle = 0);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND get() const { return window_; }

  private:
    HWND window_;
};

// Handles the messages waiting for the calling thread's windows.
void PumpMessages();

// The Windows path of a Linux path, as Wine shows it (the Linux root is drive Z:).
Text WindowsPathOf(const std::string& linuxPath);

}  // namespace vex::test
