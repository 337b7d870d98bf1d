#include "shell/process.h"

#include "conversion/conversion.h"
#include "shell/dialogs.h"
#include "text/line_file.h"

namespace vex {

void ShellStart() {
    PrepareDialogs();
}

void ShellEnd() {
    CloseAllLineFiles();
    EndProcess();
}

void RunProgram() {
    ShellStart();
    Dialogs dialogs;
    dialogs.chooseInputFile = [](const Text& title, const Text& defaultFile, const Text& pattern,
                                 int32_t position) {
        return ChooseInputFile(title, defaultFile, pattern, position);
    };
    dialogs.showMessage = &ShowMessage;
    RunConversion(dialogs);
    ShellEnd();
}

}  // namespace vex
