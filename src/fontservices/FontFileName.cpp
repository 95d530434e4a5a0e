#include "fontservices/FontFileName.h"

#include "fontservices/BigEndian.h"

#include "fontservices/NativePath.h"

#include <algorithm>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FontFileName {

namespace {

bool readExactly(const ReadAt& read, uint64_t offset, unsigned char* buffer, int64_t size)
{
    return read(offset, reinterpret_cast<char*>(buffer), size) == size;
}

// The table and name record counts are 16-bit numbers, so no directory holds more records than
// this. The search does not trust the counts a file gives, but it stops here rather than walk a
// large file to its end 16 bytes at a time.
constexpr uint32_t maxRecords = 65535;

} // namespace

std::string readFullName(const ReadAt& read)
{
    unsigned char header[16];
    // A collection: its first font's offset table holds the directory; table offsets stay
    // relative to the start of the file.
    uint64_t fontStart = 0;
    if (readExactly(read, 0, header, 16) && std::memcmp(header, "ttcf", 4) == 0)
        fontStart = BigEndian::u32(header + 12);

    uint64_t nameOffset = 0;
    bool found = false;
    for (uint32_t i = 0; i < maxRecords && !found; ++i) {
        unsigned char record[16];
        if (!readExactly(read, fontStart + 12 + uint64_t(i) * 16, record, 16))
            return {};
        if (std::memcmp(record, "name", 4) == 0) {
            nameOffset = BigEndian::u32(record + 8);
            found = true;
        }
    }
    if (!found)
        return {};

    unsigned char nameHeader[6];
    if (!readExactly(read, nameOffset, nameHeader, 6))
        return {};
    const uint16_t storageOffset = BigEndian::u16(nameHeader + 4);

    for (uint32_t i = 0; i < maxRecords; ++i) {
        unsigned char record[12];
        if (!readExactly(read, nameOffset + 6 + uint64_t(i) * 12, record, 12))
            return {};
        const uint16_t platform = BigEndian::u16(record);
        const uint16_t nameId = BigEndian::u16(record + 6);
        if (platform != 3 || nameId != 4)
            continue;
        const int64_t length = std::min<int64_t>(BigEndian::u16(record + 8), nameBufferBytes);
        const uint64_t at = nameOffset + storageOffset + BigEndian::u16(record + 10);
        char text[nameBufferBytes];
        const int64_t got = std::max<int64_t>(0, std::min(read(at, text, length), length));
        // The low byte of each whole unit; a trailing half unit is no character.
        std::string name;
        for (int64_t unit = 0; unit + 1 < got; unit += 2) {
            if (text[unit + 1] == '\0')
                break;
            name.push_back(text[unit + 1]);
        }
        return name;
    }
    return {};
}

} // namespace FontFileName

QString ReadFullFontName(const QString& path)
{
    // Opened without waiting, so that a pipe or a device never blocks; then only a regular file
    // is read.
    const int fd = ::open(NativePath::toNative(path).constData(),
                          O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return {};
    }
    const auto size = uint64_t(info.st_size);
    const FontFileName::ReadAt read = [fd, size](uint64_t offset, char* buffer, int64_t n) {
        if (offset >= size || n <= 0)
            return int64_t(0);
        const ssize_t got = ::pread(
            fd, buffer, size_t(std::min<uint64_t>(uint64_t(n), size - offset)), off_t(offset));
        return int64_t(got);
    };
    const std::string name = FontFileName::readFullName(read);
    ::close(fd);
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

QString ReadFullFontNameFromData(const QByteArray& data)
{
    const auto size = uint64_t(data.size());
    const FontFileName::ReadAt read = [&data, size](uint64_t offset, char* buffer, int64_t n) {
        if (offset >= size || n <= 0)
            return int64_t(0);
        const auto got = int64_t(std::min<uint64_t>(uint64_t(n), size - offset));
        std::memcpy(buffer, data.constData() + offset, size_t(got));
        return got;
    };
    const std::string name = FontFileName::readFullName(read);
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
}
