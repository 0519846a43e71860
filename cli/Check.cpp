#include "cli/Check.h"

#include "availability/Checker.h"
#include "availability/Domains.h"
#include "cli/Streams.h"
#include "core/AsciiText.h"
#include "core/NameRules.h"
#include "core/Unicode.h"

#include <QCoreApplication>
#include <QHash>
#include <QSocketNotifier>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <map>
#include <memory>

namespace quorvel::cli {

namespace {

using availability::Answer;
using availability::Status;

constexpr std::string_view CheckUsage =
    "\n"
    "Registration status (asks the registries' RDAP servers over the network):\n"
    "  --check               also tell for each domain whether it is registered\n"
    "  --endings LIST        other endings to check beside .com, e.g. net,org (default: net org)\n"
    "  --rdap-bootstrap URL  the RDAP bootstrap file to use, and the only one: an https:// URL, or http://\n"
    "                        on loopback (default: $QUORVEL_RDAP_BOOTSTRAP, else IANA's\n"
    "                        https://data.iana.org/rdap/dns.json, with built-in servers for .com and .net\n"
    "                        when that cannot be read)\n"
    "Only the domains' names are sent, each to its registry's RDAP server; the bootstrap file is kept in\n"
    "$XDG_CACHE_HOME/quorvel/rdap-dns.json. Offline, every answer is \"unknown\" within seconds.\n"
    "With --json, each domain has \"status\" (registered, not-registered, unknown), \"reason\" (in words),\n"
    "\"reason_code\" and, for a registered domain whose registry gives it, \"expires\" (ISO 8601).\n"
    "Reason codes: offline (no server could be reached), name-resolution (no server name could be\n"
    "resolved), bootstrap-unavailable (the list of RDAP servers could not be read), no-service (no RDAP\n"
    "server for the ending), timeout, rate-limited, server-error, http-status, not-rdap, name-mismatch,\n"
    "redirect-loop, too-large, tls, network (the connection failed), insecure-server, invalid-name.\n"
    "\n"
    "Exit status: 0 when every name was coded (with --check: and every answer is known), 1 when an\n"
    "input could not be coded or standard output or standard error could not be written, 2 for a bad\n"
    "command line, 3 with --check when every name was coded but some answer is unknown. Notices that\n"
    "cannot be written do not stop the answers.\n";

// Names whose reports wait for their answers; beyond this, no more input is read until some are written.
constexpr std::size_t MaxPendingNames = 256;
// Standard input is read in pieces of this size.
constexpr std::size_t ReadChunk = 16 * 1024;

// The name the report shows: the input corrected and lower-cased (name symbols only, so ASCII).
std::string finalName(std::string_view bytes)
{
    const std::u32string corrected = asciiLower(correctedName(decodeUtf8(bytes)));
    return std::string(corrected.begin(), corrected.end());
}

// One input with its report, waiting for the answers of its domains.
struct Pending
{
    std::string report;
    QStringList domains;
    std::map<QString, Answer> answers;
    bool coded = false; // false for an input too long to be coded
    bool complete() const { return answers.size() == static_cast<std::size_t>(domains.size()); }
};

class CheckRun
{
public:
    CheckRun(const Options& options, const CheckOptions& check, availability::Checker& checker)
        : m_options(options), m_endings(availability::parseEndings(QString::fromStdString(check.endings))),
          m_checker(checker),
          m_reporter(
              options.language, options.json, [this](std::string_view data) { return capture(data); },
              descriptorSink(STDERR_FILENO)),
          m_output(descriptorSink(STDOUT_FILENO, &m_outError))
    {
        QObject::connect(&m_checker, &availability::Checker::answered, &m_context,
                         [this](const QString& domain, const Answer& answer) { answered(domain, answer); });
    }

    void start()
    {
        if (m_options.names.empty()) {
            m_stdin = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
            QObject::connect(m_stdin.get(), &QSocketNotifier::activated, &m_context, [this] { readInput(); });
        }
        fill();
    }

    int exitStatus() const
    {
        // The reports are captured, so a failure the reporter knows of is one of the error output.
        if (m_outFailed || m_reporter.writeFailed() || m_readFailed || m_reporter.rejectedCount() > 0) {
            return 1;
        }
        return m_unknown ? SomeAnswerUnknown : 0;
    }

private:
    bool capture(std::string_view data)
    {
        m_captured.append(data);
        return true;
    }

    // The two outputs fail separately: the notices go to the error output through the reporter, which drops them
    // once it fails; a report that cannot be written ends the run, and says so on the error output.
    void writeOutput(std::string_view data)
    {
        if (!m_outFailed && !m_output(data)) {
            m_outFailed = true;
            complain(std::string("cannot write standard output: ") + std::strerror(m_outError));
        }
    }

    // Takes inputs while there is room for them.
    void fill()
    {
        // Answers known at once arrive while an input is added; they are written by the outer call.
        if (m_filling) {
            return;
        }
        m_filling = true;
        if (m_options.names.empty()) {
            m_stdin->setEnabled(!m_inputDone && m_pending.size() < MaxPendingNames);
        } else {
            while (m_nextName < m_options.names.size() && m_pending.size() < MaxPendingNames) {
                add(m_options.names[m_nextName++], false);
            }
            m_inputDone = m_nextName == m_options.names.size();
        }
        m_filling = false;
        drain();
    }

    void readInput()
    {
        std::string chunk(ReadChunk, '\0');
        const ssize_t got = ::read(STDIN_FILENO, chunk.data(), chunk.size());
        auto onLine = [this](std::string_view line, bool overLong) { add(line, overLong); };
        if (got < 0 && errno == EINTR) {
            return;
        }
        if (got <= 0) {
            if (got < 0) {
                complain(std::string("cannot read standard input: ") + std::strerror(errno));
                m_readFailed = true;
            }
            m_lines.finish(onLine);
            m_inputDone = true;
            m_stdin->setEnabled(false);
        } else {
            m_lines.feed(std::string_view(chunk.data(), static_cast<std::size_t>(got)), onLine);
        }
        fill();
    }

    void add(std::string_view input, bool overLong)
    {
        auto pending = std::make_unique<Pending>();
        const std::size_t rejectedBefore = m_reporter.rejectedCount();
        if (overLong) {
            m_reporter.rejectInput();
        } else {
            m_reporter.codeInput(input);
        }
        m_reporter.flush();
        pending->report = std::move(m_captured);
        m_captured.clear();
        pending->coded = m_reporter.rejectedCount() == rejectedBefore;
        if (pending->coded) {
            pending->domains = availability::domainsOf(finalName(input), m_endings);
        }
        Pending* raw = pending.get();
        m_pending.push_back(std::move(pending));
        for (const QString& domain : std::as_const(raw->domains)) {
            m_waiting[domain].push_back(raw);
        }
        m_checker.check(raw->domains, &m_context);
    }

    void answered(const QString& domain, const Answer& answer)
    {
        const auto it = m_waiting.find(domain);
        if (it == m_waiting.end()) {
            return;
        }
        const std::vector<Pending*> waiting = std::move(it.value());
        m_waiting.erase(it);
        for (Pending* pending : waiting) {
            pending->answers[domain] = answer;
        }
        fill();
    }

    // Writes the reports that are complete, in input order, and ends the run once all are written.
    void drain()
    {
        while (!m_pending.empty() && m_pending.front()->complete() && !m_outFailed) {
            write(*m_pending.front());
            m_pending.pop_front();
        }
        if (((m_inputDone && m_pending.empty()) || m_outFailed) && !m_quitting) {
            // Queued: the end may come before the event loop runs.
            m_quitting = true;
            QMetaObject::invokeMethod(
                &m_context, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
        }
    }

    void write(const Pending& pending)
    {
        for (const auto& [domain, answer] : pending.answers) {
            m_unknown = m_unknown || !answer.known();
        }
        if (!pending.coded) {
            writeOutput(pending.report);
            return;
        }
        writeOutput(m_options.json ? jsonReport(pending) : readableReport(pending));
    }

    std::string jsonReport(const Pending& pending) const
    {
        std::string out = pending.report;
        // The report is one object on one line: "{...}\n". The answers go in before its closing brace.
        if (out.size() < 2 || out.compare(out.size() - 2, 2, "}\n") != 0) {
            return out;
        }
        out.resize(out.size() - 2);
        if (pending.domains.isEmpty()) {
            out += ",\"availability\":null}\n";
            return out;
        }
        out += ",\"availability\":{";
        bool first = true;
        for (const QString& domain : pending.domains) {
            const Answer& answer = pending.answers.at(domain);
            if (!first) {
                out += ',';
            }
            first = false;
            out += '"';
            out += domain.toStdString(); // letters, digits, hyphens and dots only
            out += "\":{\"status\":\"";
            out += availability::statusWord(answer.status).toStdString();
            out += "\",\"reason\":";
            if (answer.known()) {
                out += "null,\"reason_code\":null";
            } else {
                out += '"';
                appendJsonText(out,
                               std::string_view(availability::reasonText(answer, m_options.language).toStdString()));
                out += "\",\"reason_code\":\"";
                out += availability::reasonCode(answer.reason).toStdString(); // lower-case words and hyphens
                out += '"';
            }
            if (answer.expires.isValid()) {
                out += ",\"expires\":\"";
                out += answer.expires.toUTC().toString(Qt::ISODate).toStdString();
                out += '"';
            }
            out += '}';
        }
        out += "}}\n";
        return out;
    }

    std::string statusOf(const Answer& answer) const
    {
        std::string text = availability::statusText(answer.status, m_options.language).toStdString();
        if (!answer.known()) {
            text += " (" + availability::reasonText(answer, m_options.language).toStdString() + ")";
        }
        return text;
    }

    std::string readableReport(const Pending& pending) const
    {
        // The report is the name, then one line per address, indented: the plain address and the four figure
        // addresses, in the order of the domains. Each gets its status; the other endings follow.
        std::string out;
        std::size_t line = 0;
        qsizetype next = 0;
        const std::string& report = pending.report;
        while (line < report.size()) {
            std::size_t end = report.find('\n', line);
            if (end == std::string::npos) {
                end = report.size();
            }
            const std::string_view text(report.data() + line, end - line);
            out.append(text);
            if (text.starts_with("  ") && next < pending.domains.size()) {
                out += "  ";
                out += statusOf(pending.answers.at(pending.domains[next++]));
            }
            out += '\n';
            line = end + 1;
        }
        for (; next < pending.domains.size(); ++next) {
            out += "  http://www.";
            out += pending.domains[next].toStdString();
            out += "  ";
            out += statusOf(pending.answers.at(pending.domains[next]));
            out += '\n';
        }
        return out;
    }

    const Options& m_options;
    const QStringList m_endings;
    availability::Checker& m_checker;
    QObject m_context; // the requester of every look-up, and the receiver of the answers
    std::string m_captured;
    CodeReporter m_reporter;
    Sink m_output;
    int m_outError = 0;
    std::unique_ptr<QSocketNotifier> m_stdin;
    LineSplitter m_lines;
    std::size_t m_nextName = 0;
    bool m_inputDone = false;
    bool m_outFailed = false;
    bool m_unknown = false;
    bool m_readFailed = false;
    bool m_filling = false;
    bool m_quitting = false;
    std::deque<std::unique_ptr<Pending>> m_pending;
    QHash<QString, std::vector<Pending*>> m_waiting;
};

} // namespace

CheckArguments checkArguments(const Options& given)
{
    CheckArguments result;
    result.options.check = given.check;
    result.options.endings = given.endings.value_or(std::string(availability::DefaultEndings));
    result.options.bootstrapAddress = given.bootstrapAddress.value_or(std::string());
    const bool needsCheck = given.endings.has_value() || given.bootstrapAddress.has_value();
    if (needsCheck && !result.options.check) {
        result.error = "options --endings and --rdap-bootstrap go with --check";
        return result;
    }
    if (result.options.check) {
        // An ending that cannot be one is told, not dropped in silence.
        const QStringList invalid = availability::invalidEndings(QString::fromStdString(result.options.endings));
        if (!invalid.isEmpty()) {
            result.error = "--endings: \"" + invalid.join(QStringLiteral("\", \"")).toStdString() +
                           "\" cannot be an ending (letters, digits, hyphens and inner dots only)";
            return result;
        }
        // The user's own bootstrap is the only source, so one that cannot be used is a mistake to tell now.
        const QByteArray variable = qgetenv(availability::BootstrapVariable);
        const bool fromOption = !result.options.bootstrapAddress.empty();
        const std::string given = fromOption ? result.options.bootstrapAddress : variable.toStdString();
        if ((fromOption || !variable.isEmpty()) &&
            !availability::usableBootstrapAddress(QString::fromStdString(given)).isValid()) {
            result.error = std::string(fromOption ? "--rdap-bootstrap" : availability::BootstrapVariable) + " \"" +
                           given + "\" is not an https:// URL (or http:// on loopback)";
        }
    }
    return result;
}

std::string_view checkUsageText()
{
    return CheckUsage;
}

namespace {

// Standard error carries the program's own notices and reasons, line for line, for people and scripts alike. Qt's
// own diagnostic warnings about its internals (a transfer torn down while the program ends, say) are not for them.
void keepQtDiagnosticsOff(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        const QByteArray line = message.toLocal8Bit() + '\n';
        writeAll(STDERR_FILENO, std::string_view(line.constData(), static_cast<std::size_t>(line.size())));
    }
}

} // namespace

int runCheck(int argc, char** argv, const Options& options, const CheckOptions& check)
{
    qInstallMessageHandler(keepQtDiagnosticsOff);
    QCoreApplication app(argc, argv);
    availability::CheckerConfig config = availability::CheckerConfig::fromEnvironment();
    if (!check.bootstrapAddress.empty()) {
        config.bootstrapGiven = true;
        config.givenBootstrapText = QString::fromStdString(check.bootstrapAddress);
        config.bootstrapAddress = availability::usableBootstrapAddress(config.givenBootstrapText);
    }
    availability::Checker checker(config);
    CheckRun run(options, check, checker);
    run.start();
    QCoreApplication::exec();
    return run.exitStatus();
}

} // namespace quorvel::cli
