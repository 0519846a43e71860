#include "tests/cli/ProgramRun.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

extern char** environ;

namespace quorvel::test {

namespace {

// Has the program ended? It is left to be waited for.
bool ended(pid_t pid)
{
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0;
}

} // namespace

bool sleepUntil(const std::function<bool()>& done, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::vector<std::string> utf8(const QStringList& arguments)
{
    std::vector<std::string> texts;
    for (const QString& argument : arguments) {
        texts.push_back(argument.toStdString());
    }
    return texts;
}

QByteArray readBack(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

StreamSetup::StreamSetup()
{
    posix_spawn_file_actions_init(&m_actions);
}

StreamSetup::~StreamSetup()
{
    posix_spawn_file_actions_destroy(&m_actions);
}

StreamSetup& StreamSetup::open(int fd, const QByteArray& path, int flags)
{
    posix_spawn_file_actions_addopen(&m_actions, fd, path.constData(), flags, 0600);
    return *this;
}

StreamSetup& StreamSetup::descriptor(int fd, int from)
{
    posix_spawn_file_actions_adddup2(&m_actions, from, fd);
    return *this;
}

StreamSetup& StreamSetup::set(int fd, Stream stream, const QByteArray& path)
{
    switch (stream) {
    case Stream::File:
        return open(fd, path, fd == 0 ? O_RDONLY : O_WRONLY);
    case Stream::Closed:
        posix_spawn_file_actions_addclose(&m_actions, fd);
        break;
    case Stream::Full:
        return open(fd, "/dev/full", O_WRONLY);
    }
    return *this;
}

ProgramRun::ProgramRun(QByteArray program, QString folder, Wait wait)
    : m_program(std::move(program)), m_folder(std::move(folder)), m_wait(std::move(wait))
{}

QByteArray ProgramRun::file(const char* name) const
{
    return QDir(m_folder).filePath(QString::fromUtf8(name)).toLocal8Bit();
}

pid_t ProgramRun::start(const std::vector<std::string>& arguments, const StreamSetup& streams) const
{
    std::vector<std::string> texts{m_program.toStdString()};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : texts) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    return posix_spawn(&pid, m_program.constData(), streams.actions(), nullptr, argv.data(), environ) == 0 ? pid : -1;
}

int ProgramRun::finish(pid_t pid, int timeoutMs) const
{
    int status = 0;
    pid_t ended = 0;
    (void)m_wait(
        [&] {
            ended = waitpid(pid, &status, WNOHANG);
            return ended != 0;
        },
        timeoutMs);
    if (ended == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return ended == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

RunResult ProgramRun::run(const std::vector<std::string>& arguments, const QByteArray& input, Stream in, Stream out,
                          Stream err) const
{
    RunResult result;
    const QByteArray inPath = file("in");
    const QByteArray outPath = file("out");
    const QByteArray errPath = file("err");
    // Every file is made afresh, so that an output that is not a file reads back as empty.
    for (const QByteArray& path : {inPath, outPath, errPath}) {
        QFile made(QString::fromLocal8Bit(path));
        if (!made.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            (path == inPath && made.write(input) != input.size())) {
            result.err = "(the file " + path + " could not be made)";
            return result;
        }
    }
    StreamSetup streams;
    streams.set(0, in, inPath).set(1, out, outPath).set(2, err, errPath);
    const pid_t pid = start(arguments, streams);
    if (pid < 0) {
        result.err = "(" + m_program + " did not start)";
        return result;
    }
    result.status = finish(pid);
    result.out = readBack(QString::fromLocal8Bit(outPath));
    result.err = readBack(QString::fromLocal8Bit(errPath));
    return result;
}

PipeRunResult ProgramRun::runIntoFullPipe(const std::vector<std::string>& arguments, int room) const
{
    PipeRunResult result;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        return result;
    }
    const int capacity = fcntl(pipeFds[1], F_SETPIPE_SZ, 4096) >= 0 ? fcntl(pipeFds[0], F_GETPIPE_SZ) : -1;
    // Both ends are non-blocking: the program's, as whoever started it may have left it, and this one, so that
    // reading it never stops the wait from serving events.
    if (capacity <= 0 || fcntl(pipeFds[1], F_SETFL, fcntl(pipeFds[1], F_GETFL) | O_NONBLOCK) != 0 ||
        fcntl(pipeFds[0], F_SETFL, fcntl(pipeFds[0], F_GETFL) | O_NONBLOCK) != 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        return result;
    }
    result.capacity = capacity;
    const QByteArray errPath = file("pipe-err");
    StreamSetup streams;
    streams.open(0, "/dev/null", O_RDONLY).descriptor(1, pipeFds[1]).open(2, errPath, O_WRONLY | O_CREAT | O_TRUNC);
    const pid_t pid = start(arguments, streams);
    close(pipeFds[1]);
    if (pid < 0) {
        close(pipeFds[0]);
        result.err = "(" + m_program + " did not start)";
        return result;
    }
    result.full = m_wait(
        [&] {
            int queued = 0;
            return ended(pid) || (ioctl(pipeFds[0], FIONREAD, &queued) == 0 && queued > capacity - room);
        },
        30000);
    result.drained = m_wait(
        [&] {
            char buffer[4096];
            for (;;) {
                const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
                if (got > 0) {
                    result.out.append(buffer, got);
                } else {
                    return got == 0 || (errno != EAGAIN && errno != EINTR);
                }
            }
        },
        30000);
    close(pipeFds[0]);
    result.status = finish(pid);
    result.err = readBack(QString::fromLocal8Bit(errPath));
    return result;
}

} // namespace quorvel::test
