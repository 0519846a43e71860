#include "core/Unicode.h"
#include "store/TransferFormat.h"

namespace quorvel::store {

namespace {

constexpr std::size_t ChunkBytes = 64 * 1024;

} // namespace

std::string csvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += '"';
    return out;
}

TransferWriter::TransferWriter(TransferFormat format, std::function<bool(std::string_view)> sink)
    : m_format(format), m_sink(std::move(sink))
{}

bool TransferWriter::begin()
{
    m_buffer += m_format == TransferFormat::Csv ? "name,figure,address\r\n" : "[";
    return flush(false);
}

bool TransferWriter::write(std::string_view name, FigureKind kind)
{
    const std::string address = figureAddress(kind, name);
    if (m_format == TransferFormat::Csv) {
        m_buffer += csvField(name);
        m_buffer += ',';
        m_buffer += figureLetter(kind);
        m_buffer += ',';
        m_buffer += csvField(address);
        m_buffer += "\r\n";
    } else {
        m_buffer += m_first ? "\n" : ",\n";
        m_buffer += "{\"name\":";
        m_buffer += jsonString(name);
        m_buffer += ",\"figure\":\"";
        m_buffer += figureLetter(kind);
        m_buffer += "\",\"address\":";
        m_buffer += jsonString(address);
        m_buffer += '}';
    }
    m_first = false;
    return flush(false);
}

bool TransferWriter::end()
{
    if (m_format == TransferFormat::Json) {
        m_buffer += "\n]\n";
    }
    return flush(true);
}

bool TransferWriter::flush(bool force)
{
    if (m_buffer.empty() || (!force && m_buffer.size() < ChunkBytes)) {
        return true;
    }
    const bool written = m_sink(m_buffer);
    m_buffer.clear();
    return written;
}

} // namespace quorvel::store
