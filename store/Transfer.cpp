#include "store/Transfer.h"

#include "core/Unicode.h"
#include "store/FavouritesStore.h"

#include <QFile>
#include <QSaveFile>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace quorvel::store {

namespace {

/// How many corrections of one name the report lists one by one.
constexpr std::size_t ListedCorrections = 5;

/// The corrections the name rules make to a text, found in one pass (the same as validateName, which it
/// mirrors: the kept prefix never changes, so each character is judged once).
void findCorrections(std::u32string_view text, ImportNote& note)
{
    std::size_t kept = 0;
    auto add = [&note](NameNotice notice, int position, char32_t character) {
        ++note.correctionCount;
        if (note.corrections.size() < ListedCorrections) {
            note.corrections.push_back({notice, position, character});
        }
    };
    for (char32_t c : text) {
        if (kept == 0 && c == U'-') {
            add(NameNotice::LeadingHyphen, 1, c);
        } else if (!isNameSymbol(c)) {
            add(NameNotice::InvalidCharacter, static_cast<int>(kept + 1), c);
        } else {
            ++kept;
        }
    }
    if (kept > static_cast<std::size_t>(MaxNameLength)) {
        add(NameNotice::TooLong, 0, 0);
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
    return "\"" + shown(text) + "\"";
}

/// One removed character as the report names it.
std::string characterName(char32_t c)
{
    char text[32];
    if (c >= 0xDC80 && c <= 0xDCFF) {
        std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(c - 0xDC00));
        return text;
    }
    if (c < 0x20 || c == 0x7F || c == U' ' || (c >= 0x80 && c < 0xA0)) {
        std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
        return text;
    }
    std::string out = "\"";
    appendUtf8(out, c, RawBytes::Replacement);
    return out + "\"";
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

bool writeAllTo(int fd, std::string_view data, std::string& error)
{
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = std::strerror(errno);
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
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

ImportSummary importFavourites(FavouritesStore& store, TransferReader& reader, bool dryRun,
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
        while (reader.next(item)) {
            if (item.problem && isFileProblem(*item.problem)) {
                summary = ImportSummary{};
                summary.dryRun = dryRun;
                summary.fileProblem = item;
                return summary;
            }
            ImportNote row;
            row.line = item.line;
            row.written = shown(item.name);
            if (item.problem) {
                row.problem = item.problem;
                row.detail = item.detail;
                row.count = item.count;
                row.expected = item.expected;
                ++summary.refused;
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
                ++summary.refused;
                note(row);
                continue;
            }
            row.name = encodeUtf8(kept);
            findCorrections(wide, row);
            if (row.correctionCount > 0) {
                note(row);
            }
            insert.bind(1, row.name);
            insert.bind(2, std::string(1, figureLetter(*kind)));
            insert.bind(3, row.correctionCount > 0 ? 1 : 0);
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
        } else if (staged.getColumn(2).getInt() != 0) {
            ++summary.corrected;
        } else {
            ++summary.kept;
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
            summary.written = true;
        } catch (const StoreFailure& failure) {
            // Nothing was written: the rows that would have been added are not counted as such.
            summary.kept = summary.corrected = summary.alreadyThere = 0;
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
        summary.kept = summary.corrected = summary.alreadyThere = 0;
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
        summary.kept = summary.corrected = summary.alreadyThere = 0;
        summary.storeProblem = failure.problem();
        summary.storeDetail = failure.what();
    }
    return summary;
}

ImportSummary importFile(FavouritesStore& store, const QString& path, std::optional<TransferFormat> format, bool dryRun,
                         const std::function<void(const ImportNote&)>& note)
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
        long got = 0;
        do {
            got = ::read(input.fd, head.data(), head.size());
        } while (got < 0 && errno == EINTR);
        head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        format = sniffFormat(head);
    }
    const int fd = input.fd;
    std::size_t headUsed = 0;
    TransferReader reader(*format, [fd, &head, &headUsed](char* buffer, std::size_t size) -> long {
        if (headUsed < head.size()) {
            const std::size_t n = std::min(size, head.size() - headUsed);
            std::memcpy(buffer, head.data() + headUsed, n);
            headUsed += n;
            return static_cast<long>(n);
        }
        return ::read(fd, buffer, size);
    });
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
        std::string error;
        ExportSummary summary = exportFavourites(
            store, format, [&error](std::string_view data) { return writeAllTo(STDOUT_FILENO, data, error); });
        if (!error.empty()) {
            summary.outputError = error;
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

std::string describeNote(const ImportNote& note, UiLanguage language)
{
    const bool es = language == UiLanguage::Spanish;
    std::string text = (es ? "línea " : "line ") + number(note.line) + ": ";
    if (!note.problem) {
        text += inQuotes(note.written) + (es ? " se guarda como " : " kept as ") + inQuotes(note.name) + ": ";
        bool first = true;
        for (const ImportNote::Correction& c : note.corrections) {
            text += first ? "" : "; ";
            first = false;
            switch (c.notice) {
            case NameNotice::LeadingHyphen:
                text += es ? "se quita un guion inicial" : "a leading hyphen removed";
                break;
            case NameNotice::InvalidCharacter:
                text += characterName(c.character) + (es ? " quitado en la posición " : " removed at position ") +
                        number(c.position);
                break;
            case NameNotice::TooLong:
                text += es ? "cortado a 40 caracteres" : "cut to 40 characters";
                break;
            }
        }
        const long more = note.correctionCount - static_cast<long>(note.corrections.size());
        if (more > 0) {
            text += es ? "; y " + number(more) + " correcciones más" : "; and " + number(more) + " more corrections";
        }
        return text;
    }
    text += es ? "rechazada: " : "refused: ";
    switch (*note.problem) {
    case TransferProblem::UnclosedQuote:
        text += es ? "un campo entre comillas no se cierra antes del final del archivo"
                   : "a quoted field is not closed before the end of the file";
        break;
    case TransferProblem::TextAfterQuote:
        text += es ? "hay texto tras las comillas que cierran un campo" : "text follows the quote that closes a field";
        break;
    case TransferProblem::FieldCount:
        text += es ? number(note.count) + " campos, y la cabecera tiene " + number(note.expected)
                   : number(note.count) + " fields where the header has " + number(note.expected);
        break;
    case TransferProblem::MissingField:
        text += note.detail == "name" ? (es ? "falta el nombre" : "the name is missing")
                                      : (es ? "falta la figura" : "the figure is missing");
        break;
    case TransferProblem::RowTooLong:
        text += es ? "la fila pasa de " + number(MaxRecordBytes) + " bytes"
                   : "the row is longer than " + number(MaxRecordBytes) + " bytes";
        break;
    case TransferProblem::NotAString:
        text += es ? "\"" + note.detail + "\" no es un texto" : "\"" + note.detail + "\" is not a text";
        break;
    case TransferProblem::DuplicateKey:
        text += es ? "\"" + note.detail + "\" aparece dos veces" : "\"" + note.detail + "\" appears twice";
        break;
    case TransferProblem::NotAnObject:
        text += es ? "no es un objeto con nombre y figura" : "not an object with a name and a figure";
        break;
    case TransferProblem::JsonSyntax:
        text += es ? "la línea no es JSON válido" : "the line is not valid JSON";
        break;
    case TransferProblem::UnknownFigure:
        text += es ? "figura desconocida \"" + note.detail + "\" (use r, c, t o p)"
                   : "unknown figure \"" + note.detail + "\" (use r, c, t or p)";
        break;
    case TransferProblem::EmptyName:
        text += es ? "no queda nada del nombre " + inQuotes(note.written) + " tras corregirlo"
                   : "nothing is left of the name " + inQuotes(note.written) + " once corrected";
        break;
    default:
        text += std::string(transferProblemName(*note.problem));
        break;
    }
    return text;
}

std::string describeFileProblem(const TransferItem& problem, UiLanguage language)
{
    const bool es = language == UiLanguage::Spanish;
    const std::string at = problem.line > 0 ? (es ? "línea " : "line ") + number(problem.line) + ": " : "";
    switch (problem.problem.value_or(TransferProblem::ReadFailed)) {
    case TransferProblem::NotText:
        return at + (es ? "el archivo tiene un byte nulo: no es texto UTF-8"
                        : "the file holds a NUL byte: it is not UTF-8 text");
    case TransferProblem::Utf16:
        return at +
               (es ? "el archivo es texto UTF-16: guárdelo como UTF-8" : "the file is UTF-16 text: save it as UTF-8");
    case TransferProblem::HeaderMissing:
        return at + (es ? "falta la cabecera name,figure,address" : "the header name,figure,address is missing");
    case TransferProblem::HeaderRepeated:
        return at + (es ? "la cabecera nombra dos veces la columna " : "the header names the column twice: ") +
               problem.detail;
    case TransferProblem::BadJson:
        return at + (es ? "el JSON no es válido" : "the JSON is not valid");
    case TransferProblem::TooDeep:
        return at + (es ? "el JSON anida demasiados niveles" : "the JSON nests too deep");
    case TransferProblem::EmptyFile:
        return es ? "el archivo está vacío" : "the file is empty";
    case TransferProblem::ReadFailed:
        return at + (es ? "no se ha podido leer el archivo: " : "the file could not be read: ") + problem.detail;
    case TransferProblem::NoSuchFile:
        return es ? "el archivo no existe" : "there is no such file";
    case TransferProblem::IsFolder:
        return es ? "es una carpeta, no un archivo" : "it is a folder, not a file";
    case TransferProblem::NotAFile:
        return es ? "no es un archivo normal (una tubería o un dispositivo)"
                  : "it is not a regular file (a pipe or a device)";
    case TransferProblem::CannotOpen:
        return (es ? "no se ha podido abrir el archivo: " : "the file cannot be opened: ") + problem.detail;
    default:
        return at + std::string(transferProblemName(*problem.problem));
    }
}

std::string describeStoreProblem(StoreProblem problem, const std::string& filePath, UiLanguage language)
{
    const bool es = language == UiLanguage::Spanish;
    switch (problem) {
    case StoreProblem::NotADatabase:
        return es ? "el archivo " + filePath + " no es una base de datos de favoritos; no se ha modificado"
                  : "the file " + filePath + " is not a favorites database; it has not been changed";
    case StoreProblem::MissingFields:
        return es ? "la tabla \"adreca i figura\" de " + filePath +
                        " no tiene los campos Nom y Figura; no se ha modificado"
                  : "the table \"adreca i figura\" of " + filePath +
                        " has no fields Nom and Figura; it has not been changed";
    case StoreProblem::ReadOnly:
        return es ? "no se puede escribir en el archivo " + filePath : "the file " + filePath + " cannot be written";
    case StoreProblem::Locked:
        return es ? "el archivo " + filePath + " está en uso por otro programa; inténtelo más tarde"
                  : "the file " + filePath + " is in use by another program; try again later";
    case StoreProblem::NotOpen:
        return es ? "no se ha podido abrir el archivo " + filePath : "the file " + filePath + " could not be opened";
    case StoreProblem::NoRecord:
    case StoreProblem::Failed:
        break;
    }
    return es ? "no se ha podido usar el archivo " + filePath : "the file " + filePath + " could not be used";
}

std::string describeSummary(const ImportSummary& summary, UiLanguage language)
{
    const bool es = language == UiLanguage::Spanish;
    std::string text =
        es ? "guardados " + number(summary.kept) + ", corregidos " + number(summary.corrected) + ", ya estaban " +
                 number(summary.alreadyThere) + ", rechazados " + number(summary.refused)
           : "kept " + number(summary.kept) + ", corrected " + number(summary.corrected) + ", already there " +
                 number(summary.alreadyThere) + ", refused " + number(summary.refused);
    if (summary.dryRun) {
        text += es ? " (prueba: no se ha escrito nada)" : " (dry run: nothing written)";
    }
    return text;
}

} // namespace quorvel::store
