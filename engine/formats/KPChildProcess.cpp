#include "engine/formats/KPChildProcess.h"

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

extern char** environ;

namespace {
// Closes the descriptors it holds when it goes.
struct Descriptors
{
    int fds[4] = {-1, -1, -1, -1}; // input: ours, the child's; output: ours, the child's
    ~Descriptors()
    {
        for (int& fd : fds)
            closeOne(fd);
    }
    static void closeOne(int& fd)
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

// The child leads its own process group, whose number is its pid. The group is killed
// only while the child is not yet reaped: until then no other process can be given that
// number.
void killGroup(pid_t pid)
{
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
}

void reap(pid_t pid, int& status)
{
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

void endChild(pid_t pid)
{
    killGroup(pid);
    int status = 0;
    reap(pid, status);
}

// Starts the program with the child's ends of the pipes; -1 when it cannot be started.
pid_t spawn(const QString& program, const QStringList& arguments, const Descriptors& fd)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fd.fds[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fd.fds[3], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Whatever this process blocks or ignores (the terminal's Ctrl+C handling) is not
    // handed on.
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    // A group of its own, so that whatever it starts can be killed with it.
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                              POSIX_SPAWN_SETPGROUP);

    const QByteArray path = QFile::encodeName(program);
    std::vector<QByteArray> words{path};
    for (const QString& argument : arguments)
        words.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    const int spawned =
        ::posix_spawn(&pid, path.constData(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return spawned == 0 ? pid : -1;
}

// Reads what is ready on the output into `output`, never past `maxOutput` bytes; false
// once more than that was written. Closes the descriptor at its end.
bool drain(int& fd, QByteArray& output, qint64 maxOutput, std::vector<char>& buffer)
{
    for (;;) {
        // One byte more than may come tells a reply that is too long.
        const auto room =
            size_t(std::min<qint64>(qint64(buffer.size()), maxOutput - output.size() + 1));
        const ssize_t got = ::read(fd, buffer.data(), room);
        if (got > 0) {
            if (output.size() + got > maxOutput)
                return false;
            output.append(buffer.data(), got);
            continue;
        }
        if (got == 0 || (errno != EAGAIN && errno != EINTR))
            Descriptors::closeOne(fd); // the child closed its output
        return true;
    }
}

// Waits for a child whose output is closed: it has ended, or is about to. It is looked at
// without being reaped, so that its group can still be killed, with anything it left
// behind. False when `givenUp` answered true or waiting failed; the child is then ended.
bool awaitEnd(pid_t pid, int& status, const std::function<bool()>& givenUp)
{
    for (;;) {
        siginfo_t ended{};
        const int waited = ::waitid(P_PID, id_t(pid), &ended, WEXITED | WNOHANG | WNOWAIT);
        if (waited == 0 && ended.si_pid == pid)
            break;
        if ((waited < 0 && errno != EINTR) || givenUp()) {
            endChild(pid);
            return false;
        }
        ::usleep(2000);
    }
    killGroup(pid);
    reap(pid, status);
    return true;
}
} // namespace

KPChildProcess::Result KPChildProcess::run(const QString& program, const QStringList& arguments,
                                           const QByteArray& input, qint64 timeoutMs,
                                           qint64 maxOutput, const std::function<bool()>& cancelled)
{
    Result result;
    Descriptors fd;
    // The input goes through a socket so that a child that stops reading early makes the
    // write fail (MSG_NOSIGNAL) instead of raising SIGPIPE in Pictaro.
    int inputPair[2];
    int outputPipe[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, inputPair) != 0)
        return result;
    fd.fds[0] = inputPair[0];
    fd.fds[1] = inputPair[1];
    if (::pipe2(outputPipe, O_CLOEXEC) != 0)
        return result;
    fd.fds[2] = outputPipe[0];
    fd.fds[3] = outputPipe[1];
    // A decoded picture is tens of megabytes: a larger pipe means fewer turns each way.
    ::fcntl(fd.fds[2], F_SETPIPE_SZ, 1 << 20);

    const pid_t pid = spawn(program, arguments, fd);
    if (pid < 0)
        return result;
    result.started = true;
    Descriptors::closeOne(fd.fds[1]);
    Descriptors::closeOne(fd.fds[3]);
    ::fcntl(fd.fds[0], F_SETFL, O_NONBLOCK);
    ::fcntl(fd.fds[2], F_SETFL, O_NONBLOCK);

    QElapsedTimer clock;
    clock.start();
    const std::function<bool()> givenUp = [&] {
        result.cancelled = cancelled && cancelled();
        return result.cancelled || clock.elapsed() > timeoutMs;
    };
    qsizetype written = 0;
    if (input.isEmpty())
        Descriptors::closeOne(fd.fds[0]);
    std::vector<char> buffer(1 << 20);
    while (fd.fds[2] >= 0) {
        if (givenUp()) {
            endChild(pid);
            return result;
        }
        pollfd watched[2];
        nfds_t count = 0;
        watched[count++] = pollfd{fd.fds[2], POLLIN, 0};
        if (fd.fds[0] >= 0)
            watched[count++] = pollfd{fd.fds[0], POLLOUT, 0};
        if (::poll(watched, count, 100) < 0 && errno != EINTR) {
            endChild(pid);
            return result;
        }
        if (fd.fds[0] >= 0 && count == 2 && watched[1].revents) {
            const ssize_t sent = ::send(fd.fds[0], input.constData() + written,
                                        size_t(input.size() - written), MSG_NOSIGNAL);
            if (sent > 0)
                written += sent;
            // All written, or the child will read no more: it has its answer to give.
            if (written == input.size() || (sent < 0 && errno != EAGAIN && errno != EINTR))
                Descriptors::closeOne(fd.fds[0]);
        }
        if (watched[0].revents && !drain(fd.fds[2], result.output, maxOutput, buffer)) {
            endChild(pid);
            result.overflowed = true;
            result.output.clear();
            return result;
        }
    }
    int status = 0;
    if (!awaitEnd(pid, status, givenUp))
        return result;
    result.finished = WIFEXITED(status);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return result;
}
