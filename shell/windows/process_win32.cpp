// The Windows process frame: a GUI process with a Unicode entry point and no window of its own.
// Its arguments are read in UTF-16 from the command line, and a wildcard that cmd.exe leaves as
// it is matches files as Explorer's would. A GUI process has no console; started from one, it
// attaches to it and prints there what it would otherwise show in a message box.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <string>

#include "shell/dialogs.h"
#include "shell/process.h"
#include "text/windows/wide.h"

namespace vex {

namespace {

struct LocalFreer {
    void operator()(LPWSTR* block) const { LocalFree(block); }
};
struct FindCloser {
    void operator()(HANDLE search) const { FindClose(search); }
};
struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using HandleHolder = std::unique_ptr<void, HandleCloser>;

// Lines end in CR LF; a console's screen takes UTF-16, a file or pipe the console's code page (the
// ANSI code page when there is no console).
void PrintTo(HANDLE output, const Text& text) {
    Text lines;
    for (const char16_t unit : text) {
        lines += unit == u'\n' ? Text(u"\r\n") : Text(1, unit);
    }
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(output, &mode)) {
        WriteConsoleW(output, Wide(lines), static_cast<DWORD>(lines.size()), &written, nullptr);
        return;
    }
    const UINT page = GetConsoleOutputCP() != 0 ? GetConsoleOutputCP() : CP_ACP;
    const int n = static_cast<int>(lines.size());
    const int size = WideCharToMultiByte(page, 0, Wide(lines), n, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(page, 0, Wide(lines), n, bytes.data(), size, nullptr, nullptr);
    WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// The standard error the starter gave the process (a file, a pipe); a process started from
// Explorer has none, and nothing is printed.
void PrintToStandardError(const Text& text) {
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error != nullptr && error != INVALID_HANDLE_VALUE) {
        PrintTo(error, text);
    }
}

// The rows of text a message box is given at most: with its caption and its button it stays
// within a screen 800 pixels tall.
constexpr size_t BoxRows = 30;

// The console the process was started from, where it prints instead of showing a box.
class ParentConsole {
  public:
    ParentConsole() {
        // Access is denied when the process has a console already (Wine hands the starter's to a
        // GUI process, as Windows does to a console process).
        if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) {
            return;
        }
        attached_ = true;
        // Output the starter redirected (cmd.exe's "> file", a pipe) goes there; else to the
        // console's screen.
        HANDLE given = GetStdHandle(STD_OUTPUT_HANDLE);
        const DWORD type = given == nullptr || given == INVALID_HANDLE_VALUE ? FILE_TYPE_UNKNOWN
                                                                             : GetFileType(given);
        if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
            output_ = given;
            return;
        }
        HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        if (screen != INVALID_HANDLE_VALUE) {
            screen_.reset(screen);
            output_ = screen;
        }
    }

    bool Attached() const { return attached_ && output_ != nullptr; }

    void Print(const Text& text) const { PrintTo(output_, text); }

  private:
    bool attached_ = false;
    HANDLE output_ = nullptr;
    HandleHolder screen_;
};

// Attached on first use: a start without arguments never looks for a console.
const ParentConsole& Console() {
    static const ParentConsole console;
    return console;
}

// The folder part of a path, with its last separator (or the drive's colon).
Text FolderOf(const Text& path) {
    const size_t end = path.find_last_of(u"\\/:");
    return end == Text::npos ? Text() : path.substr(0, end + 1);
}

bool IsShown(const WIN32_FIND_DATAW& found) {
    return (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN)) == 0;
}

// In the order Explorer lists a folder by name: case does not count.
bool NameBefore(const Text& a, const Text& b) {
    return CompareStringOrdinal(Wide(a), static_cast<int>(a.size()), Wide(b),
                                static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
}

std::vector<Text> FilesMatching(const Text& pattern) {
    std::vector<Text> files;
    WIN32_FIND_DATAW found{};
    HANDLE first =
        FindFirstFileExW(Wide(pattern), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (first == INVALID_HANDLE_VALUE) {
        return files;
    }
    const std::unique_ptr<void, FindCloser> search(first);
    const Text folder = FolderOf(pattern);
    do {
        if (IsShown(found)) {
            files.push_back(folder + reinterpret_cast<const char16_t*>(found.cFileName));
        }
    } while (FindNextFileW(search.get(), &found));
    std::sort(files.begin(), files.end(), NameBefore);
    return files;
}

std::vector<Text> CommandLineArguments() {
    int count = 0;
    const std::unique_ptr<LPWSTR, LocalFreer> argv(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<Text> arguments;
    for (int i = 1; argv && i < count; ++i) {
        arguments.emplace_back(reinterpret_cast<const char16_t*>(argv.get()[i]));
    }
    return arguments;
}

}  // namespace

void EndProcess(int exitStatus) {
    ExitProcess(static_cast<UINT>(exitStatus));
}

std::vector<Text> FilesNamedBy(const Text& argument) {
    // Wildcards count only in the file name, as FindFirstFileExW takes them.
    const Text name = argument.substr(FolderOf(argument).size());
    if (name.find_first_of(u"*?") == Text::npos) {
        return {argument};
    }
    return FilesMatching(argument);
}

// A message box cannot scroll: what does not fit a screen is cut, and the whole goes to standard
// error, when the starter gave one (a file, a pipe).
void ShowResult(const Outcome& outcome) {
    if (Console().Attached()) {
        const ShownMessage message = Shown(outcome.message);
        Console().Print(message.caption + u"\n" + message.text + u"\n");
        return;
    }
    const Text shown = CutForBox(outcome.box.text, BoxRows);
    if (shown.size() < outcome.box.text.size()) {
        PrintToStandardError(outcome.box.text + u"\n");
    }
    PrepareDialogs();
    ShowMessage(Shown(outcome.box).caption, shown, 0);
}

// A console's screen takes UTF-16; anything else (a file, a pipe) the UTF-8 bytes, written until
// every one is taken.
void PrintText(const Text& text, bool isError) {
    HANDLE given = GetStdHandle(isError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if (given == nullptr || given == INVALID_HANDLE_VALUE) {
        if (Console().Attached()) {
            Console().Print(text);
        }
        return;
    }
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(given, &mode)) {
        WriteConsoleW(given, Wide(text), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = ToUtf8(text);
    for (size_t done = 0; done < bytes.size(); done += written) {
        const auto piece = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
        if (!WriteFile(given, bytes.data() + done, piece, &written, nullptr) || written == 0) {
            return;
        }
    }
}

// Printed as it stands; a box shows it under the program's caption, without the last line end.
void ShowNote(const Text& text, bool /*isError*/) {
    if (Console().Attached()) {
        Console().Print(text);
        return;
    }
    PrepareDialogs();
    ShowMessage(SummaryCaption, text.substr(0, text.find_last_not_of(u'\n') + 1), 0);
}

}  // namespace vex

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    vex::RunProgram(vex::CommandLineArguments());
}
