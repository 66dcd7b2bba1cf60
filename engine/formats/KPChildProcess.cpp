#include "engine/formats/KPChildProcess.h"

#include <QElapsedTimer>
#include <QFile>

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
// Closes the descriptor it holds when it goes.
class Descriptor
{
public:
    Descriptor() = default;
    ~Descriptor() { close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    void reset(int fd)
    {
        close();
        m_fd = fd;
    }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd = -1;
};

// Both ends of the program's standard input, output and error. The input is a socket so
// that a child that stops reading early makes the write fail (MSG_NOSIGNAL) instead of
// raising SIGPIPE in Pictaro.
struct Channels
{
    Descriptor input, output, errors;                // ours
    Descriptor childInput, childOutput, childErrors; // the child's, closed once it runs

    bool open()
    {
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
            return false;
        input.reset(pair[0]);
        childInput.reset(pair[1]);
        if (::pipe2(pair, O_CLOEXEC) != 0)
            return false;
        output.reset(pair[0]);
        childOutput.reset(pair[1]);
        if (::pipe2(pair, O_CLOEXEC) != 0)
            return false;
        errors.reset(pair[0]);
        childErrors.reset(pair[1]);
        // A decoded picture is tens of megabytes: a larger pipe means fewer turns each way.
        ::fcntl(output.get(), F_SETPIPE_SZ, 1 << 20);
        return true;
    }
    void closeChildEnds()
    {
        childInput.close();
        childOutput.close();
        childErrors.close();
        for (const Descriptor* ours : {&input, &output, &errors})
            ::fcntl(ours->get(), F_SETFL, O_NONBLOCK);
    }
};

// Starts the program with the child's ends; -1 when it cannot be started.
pid_t spawnProgram(const QString& program, const QStringList& arguments, const Channels& io)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, io.childInput.get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, io.childOutput.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, io.childErrors.get(), STDERR_FILENO);
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

// One run of the program, step by step: spawn, the exchange of input and output, the wait
// for its end, and its reaping, whichever way it ends.
class Child
{
public:
    explicit Child(const KPChildProcess::Job& job) : m_job(job) {}
    ~Child() { end(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool spawn();
    bool exchange();
    void awaitEnd();

    KPChildProcess::Result result;

private:
    bool givenUp();
    void writeInput();
    bool readOutput();
    void readErrors();
    void killGroup() const;
    int reap();
    void end();

    const KPChildProcess::Job& m_job;
    Channels m_io;
    pid_t m_pid = -1; // while not reaped
    QElapsedTimer m_clock;
    qsizetype m_chunk = 0;   // of the input, under way
    qsizetype m_written = 0; // of that chunk
    std::vector<char> m_buffer;
};

bool Child::spawn()
{
    if (!m_io.open())
        return false;
    m_pid = spawnProgram(m_job.program, m_job.arguments, m_io);
    if (m_pid < 0)
        return false;
    m_clock.start();
    result.started = true;
    m_io.closeChildEnds();
    if (m_job.input.isEmpty())
        m_io.input.close();
    m_buffer.resize(1 << 20);
    return true;
}

// Stop, or the deadline.
bool Child::givenUp()
{
    result.cancelled = m_job.cancelled && m_job.cancelled();
    result.timedOut = !result.cancelled && m_clock.elapsed() > m_job.deadlineMs;
    return result.cancelled || result.timedOut;
}

// Writes the input, as much as the socket takes now.
void Child::writeInput()
{
    while (m_chunk < m_job.input.size()) {
        const QByteArray& chunk = m_job.input[m_chunk];
        if (m_written == chunk.size()) {
            ++m_chunk;
            m_written = 0;
            continue;
        }
        const ssize_t sent = ::send(m_io.input.get(), chunk.constData() + m_written,
                                    size_t(chunk.size() - m_written), MSG_NOSIGNAL);
        if (sent > 0) {
            m_written += sent;
            continue;
        }
        if (sent < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        break; // the child will read no more: it has its answer to give
    }
    m_io.input.close();
}

// Hands on what is ready on the output; false once it was refused. Closes the descriptor
// at its end.
bool Child::readOutput()
{
    for (;;) {
        const ssize_t got = ::read(m_io.output.get(), m_buffer.data(), m_buffer.size());
        if (got > 0) {
            if (m_job.output && !m_job.output(QByteArrayView(m_buffer.data(), got)))
                return false;
            continue;
        }
        if (got == 0 || (errno != EAGAIN && errno != EINTR))
            m_io.output.close(); // the child closed its output
        return true;
    }
}

// Keeps the end of what is ready on the error output.
void Child::readErrors()
{
    QByteArray& tail = result.errorTail;
    while (m_io.errors.isOpen()) {
        const ssize_t got = ::read(m_io.errors.get(), m_buffer.data(), m_buffer.size());
        if (got > 0) {
            tail.append(m_buffer.data(), got);
            if (tail.size() > 2 * KPChildProcess::ErrorTailBytes)
                tail.remove(0, tail.size() - KPChildProcess::ErrorTailBytes);
            continue;
        }
        if (got == 0 || (errno != EAGAIN && errno != EINTR))
            m_io.errors.close();
        return;
    }
}

// Writes the input and reads both outputs until the child closes its standard output.
// False when it was ended first: given up, or its output refused.
bool Child::exchange()
{
    while (m_io.output.isOpen()) {
        if (givenUp()) {
            end();
            return false;
        }
        pollfd watched[3] = {{m_io.output.get(), POLLIN, 0},
                             {m_io.errors.get(), POLLIN, 0},
                             {m_io.input.get(), POLLOUT, 0}};
        // A closed descriptor (-1) is not looked at.
        if (::poll(watched, 3, 100) < 0 && errno != EINTR) {
            end();
            return false;
        }
        if (watched[2].revents)
            writeInput();
        if (watched[1].revents)
            readErrors();
        if (watched[0].revents && !readOutput()) {
            result.refused = true;
            end();
            return false;
        }
    }
    return true;
}

// The child leads its own process group, whose number is its pid. The group is killed
// only while the child is not yet reaped: until then no other process can be given that
// number.
void Child::killGroup() const
{
    ::kill(-m_pid, SIGKILL);
    ::kill(m_pid, SIGKILL);
}

int Child::reap()
{
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    return status;
}

// Ends a child before its time, with everything it started.
void Child::end()
{
    if (m_pid <= 0)
        return;
    killGroup();
    reap();
    readErrors();
}

// Waits for a child whose output is closed: it has ended, or is about to. It is looked at
// without being reaped, so that its group can still be killed, with anything it left
// behind. Ended at the deadline or by Stop.
void Child::awaitEnd()
{
    for (;;) {
        siginfo_t ended{};
        const int waited = ::waitid(P_PID, id_t(m_pid), &ended, WEXITED | WNOHANG | WNOWAIT);
        if (waited == 0 && ended.si_pid == m_pid)
            break;
        if ((waited < 0 && errno != EINTR) || givenUp()) {
            end();
            return;
        }
        pollfd errors{m_io.errors.get(), POLLIN, 0};
        if (::poll(&errors, 1, 2) > 0)
            readErrors();
    }
    killGroup();
    const int status = reap();
    readErrors();
    result.finished = WIFEXITED(status);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}
} // namespace

KPChildProcess::Result KPChildProcess::run(const Job& job)
{
    Child child(job);
    if (child.spawn() && child.exchange())
        child.awaitEnd();
    child.result.errorTail = child.result.errorTail.right(ErrorTailBytes);
    return child.result;
}
