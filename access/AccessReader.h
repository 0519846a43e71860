#pragma once

#include <QProcess>
#include <QString>

#include <memory>
#include <optional>
#include <string>

namespace quorvel::access {

/// How long the reading of one Access file may take before it is given up.
inline constexpr int ReadingTimeLimitMs = 30'000;

/// Why an Access file could not be read.
enum class ReadProblem
{
    NoSuchFile,  ///< nothing of that name
    NotAFile,    ///< a folder, a pipe or a device
    CannotOpen,  ///< the file cannot be opened (detail: the system's words)
    NotAccess,   ///< not an Access database, or damaged beyond opening
    NoCatalog,   ///< the list of tables is damaged
    NoTable,     ///< no table "adreca i figura"
    NoNameField, ///< the table has no field Nom
    CutShort,    ///< the file is not a whole number of its pages: cut short
    Crashed,     ///< the reading ended on a fault: a damaged file
    TimedOut,    ///< the reading took longer than the time limit
    Garbled,     ///< the reading gave an answer that makes no sense
    CannotStart, ///< the reading program cannot be started (detail: its path)
};

/// The problem's name as a word, for tests and machine-readable output ("NotAccess", ...).
const char* readProblemName(ReadProblem problem);

struct ReadFailure
{
    ReadProblem problem = ReadProblem::NotAccess;
    std::string detail;
};

/// One record of the favourites table: the fields as the file holds them (empty for an empty or missing value).
struct AccessRecord
{
    std::string name;
    std::string figure;
};

/// Where the reading program lies: QUORVEL_ACCESS_READER when set, else beside the program's module of
/// features (the same place relative to the running program in a build folder and when installed).
QString defaultReaderProgram();

/// Reads the favourites table of an Access (Jet) file through quorvel-access-reader, a child process, so that
/// a damaged or hostile file can take down only that process: a crash, a hang past the time limit or an
/// answer that makes no sense is one failure. The records stream in; they are never all held. The file is
/// only read.
class AccessTableReader
{
public:
    explicit AccessTableReader(QString accessPath, QString readerProgram = defaultReaderProgram(),
                               int timeLimitMs = ReadingTimeLimitMs);
    ~AccessTableReader();
    AccessTableReader(const AccessTableReader&) = delete;
    AccessTableReader& operator=(const AccessTableReader&) = delete;

    /// Starts the reading and waits until the table is found: false (and failure() set) when it is not.
    bool start();
    /// The next record; false at the end or on a failure (then failure() is set).
    bool next(AccessRecord& record);
    /// Whether the table has a field Figura at all.
    bool hasFigureField() const { return m_hasFigure; }
    const std::optional<ReadFailure>& failure() const { return m_failure; }

private:
    bool fail(ReadProblem problem, std::string detail = {});
    /// Makes n bytes available at m_pos; false at the end of the output or on a failure.
    bool need(std::size_t n);
    bool readNumber(std::uint32_t& value);
    bool readText(std::string& text);
    /// After the end frame: the reader must end, and end well.
    bool finish();
    int remainingMs() const;

    QString m_path;
    QString m_program;
    int m_timeLimitMs;
    std::unique_ptr<QProcess> m_process;
    qint64 m_deadline = 0;
    std::string m_buffer;
    std::size_t m_pos = 0;
    std::uint32_t m_records = 0;
    bool m_hasFigure = false;
    bool m_done = false;
    std::optional<ReadFailure> m_failure;
};

} // namespace quorvel::access
