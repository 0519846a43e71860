#pragma once

// A command-line program run as a process with its standard streams set up as a test needs them: a file, no
// descriptor at all, /dev/full or a pipe; and what it wrote and its exit status read back after the run.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <spawn.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace quorvel::test {

/// Where a standard stream of the program goes in the runs that set each one up.
enum class Stream
{
    File,   ///< a file: standard input reads the run's input, the outputs are read back after the run
    Closed, ///< no descriptor at all
    Full,   ///< /dev/full: every write fails with "no space left"
};

/// What a run left: the exit status (-1 when the program did not start, did not exit normally or not in time) and
/// what went to its outputs.
struct RunResult
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

/// A run whose standard output is a non-blocking pipe of one page that nothing reads until it is full.
struct PipeRunResult : RunResult
{
    int capacity = 0;     ///< how many bytes the pipe holds; 0 when no such pipe could be made
    bool full = false;    ///< the pipe filled up (or the program ended) before anything was read
    bool drained = false; ///< the pipe was read to its end in time
};

/// Waits until done() holds or timeoutMs have passed, and says whether it holds. A test that serves something in
/// its own thread (a fake server) passes a wait that keeps serving its events, such as QTest::qWaitFor.
using Wait = std::function<bool(const std::function<bool()>& done, int timeoutMs)>;

/// The plain wait: asks done() every ten milliseconds and sleeps in between.
bool sleepUntil(const std::function<bool()>& done, int timeoutMs);

/// The arguments in UTF-8.
std::vector<std::string> utf8(const QStringList& arguments);

/// The whole file, or "(unreadable)" when it cannot be read.
QByteArray readBack(const QString& path);

/// How the standard streams of a program to start are set up; streams not named are inherited.
class StreamSetup
{
public:
    StreamSetup();
    ~StreamSetup();
    StreamSetup(const StreamSetup&) = delete;
    StreamSetup& operator=(const StreamSetup&) = delete;

    /// The stream fd opens path with flags (a file made with O_CREAT is readable and writable by the owner).
    StreamSetup& open(int fd, const QByteArray& path, int flags);
    /// The stream fd is this process's descriptor from.
    StreamSetup& descriptor(int fd, int from);
    /// The stream fd is set up as stream says; path is the file of Stream::File, opened to read for standard
    /// input and to write for the outputs.
    StreamSetup& set(int fd, Stream stream, const QByteArray& path);

    const posix_spawn_file_actions_t* actions() const { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

/// Runs one program; the files of its streams go in a folder of the test's own.
class ProgramRun
{
public:
    ProgramRun(QByteArray program, QString folder, Wait wait = sleepUntil);

    /// Starts the program with the arguments and streams; its process id, or -1 when it did not start.
    pid_t start(const std::vector<std::string>& arguments, const StreamSetup& streams) const;

    /// Waits for the program to end. Its exit status, or -1 when it did not exit normally in time (it is then
    /// killed).
    int finish(pid_t pid, int timeoutMs = 30000) const;

    /// Runs the program with each standard stream set up as given, standard input reading input when it is a file;
    /// what went to files comes back in the result.
    RunResult run(const std::vector<std::string>& arguments, const QByteArray& input, Stream in, Stream out,
                  Stream err) const;

    /// Runs the program with an empty standard input and its output going to a non-blocking pipe of one page that is
    /// first read once it has no room for `room` more bytes (or the program has ended), then to its end; the error
    /// output goes to a file.
    PipeRunResult runIntoFullPipe(const std::vector<std::string>& arguments, int room) const;

    /// The file of this name in the run's folder, as the system names files.
    QByteArray file(const char* name) const;

private:
    QByteArray m_program;
    QString m_folder;
    Wait m_wait;
};

} // namespace quorvel::test
