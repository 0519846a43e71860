#include "cli/Streams.h"

#include <unistd.h>

#include <string>

namespace quorvel::cli {

bool complain(std::string_view message)
{
    std::string text = "quorvel-code: ";
    text += message;
    text += '\n';
    return writeAll(STDERR_FILENO, text);
}

} // namespace quorvel::cli
