// Child processes on POSIX systems: posix_spawn into a process group of the child's own, started
// in the held folder by its descriptor (fchdir), its output read through a pipe with poll, and the
// group killed with SIGKILL; the signals that ask this process to end only recorded meanwhile.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "text/child_process.h"
#include "text/child_process_platform.h"

namespace vex {

const char16_t PathListSeparator = u':';
const char16_t PathSeparator = u'/';

Text PathVariable() {
    const char* path = std::getenv("PATH");
    return path != nullptr ? FromUtf8(path) : Text();
}

bool IsFullPath(const Text& path) {
    return !path.empty() && path[0] == u'/';
}

Text ProgramFileName(TextView name) {
    return Text(name);
}

bool IsProgramFile(const Text& path) {
    struct stat info {};
    const std::string native = ToUtf8(path);
    return ::stat(native.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(native.c_str(), X_OK) == 0;
}

Text InstalledProgram(TextView /*path*/) {
    return Text();
}

namespace {

using Clock = std::chrono::steady_clock;

// How long one wait for output lasts at most, so that a child that ended while a process it left
// behind still holds the pipe open is noticed soon.
constexpr std::chrono::milliseconds Tick{20};

// The most read from the pipe at once.
constexpr size_t PieceSize = 4096;

// The most read from the pipe once the child has ended: what a pipe can hold (64 KiB by default,
// up to 1 MiB), which a process that left the group cannot stretch without end.
constexpr size_t LeftInPipe = size_t{1} << 20;

// A descriptor, closed when this goes.
class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    void Close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

  private:
    int fd_;
};

// What the child does between its start and the program's: standard input from the null device,
// standard output and error into the pipe, the held folder as its working folder.
class SpawnActions {
  public:
    SpawnActions(int output, int folder) {
        posix_spawn_file_actions_init(&actions_);
        posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions_, output, 1);
        posix_spawn_file_actions_adddup2(&actions_, output, 2);
        posix_spawn_file_actions_addfchdir_np(&actions_, folder);
    }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;

    const posix_spawn_file_actions_t* get() const { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_{};
};

// A process group of the child's own, which can be killed whole; no signal blocked, and each at
// its default action, whatever this process ignores (a SIGPIPE ignored here would stay ignored).
class SpawnAttributes {
  public:
    SpawnAttributes() {
        posix_spawnattr_init(&attributes_);
        sigset_t signals;
        sigemptyset(&signals);
        posix_spawnattr_setsigmask(&attributes_, &signals);
        sigfillset(&signals);
        posix_spawnattr_setsigdefault(&attributes_, &signals);
        posix_spawnattr_setpgroup(&attributes_, 0);
        posix_spawnattr_setflags(
            &attributes_, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    const posix_spawnattr_t* get() const { return &attributes_; }

  private:
    posix_spawnattr_t attributes_{};
};

// SIGCHLD at its default action while a child runs. A parent that ignores it (or asks not to be
// left zombies) passes that on to Vexlorin, and then the system reaps a child as it ends: its exit
// status is lost, and its process id, which also names its group, may go to another process.
class ChildrenWaitedFor {
  public:
    ChildrenWaitedFor() {
        struct sigaction wanted {};
        wanted.sa_handler = SIG_DFL;
        sigemptyset(&wanted.sa_mask);
        changed_ = ::sigaction(SIGCHLD, nullptr, &earlier_) == 0 &&
                   (earlier_.sa_handler == SIG_IGN || (earlier_.sa_flags & SA_NOCLDWAIT) != 0) &&
                   ::sigaction(SIGCHLD, &wanted, nullptr) == 0;
    }
    ~ChildrenWaitedFor() {
        if (changed_) {
            ::sigaction(SIGCHLD, &earlier_, nullptr);
        }
    }
    ChildrenWaitedFor(const ChildrenWaitedFor&) = delete;
    ChildrenWaitedFor& operator=(const ChildrenWaitedFor&) = delete;

  private:
    struct sigaction earlier_ {};
    bool changed_ = false;
};

// The program and its arguments as the null-terminated array of C strings exec takes.
class ArgumentVector {
  public:
    explicit ArgumentVector(const ChildRun& run) {
        strings_.push_back(ToUtf8(run.program));
        for (const Text& argument : run.arguments) {
            strings_.push_back(ToUtf8(argument));
        }
        for (std::string& bytes : strings_) {
            pointers_.push_back(bytes.data());
        }
        pointers_.push_back(nullptr);
    }

    char* const* get() const { return pointers_.data(); }

  private:
    std::vector<std::string> strings_;
    std::vector<char*> pointers_;
};

// Reads what the pipe holds now into the tail, waiting up to `wait` for something to come: the
// number of bytes read, 0 when none came, -1 once the pipe is at its end (every writer gone).
ssize_t ReadSome(int pipe, OutputTail& tail, std::chrono::milliseconds wait) {
    pollfd ready{pipe, POLLIN, 0};
    if (::poll(&ready, 1, static_cast<int>(wait.count())) <= 0) {
        return 0;  // nothing yet, or a signal came: the caller waits again
    }
    char piece[PieceSize];
    const ssize_t got = ::read(pipe, piece, sizeof piece);
    if (got > 0) {
        tail.Add(piece, static_cast<size_t>(got));
        return got;
    }
    return got < 0 && (errno == EINTR || errno == EAGAIN) ? 0 : -1;
}

// True once the child has ended. It is not reaped, so that its process id, and with it the id of
// its group, cannot be given to another process before the group is killed.
bool HasEnded(pid_t child) {
    siginfo_t info{};
    int result = 0;
    do {
        result = ::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT);
    } while (result < 0 && errno == EINTR);
    return result < 0 || info.si_pid == child;
}

// Reads the child's output until it ends, an ending signal is recorded (poll returns at once when
// one comes) or the deadline passes; false only past the deadline.
bool FollowChild(pid_t child, int pipe, OutputTail& tail, Clock::time_point deadline) {
    bool open = true;
    while (RecordedEndingSignal() == 0 && !HasEnded(child)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        const std::chrono::milliseconds wait = std::min(left, Tick);
        if (open) {
            open = ReadSome(pipe, tail, wait) >= 0;
        } else {
            ::poll(nullptr, 0, static_cast<int>(wait.count()));
        }
    }
    return true;
}

// Kills what is left of the child's group, keeps what the pipe still holds (at most LeftInPipe: a
// process that left the group may write on), and reaps the child: its wait status, or -1.
int EndChild(pid_t child, int pipe, OutputTail& tail) {
    ::kill(-child, SIGKILL);
    ssize_t got = 0;
    for (size_t drained = 0; drained < LeftInPipe; drained += static_cast<size_t>(got)) {
        got = ReadSome(pipe, tail, std::chrono::milliseconds(0));
        if (got <= 0) {
            break;
        }
    }
    int status = 0;
    pid_t reaped = 0;
    do {
        reaped = ::waitpid(child, &status, 0);
    } while (reaped < 0 && errno == EINTR);
    return reaped == child ? status : -1;
}

ChildResult Outcome(bool inTime, int status, OutputTail& tail) {
    ChildResult result;
    result.output = tail.Take();
    const int signal = RecordedEndingSignal();
    if (signal != 0) {
        result.end = ChildEnd::Interrupted;
        result.code = signal;
    } else if (!inTime) {
        result.end = ChildEnd::OverTime;
    } else if (status != -1 && WIFSIGNALED(status)) {
        result.end = ChildEnd::Signalled;
        result.code = WTERMSIG(status);
    } else {
        result.end = ChildEnd::Exited;
        result.code = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return result;
}

}  // namespace

ChildResult RunChild(const ChildRun& run, const Folder& folder) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return ChildResult{ChildEnd::NotStarted, 0, FromUtf8(std::strerror(errno)), {}};
    }
    Descriptor reading(ends[0]);
    Descriptor writing(ends[1]);
    ::fcntl(reading.get(), F_SETFL, ::fcntl(reading.get(), F_GETFL) | O_NONBLOCK);
    const Clock::time_point deadline = Clock::now() + run.limit;
    const EndingSignalsHeld held;
    const ChildrenWaitedFor waited;
    pid_t child = 0;
    const int error =
        posix_spawn(&child, ToUtf8(run.program).c_str(),
                    SpawnActions(writing.get(), static_cast<int>(folder.handle)).get(),
                    SpawnAttributes().get(), ArgumentVector(run).get(), environ);
    writing.Close();  // else the pipe would never end: this process would hold a writer open
    if (error != 0) {
        return ChildResult{ChildEnd::NotStarted, 0, FromUtf8(std::strerror(error)), {}};
    }
    OutputTail tail(run.keptOutput);
    const bool inTime = FollowChild(child, reading.get(), tail, deadline);
    const int status = EndChild(child, reading.get(), tail);
    return Outcome(inTime, status, tail);
}

}  // namespace vex
