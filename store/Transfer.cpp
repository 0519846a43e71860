#include "store/Transfer.h"

#include "core/AsciiText.h"
#include "core/TextTable.h"
#include "core/Unicode.h"
#include "store/FavouritesStore.h"
#include "streams/StandardStreams.h"

#include <QFile>
#include <QSaveFile>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <unordered_map>
#include <vector>

namespace quorvel::store {

namespace {

/// How many positions of one correction the report lists.
constexpr std::size_t ListedPositions = 10;

/// The corrections the name rules make to a text, found in one pass (the same as validateName, which it
/// mirrors: the kept prefix never changes, so each character is judged once). Positions count characters
/// of the text as written.
void findCorrections(std::u32string_view text, ImportNote& note)
{
    using Kind = ImportNote::Correction::Kind;
    // Where each kind of correction is in the list: a long name of many different characters stays quick.
    std::unordered_map<std::uint64_t, std::size_t> index;
    auto add = [&note, &index](Kind kind, char32_t character, long position) {
        const std::uint64_t key = (static_cast<std::uint64_t>(kind) << 32) | character;
        const auto [at, inserted] = index.try_emplace(key, note.corrections.size());
        if (inserted) {
            note.corrections.push_back({kind, character, 0, {}});
        }
        ImportNote::Correction& correction = note.corrections[at->second];
        ++correction.times;
        if (position > 0 && correction.positions.size() < ListedPositions) {
            correction.positions.push_back(position);
        }
    };
    std::size_t kept = 0;
    bool upper = false;
    long position = 0;
    for (char32_t c : text) {
        ++position;
        if (kept == 0 && c == U'-') {
            add(Kind::LeadingHyphen, 0, position);
        } else if (!isNameSymbol(c)) {
            add(Kind::Removed, c, position);
        } else {
            upper = upper || (c >= U'A' && c <= U'Z');
            ++kept;
        }
    }
    if (upper) {
        note.corrections.insert(note.corrections.begin(), {Kind::UpperCase, 0, 1, {}});
    }
    if (kept > static_cast<std::size_t>(MaxNameLength)) {
        add(Kind::Cut, 0, 0);
    }
}

/// A name as the report shows it: valid UTF-8, cut when it is very long.
std::string shown(std::string_view text)
{
    constexpr std::size_t Longest = 80;
    std::u32string wide = decodeUtf8(text);
    const bool cut = wide.size() > Longest;
    if (cut) {
        wide.resize(Longest);
    }
    std::string out;
    for (char32_t c : wide) {
        if (c < 0x20 || c == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(c));
            out += escape;
        } else {
            appendUtf8(out, c, RawBytes::Replacement);
        }
    }
    if (cut) {
        out += "...";
    }
    return out;
}

std::string inQuotes(std::string_view text)
{
    // Built by appending: GCC 12 misreads "\"" + std::string in Release builds as an overlapping copy.
    std::string quoted(1, '"');
    quoted += shown(text);
    quoted += '"';
    return quoted;
}

/// One removed character as the report names it, between angle quotes when it can be shown.
std::string characterName(char32_t c, UiLanguage language)
{
    char text[32];
    if (c >= 0xDC80 && c <= 0xDCFF) {
        std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(c - 0xDC00));
        return transferText("char.byte", language, {text});
    }
    if (c == U' ') {
        return transferText("char.blank", language, {});
    }
    if (c == U'\u00A0') {
        return transferText("char.hardBlank", language, {});
    }
    if (c == U'\t') {
        return transferText("char.tab", language, {});
    }
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) {
        std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
        return transferText("char.control", language, {text});
    }
    std::string out = "\u00AB";
    appendUtf8(out, c, RawBytes::Replacement);
    return out + "\u00BB";
}

std::string number(long value)
{
    return std::to_string(value);
}

ImportInput inputProblem(TransferProblem problem, std::string detail = {})
{
    ImportInput input;
    input.problem = problem;
    input.detail = std::move(detail);
    return input;
}

} // namespace

void ImportInput::close()
{
    if (owned && fd >= 0) {
        ::close(fd);
    }
    fd = -1;
    owned = false;
}

ImportInput openImportInput(const QString& path)
{
    if (path == QLatin1String("-")) {
        ImportInput input;
        input.fd = STDIN_FILENO;
        return input;
    }
    const QByteArray native = QFile::encodeName(path);
    // Without O_NONBLOCK, opening a named pipe waits for a writer; fstat then tells what was opened.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            return inputProblem(TransferProblem::NoSuchFile);
        }
        return inputProblem(TransferProblem::CannotOpen, std::strerror(error));
    }
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return inputProblem(TransferProblem::CannotOpen, std::strerror(error));
    }
    if (S_ISDIR(info.st_mode)) {
        ::close(fd);
        return inputProblem(TransferProblem::IsFolder);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return inputProblem(TransferProblem::NotAFile);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    ImportInput input;
    input.fd = fd;
    input.owned = true;
    return input;
}

ImportSummary importRows(FavouritesStore& store, const NextRow& next, bool dryRun,
                         const std::function<void(const ImportNote&)>& note)
{
    ImportSummary summary;
    summary.dryRun = dryRun;

    // The rows to keep wait in a private temporary database (on disk, deleted when closed), so the input is
    // read through once however large it is, and the favourites file is locked only for the final write.
    SQLite::Database stage("", SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    long stagedRows = 0;
    stage.exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
               "CREATE TABLE rows (seq INTEGER PRIMARY KEY, Nom TEXT NOT NULL, Figura TEXT NOT NULL,"
               " corrected INTEGER NOT NULL)");
    {
        SQLite::Transaction staging(stage);
        SQLite::Statement insert(stage, "INSERT INTO rows (Nom, Figura, corrected) VALUES (?1, ?2, ?3)");
        TransferItem item;
        while (next(item)) {
            if (item.problem && isFileProblem(*item.problem)) {
                summary = ImportSummary{};
                summary.dryRun = dryRun;
                summary.fileProblem = item;
                return summary;
            }
            ImportNote row;
            row.line = item.line;
            row.written = shown(item.name);
            row.figure = shown(item.figure);
            if (item.problem) {
                row.problem = item.problem;
                row.detail = item.detail;
                row.count = item.count;
                row.expected = item.expected;
                ++summary.leftOut;
                note(row);
                continue;
            }
            const std::optional<FigureKind> kind = figureFromText(item.figure);
            const std::u32string wide = decodeUtf8(item.name);
            const std::u32string kept = asciiLower(correctedName(wide));
            if (!kind) {
                row.problem = TransferProblem::UnknownFigure;
                row.detail = shown(item.figure);
            } else if (kept.empty()) {
                row.problem = TransferProblem::EmptyName;
            }
            if (row.problem) {
                ++summary.leftOut;
                note(row);
                continue;
            }
            row.name = encodeUtf8(kept);
            findCorrections(wide, row);
            if (!row.corrections.empty()) {
                note(row);
            }
            insert.bind(1, row.name);
            insert.bind(2, std::string(1, figureLetter(*kind)));
            insert.bind(3, row.corrections.empty() ? 0 : 1);
            insert.exec();
            insert.reset();
            ++stagedRows;
        }
        staging.commit();
    }

    // In name order the writes into the favourites file's indexes land side by side, which keeps a large import
    // quick; rows of one name keep the order of the input, so the table's order is the same as in input order.
    SQLite::Statement staged(stage, "SELECT Nom, Figura, corrected FROM rows ORDER BY Nom, seq");
    auto countRow = [&summary, &staged](bool added) {
        if (!added) {
            ++summary.alreadyThere;
            return;
        }
        ++summary.written;
        if (staged.getColumn(2).getInt() != 0) {
            ++summary.corrected;
        }
    };
    auto nextRow = [&staged](std::string& name, FigureKind& kind) {
        if (!staged.executeStep()) {
            return false;
        }
        name = staged.getColumn(0).getString();
        kind = figureKindForLetter(staged.getColumn(1).getString()).value_or(FigureKind::FourSided);
        return true;
    };

    if (!dryRun && stagedRows == 0) {
        return summary; // nothing to keep: the favourites file is not even opened for writing
    }
    if (!dryRun) {
        try {
            store.addFavourites(nextRow, countRow);
            summary.committed = true;
        } catch (const StoreFailure& failure) {
            // Nothing was written: the rows that would have been added are not counted as such.
            summary.written = summary.corrected = summary.alreadyThere = 0;
            summary.storeProblem = failure.problem();
            summary.storeDetail = failure.what();
        }
        return summary;
    }

    // A dry run reads the file as it is (a missing file or table is an empty list) and writes nothing;
    // repeats within the input are told apart in the staging database.
    if (!store.isOpen() || store.openProblem() == StoreProblem::NotOpen) {
        store.openStore();
    }
    const bool readable = store.isOpen();
    if (!readable && store.openProblem() != StoreProblem::NotOpen) {
        summary.written = summary.corrected = summary.alreadyThere = 0;
        summary.storeProblem = store.openProblem();
        summary.storeDetail = store.openDetail().toStdString();
        return summary;
    }
    stage.exec("CREATE TABLE seen (Nom TEXT NOT NULL, Figura TEXT NOT NULL, PRIMARY KEY (Nom, Figura))");
    SQLite::Statement see(stage, "INSERT OR IGNORE INTO seen (Nom, Figura) VALUES (?1, ?2)");
    SQLite::Transaction seeing(stage);
    // Whether a row is new: not in the favourites file, and the first of its kind in the input.
    auto firstInInput = [&see, &staged]() {
        see.bind(1, staged.getColumn(0).getString());
        see.bind(2, staged.getColumn(1).getString());
        const bool first = see.exec() == 1;
        see.reset();
        return first;
    };
    try {
        if (readable) {
            store.addFavourites(
                nextRow, [&](bool added) { countRow(firstInInput() && added); }, true);
        } else {
            std::string name;
            FigureKind kind = FigureKind::FourSided;
            while (nextRow(name, kind)) {
                countRow(firstInInput());
            }
        }
    } catch (const StoreFailure& failure) {
        summary.written = summary.corrected = summary.alreadyThere = 0;
        summary.storeProblem = failure.problem();
        summary.storeDetail = failure.what();
    }
    return summary;
}

ImportSummary importFavourites(FavouritesStore& store, TransferReader& reader, bool dryRun,
                               const std::function<void(const ImportNote&)>& note)
{
    ImportSummary summary = importRows(
        store, [&reader](TransferItem& item) { return reader.next(item); }, dryRun, note);
    summary.readAsWindows1252 = reader.usedWindows1252();
    return summary;
}

ImportSummary importFile(FavouritesStore& store, const QString& path, std::optional<TransferFormat> format, bool dryRun,
                         const std::function<void(const ImportNote&)>& note, TextEncoding encoding)
{
    ImportInput input = openImportInput(path);
    if (input.problem) {
        ImportSummary summary;
        summary.dryRun = dryRun;
        TransferItem problem;
        problem.problem = input.problem;
        problem.detail = input.detail;
        summary.fileProblem = problem;
        return summary;
    }
    // The first block read decides the format when none is given; it is then handed to the reader first.
    std::string head;
    if (!format) {
        head.resize(4096);
        const long got = streams::readSome(input.fd, head.data(), head.size());
        head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        format = sniffFormat(head);
    }
    const int fd = input.fd;
    std::size_t headUsed = 0;
    TransferReader reader(
        *format,
        [fd, &head, &headUsed](char* buffer, std::size_t size) -> long {
            if (headUsed < head.size()) {
                const std::size_t n = std::min(size, head.size() - headUsed);
                std::memcpy(buffer, head.data() + headUsed, n);
                headUsed += n;
                return static_cast<long>(n);
            }
            return streams::readSome(fd, buffer, size);
        },
        encoding);
    ImportSummary summary = importFavourites(store, reader, dryRun, note);
    input.close();
    return summary;
}

ExportSummary exportFavourites(FavouritesStore& store, TransferFormat format,
                               const std::function<bool(std::string_view)>& sink)
{
    ExportSummary summary;
    bool sinkFailed = false;
    TransferWriter writer(format, [&](std::string_view data) {
        if (!sinkFailed && !sink(data)) {
            sinkFailed = true;
        }
        return !sinkFailed;
    });
    writer.begin();
    if (!store.isOpen()) {
        store.openStore();
    }
    if (store.isOpen()) {
        try {
            store.forEachRecord([&](std::string_view nom, std::string_view figura) {
                const std::optional<FigureKind> kind = figureKindForLetter(figura);
                if (!kind || sinkFailed) {
                    summary.skipped += kind ? 0 : 1;
                    return;
                }
                writer.write(nom, *kind);
                ++summary.written;
            });
        } catch (const StoreFailure& failure) {
            summary.storeProblem = failure.problem();
            summary.storeDetail = failure.what();
        }
    } else if (store.openProblem() != StoreProblem::NotOpen) {
        summary.storeProblem = store.openProblem();
        summary.storeDetail = store.openDetail().toStdString();
    }
    writer.end();
    if (sinkFailed && summary.outputError.empty()) {
        summary.outputError = "the output could not be written";
    }
    return summary;
}

ExportSummary exportFile(FavouritesStore& store, const QString& path, TransferFormat format)
{
    if (path == QLatin1String("-")) {
        int error = 0;
        ExportSummary summary = exportFavourites(store, format, streams::descriptorSink(STDOUT_FILENO, &error));
        if (error != 0) {
            summary.outputError = std::strerror(error);
        }
        return summary;
    }
    // The export goes to a new file beside the target, which replaces it only once complete: a failed
    // export leaves an earlier file of that name as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        ExportSummary summary;
        summary.outputError = file.errorString().toStdString();
        return summary;
    }
    ExportSummary summary = exportFavourites(store, format, [&file](std::string_view data) {
        return file.write(data.data(), static_cast<qint64>(data.size())) == static_cast<qint64>(data.size());
    });
    if (summary.failed()) {
        if (!summary.outputError.empty() && file.error() != QFileDevice::NoError) {
            summary.outputError = file.errorString().toStdString();
        }
        file.cancelWriting();
        return summary;
    }
    if (!file.commit()) {
        summary.outputError = file.errorString().toStdString();
    }
    return summary;
}

TransferFormat formatForFileName(const QString& path)
{
    return path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive) ||
                   path.endsWith(QLatin1String(".jsonl"), Qt::CaseInsensitive)
               ? TransferFormat::Json
               : TransferFormat::Csv;
}

std::string transferText(std::string_view key, UiLanguage language, std::initializer_list<std::string> values)
{
    const std::string_view pattern = findText("transfer", key, language).value_or(key);
    // One pass, so that a filled-in text holding "%2" is left as it is.
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const auto index = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (index < values.size()) {
                out += *(values.begin() + index);
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

std::string describeCorrections(const ImportNote& note, UiLanguage language)
{
    using Kind = ImportNote::Correction::Kind;
    // Past the first few different characters removed, the rest are counted together.
    constexpr int ListedCharacters = 20;
    int listed = 0;
    long others = 0;
    std::string text;
    for (const ImportNote::Correction& c : note.corrections) {
        if (c.kind == Kind::Removed && ++listed > ListedCharacters) {
            others += c.times;
            continue;
        }
        if (!text.empty()) {
            text += "; ";
        }
        switch (c.kind) {
        case Kind::UpperCase:
            text += transferText("fix.upperCase", language, {});
            break;
        case Kind::LeadingHyphen:
            text += transferText("fix.leadingHyphen", language, {});
            break;
        case Kind::Removed:
            text += transferText("fix.removed", language, {characterName(c.character, language)});
            break;
        case Kind::Cut:
            text += transferText("fix.cut", language, {number(MaxNameLength)});
            break;
        }
        if (!c.positions.empty()) {
            std::string places;
            for (long at : c.positions) {
                places += places.empty() ? "" : ", ";
                places += number(at);
            }
            if (c.times > static_cast<long>(c.positions.size())) {
                places += transferText("fix.morePlaces", language, {number(c.times)});
            }
            text += transferText(c.times > 1 ? "fix.positions" : "fix.position", language, {places});
        }
    }
    if (others > 0) {
        text += transferText("fix.otherRemoved", language, {number(others)});
    }
    return text;
}

std::string describeLeftOut(const ImportNote& note, UiLanguage language)
{
    const TransferProblem problem = note.problem.value_or(TransferProblem::EmptyName);
    std::string key = "problem." + std::string(transferProblemName(problem));
    std::string detail = note.detail;
    if (problem == TransferProblem::MissingField) {
        key = note.detail == "name" ? "problem.MissingName" : "problem.MissingFigure";
    } else if (problem == TransferProblem::RowTooLong) {
        detail = number(static_cast<long>(MaxRecordBytes));
    } else if (problem == TransferProblem::EmptyName) {
        detail = inQuotes(note.written);
    }
    return transferText(key, language, {detail, number(note.count), number(note.expected)});
}

std::string describeNote(const ImportNote& note, UiLanguage language, bool dryRun)
{
    std::string text = transferText("line", language, {number(note.line)});
    if (!note.problem) {
        text += transferText(dryRun ? "keptAsDry" : "keptAs", language, {inQuotes(note.written), inQuotes(note.name)});
        return text + describeCorrections(note, language);
    }
    if (!note.written.empty()) {
        text += inQuotes(note.written) + " ";
    }
    return text + transferText(dryRun ? "leftOutDry" : "leftOut", language, {}) + describeLeftOut(note, language);
}

std::string describeFileProblem(const TransferItem& problem, UiLanguage language)
{
    const TransferProblem what = problem.problem.value_or(TransferProblem::ReadFailed);
    const bool placed = problem.line > 0 && what != TransferProblem::EmptyFile && what != TransferProblem::NoSuchFile &&
                        what != TransferProblem::IsFolder && what != TransferProblem::NotAFile &&
                        what != TransferProblem::CannotOpen;
    const std::string at = placed ? transferText("line", language, {number(problem.line)}) : std::string();
    return at + transferText("file." + std::string(transferProblemName(what)), language, {problem.detail});
}

std::string describeStoreProblem(StoreProblem problem, const std::string& filePath, UiLanguage language)
{
    const bool named = problem == StoreProblem::NotADatabase || problem == StoreProblem::MissingFields ||
                       problem == StoreProblem::UnusableTable || problem == StoreProblem::ReadOnly ||
                       problem == StoreProblem::Locked || problem == StoreProblem::NotOpen;
    return transferText(named ? "store." + std::string(storeProblemName(problem)) : std::string("store.Failed"),
                        language, {filePath});
}

std::vector<std::string> describeSummaryLines(const ImportSummary& summary, UiLanguage language)
{
    const bool dry = summary.dryRun;
    std::vector<std::string> lines;
    lines.push_back(transferText(dry ? "count.writtenDry" : "count.written", language, {number(summary.written)}) +
                    transferText("count.corrected", language, {number(summary.corrected)}));
    lines.push_back(transferText("count.already", language, {number(summary.alreadyThere)}));
    lines.push_back(transferText(dry ? "count.leftOutDry" : "count.leftOut", language, {number(summary.leftOut)}));
    lines.push_back(transferText("count.read", language, {number(summary.rows())}) +
                    (dry ? transferText("dryRun", language, {}) : std::string()));
    if (summary.readAsWindows1252) {
        lines.push_back(transferText("readAsWindows1252", language, {}));
    }
    return lines;
}

std::string describeSummary(const ImportSummary& summary, UiLanguage language)
{
    std::string text;
    for (const std::string& line : describeSummaryLines(summary, language)) {
        text += text.empty() ? "" : "; ";
        text += line;
    }
    return text;
}

} // namespace quorvel::store
