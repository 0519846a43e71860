// quorvel-access-reader FILE: reads the favourites table of an Access (Jet) file with mdbtools' library and
// writes its records to standard output in the framed form of access/AccessFrames.h.
//
// The library is not hardened against damaged files, so this runs in a process of its own, started by
// access/AccessReader with a time limit: whatever goes wrong here ends this process only. The file is opened
// read only and nothing else is touched.

#include "access/AccessFrames.h"

#include <glib.h>
// mdbtools.h opens an extern "C" block around its own includes: glib comes first, as C++ expects.
#include <mdbtools.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using namespace quorvel::access;

namespace {

/// The most one field may hold when bound; longer memo texts come cut to this, which is still longer than any
/// row an import takes. The library allocates this much for every value it converts, so it is kept small.
constexpr std::size_t BindBytes = 65 * 1024;

std::string out;

void flushOut()
{
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            std::_Exit(ReaderExitOutput);
        }
        done += static_cast<std::size_t>(n);
    }
    out.clear();
}

void putNumber(std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

void putText(std::string_view text)
{
    putNumber(static_cast<std::uint32_t>(text.size()));
    out += text;
}

/// Ends the process once the answer is out, without the library's clean-up: what it holds goes with the
/// process, and tearing down the structures read from a damaged file could still fault.
[[noreturn]] void finish(int status)
{
    flushOut();
    std::_Exit(status);
}

[[noreturn]] void fail(ReaderFailure failure, std::string_view detail)
{
    out += static_cast<char>(FrameFailure);
    out += static_cast<char>(failure);
    putText(detail);
    finish(ReaderExitFailure);
}

/// Access compares object names without regard to letter case.
bool sameName(const char* a, std::string_view b)
{
    const std::size_t length = std::strlen(a);
    if (length != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (g_ascii_tolower(a[i]) != g_ascii_tolower(b[i])) {
            return false;
        }
    }
    return true;
}

/// Hostile files must not take the machine with them: a bounded address space, no core file.
void limitResources()
{
#ifndef __SANITIZE_ADDRESS__ // AddressSanitizer reserves far more address space than this at start
    rlimit memory{};
    memory.rlim_cur = memory.rlim_max = static_cast<rlim_t>(1024) * 1024 * 1024;
    ::setrlimit(RLIMIT_AS, &memory);
#endif
    rlimit core{};
    ::setrlimit(RLIMIT_CORE, &core);
}

} // namespace

int main(int argc, char** argv)
{
    limitResources();
    if (argc != 2) {
        std::fputs("usage: quorvel-access-reader FILE\n", stderr);
        return ReaderExitUsage;
    }
    out += std::string_view(FrameMagic, sizeof FrameMagic - 1);

    MdbHandle* mdb = mdb_open(argv[1], MDB_NOFLAGS);
    if (mdb == nullptr) {
        fail(ReaderFailure::NotAccess, "");
    }
    mdb_set_bind_size(mdb, BindBytes);
    GPtrArray* catalog = mdb_read_catalog(mdb, MDB_TABLE);
    if (catalog == nullptr) {
        fail(ReaderFailure::NoCatalog, "");
    }
    MdbCatalogEntry* found = nullptr;
    for (guint i = 0; i < catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
        if (entry->object_type == MDB_TABLE && sameName(entry->object_name, FavouritesTable)) {
            found = entry;
            break;
        }
    }
    if (found == nullptr) {
        fail(ReaderFailure::NoTable, "");
    }
    MdbTableDef* table = mdb_read_table(found);
    if (table == nullptr || mdb_read_columns(table) == nullptr) {
        fail(ReaderFailure::NoTable, found->object_name);
    }

    int nameColumn = 0;
    int figureColumn = 0;
    for (guint i = 0; i < table->num_cols; ++i) {
        auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        if (nameColumn == 0 && sameName(column->name, "Nom")) {
            nameColumn = static_cast<int>(i) + 1;
        } else if (figureColumn == 0 && sameName(column->name, "Figura")) {
            figureColumn = static_cast<int>(i) + 1;
        }
    }
    if (nameColumn == 0) {
        fail(ReaderFailure::NoNameField, found->object_name);
    }

    out += static_cast<char>(FrameTable);
    out += static_cast<char>(figureColumn != 0 ? 1 : 0);
    putText(found->object_name);

    // One byte more than the bound size: the library ends each value with a NUL.
    std::vector<char> name(BindBytes + 1);
    std::vector<char> figure(BindBytes + 1);
    int nameLength = 0;
    int figureLength = 0;
    mdb_bind_column(table, nameColumn, name.data(), &nameLength);
    if (figureColumn != 0) {
        mdb_bind_column(table, figureColumn, figure.data(), &figureLength);
    }
    mdb_rewind_table(table);
    std::uint32_t records = 0;
    while (mdb_fetch_row(table)) {
        const auto clamp = [](int length) {
            return static_cast<std::size_t>(length < 0 ? 0 : std::min<std::size_t>(length, BindBytes));
        };
        out += static_cast<char>(FrameRecord);
        putText(std::string_view(name.data(), clamp(nameLength)));
        putText(figureColumn != 0 ? std::string_view(figure.data(), clamp(figureLength)) : std::string_view());
        ++records;
        if (out.size() >= 64 * 1024) {
            flushOut();
        }
    }
    out += static_cast<char>(FrameEnd);
    putNumber(records);
    finish(0);
}
