// quorvel-favourites: lists, adds, removes, exports and imports the favourites the windows keep, in the
// same file and with the same checks.

#include "access/AccessConversion.h"
#include "access/AccessImport.h"
#include "core/AsciiText.h"
#include "core/CommandLine.h"
#include "core/NameRules.h"
#include "core/Unicode.h"
#include "settings/Settings.h"
#include "store/AccessSignature.h"
#include "store/DataFolder.h"
#include "store/FavouritesStore.h"
#include "store/Transfer.h"
#include "streams/StandardStreams.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace quorvel;

namespace {

constexpr int ExitOk = 0;
constexpr int ExitRefused = 1;
constexpr int ExitUsage = 2;

/// The language of every message: --lang, else the start language of the settings file, as the windows.
UiLanguage language = UiLanguage::Spanish;

std::string text(std::string_view key, std::initializer_list<std::string> values = {})
{
    return store::transferText(key, language, values);
}

// Standard output and standard error fail separately. A report line that cannot be written costs only that line,
// and the exit status tells that something was lost; once standard output fails, nothing more is written to it
// and the command ends saying so.
bool reportLost = false;
bool outputFailed = false;
int outputError = 0; // errno of the write that failed on standard output

void writeReport(std::string_view text)
{
    if (!streams::writeAll(STDERR_FILENO, text)) {
        reportLost = true;
    }
}

void say(std::string_view line)
{
    writeReport(std::string(line) + "\n");
}

void complain(std::string_view message)
{
    say("quorvel-favourites: " + std::string(message));
}

int usageError(std::string_view message)
{
    writeReport(commandline::errorLine("quorvel-favourites", message, language));
    return ExitUsage;
}

bool writeOutput(std::string_view data)
{
    if (!outputFailed && !streams::writeAll(STDOUT_FILENO, data)) {
        outputFailed = true;
        outputError = errno;
    }
    return !outputFailed;
}

// Tells that standard output failed; the exit status for it.
int outputLost()
{
    complain(text("cli.cannotWrite", {text("cli.theOutput"), std::strerror(outputError)}));
    return ExitRefused;
}

/// The command line once read: the command, its words and the options.
struct CommandLine
{
    std::string command;
    std::vector<std::string> words;
    std::optional<std::string> dataDir;
    std::optional<std::string> figure;
    std::optional<std::string> format;
    std::optional<std::string> encoding;
    UiLanguage language = UiLanguage::Spanish;
    bool json = false;
    bool dryRun = false;
    bool help = false;
    bool version = false;
    std::string error;
};

CommandLine parse(int argc, char** argv, UiLanguage fallback)
{
    static constexpr commandline::OptionSpec Known[] = {
        commandline::Help, commandline::Version, commandline::Lang, {"data-dir", true}, {"figure", true},
        {"format", true},  {"encoding", true},   {"json"},          {"dry-run"}};
    const commandline::Parsed parsed = commandline::parse(argc, argv, Known, fallback);
    CommandLine line;
    line.error = parsed.error;
    if (!parsed.operands.empty()) {
        line.command = parsed.operands.front();
        line.words.assign(parsed.operands.begin() + 1, parsed.operands.end());
    }
    line.dataDir = parsed.value("data-dir");
    line.figure = parsed.value("figure");
    line.format = parsed.value("format");
    line.encoding = parsed.value("encoding");
    line.language = parsed.wording; // what --lang asked for, else fallback
    line.json = parsed.has("json");
    line.dryRun = parsed.has("dry-run");
    line.help = parsed.has(commandline::Help.name);
    line.version = parsed.has(commandline::Version.name);
    return line;
}

std::string filePathText(const store::FavouritesStore& store)
{
    return QDir::toNativeSeparators(store.filePath()).toStdString();
}

int storeFailed(const store::FavouritesStore& store, store::StoreProblem problem, UiLanguage language)
{
    complain(store::describeStoreProblem(problem, filePathText(store), language));
    return ExitRefused;
}

/// The store opened for reading; a missing file or table is an empty list. Nothing when it cannot be used.
bool openForReading(store::FavouritesStore& store, UiLanguage language)
{
    store.openStore();
    if (!store.isOpen() && store.openProblem() != store::StoreProblem::NotOpen) {
        storeFailed(store, store.openProblem(), language);
        return false;
    }
    return true;
}

int list(store::FavouritesStore& store, const CommandLine& line)
{
    std::optional<FigureKind> only;
    if (line.figure) {
        only = store::figureFromText(*line.figure);
        if (!only) {
            return usageError(text("cli.badFigureOption"));
        }
    }
    if (!line.words.empty()) {
        return usageError(text("cli.listNoNames"));
    }
    if (!openForReading(store, language)) {
        return ExitRefused;
    }
    store::TransferWriter json(store::TransferFormat::Json, writeOutput);
    std::string text;
    if (line.json) {
        json.begin();
    }
    if (store.isOpen()) {
        try {
            store.forEachRecord([&](std::string_view nom, std::string_view figura) {
                const std::optional<FigureKind> kind = figureKindForLetter(figura);
                if (!kind || (only && *kind != *only) || outputFailed) {
                    return;
                }
                if (line.json) {
                    json.write(nom, *kind);
                    return;
                }
                text += nom;
                if (!only) {
                    text += '\t';
                    text += figura;
                }
                text += '\n';
                if (text.size() >= 64 * 1024) {
                    writeOutput(text);
                    text.clear();
                }
            });
        } catch (const store::StoreFailure& failure) {
            return storeFailed(store, failure.problem(), language);
        }
    }
    if (line.json) {
        json.end();
    } else if (!text.empty()) {
        writeOutput(text);
    }
    return outputFailed ? outputLost() : ExitOk;
}

int add(store::FavouritesStore& store, const CommandLine& line)
{
    if (line.words.size() < 2) {
        return usageError(text("cli.addNeeds"));
    }
    std::vector<FigureKind> kinds;
    bool someLeftOut = false;
    for (std::size_t i = 1; i < line.words.size(); ++i) {
        const std::optional<FigureKind> kind = store::figureFromText(line.words[i]);
        if (!kind) {
            complain(text("cli.unknownFigure", {line.words[i]}));
            someLeftOut = true;
            continue;
        }
        kinds.push_back(*kind);
    }
    if (kinds.empty()) {
        return ExitRefused;
    }
    // The name goes through the name rules as if typed: each correction is told as the windows tell it.
    const std::u32string typed = decodeUtf8(line.words[0]);
    std::u32string text = typed;
    for (const NameStep& step : validateName(typed)) {
        complain(noticeText(step, language));
        applyNameStep(text, step);
    }
    const std::string name = encodeUtf8(asciiLower(std::u32string_view(text)));
    if (name.empty()) {
        complain(store::transferText("addEmpty", language, {}));
        return ExitRefused;
    }
    std::size_t next = 0;
    std::vector<bool> added;
    try {
        store.addFavourites(
            [&](std::string& nameOut, FigureKind& kind) {
                if (next == kinds.size()) {
                    return false;
                }
                nameOut = name;
                kind = kinds[next++];
                return true;
            },
            [&added](bool wasAdded) { added.push_back(wasAdded); });
    } catch (const store::StoreFailure& failure) {
        return storeFailed(store, failure.problem(), language);
    }
    std::string out;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        out +=
            store::transferText(added[i] ? "addKept" : "addAlready", language, {name + " " + figureLetter(kinds[i])}) +
            "\n";
    }
    if (!writeOutput(out)) {
        return outputLost();
    }
    return someLeftOut ? ExitRefused : ExitOk;
}

int remove(store::FavouritesStore& store, const CommandLine& line)
{
    if (line.words.size() != 2) {
        return usageError(text("cli.removeNeeds"));
    }
    const std::optional<FigureKind> kind = store::figureFromText(line.words[1]);
    if (!kind) {
        complain(text("cli.unknownFigure"
                      "Remove",
                      {line.words[1]}));
        return ExitRefused;
    }
    const std::string name = asciiLower(std::string_view(line.words[0]));
    if (!openForReading(store, language)) {
        return ExitRefused;
    }
    bool removed = false;
    try {
        removed = store.isOpen() && store.removeFavourite(QString::fromStdString(name), *kind);
    } catch (const store::StoreFailure& failure) {
        return storeFailed(store, failure.problem(), language);
    }
    const std::string record = name + " " + figureLetter(*kind);
    if (!removed) {
        // Plainly: the name as looked for, in quotes, and its figure by letter.
        complain(text("notKept", {"\"" + name + "\"", std::string(1, figureLetter(*kind))}));
        return ExitRefused;
    }
    return writeOutput(store::transferText("removed", language, {record}) + "\n") ? ExitOk : outputLost();
}

std::optional<store::TransferFormat> formatOption(const CommandLine& line, bool& bad)
{
    bad = false;
    if (!line.format) {
        return std::nullopt;
    }
    if (*line.format == "csv") {
        return store::TransferFormat::Csv;
    }
    if (*line.format == "json") {
        return store::TransferFormat::Json;
    }
    bad = true;
    return std::nullopt;
}

int exportTo(store::FavouritesStore& store, const CommandLine& line)
{
    bool bad = false;
    std::optional<store::TransferFormat> format = formatOption(line, bad);
    if (bad) {
        return usageError(text("cli.badExportFormat"));
    }
    if (line.words.size() > 1) {
        return usageError(text("cli.exportFiles"));
    }
    const QString path = line.words.empty() ? QStringLiteral("-") : QString::fromLocal8Bit(line.words[0].c_str());
    const store::ExportSummary summary =
        store::exportFile(store, path, format.value_or(store::formatForFileName(path)));
    if (summary.storeProblem) {
        return storeFailed(store, *summary.storeProblem, language);
    }
    if (!summary.outputError.empty()) {
        complain(text("cli.cannotWrite",
                      {path == QLatin1String("-") ? text("cli.theOutput") : line.words[0], summary.outputError}));
        return ExitRefused;
    }
    if (summary.skipped > 0) {
        complain(store::transferText("exportSkipped", language, {std::to_string(summary.skipped)}));
    }
    if (path != QLatin1String("-")) {
        say(store::transferText("exported", language, {std::to_string(summary.written), line.words[0]}));
    }
    return ExitOk;
}

int importAccess(store::FavouritesStore& store, const CommandLine& line, const QString& path)
{
    const access::AccessImportSummary result =
        access::importAccessFile(store, path, line.dryRun, [&line](const store::ImportNote& note) {
            say(access::describeAccessNote(note, line.language));
        });
    if (result.readFailure) {
        complain(access::describeReadFailure(*result.readFailure, line.words[0], line.language) + "; " +
                 store::transferText("nothingImported", line.language, {}));
        return ExitRefused;
    }
    if (result.summary.storeProblem) {
        storeFailed(store, *result.summary.storeProblem, line.language);
        complain(store::transferText("nothingImported", line.language, {}));
        return ExitRefused;
    }
    say(store::describeSummary(result.summary, line.language));
    return result.summary.leftOut > 0 ? ExitRefused : ExitOk;
}

int importFrom(store::FavouritesStore& store, const CommandLine& line)
{
    const bool accessFormat = line.format && *line.format == "access";
    bool bad = false;
    std::optional<store::TransferFormat> format = accessFormat ? std::nullopt : formatOption(line, bad);
    if (bad) {
        return usageError(text("cli.badFormat"));
    }
    if (line.words.size() != 1) {
        return usageError(text("cli.importFiles"));
    }
    store::TextEncoding encoding = store::TextEncoding::Auto;
    if (line.encoding) {
        std::string asked = asciiLower(std::string_view(*line.encoding));
        if (asked == "utf-8" || asked == "utf8") {
            encoding = store::TextEncoding::Utf8;
        } else if (asked == "windows-1252" || asked == "cp1252" || asked == "latin-1" || asked == "latin1") {
            encoding = store::TextEncoding::Windows1252;
        } else {
            return usageError(text("cli.badEncoding"));
        }
    }
    const QString path = QString::fromLocal8Bit(line.words[0].c_str());
    if (accessFormat || (!format && path != QLatin1String("-") && store::isAccessFile(path))) {
        return importAccess(store, line, path);
    }
    const store::ImportSummary summary = store::importFile(
        store, path, format, line.dryRun,
        [&line](const store::ImportNote& note) { say(store::describeNote(note, language, line.dryRun)); }, encoding);
    if (summary.fileProblem) {
        complain(line.words[0] + ": " + store::describeFileProblem(*summary.fileProblem, language) + "; " +
                 store::transferText("nothingImported", language, {}));
        return ExitRefused;
    }
    if (summary.storeProblem) {
        storeFailed(store, *summary.storeProblem, language);
        complain(store::transferText("nothingImported", language, {}));
        return ExitRefused;
    }
    say(store::describeSummary(summary, language));
    return summary.leftOut > 0 ? ExitRefused : ExitOk;
}

int convert(const QString& filePath, const QString& fallbackFolder, const CommandLine& line)
{
    if (!line.words.empty()) {
        return usageError(text("cli.convertNoFile"));
    }
    const std::string shownPath = QDir::toNativeSeparators(filePath).toStdString();
    if (!store::isAccessFile(filePath)) {
        complain(access::accessText("notAccess", line.language, {shownPath}));
        return ExitRefused;
    }
    const access::ConversionResult result = access::convertAccessFavourites(
        filePath, fallbackFolder,
        [&line](const store::ImportNote& note) { say(access::describeAccessNote(note, line.language)); }, {},
        line.language);
    if (!result.converted) {
        complain(result.failure);
        return ExitRefused;
    }
    say(access::describeConversion(result, line.language));
    return ExitOk;
}

int run(int argc, char** argv)
{
    // --lang, else the start language of the settings file, as the windows; a bad command line is told in it too.
    const CommandLine line = parse(argc, argv, readStartLanguage(defaultSettingsPath()));
    language = line.language;
    if (!line.error.empty()) {
        return usageError(line.error);
    }
    if (line.help) {
        return writeOutput(text("usage")) ? ExitOk : outputLost();
    }
    if (line.version) {
        return writeOutput(commandline::versionLine("quorvel-favourites")) ? ExitOk : outputLost();
    }
    if (line.command.empty()) {
        return usageError(text("cli.noCommand"));
    }
    if (line.command != "import" && line.command != "export" && (line.format || line.dryRun)) {
        return usageError(text("cli.transferOnly"));
    }
    if (line.command != "import" && line.encoding) {
        return usageError(text("cli.encodingOnly"));
    }
    if (line.command != "list" && (line.figure || line.json)) {
        return usageError(text("cli.listOnly"));
    }

    // The same program name as the windows, so an installed copy finds the same per-user data folder.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvel"));

    QString filePath;
    if (line.dataDir) {
        const QString folder = QString::fromLocal8Bit(line.dataDir->c_str());
        if (!QFileInfo(folder).isDir()) {
            complain(text("cli.noFolder", {*line.dataDir}));
            return ExitRefused;
        }
        filePath = QDir(folder).filePath(QString::fromLatin1(store::FavouritesFileName));
    } else {
        filePath = store::favouritesFilePath();
    }
    if (line.command == "convert") {
        // Where the Access file's folder cannot be written, the favourites go to the per-user data folder,
        // which the windows then use; not when the folder was named outright.
        const bool named = line.dataDir || !qEnvironmentVariableIsEmpty("QUORVEL_DATA_DIR");
        return convert(filePath, named ? QString() : store::perUserDataFolder(), line);
    }
    if (store::isAccessFile(filePath) && (line.command == "list" || line.command == "add" || line.command == "remove" ||
                                          line.command == "export" || line.command == "import")) {
        // Nothing is changed on its own: the user decides when to convert.
        complain(access::accessText("isAccess", line.language, {QDir::toNativeSeparators(filePath).toStdString()}));
        return ExitRefused;
    }
    store::FavouritesStore store(filePath);

    if (line.command == "list") {
        return list(store, line);
    }
    if (line.command == "add") {
        return add(store, line);
    }
    if (line.command == "remove") {
        return remove(store, line);
    }
    if (line.command == "export") {
        return exportTo(store, line);
    }
    if (line.command == "import") {
        return importFrom(store, line);
    }
    return usageError(text("cli.unknownCommand", {line.command}));
}

} // namespace

int main(int argc, char** argv)
{
    streams::holdClosedStandardStreams();
    const int status = run(argc, argv);
    // A report line that could not be written makes a command that did all else exit as one that did not.
    return status == ExitOk && reportLost ? ExitRefused : status;
}
