#pragma once

// The sandbox each helper process enters once its libraries are set up and before it reads
// a byte of its input: it can gain no privileges (PR_SET_NO_NEW_PRIVS), and a seccomp
// filter lets only the system calls a decode needs through: reading its input and writing
// its answer on the descriptors it was given, memory, threads, clocks, signals to itself
// and exit. Any other call kills the process with SIGSYS, which Pictaro reports as a
// decoder that crashed on the file: a file that takes over a decoder can open nothing for writing,
// reach no socket, start no program and trace no process. The list and the reason for each group of
// calls are in KPHelperSandbox.cpp.
#include <optional>

class KPHelperSandbox
{
public:
    KPHelperSandbox() = delete;

    // Enters the sandbox for good; false when the kernel refused it, and then the helper
    // must read nothing and end with `RefusedExit`.
    static bool enter();

    // The exit status of a helper that could not enter the sandbox. Pictaro reports the
    // file as one no reader takes, since none may run on this system.
    static constexpr int RefusedExit = 3;

    // The helpers' check of the sandbox, `pictaro-decode sandbox-check CALL`: enters the
    // sandbox as for a file, then makes one call it forbids ("open-write", "socket",
    // "exec", "ptrace"), which ends the process, or opens a file anyone may read
    // ("open-read") or looks up its user ("user-lookup"), which are refused, or nothing
    // ("none"). Answers the exit status: 0 for "none" and a refused "open-read" or
    // "user-lookup", `Unfiltered` when a forbidden call came back,
    // `RefusedExit` when there is no sandbox. Nothing is done before the sandbox is in
    // place, so the check gives a hostile file no more than the sandbox allows.
    static int check(const char* call);
    static constexpr const char* CheckArgument = "sandbox-check";
    // The check's exit status when the helper's arguments ask for it, else nothing.
    static std::optional<int> checkRequested(int argc, char** argv);
    static constexpr int Unfiltered = 4;
};
