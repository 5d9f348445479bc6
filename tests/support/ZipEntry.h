#pragma once

// Reads one file out of a zip container (an .xlsx workbook), through the central
// directory, for tests that look inside what the tool wrote.
#include <QByteArray>
#include <QFile>

#include <zlib.h>

#include <cstdint>

namespace zip_entry {

inline uint32_t le(const QByteArray& b, qsizetype at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<uint8_t>(b.at(at + i));
    return v;
}

// The entry's bytes, empty when the file or the entry cannot be read.
inline QByteArray read(const QString& zipPath, const QByteArray& name)
{
    QFile file(zipPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray zip = file.readAll();
    const qsizetype end = zip.lastIndexOf(QByteArray("PK\x05\x06", 4));
    if (end < 0 || end + 22 > zip.size())
        return {};
    const int entries = static_cast<int>(le(zip, end + 10, 2));
    qsizetype at = le(zip, end + 16, 4);
    for (int i = 0; i < entries && at + 46 <= zip.size(); ++i) {
        const int method = static_cast<int>(le(zip, at + 10, 2));
        const uint32_t packed = le(zip, at + 20, 4);
        const uint32_t size = le(zip, at + 24, 4);
        const int nameLength = static_cast<int>(le(zip, at + 28, 2));
        const int extra = static_cast<int>(le(zip, at + 30, 2));
        const int comment = static_cast<int>(le(zip, at + 32, 2));
        const uint32_t local = le(zip, at + 42, 4);
        if (zip.mid(at + 46, nameLength) == name) {
            const qsizetype data = local + 30 + le(zip, local + 26, 2) + le(zip, local + 28, 2);
            const QByteArray raw = zip.mid(data, packed);
            if (method == 0)
                return raw;
            QByteArray out(static_cast<qsizetype>(size), '\0');
            z_stream z{};
            if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
                return {};
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
            z.avail_in = static_cast<uInt>(raw.size());
            z.next_out = reinterpret_cast<Bytef*>(out.data());
            z.avail_out = static_cast<uInt>(out.size());
            const int r = inflate(&z, Z_FINISH);
            inflateEnd(&z);
            return r == Z_STREAM_END ? out : QByteArray();
        }
        at += 46 + nameLength + extra + comment;
    }
    return {};
}

} // namespace zip_entry
