#include "engine/KPSecondReader.h"

#include "engine/formats/KPIcnsLayout.h"

#include <QtEndian>

#include <bit>
#include <cstring>

QByteArray KPSecondReader::coderFor(const QByteArray& formatHint)
{
    static const struct
    {
        const char* type;
        const char* coder;
    } coders[] = {
        {"bmp", "BMP"},   {"ico", "ICO"},   {"icns", "ICNS"}, {"tif", "TIFF"},
        {"tiff", "TIFF"}, {"gif", "GIF"},   {"jpg", "JPEG"},  {"jpeg", "JPEG"},
        {"jpe", "JPEG"},  {"jfif", "JPEG"}, {"png", "PNG"},   {"webp", "WEBP"},
    };
    for (const auto& entry : coders) {
        if (formatHint == entry.type)
            return entry.coder;
    }
    return {};
}

namespace {
bool startsWith(const QByteArray& bytes, const char* magic, qsizetype length)
{
    return bytes.size() >= length && std::memcmp(bytes.constData(), magic, size_t(length)) == 0;
}

quint32 le32(const QByteArray& bytes, qsizetype at)
{
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData()) + at;
    return quint32(data[0]) | quint32(data[1]) << 8 | quint32(data[2]) << 16 |
           quint32(data[3]) << 24;
}

// Qt takes a mask's top 8 bits at most, scaled by 256 / (its largest value + 1), which
// is 0 for a mask of more bits.
bool maskTooWide(quint32 mask)
{
    if (mask == 0)
        return false;
    const quint32 shifted = mask >> std::countr_zero(mask);
    const bool contiguous = (shifted & (shifted + 1)) == 0;
    return !contiguous || std::popcount(mask) > 8;
}

bool bmpMisread(const QByteArray& bytes)
{
    if (bytes.size() < 14 + 40)
        return false; // left to the readers, which turn it away
    const quint32 headerSize = le32(bytes, 14);
    const quint32 compression = le32(bytes, 30);
    // OS/2 2.x headers: 3 means Huffman coding and 4 run-length coded 24-bit pixels there,
    // not colour masks and JPEG data as in Windows' headers.
    if (headerSize == 64)
        return compression == 3 || compression == 4;
    const bool masks = compression == 3 || compression == 6;
    const int bitsPerPixel = uchar(bytes.at(28)) | uchar(bytes.at(29)) << 8;
    if (!masks || (bitsPerPixel != 16 && bitsPerPixel != 32))
        return false;
    // The masks follow a plain 40-byte header, or lie inside a longer one.
    const qsizetype at = 14 + 40;
    const int count = (compression == 6 || headerSize >= 56) ? 4 : 3;
    if (bytes.size() < at + 4 * count)
        return false;
    for (int i = 0; i < count; ++i) {
        if (maskTooWide(le32(bytes, at + 4 * i)))
            return true;
    }
    return false;
}

// Whether the first directory of a TIFF file says its channels are stored apart (planar),
// or that its samples are wider than 16 bits but not the 32-bit floats Qt reads (32-bit
// integers, which Qt's reader turns away).
bool tiffMisread(const QByteArray& bytes)
{
    const bool little = startsWith(bytes, "II*\0", 4);
    if ((!little && !startsWith(bytes, "MM\0*", 4)) || bytes.size() < 8)
        return false;
    auto read16 = [&](qint64 at) -> quint32 {
        const char* p = bytes.constData() + at;
        return little ? qFromLittleEndian<quint16>(p) : qFromBigEndian<quint16>(p);
    };
    auto read32 = [&](qint64 at) -> quint32 {
        const char* p = bytes.constData() + at;
        return little ? qFromLittleEndian<quint32>(p) : qFromBigEndian<quint32>(p);
    };
    // The first value of an entry of SHORT or LONG values, in the entry or where it points.
    auto firstValue = [&](qint64 entry) -> quint32 {
        const quint32 type = read16(entry + 2);
        const qint64 size = type == 3 ? 2 : type == 4 ? 4 : 0;
        const qint64 count = read32(entry + 4);
        if (size == 0 || count == 0)
            return 0;
        const qint64 at = size * count <= 4 ? entry + 8 : qint64(read32(entry + 8));
        if (at + size > bytes.size())
            return 0;
        return size == 2 ? read16(at) : read32(at);
    };
    const qint64 directory = read32(4);
    if (directory < 8 || directory + 2 > bytes.size())
        return false;
    const qint64 entries = read16(directory);
    quint32 bits = 0;
    quint32 sampleFormat = 1; // unsigned integers unless said otherwise
    for (qint64 i = 0; i < entries; ++i) {
        const qint64 entry = directory + 2 + i * 12;
        if (entry + 12 > bytes.size())
            break;
        switch (read16(entry)) {
        case 258: // BitsPerSample
            bits = firstValue(entry);
            break;
        case 284: // PlanarConfiguration
            if (firstValue(entry) == 2)
                return true;
            break;
        case 339: // SampleFormat
            sampleFormat = firstValue(entry);
            break;
        default:
            break;
        }
    }
    return bits > 16 && !(bits == 32 && sampleFormat == 3);
}
} // namespace

bool KPSecondReader::qtMisreads(const QByteArray& bytes)
{
    if (startsWith(bytes, "BM", 2))
        return bmpMisread(bytes);
    if (startsWith(bytes, "II*\0", 4) || startsWith(bytes, "MM\0*", 4))
        return tiffMisread(bytes);
    if (startsWith(bytes, "icns", 4)) {
        const std::optional<KPIcnsLayout::Icon> icon = KPIcnsLayout::largest(bytes);
        return icon && icon->data == KPIcnsLayout::Data::Jpeg2000;
    }
    return false;
}
