#pragma once

#include <QString>

#include <string_view>

namespace quorvel::store {

/// Whether bytes begin as an Access database file does (Jet 3, Jet 4 or ACE).
bool hasAccessSignature(std::string_view firstBytes);

/// Whether the regular file at path begins as an Access database file. Reads at most its first bytes and
/// never blocks: a missing file, a folder, a pipe or a device is no Access file.
bool isAccessFile(const QString& path);

} // namespace quorvel::store
