#include "engine/formats/KPHelperSandbox.h"

#include <seccomp.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <initializer_list>
#include <pwd.h>
#include <sched.h>
#include <string_view>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define PICTARO_SANITIZER_RUNTIME
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define PICTARO_SANITIZER_RUNTIME
#endif
#endif

namespace {
// The filter, built once and freed when it goes (loading it keeps it in the kernel).
struct Filter
{
    scmp_filter_ctx context = seccomp_init(SCMP_ACT_KILL_PROCESS);
    ~Filter() { seccomp_release(context); }
    bool ok = context != nullptr;

    void allow(std::initializer_list<int> calls)
    {
        for (const int call : calls)
            add(SCMP_ACT_ALLOW, call, {});
    }
    void add(uint32_t action, int call, std::initializer_list<scmp_arg_cmp> conditions)
    {
        // A call this architecture does not have is no gap in the filter: it stays
        // forbidden with every other call not named.
        const int added = seccomp_rule_add_array(context, action, call, unsigned(conditions.size()),
                                                 conditions.begin());
        if (added != 0 && added != -EDOM && added != -EFAULT)
            ok = false;
    }
};

// Conditions on a call's arguments (libseccomp's SCMP_A0() and the like are C99 compound
// literals).
scmp_arg_cmp masked(unsigned argument, scmp_datum_t mask, scmp_datum_t value)
{
    return scmp_arg_cmp{argument, SCMP_CMP_MASKED_EQ, mask, value};
}

scmp_arg_cmp equal(unsigned argument, scmp_datum_t value)
{
    return scmp_arg_cmp{argument, SCMP_CMP_EQ, value, 0};
}

// Reading its input, writing its answer, and asking what they are: descriptor 0 is the
// request and the file, 1 the answer, 2 its error output, all three Pictaro's. It opens, duplicates
// and creates no other descriptor but a thread's wake-up counter (see allowThreads).
void allowDescriptors(Filter& filter)
{
    filter.allow({SCMP_SYS(read), SCMP_SYS(readv), SCMP_SYS(pread64), SCMP_SYS(write),
                  SCMP_SYS(writev), SCMP_SYS(close), SCMP_SYS(lseek), SCMP_SYS(fstat),
                  SCMP_SYS(poll), SCMP_SYS(ppoll)});
    // fstat() comes as newfstatat(fd, "", AT_EMPTY_PATH). The flag cannot tell that the
    // path is empty; with a path it tells at most a file's size and times, never what it
    // holds.
    filter.add(SCMP_ACT_ALLOW, SCMP_SYS(newfstatat), {masked(3, AT_EMPTY_PATH, AT_EMPTY_PATH)});
    filter.add(SCMP_ACT_ALLOW, SCMP_SYS(statx), {masked(2, AT_EMPTY_PATH, AT_EMPTY_PATH)});
    // Paths. Whatever a library loads from files of its own was loaded before the filter
    // (ImageMagick's configuration and coders, the time zone); a file it would still
    // read later is refused (EACCES), so that it goes on without, as without a
    // configuration file, and no user's file can be read. An open that could write
    // (O_WRONLY, O_RDWR, O_CREAT, O_TRUNC, O_APPEND) is no such case: it ends the process.
    const scmp_datum_t writing = O_WRONLY | O_RDWR | O_CREAT | O_TRUNC | O_APPEND;
    filter.add(SCMP_ACT_ERRNO(EACCES), SCMP_SYS(openat), {masked(2, writing, 0)});
    filter.add(SCMP_ACT_ERRNO(EACCES), SCMP_SYS(open), {masked(1, writing, 0)});
    // ImageMagick asks whether its file name ("BMP:") is a file before it reads a blob,
    // exiv2 where its program is: every path is missing.
    filter.add(SCMP_ACT_ERRNO(ENOENT), SCMP_SYS(newfstatat), {masked(3, AT_EMPTY_PATH, 0)});
    filter.add(SCMP_ACT_ERRNO(ENOENT), SCMP_SYS(statx), {masked(2, AT_EMPTY_PATH, 0)});
    filter.add(SCMP_ACT_ERRNO(ENOENT), SCMP_SYS(stat), {});
    filter.add(SCMP_ACT_ERRNO(ENOENT), SCMP_SYS(lstat), {});
    filter.add(SCMP_ACT_ERRNO(ENOENT), SCMP_SYS(access), {});
    filter.add(SCMP_ACT_ERRNO(ENOENT), SCMP_SYS(faccessat), {});
    filter.add(SCMP_ACT_ERRNO(ENOENT), SCMP_SYS(faccessat2), {});
    filter.add(SCMP_ACT_ERRNO(ENOENT), SCMP_SYS(readlink), {});
    filter.add(SCMP_ACT_ERRNO(ENOENT), SCMP_SYS(readlinkat), {});
    // A local socket is refused (EACCES) rather than fatal: the C library's user lookup
    // (getpwuid, which exiv2 makes for its configuration file when it names a lens) first
    // tries the name service cache's socket and goes on without it. No socket of any kind
    // is ever made; any other family ends the process.
    filter.add(SCMP_ACT_ERRNO(EACCES), SCMP_SYS(socket), {equal(0, AF_UNIX)});
    // Whether a descriptor is a terminal, which the C library's output asks; the answer
    // changes nothing.
    filter.add(SCMP_ACT_ALLOW, SCMP_SYS(ioctl), {equal(1, TCGETS)});
    // Its flags, never a duplicate beyond them or a lock.
    for (const int command : {F_GETFL, F_SETFL, F_GETFD, F_SETFD})
        filter.add(SCMP_ACT_ALLOW, SCMP_SYS(fcntl), {equal(1, scmp_datum_t(command))});
}

// Memory: the heap, mappings without a file, and handing pages back. No new code can be
// mapped: every library was loaded before the filter.
void allowMemory(Filter& filter)
{
    filter.allow({SCMP_SYS(brk), SCMP_SYS(munmap), SCMP_SYS(mremap), SCMP_SYS(madvise)});
    filter.add(SCMP_ACT_ALLOW, SCMP_SYS(mmap), {masked(2, PROT_EXEC, 0)});
    filter.add(SCMP_ACT_ALLOW, SCMP_SYS(mprotect), {masked(2, PROT_EXEC, 0)});
}

// Threads, and the end of each and of the process: the decoders (libde265, Qt's scaling)
// work on several. clone() only for a thread of this process, never a new process;
// clone3() keeps its flags in memory the filter cannot look at, so it answers "not here"
// and the C library falls back to clone().
void allowThreads(Filter& filter)
{
    filter.add(SCMP_ACT_ALLOW, SCMP_SYS(clone), {masked(0, CLONE_THREAD, CLONE_THREAD)});
    filter.add(SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), {});
    filter.allow({SCMP_SYS(futex), SCMP_SYS(set_robust_list), SCMP_SYS(get_robust_list),
                  SCMP_SYS(rseq), SCMP_SYS(set_tid_address), SCMP_SYS(gettid),
                  SCMP_SYS(sched_yield), SCMP_SYS(sched_getaffinity), SCMP_SYS(exit),
                  SCMP_SYS(exit_group)});
    // A Qt thread wakes its event loop through an eventfd, a counter with no file behind it.
    filter.allow({SCMP_SYS(eventfd2)});
    // A thread names itself (Qt's pool threads).
    for (const int option : {PR_SET_NAME, PR_GET_NAME})
        filter.add(SCMP_ACT_ALLOW, SCMP_SYS(prctl), {equal(0, scmp_datum_t(option))});
}

// Clocks and waiting (a wait the process was stopped in resumes through
// restart_syscall), the process's own resource use and limits, random numbers, and who
// and where it is (exiv2 asks for the folder it runs in).
void allowTime(Filter& filter)
{
    filter.allow({SCMP_SYS(restart_syscall), SCMP_SYS(clock_gettime), SCMP_SYS(clock_getres),
                  SCMP_SYS(gettimeofday), SCMP_SYS(time), SCMP_SYS(times), SCMP_SYS(nanosleep),
                  SCMP_SYS(clock_nanosleep), SCMP_SYS(getrusage), SCMP_SYS(sysinfo),
                  SCMP_SYS(getrandom), SCMP_SYS(getpid), SCMP_SYS(getuid), SCMP_SYS(geteuid),
                  SCMP_SYS(getgid), SCMP_SYS(getegid), SCMP_SYS(getcwd)});
    // Its own limits only (pid 0), which it can lower but not raise past their hard
    // values: the address-space limit is set once the input's size is known.
    filter.add(SCMP_ACT_ALLOW, SCMP_SYS(prlimit64), {equal(0, 0)});
    filter.allow({SCMP_SYS(getrlimit)});
}

// Signals for its own use: handlers, masks, and abort() raising one at itself.
void allowSignals(Filter& filter)
{
    filter.allow({SCMP_SYS(rt_sigaction), SCMP_SYS(rt_sigprocmask), SCMP_SYS(rt_sigreturn),
                  SCMP_SYS(sigaltstack)});
    const auto self = scmp_datum_t(::getpid());
    filter.add(SCMP_ACT_ALLOW, SCMP_SYS(tgkill), {equal(0, self)});
    filter.add(SCMP_ACT_ALLOW, SCMP_SYS(kill), {equal(0, self)});
}

// The sanitizer builds' runtime only: AddressSanitizer tells whether memory can be read
// by writing it into a pipe of its own. The product build has none of these.
void allowSanitizerRuntime([[maybe_unused]] Filter& filter)
{
#ifdef PICTARO_SANITIZER_RUNTIME
    filter.allow({SCMP_SYS(pipe2), SCMP_SYS(pipe)});
#endif
}

// Forbidden calls, made on purpose by the check.
bool openForWriting()
{
    const int fd = ::open("pictaro-sandbox-check", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
    return true;
}

// A file anyone may read: refused, since no user's file may be read either.
bool openForReading()
{
    const int fd = ::open("/etc/passwd", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool connectSocket()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0)
        ::close(fd);
    return true;
}

// A lookup of the user, as exiv2 makes it: the name service's socket and the user
// database are refused, and the lookup comes back without an answer.
bool lookUpUser()
{
    return ::getpwuid(::getuid()) != nullptr;
}

bool executeProgram()
{
    char* const arguments[] = {const_cast<char*>("/bin/true"), nullptr};
    ::execve("/bin/true", arguments, nullptr);
    return true;
}

bool traceProcess()
{
    ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
    return true;
}
} // namespace

bool KPHelperSandbox::enter()
{
    // The time zone, which the readers' date texts need, is read from its file now. Named,
    // it is not looked for again at each date (unnamed, the C library reads the file anew).
    ::setenv("TZ", ":/etc/localtime", 0);
    ::tzset();
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return false;
    Filter filter;
    if (!filter.ok)
        return false;
    // Every thread the libraries started while they were set up is held to it as well.
    if (seccomp_attr_set(filter.context, SCMP_FLTATR_CTL_TSYNC, 1) != 0)
        return false;
    allowDescriptors(filter);
    allowMemory(filter);
    allowThreads(filter);
    allowTime(filter);
    allowSignals(filter);
    allowSanitizerRuntime(filter);
    return filter.ok && seccomp_load(filter.context) == 0;
}

int KPHelperSandbox::check(const char* call)
{
    if (!enter())
        return RefusedExit;
    const std::string_view name(call);
    if (name == "open-read")
        return openForReading() ? Unfiltered : 0;
    if (name == "user-lookup")
        return lookUpUser() ? Unfiltered : 0;
    if (name == "none")
        return 0;
    const std::pair<std::string_view, bool (*)()> forbidden[] = {
        {"open-write", openForWriting},
        {"socket", connectSocket},
        {"exec", executeProgram},
        {"ptrace", traceProcess},
    };
    for (const auto& [each, make] : forbidden) {
        if (name == each)
            return make() ? Unfiltered : 2;
    }
    return 2;
}

std::optional<int> KPHelperSandbox::checkRequested(int argc, char** argv)
{
    if (argc != 3 || std::string_view(argv[1]) != CheckArgument)
        return std::nullopt;
    return check(argv[2]);
}
