// quorvel-code: corrects names to the rules for a domain name and prints their addresses.

#include "cli/Check.h"
#include "cli/CodeArguments.h"
#include "cli/CodeReport.h"
#include "cli/Streams.h"
#include "core/CommandLine.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

int main(int argc, char** argv)
{
    using namespace quorvel::cli;

    holdClosedStandardStreams();

    std::vector<std::string_view> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }
    const ParsedArguments parsed = parseArguments(args);
    const CheckArguments check = parsed.error.empty() ? checkArguments(parsed.options) : CheckArguments{};
    if (!parsed.error.empty() || !check.error.empty()) {
        writeAll(STDERR_FILENO,
                 quorvel::commandline::errorLine("quorvel-code", parsed.error.empty() ? check.error : parsed.error));
        return 2;
    }
    const Options& options = parsed.options;
    if (options.help) {
        return writeAll(STDOUT_FILENO, std::string(usageText()) + std::string(checkUsageText())) ? 0 : 1;
    }
    if (options.version) {
        return writeAll(STDOUT_FILENO, versionText()) ? 0 : 1;
    }
    if (check.options.check) {
        return runCheck(argc, argv, options, check.options);
    }

    // The two outputs fail separately: a notice that cannot be written costs only that notice.
    int outError = 0;
    CodeReporter reporter(options.language, options.json, descriptorSink(STDOUT_FILENO, &outError),
                          descriptorSink(STDERR_FILENO));

    bool readFailed = false;
    if (!options.names.empty()) {
        for (const std::string& name : options.names) {
            reporter.codeInput(name);
            if (reporter.outputFailed()) {
                break; // the answers cannot be written; stop early
            }
        }
    } else {
        LineSplitter lines;
        auto onLine = [&reporter](std::string_view line, bool overLong) {
            if (overLong) {
                reporter.rejectInput();
            } else {
                reporter.codeInput(line);
            }
        };
        std::vector<char> chunk(1 << 20);
        for (;;) {
            // Waits through interrupted reads and through an input left non-blocking that is empty for now.
            const long got = readSome(STDIN_FILENO, chunk.data(), chunk.size());
            if (got < 0) {
                complain(std::string("cannot read standard input: ") + std::strerror(errno));
                readFailed = true;
                break;
            }
            if (got == 0) {
                break;
            }
            lines.feed(std::string_view(chunk.data(), static_cast<std::size_t>(got)), onLine);
            if (reporter.outputFailed()) {
                break; // the answers cannot be written; stop early
            }
        }
        lines.finish(onLine);
    }

    // A failed error output cannot carry a message of its own; the exit status tells it.
    const bool written = reporter.flush();
    if (reporter.outputFailed()) {
        complain(std::string("cannot write standard output: ") + std::strerror(outError));
    }
    return (!written || readFailed || reporter.rejectedCount() > 0) ? 1 : 0;
}
