// The modal guard around each dialog: while a dialog is open, the calling thread's other visible
// top-level windows are disabled and lose their always-on-top state; both come back when the
// dialog closes. The program has no window of its own, so this matters only when it is hosted by
// a process that has some; the guard then keeps those from being used behind the dialog.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace vex {

// One window the guard has looked at.
struct WindowRecord {
    DWORD thread = 0;             // the thread that made the record, which shows the dialog
    HWND window = nullptr;        // the top-level window
    uint8_t wasTopmost = 0;       // it had WS_EX_TOPMOST when it was recorded
    uint8_t disabledByGuard = 0;  // the guard disabled it
};

// Records the calling thread's visible top-level windows, disables those that are enabled and not
// the foreground window, and takes away always-on-top.
void BeginModalGuard();

// Gives the calling thread's recorded windows back what the guard took and forgets them. Records
// of other threads stay.
void EndModalGuard();

// The records in the process-wide list, newest first. Empty whenever no dialog is open.
std::vector<WindowRecord> ModalGuardRecords();

}  // namespace vex
