// Child processes on Windows: CreateProcessW, started suspended and put in a job object that
// kills every process in it, the held folder (which nobody can rename while it is held) as its
// working folder, its output read from an anonymous pipe as it comes (PeekNamedPipe), and the job
// terminated past the time limit.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "text/child_process.h"
#include "text/child_process_platform.h"
#include "text/windows/system_message.h"
#include "text/windows/wide.h"

namespace vex {

const char16_t PathListSeparator = u';';
const char16_t PathSeparator = u'\\';

namespace {

using Clock = std::chrono::steady_clock;

// How long one wait for the child lasts at most before its output is read again.
constexpr std::chrono::milliseconds Tick{20};

// The most read from the pipe at once, and between two looks at the clock.
constexpr DWORD PieceSize = 4096;
constexpr size_t ReadPerTick = size_t{1} << 16;

// The most read once the child has ended: a process outside the job could write on.
constexpr size_t LeftInPipe = size_t{1} << 20;

// How long a terminated job's processes are waited for, at most.
constexpr DWORD EndWait = 5000;

// A handle, closed when this goes; null when there is none.
class OwnedHandle {
  public:
    explicit OwnedHandle(HANDLE handle = nullptr) { Reset(handle); }
    ~OwnedHandle() { Close(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    HANDLE get() const { return handle_; }
    HANDLE* out() { return &handle_; }
    // Takes the handle, closing the one held; INVALID_HANDLE_VALUE (a failed open) holds none.
    void Reset(HANDLE handle) {
        Close();
        handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
    }
    void Close() {
        if (handle_ != nullptr) {
            CloseHandle(handle_);
            handle_ = nullptr;
        }
    }

  private:
    HANDLE handle_ = nullptr;
};

Text Variable(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    Text value(size, u'\0');
    const DWORD length =
        size == 0 ? 0
                  : GetEnvironmentVariableW(name, reinterpret_cast<wchar_t*>(value.data()), size);
    value.resize(length < size ? length : 0);
    return value;
}

// Appends one argument so that the C runtime's parser (as CommandLineToArgvW) reads it back as it
// is: quoted when it is empty or holds a space, a tab or a quote; inside the quotes a quote is
// escaped with a backslash, and the backslashes before a quote or the closing quote are doubled.
void AppendArgument(Text& line, const Text& argument) {
    if (!line.empty()) {
        line += u' ';
    }
    if (!argument.empty() && argument.find_first_of(u" \t\"") == Text::npos) {
        line += argument;
        return;
    }
    line += u'"';
    size_t backslashes = 0;
    for (const char16_t c : argument) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == u'"' ? 2 * backslashes + 1 : backslashes, u'\\');
        line += c;
        backslashes = 0;
    }
    line.append(2 * backslashes, u'\\');
    line += u'"';
}

Text CommandLine(const ChildRun& run) {
    Text line;
    AppendArgument(line, run.program);
    for (const Text& argument : run.arguments) {
        AppendArgument(line, argument);
    }
    return line;
}

// The held folder's full path, as CreateProcessW wants the working folder; empty for the current
// folder.
Text FullPath(const Text& folder) {
    if (folder.empty()) {
        return folder;
    }
    const DWORD size = GetFullPathNameW(Wide(folder), 0, nullptr, nullptr);
    Text full(size, u'\0');
    const DWORD length =
        GetFullPathNameW(Wide(folder), size, reinterpret_cast<wchar_t*>(full.data()), nullptr);
    full.resize(length < size ? length : 0);
    return full.empty() ? folder : full;
}

// A job whose processes all end when its last handle is closed, so that nothing the child started
// outlives the run, even when this process ends first.
HANDLE KillingJob() {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job != nullptr &&
        !SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        CloseHandle(job);
        return nullptr;
    }
    return job;
}

// The child's ends: the null device to read, the pipe's writing end for its output; both
// inheritable, and handed to it alone (a handle list), not every inheritable handle of this
// process.
struct ChildEnds {
    OwnedHandle input;
    OwnedHandle output;
};

// A thread attribute list that hands the child the two handles given and no other inheritable
// handle of this process (a pipe this process was given, which the child would hold open).
class HandleList {
  public:
    explicit HandleList(const ChildEnds& ends) : handles_{ends.input.get(), ends.output.get()} {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size);
        ready_ = InitializeProcThreadAttributeList(get(), 1, 0, &size) != 0;
        ready_ = ready_ && UpdateProcThreadAttribute(get(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                                     handles_, sizeof handles_, nullptr, nullptr);
    }
    ~HandleList() {
        if (!storage_.empty()) {
            DeleteProcThreadAttributeList(get());
        }
    }
    HandleList(const HandleList&) = delete;
    HandleList& operator=(const HandleList&) = delete;

    bool ready() const { return ready_; }
    LPPROC_THREAD_ATTRIBUTE_LIST get() {
        return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
    }

  private:
    HANDLE handles_[2];
    std::vector<char> storage_;
    bool ready_ = false;
};

// Starts the child suspended, with no window, with its ends: NO_ERROR, or why it could not.
DWORD Start(const ChildRun& run, const Folder& folder, const ChildEnds& ends,
            PROCESS_INFORMATION& started) {
    HandleList inherited(ends);
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = ends.input.get();
    startup.StartupInfo.hStdOutput = ends.output.get();
    startup.StartupInfo.hStdError = ends.output.get();
    startup.lpAttributeList = inherited.get();
    Text line = CommandLine(run);
    const Text where = FullPath(folder.path);
    const DWORD flags = CREATE_SUSPENDED | CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT;
    const bool ok =
        inherited.ready() &&
        CreateProcessW(Wide(run.program), reinterpret_cast<wchar_t*>(line.data()), nullptr, nullptr,
                       TRUE, flags, nullptr, where.empty() ? nullptr : Wide(where),
                       &startup.StartupInfo, &started);
    return ok ? NO_ERROR : GetLastError();
}

// Reads what the pipe holds now into the tail, at most `most` bytes: the number read.
size_t ReadAvailable(HANDLE pipe, OutputTail& tail, size_t most) {
    size_t read = 0;
    char piece[PieceSize];
    DWORD waiting = 0;
    while (read < most && PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr) &&
           waiting > 0) {
        DWORD got = 0;
        if (!ReadFile(pipe, piece, std::min(waiting, PieceSize), &got, nullptr) || got == 0) {
            break;
        }
        tail.Add(piece, got);
        read += got;
    }
    return read;
}

// Reads the child's output until it ends or the deadline passes; true when it ended in time.
bool FollowChild(HANDLE process, HANDLE pipe, OutputTail& tail, Clock::time_point deadline) {
    for (;;) {
        const size_t read = ReadAvailable(pipe, tail, ReadPerTick);
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        // A child that writes more waits for the pipe to be read: only an idle one is waited for.
        const auto wait = read > 0 ? DWORD{0} : static_cast<DWORD>(std::min(left, Tick).count());
        if (WaitForSingleObject(process, wait) == WAIT_OBJECT_0) {
            return true;
        }
    }
}

ChildResult NotStarted(DWORD error) {
    return ChildResult{ChildEnd::NotStarted, 0, SystemMessage(error), {}};
}

}  // namespace

Text PathVariable() {
    return Variable(L"PATH");
}

bool IsFullPath(const Text& path) {
    const bool drive = path.size() >= 3 && path[1] == u':' && (path[2] == u'\\' || path[2] == u'/');
    return drive || path.rfind(u"\\\\", 0) == 0;
}

Text ProgramFileName(TextView name) {
    return Text(name) + u".exe";
}

bool IsProgramFile(const Text& path) {
    const DWORD attributes = GetFileAttributesW(Wide(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

Text InstalledProgram(TextView path) {
    const Text programs = Variable(L"ProgramFiles");
    const Text full = programs + PathSeparator + Text(path);
    return !programs.empty() && IsProgramFile(full) ? full : Text();
}

// Nothing to hold: a process ends with its handles, and a child's job with its last one
// (KillingJob), which kills every process in it.
EndingSignalsHeld::EndingSignalsHeld() = default;
EndingSignalsHeld::~EndingSignalsHeld() = default;

ChildResult RunChild(const ChildRun& run, const Folder& folder) {
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    ChildEnds ends;
    OwnedHandle reading;
    ends.input.Reset(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 &inherited, OPEN_EXISTING, 0, nullptr));
    const OwnedHandle job(KillingJob());
    if (ends.input.get() == nullptr || job.get() == nullptr ||
        !CreatePipe(reading.out(), ends.output.out(), &inherited, 0) ||
        !SetHandleInformation(reading.get(), HANDLE_FLAG_INHERIT, 0)) {
        return NotStarted(GetLastError());
    }
    const Clock::time_point deadline = Clock::now() + run.limit;
    PROCESS_INFORMATION started{};
    const DWORD error = Start(run, folder, ends, started);
    if (error != NO_ERROR) {
        return NotStarted(error);
    }
    const OwnedHandle process(started.hProcess);
    const OwnedHandle thread(started.hThread);
    if (!AssignProcessToJobObject(job.get(), process.get())) {
        const DWORD refused = GetLastError();
        TerminateProcess(process.get(), 1);
        return NotStarted(refused);
    }
    ResumeThread(thread.get());
    ends.output.Close();  // else the pipe would never end: this process would hold a writer open
    OutputTail tail(run.keptOutput);
    const bool inTime = FollowChild(process.get(), reading.get(), tail, deadline);
    // Whatever the child left running goes with it; past the limit, the child itself too.
    TerminateJobObject(job.get(), 1);
    WaitForSingleObject(process.get(), EndWait);
    ReadAvailable(reading.get(), tail, LeftInPipe);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    ChildResult result{inTime ? ChildEnd::Exited : ChildEnd::OverTime, code, Text(), tail.Take()};
    return result;
}

}  // namespace vex
