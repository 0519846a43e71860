// Feeds any bytes to quorvel-code's line handling, cut into pieces at places chosen by the input itself:
// one report per line whatever the cuts, valid UTF-8 JSON lines out, no crash.
#include "cli/CodeReport.h"
#include "core/Unicode.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace quorvel;

namespace {

void check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

bool validUtf8(std::string_view text)
{
    const std::u32string decoded = decodeUtf8(text);
    for (char32_t c : decoded) {
        if (c >= 0xDC80 && c <= 0xDCFF) {
            return false;
        }
    }
    return true;
}

std::string run(std::string_view stream, std::size_t cut, std::size_t& lines)
{
    std::string out;
    cli::CodeReporter reporter(
        UiLanguage::English, true,
        [&out](std::string_view block) {
            out.append(block);
            return true;
        },
        [](std::string_view) { return true; });
    cli::LineSplitter splitter(256);
    lines = 0;
    auto onLine = [&](std::string_view line, bool overLong) {
        ++lines;
        if (overLong) {
            reporter.rejectInput();
        } else {
            reporter.codeInput(line);
        }
    };
    const std::size_t step = cut == 0 ? stream.size() + 1 : cut;
    for (std::size_t at = 0; at < stream.size(); at += step) {
        splitter.feed(stream.substr(at, step), onLine);
    }
    splitter.finish(onLine);
    check(reporter.flush());
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const std::size_t cut = data[0] % 17;
    const std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::size_t lines = 0;
    const std::string whole = run(stream, 0, lines);
    std::size_t cutLines = 0;
    const std::string pieces = run(stream, cut, cutLines);
    check(whole == pieces && lines == cutLines);
    check(validUtf8(whole));
    std::size_t newlines = 0;
    for (char c : whole) {
        newlines += c == '\n' ? 1 : 0;
    }
    check(newlines == lines); // exactly one JSON object per input line
    return 0;
}
