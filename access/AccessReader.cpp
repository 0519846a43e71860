#include "access/AccessReader.h"

#include "access/AccessFrames.h"
#include "store/AccessSignature.h"
#include "store/Transfer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <iterator>

namespace quorvel::access {

namespace {

/// A text longer than this in the reader's answer is garbage: the reader binds far less.
constexpr std::uint32_t LongestText = 1024 * 1024;

qint64 now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

/// Whether the file is not a whole number of its pages (2 KiB in Jet 3, 4 KiB in later versions, as the
/// version byte of the first page says): a file cut short, whatever else the library made of it.
bool isCutShort(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray head = file.read(0x15);
    if (head.size() < 0x15) {
        return true;
    }
    const qint64 page = head[0x14] == 0 ? 2048 : 4096;
    return file.size() < 2 * page || file.size() % page != 0;
}

} // namespace

const char* readProblemName(ReadProblem problem)
{
    static constexpr const char* Names[] = {"NoSuchFile", "NotAFile", "CannotOpen",  "NotAccess",
                                            "NoCatalog",  "NoTable",  "NoNameField", "CutShort",
                                            "Crashed",    "TimedOut", "Garbled",     "CannotStart"};
    static_assert(std::size(Names) == static_cast<std::size_t>(ReadProblem::CannotStart) + 1);
    return Names[static_cast<std::size_t>(problem)];
}

QString defaultReaderProgram()
{
    const QByteArray fromEnvironment = qgetenv("QUORVEL_ACCESS_READER");
    if (!fromEnvironment.isEmpty()) {
        return QFile::decodeName(fromEnvironment);
    }
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(QUORVEL_ACCESS_READER_FROM_PROGRAM));
}

AccessTableReader::AccessTableReader(QString accessPath, QString readerProgram, int timeLimitMs)
    : m_path(std::move(accessPath)), m_program(std::move(readerProgram)), m_timeLimitMs(timeLimitMs)
{}

AccessTableReader::~AccessTableReader()
{
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(-1);
    }
}

bool AccessTableReader::fail(ReadProblem problem, std::string detail)
{
    if (!m_failure) {
        m_failure = ReadFailure{problem, std::move(detail)};
    }
    m_done = true;
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(-1);
    }
    return false;
}

int AccessTableReader::remainingMs() const
{
    const qint64 left = m_deadline - now();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool AccessTableReader::start()
{
    // The same checks as for any file to import, so that a pipe or a device is never handed to the library.
    store::ImportInput input = store::openImportInput(m_path);
    if (input.problem) {
        switch (*input.problem) {
        case store::TransferProblem::NoSuchFile:
            return fail(ReadProblem::NoSuchFile);
        case store::TransferProblem::IsFolder:
        case store::TransferProblem::NotAFile:
            return fail(ReadProblem::NotAFile);
        default:
            return fail(ReadProblem::CannotOpen, input.detail);
        }
    }
    input.close();
    // The library takes any bytes for a database; only a file that starts as one is handed to it.
    if (!store::isAccessFile(m_path)) {
        return fail(ReadProblem::NotAccess);
    }
    // A file cut short could still give some records as if they were all: it is refused as it is.
    if (isCutShort(m_path)) {
        return fail(ReadProblem::CutShort);
    }

    m_deadline = now() + m_timeLimitMs;
    m_process = std::make_unique<QProcess>();
    m_process->setProgram(m_program);
    m_process->setArguments({QFileInfo(m_path).absoluteFilePath()});
    m_process->setStandardInputFile(QProcess::nullDevice());
    m_process->setStandardErrorFile(QProcess::nullDevice()); // the library's own chatter
    m_process->start(QIODevice::ReadOnly);
    if (!m_process->waitForStarted(remainingMs())) {
        return fail(ReadProblem::CannotStart, QDir::toNativeSeparators(m_program).toStdString());
    }

    if (!need(sizeof FrameMagic - 1) || std::memcmp(m_buffer.data() + m_pos, FrameMagic, sizeof FrameMagic - 1) != 0) {
        return fail(ReadProblem::Garbled);
    }
    m_pos += sizeof FrameMagic - 1;
    if (!need(1)) {
        return fail(ReadProblem::Garbled);
    }
    const char frame = m_buffer[m_pos++];
    if (frame == FrameFailure) {
        std::string detail;
        if (!need(1)) {
            return fail(ReadProblem::Garbled);
        }
        const auto code = static_cast<unsigned char>(m_buffer[m_pos++]);
        if (!readText(detail)) {
            return fail(ReadProblem::Garbled);
        }
        switch (static_cast<ReaderFailure>(code)) {
        case ReaderFailure::NotAccess:
            return fail(ReadProblem::NotAccess);
        case ReaderFailure::NoCatalog:
            return fail(ReadProblem::NoCatalog);
        case ReaderFailure::NoTable:
            return fail(ReadProblem::NoTable);
        case ReaderFailure::NoNameField:
            return fail(ReadProblem::NoNameField);
        }
        return fail(ReadProblem::Garbled);
    }
    if (frame != FrameTable || !need(1)) {
        return fail(ReadProblem::Garbled);
    }
    m_hasFigure = m_buffer[m_pos++] != 0;
    std::string table;
    return readText(table) || fail(ReadProblem::Garbled);
}

bool AccessTableReader::need(std::size_t n)
{
    if (m_pos > 0 && m_pos >= m_buffer.size() / 2) {
        m_buffer.erase(0, m_pos);
        m_pos = 0;
    }
    while (m_buffer.size() - m_pos < n) {
        const QByteArray got = m_process->read(64 * 1024);
        if (!got.isEmpty()) {
            m_buffer.append(got.constData(), static_cast<std::size_t>(got.size()));
            continue;
        }
        if (m_process->state() == QProcess::NotRunning) {
            // Everything written before the end has been read above; the answer stops short.
            if (m_process->exitStatus() == QProcess::CrashExit) {
                return fail(ReadProblem::Crashed);
            }
            return fail(ReadProblem::Garbled);
        }
        if (remainingMs() == 0) {
            return fail(ReadProblem::TimedOut);
        }
        if (!m_process->waitForReadyRead(remainingMs()) && m_process->state() != QProcess::NotRunning) {
            // Nothing more can come (its output closed) while it runs on: it has until the deadline to end.
            m_process->waitForFinished(remainingMs());
        }
    }
    return true;
}

bool AccessTableReader::readNumber(std::uint32_t& value)
{
    if (!need(4)) {
        return false;
    }
    value = 0;
    for (int i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(m_buffer[m_pos + i])) << (8 * i);
    }
    m_pos += 4;
    return true;
}

bool AccessTableReader::readText(std::string& text)
{
    std::uint32_t length = 0;
    if (!readNumber(length)) {
        return false;
    }
    if (length > LongestText) {
        return fail(ReadProblem::Garbled);
    }
    if (!need(length)) {
        return false;
    }
    text.assign(m_buffer, m_pos, length);
    m_pos += length;
    return true;
}

bool AccessTableReader::next(AccessRecord& record)
{
    if (m_done || !m_process) {
        return false;
    }
    if (!need(1)) {
        return false;
    }
    const char frame = m_buffer[m_pos++];
    if (frame == FrameRecord) {
        if (!readText(record.name) || !readText(record.figure)) {
            return m_failure ? false : fail(ReadProblem::Garbled);
        }
        ++m_records;
        return true;
    }
    if (frame == FrameEnd) {
        std::uint32_t count = 0;
        if (!readNumber(count)) {
            return false;
        }
        if (count != m_records) {
            return fail(ReadProblem::Garbled);
        }
        finish();
        return false;
    }
    return fail(ReadProblem::Garbled);
}

bool AccessTableReader::finish()
{
    m_done = true;
    if (!m_process->waitForFinished(remainingMs()) && m_process->state() != QProcess::NotRunning) {
        return fail(ReadProblem::TimedOut);
    }
    if (m_process->exitStatus() == QProcess::CrashExit) {
        return fail(ReadProblem::Crashed);
    }
    if (m_process->exitCode() != 0 || !m_process->readAll().isEmpty() || m_pos != m_buffer.size()) {
        return fail(ReadProblem::Garbled);
    }
    return true;
}

} // namespace quorvel::access
