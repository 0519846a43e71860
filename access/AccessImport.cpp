#include "access/AccessImport.h"

#include "core/TextTable.h"
#include "core/Unicode.h"
#include "store/FavouritesStore.h"
#include "store/TransferFormat.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quorvel::access {

namespace {

/// The only figures a window ever shows, compared exactly.
bool isFigureLetter(std::string_view figure)
{
    return figure == "r" || figure == "c" || figure == "t" || figure == "p";
}

/// Put before a figure that no window shows: no figure the import knows starts with it.
constexpr char FigureMark[] = "\x01";

/// A text on one line: the bytes no name or figure may hold and that would break the line (NUL, CR, LF)
/// become U+FFFD, which the name rules remove like any other character a name may not hold.
std::string oneLineText(std::string_view name)
{
    std::string clean;
    clean.reserve(name.size());
    for (char c : name) {
        if (c == '\0' || c == '\r' || c == '\n') {
            clean += "\xEF\xBF\xBD";
        } else {
            clean += c;
        }
    }
    return clean;
}

std::string oneLineField(std::string_view name)
{
    return store::csvField(oneLineText(name));
}

} // namespace

AccessImportSummary importAccessFile(store::FavouritesStore& store, const QString& accessPath, bool dryRun,
                                     const std::function<void(const store::ImportNote&)>& note,
                                     const ReaderSettings& settings)
{
    AccessImportSummary result;
    AccessTableReader reader(accessPath, settings.program, settings.timeLimitMs);
    if (!reader.start()) {
        result.readFailure = reader.failure();
        result.summary.dryRun = dryRun;
        return result;
    }

    // The records reach the import as CSV, one record a line after the header, so record n is line n + 1.
    // A figure that is not exactly one of the four letters reaches it marked, so that the import refuses the
    // record, counts it and reports it like any other, while the import's own leniency (upper case, class
    // names) never applies to it.
    std::string pending = "name,figure\n";
    std::size_t used = 0;
    bool ended = false;
    auto read = [&](char* buffer, std::size_t size) -> long {
        AccessRecord row;
        while (pending.size() - used < size && !ended) {
            if (!reader.next(row)) {
                ended = true;
                break;
            }
            pending += oneLineField(row.name);
            pending += ',';
            if (isFigureLetter(row.figure)) {
                pending += row.figure;
            } else if (!row.figure.empty()) {
                // Built by appending: GCC 12 misreads "..." + std::string in Release builds as an overlapping copy.
                std::string marked(FigureMark);
                marked += oneLineText(row.figure);
                pending += store::csvField(marked);
            }
            pending += '\n';
        }
        if (used == pending.size() && ended && reader.failure()) {
            errno = EIO;
            return -1;
        }
        const std::size_t n = std::min(size, pending.size() - used);
        std::memcpy(buffer, pending.data() + used, n);
        used += n;
        if (used == pending.size()) {
            pending.clear();
            used = 0;
        }
        return static_cast<long>(n);
    };
    store::TransferReader rows(store::TransferFormat::Csv, read);
    result.summary = store::importFavourites(store, rows, dryRun, [&](const store::ImportNote& row) {
        store::ImportNote shifted = row;
        shifted.line = row.line - 1;
        if (row.problem == store::TransferProblem::UnknownFigure) {
            ++result.leftOutFigure;
            const std::string shownMark = "\\x01";
            if (shifted.detail.rfind(shownMark, 0) == 0) {
                shifted.detail.erase(0, shownMark.size());
            }
        } else if (row.problem == store::TransferProblem::MissingField && row.detail == "figure") {
            ++result.leftOutFigure;
            shifted.problem = store::TransferProblem::UnknownFigure;
            shifted.detail.clear();
        }
        note(shifted);
    });
    if (reader.failure()) {
        result.readFailure = reader.failure();
        result.summary = store::ImportSummary{};
        result.summary.dryRun = dryRun;
        result.leftOutFigure = 0;
        return result;
    }
    return result;
}

std::string accessText(std::string_view key, UiLanguage language, std::initializer_list<std::string> values)
{
    const std::string_view pattern = findText("access", key, language).value_or(key);
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

std::string describeReadFailure(const ReadFailure& failure, const std::string& filePath, UiLanguage language)
{
    std::string detail = failure.detail;
    if (failure.problem == ReadProblem::TimedOut) {
        detail = std::to_string(ReadingTimeLimitMs / 1000);
    }
    return accessText(
        "cannotRead", language,
        {filePath, accessText(std::string("reason.") + readProblemName(failure.problem), language, {detail})});
}

std::string describeAccessNote(const store::ImportNote& note, UiLanguage language)
{
    const std::string at = accessText("record", language, {std::to_string(note.line)});
    if (note.problem && *note.problem == store::TransferProblem::EmptyName && note.written.empty()) {
        return at + accessText("noName", language, {});
    }
    if (note.problem && *note.problem == store::TransferProblem::UnknownFigure) {
        std::string shownName;
        for (char32_t c : decodeUtf8(note.written)) {
            appendUtf8(shownName, c < 0x20 ? U'\uFFFD' : c, RawBytes::Replacement);
        }
        if (note.detail.empty()) {
            return at + accessText("noFigure", language, {shownName});
        }
        std::string figure;
        for (char32_t c : decodeUtf8(note.detail)) {
            appendUtf8(figure, c < 0x20 ? U'\uFFFD' : c, RawBytes::Replacement);
        }
        return at + accessText("otherFigure", language, {shownName, figure});
    }
    // The rest reads as for any import, with the record in place of the line.
    std::string text = store::describeNote(note, language);
    const std::string line = store::transferText("line", language, {std::to_string(note.line)});
    if (text.rfind(line, 0) == 0) {
        text = at + text.substr(line.size());
    }
    return text;
}

} // namespace quorvel::access
