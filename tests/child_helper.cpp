// A small program the child-process tests run, doing on each platform what the test asks of it:
//
//   exit N          ends with the exit status N
//   crash           ends by abort()
//   flood N         writes N bytes to standard output and N to standard error, then "END"
//   touch NAME      makes the file NAME in its working folder
//   echo ARGS...    writes each of its arguments followed by "|"
//   sleep S         waits S seconds
//   parent FILE     starts a copy of itself that sleeps, writes that copy's process id to FILE,
//                   and sleeps
//   +...            plays POV-Ray: as VEX_FAKE_RENDERER says, "fail" writes half a picture to
//                   the +O file and an error line with an escape sequence in it, wrapped, and
//                   fails; "long" fails with an error line of 300 characters; "nothing" ends
//                   well without writing a picture
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

void Sleep(int seconds) {
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
}

void Flood(long bytes) {
    const std::string piece(1000, 'x');
    for (long written = 0; written < bytes; written += 1000) {
        std::fwrite(piece.data(), 1, piece.size(), stdout);
        std::fwrite(piece.data(), 1, piece.size(), stderr);
    }
    // Standard error may be buffered too (Windows): its last bytes must not come after the end.
    std::fflush(stderr);
    std::fputs("END", stdout);
}

// The process id of a new copy of this program that sleeps; it outlives this one unless killed.
long StartSleeper(const char* self) {
#ifdef _WIN32
    (void)self;
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring line = L"helper sleep 30";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(path, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started)) {
        return -1;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return static_cast<long>(started.dwProcessId);
#else
    const pid_t child = fork();
    if (child == 0) {
        execl(self, self, "sleep", "30", static_cast<char*>(nullptr));
        _exit(127);
    }
    return child;
#endif
}

int FakeRenderer(int argc, char** argv) {
    const char* named = std::getenv("VEX_FAKE_RENDERER");
    const std::string mode = named != nullptr ? named : "";
    if (mode == "long") {
        std::fprintf(stderr, "Parse Error: %s\n", std::string(300, 'x').c_str());
        return 1;
    }
    if (mode != "fail") {
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "+O", 2) == 0) {
            std::ofstream(argv[i] + 2, std::ios::binary) << "\x89PNG half";
        }
    }
    std::fputs("Parsing...\nFile 'x.pov' line 2: Parse Error: \x1b[31mExpected 'object'\n", stderr);
    std::fputs(" found instead\n", stderr);  // POV-Ray wraps its lines at 80 columns so
    std::fputs("Fatal error in parser: Cannot parse input.\n", stderr);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const char* value = argc > 2 ? argv[2] : "0";
    if (mode == "exit") {
        return std::atoi(value);
    }
    if (mode == "crash") {
        std::abort();
    }
    if (mode == "flood") {
        Flood(std::atol(value));
    } else if (mode == "echo") {
        for (int i = 2; i < argc; ++i) {
            std::printf("%s|", argv[i]);
        }
    } else if (mode == "touch") {
        std::ofstream(value) << "here\n";
    } else if (mode == "sleep") {
        Sleep(std::atoi(value));
    } else if (mode == "parent") {
        std::ofstream(value) << StartSleeper(argv[0]) << "\n";
        Sleep(30);
    } else if (mode.rfind('+', 0) == 0) {
        return FakeRenderer(argc, argv);
    }
    return 0;
}
