#include "shell/windows/modal_guard.h"

#include <list>
#include <mutex>

namespace vex {

namespace {

// The records of every thread, newest first. The lock guards only the list itself: it is never
// held while a window is touched, because EnableWindow and SetWindowPos send messages to the
// window, whose handler may show a dialog of its own on the same thread.
struct RecordList {
    std::mutex lock;
    std::list<WindowRecord> records;
};

RecordList& Records() {
    static RecordList list;
    return list;
}

void SetTopmost(HWND window, bool topmost) {
    SetWindowPos(window, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE);
}

BOOL CALLBACK VisitWindow(HWND window, LPARAM /*unused*/) {
    const DWORD thread = GetCurrentThreadId();
    if (GetWindowThreadProcessId(window, nullptr) != thread || !IsWindowVisible(window)) {
        return TRUE;
    }
    WindowRecord record{thread, window, 0, 0};
    record.wasTopmost = (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    if (window != GetForegroundWindow() && IsWindowEnabled(window)) {
        record.disabledByGuard = 1;
        EnableWindow(window, FALSE);
    }
    RecordList& list = Records();
    const std::lock_guard<std::mutex> hold(list.lock);
    list.records.push_front(record);
    return TRUE;
}

// The calling thread's records, newest first, taken out of the process-wide list.
std::list<WindowRecord> TakeThreadRecords() {
    const DWORD thread = GetCurrentThreadId();
    RecordList& list = Records();
    std::list<WindowRecord> taken;
    const std::lock_guard<std::mutex> hold(list.lock);
    for (auto it = list.records.begin(); it != list.records.end();) {
        const auto next = std::next(it);
        if (it->thread == thread) {
            taken.splice(taken.end(), list.records, it);
        }
        it = next;
    }
    return taken;
}

// The calling thread's records, newest first, still in the list.
std::vector<WindowRecord> ThreadRecords() {
    const DWORD thread = GetCurrentThreadId();
    std::vector<WindowRecord> mine;
    for (const WindowRecord& record : ModalGuardRecords()) {
        if (record.thread == thread) {
            mine.push_back(record);
        }
    }
    return mine;
}

}  // namespace

void BeginModalGuard() {
    EnumWindows(&VisitWindow, 0);
    for (const WindowRecord& record : ThreadRecords()) {
        if (record.wasTopmost != 0) {
            SetTopmost(record.window, false);
        }
    }
}

void EndModalGuard() {
    for (const WindowRecord& record : TakeThreadRecords()) {
        if (record.disabledByGuard != 0) {
            EnableWindow(record.window, TRUE);
        }
        if (record.wasTopmost != 0) {
            SetTopmost(record.window, true);
        }
    }
}

std::vector<WindowRecord> ModalGuardRecords() {
    RecordList& list = Records();
    const std::lock_guard<std::mutex> hold(list.lock);
    return std::vector<WindowRecord>(list.records.begin(), list.records.end());
}

}  // namespace vex
