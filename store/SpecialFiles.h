#pragma once

// Checks of what lies at the favourites file's path before the database engine opens it: the engine's own open
// of a named pipe waits for a writer for ever, and one of a device reads whatever the device gives.

#include <QString>

namespace quorvel::store {

/// Whether path names an ordinary file or nothing at all. Never blocks: stat first, so that a device is not
/// even opened; then a non-blocking open and fstat of what is really there, in case the path was replaced in
/// between. A plain read-only open of a named pipe, which is what the database engine does, waits for a
/// writer for ever.
bool isOrdinaryOrMissing(const QString& path);

} // namespace quorvel::store
