#include "stored_zip.h"

#include <zlib.h>

#include <cstdint>
#include <fstream>

namespace ostrel::test {
namespace {

void put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

} // namespace

bool writeStoredZip(const std::filesystem::path& archive,
                    const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string body;
    std::string directory;
    for (const auto& [name, content] : entries) {
        const auto crc = static_cast<std::uint32_t>(crc32(
            0, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size())));
        const auto size = static_cast<std::uint32_t>(content.size());
        const auto offset = static_cast<std::uint32_t>(body.size());
        const auto nameLength = static_cast<std::uint32_t>(name.size());
        put32(body, 0x04034b50);
        put16(body, 20);
        put16(body, 0);
        put16(body, 0); // stored
        put16(body, 0);
        put16(body, 0x21);
        put32(body, crc);
        put32(body, size);
        put32(body, size);
        put16(body, nameLength);
        put16(body, 0);
        body += name;
        body += content;

        put32(directory, 0x02014b50);
        put16(directory, 20);
        put16(directory, 20);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0x21);
        put32(directory, crc);
        put32(directory, size);
        put32(directory, size);
        put16(directory, nameLength);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put32(directory, 0);
        put32(directory, offset);
        directory += name;
    }
    std::string end;
    put32(end, 0x06054b50);
    put16(end, 0);
    put16(end, 0);
    put16(end, static_cast<std::uint32_t>(entries.size()));
    put16(end, static_cast<std::uint32_t>(entries.size()));
    put32(end, static_cast<std::uint32_t>(directory.size()));
    put32(end, static_cast<std::uint32_t>(body.size()));
    put16(end, 0);
    std::ofstream out(archive, std::ios::binary | std::ios::trunc);
    out << body << directory << end;
    return static_cast<bool>(out.flush());
}

} // namespace ostrel::test
