// Feeds any bytes to the favourites import readers, CSV or JSON and the encoding as the first byte says, handed
// over in pieces whose size the first byte also chooses: no crash, nothing held beyond the record limit, lines that
// never go back, nothing after a problem with the whole file, and the same rows and problems as when the input comes
// all at once.
#include "store/TransferFormat.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using namespace quorvel;
using namespace quorvel::store;

namespace {

void check(bool condition, int line = __builtin_LINE())
{
    if (!condition) {
        std::fprintf(stderr, "check failed at line %d\n", line);
        std::abort();
    }
}

std::vector<std::string> readAll(TransferFormat format, TextEncoding encoding, std::string_view input,
                                 std::size_t piece)
{
    std::size_t at = 0;
    TransferReader reader(
        format,
        [&](char* buffer, std::size_t size) -> long {
            const std::size_t n = std::min({size, piece, input.size() - at});
            std::memcpy(buffer, input.data() + at, n);
            at += n;
            return static_cast<long>(n);
        },
        encoding);
    std::vector<std::string> items;
    TransferItem item;
    long lastLine = 0;
    bool fileProblem = false;
    // Unless the text is taken as UTF-8 (asked for, or a byte order mark says so), what is read is always text.
    const bool alwaysText = encoding == TextEncoding::Windows1252 ||
                            (encoding == TextEncoding::Auto && input.substr(0, 3) != "\xEF\xBB\xBF");
    while (reader.next(item)) {
        check(!fileProblem);
        // Read as Windows-1252, a byte can take up to three bytes of UTF-8.
        check(item.name.size() <= 3 * MaxRecordBytes && item.figure.size() <= 3 * MaxRecordBytes);
        check(!alwaysText || (isValidUtf8(item.name) && isValidUtf8(item.figure)));
        check(item.line >= lastLine && item.line >= 1);
        check(items.size() <= input.size() + 1);
        lastLine = item.line;
        fileProblem = item.problem && isFileProblem(*item.problem);
        figureFromText(item.figure);
        items.push_back(std::to_string(item.line) + (item.problem ? std::string(transferProblemName(*item.problem))
                                                                  : item.name + '\n' + item.figure));
    }
    return items;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const TransferFormat format = (data[0] & 1) != 0 ? TransferFormat::Json : TransferFormat::Csv;
    const TextEncoding encoding = (data[0] & 6) == 0   ? TextEncoding::Utf8
                                  : (data[0] & 6) == 2 ? TextEncoding::Windows1252
                                                       : TextEncoding::Auto;
    const std::size_t piece = 1 + (data[0] >> 3);
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    check(readAll(format, encoding, input, piece) == readAll(format, encoding, input, input.size() + 1));
    return 0;
}
