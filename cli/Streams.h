#pragma once

#include "cli/CodeReport.h"
#include "streams/StandardStreams.h"

#include <string_view>

namespace quorvel::cli {

// The writing of the standard streams is shared with the other programs and with the favourites export.
using streams::descriptorSink;
using streams::holdClosedStandardStreams;
using streams::readSome;
using streams::writeAll;

/// Writes "quorvel-code: MESSAGE" as a line on standard error. Returns false when it could not be written.
bool complain(std::string_view message);

} // namespace quorvel::cli
