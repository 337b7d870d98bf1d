// The Win32 side of the dialogs, open to tests: the dialog's owner and the OPENFILENAMEW filled
// from a request.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <commdlg.h>

#include "shell/windows/open_file_request.h"

namespace vex {

// The foreground window when this process made it, else none: a dialog is owned by one of the
// process's own windows only.
HWND FindDialogOwner();

// An OPENFILENAMEW for the request, every field zero but those the request sets. The structure
// points into the request, which must outlive it.
OPENFILENAMEW FillOpenFileName(OpenFileRequest& request, HWND owner);

}  // namespace vex
