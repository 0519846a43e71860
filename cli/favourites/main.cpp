// quorvel-favourites: lists, adds, removes, exports and imports the favourites the windows keep, in the
// same file and with the same checks.

#include "access/AccessConversion.h"
#include "access/AccessImport.h"
#include "core/AsciiText.h"
#include "core/NameRules.h"
#include "core/Unicode.h"
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
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace quorvel;

namespace {

constexpr int ExitOk = 0;
constexpr int ExitRefused = 1;
constexpr int ExitUsage = 2;

constexpr char Usage[] =
    "usage: quorvel-favourites [--data-dir DIR] [--lang en|es] COMMAND ...\n"
    "  list [--figure r|c|t|p] [--json]       the favourites kept, in table order\n"
    "  add NAME FIGURE...                      keep a name with one or more figures\n"
    "  remove NAME FIGURE                      forget a name kept with a figure\n"
    "  export [--format csv|json] [FILE]       write every favourite to FILE (- or none: standard output)\n"
    "  import [--format csv|json|access] [--dry-run] FILE\n"
    "                                          read favourites from FILE (-: standard input; an Access\n"
    "                                          file .mdb or .accdb is known by its first bytes)\n"
    "  convert                                 turn a favourites file in the Access format into this\n"
    "                                          program's own, keeping the Access file as FILE.access\n"
    "  --help, --version\n"
    "FIGURE is r, c, t or p (polygons of four sides, circle or ellipse, three sides, more than four sides).\n"
    "The file is QUORVEL.MDB in DIR, else in QUORVEL_DATA_DIR, else where the windows keep it.\n"
    "Exit status: 0 done, 1 some rows refused or a file unusable, 2 a bad command line.\n";

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
    complain(message);
    writeReport(Usage);
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
    complain("cannot write the output: " + std::string(std::strerror(outputError)));
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
    UiLanguage language = UiLanguage::English;
    bool json = false;
    bool dryRun = false;
    bool help = false;
    bool version = false;
    std::string error;
};

CommandLine parse(int argc, char** argv)
{
    CommandLine line;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (optionsEnded || arg == "-" || arg.rfind("--", 0) != 0) {
            if (line.command.empty()) {
                line.command = arg;
            } else {
                line.words.push_back(arg);
            }
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        if (const auto equals = arg.find('='); equals != std::string::npos) {
            inlineValue = arg.substr(equals + 1);
            arg.resize(equals);
        }
        auto value = [&](std::optional<std::string>& target) {
            if (inlineValue) {
                target = *inlineValue;
            } else if (i + 1 < argc) {
                target = argv[++i];
            } else {
                line.error = arg + " needs a value";
            }
        };
        auto flag = [&](bool& target) {
            if (inlineValue) {
                line.error = arg + " takes no value";
            }
            target = true;
        };
        if (arg == "--data-dir") {
            value(line.dataDir);
        } else if (arg == "--figure") {
            value(line.figure);
        } else if (arg == "--format") {
            value(line.format);
        } else if (arg == "--lang") {
            std::optional<std::string> lang;
            value(lang);
            if (lang && *lang == "es") {
                line.language = UiLanguage::Spanish;
            } else if (lang && *lang != "en") {
                line.error = "--lang takes en or es";
            }
        } else if (arg == "--json") {
            flag(line.json);
        } else if (arg == "--dry-run") {
            flag(line.dryRun);
        } else if (arg == "--help") {
            flag(line.help);
        } else if (arg == "--version") {
            flag(line.version);
        } else {
            line.error = "unknown option " + arg;
        }
        if (!line.error.empty()) {
            break;
        }
    }
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
        only = figureKindForLetter(*line.figure);
        if (!only) {
            return usageError("--figure takes r, c, t or p");
        }
    }
    if (!line.words.empty()) {
        return usageError("list takes no names");
    }
    if (!openForReading(store, line.language)) {
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
            return storeFailed(store, failure.problem(), line.language);
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
        return usageError("add needs a name and at least one figure");
    }
    std::vector<FigureKind> kinds;
    for (std::size_t i = 1; i < line.words.size(); ++i) {
        const std::optional<FigureKind> kind = store::figureFromText(line.words[i]);
        if (!kind) {
            return usageError("unknown figure \"" + line.words[i] + "\" (use r, c, t or p)");
        }
        kinds.push_back(*kind);
    }
    // The name goes through the name rules as if typed: each correction is told as the windows tell it.
    const std::u32string typed = decodeUtf8(line.words[0]);
    std::u32string text = typed;
    for (const NameStep& step : validateName(typed)) {
        complain(noticeText(step, line.language));
        applyNameStep(text, step);
    }
    const std::string name = encodeUtf8(asciiLower(std::u32string_view(text)));
    if (name.empty()) {
        complain(store::transferText("addEmpty", line.language, {}));
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
        return storeFailed(store, failure.problem(), line.language);
    }
    std::string out;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        out += store::transferText(added[i] ? "addKept" : "addAlready", line.language,
                                   {name + " " + figureLetter(kinds[i])}) +
               "\n";
    }
    return writeOutput(out) ? ExitOk : outputLost();
}

int remove(store::FavouritesStore& store, const CommandLine& line)
{
    if (line.words.size() != 2) {
        return usageError("remove needs a name and one figure");
    }
    const std::optional<FigureKind> kind = store::figureFromText(line.words[1]);
    if (!kind) {
        return usageError("unknown figure \"" + line.words[1] + "\" (use r, c, t or p)");
    }
    const std::string name = asciiLower(std::string_view(line.words[0]));
    if (!openForReading(store, line.language)) {
        return ExitRefused;
    }
    bool removed = false;
    try {
        removed = store.isOpen() && store.removeFavourite(QString::fromStdString(name), *kind);
    } catch (const store::StoreFailure& failure) {
        return storeFailed(store, failure.problem(), line.language);
    }
    const std::string record = name + " " + figureLetter(*kind);
    if (!removed) {
        complain(store::transferText("notKept", line.language, {record}));
        return ExitRefused;
    }
    return writeOutput(store::transferText("removed", line.language, {record}) + "\n") ? ExitOk : outputLost();
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
        return usageError("--format takes csv or json");
    }
    if (line.words.size() > 1) {
        return usageError("export takes at most one file");
    }
    const QString path = line.words.empty() ? QStringLiteral("-") : QString::fromLocal8Bit(line.words[0].c_str());
    const store::ExportSummary summary =
        store::exportFile(store, path, format.value_or(store::formatForFileName(path)));
    if (summary.storeProblem) {
        return storeFailed(store, *summary.storeProblem, line.language);
    }
    if (!summary.outputError.empty()) {
        complain("cannot write " + (path == QLatin1String("-") ? std::string("the output") : line.words[0]) + ": " +
                 summary.outputError);
        return ExitRefused;
    }
    if (summary.skipped > 0) {
        complain(store::transferText("exportSkipped", line.language, {std::to_string(summary.skipped)}));
    }
    if (path != QLatin1String("-")) {
        say(store::transferText("exported", line.language, {std::to_string(summary.written), line.words[0]}));
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
    return result.summary.refused > 0 ? ExitRefused : ExitOk;
}

int importFrom(store::FavouritesStore& store, const CommandLine& line)
{
    const bool accessFormat = line.format && *line.format == "access";
    bool bad = false;
    std::optional<store::TransferFormat> format = accessFormat ? std::nullopt : formatOption(line, bad);
    if (bad) {
        return usageError("--format takes csv, json or access");
    }
    if (line.words.size() != 1) {
        return usageError("import needs one file (- for standard input)");
    }
    const QString path = QString::fromLocal8Bit(line.words[0].c_str());
    if (accessFormat || (!format && path != QLatin1String("-") && store::isAccessFile(path))) {
        return importAccess(store, line, path);
    }
    const store::ImportSummary summary =
        store::importFile(store, path, format, line.dryRun,
                          [&line](const store::ImportNote& note) { say(store::describeNote(note, line.language)); });
    if (summary.fileProblem) {
        complain(line.words[0] + ": " + store::describeFileProblem(*summary.fileProblem, line.language) + "; " +
                 store::transferText("nothingImported", line.language, {}));
        return ExitRefused;
    }
    if (summary.storeProblem) {
        storeFailed(store, *summary.storeProblem, line.language);
        complain(store::transferText("nothingImported", line.language, {}));
        return ExitRefused;
    }
    say(store::describeSummary(summary, line.language));
    return summary.refused > 0 ? ExitRefused : ExitOk;
}

int convert(const QString& filePath, const QString& fallbackFolder, const CommandLine& line)
{
    if (!line.words.empty()) {
        return usageError("convert takes no file: it converts the favourites file itself");
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
    const CommandLine line = parse(argc, argv);
    if (!line.error.empty()) {
        return usageError(line.error);
    }
    if (line.help) {
        return writeOutput(Usage) ? ExitOk : outputLost();
    }
    if (line.version) {
        return writeOutput("quorvel-favourites " QUORVEL_VERSION "\n") ? ExitOk : outputLost();
    }
    if (line.command.empty()) {
        return usageError("no command given");
    }
    if (line.command != "import" && line.command != "export" && (line.format || line.dryRun)) {
        return usageError("--format and --dry-run belong to export and import");
    }
    if (line.command != "list" && (line.figure || line.json)) {
        return usageError("--figure and --json belong to list");
    }

    // The same program name as the windows, so an installed copy finds the same per-user data folder.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvel"));

    QString filePath;
    if (line.dataDir) {
        const QString folder = QString::fromLocal8Bit(line.dataDir->c_str());
        if (!QFileInfo(folder).isDir()) {
            complain("no such folder: " + *line.dataDir);
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
    return usageError("unknown command " + line.command);
}

} // namespace

int main(int argc, char** argv)
{
    streams::holdClosedStandardStreams();
    const int status = run(argc, argv);
    // A report line that could not be written makes a command that did all else exit as one that did not.
    return status == ExitOk && reportLost ? ExitRefused : status;
}
