#include "engine/formats/KPIcnsLayout.h"

#include <QtEndian>

#include <cstring>

namespace {
struct Kind
{
    char type[5];
    int side;
    int depth;
    bool encoded; // PNG or JPEG 2000 data rather than Apple's own pixels
};

// The icon kinds Qt's reader also knows; masks and the file's other elements (table
// of contents, version, dark variant) are no icons. The 24-bit kinds have an 8-bit mask
// beside them, the 1-bit ones a mask within.
constexpr Kind Kinds[] = {
    {"is32", 16, 32, false},  {"il32", 32, 32, false},  {"ih32", 48, 32, false},
    {"it32", 128, 32, false}, {"ics8", 16, 8, false},   {"icl8", 32, 8, false},
    {"ich8", 48, 8, false},   {"ics4", 16, 4, false},   {"icl4", 32, 4, false},
    {"ich4", 48, 4, false},   {"ics#", 16, 1, false},   {"ICN#", 32, 1, false},
    {"ich#", 48, 1, false},   {"icp4", 16, 32, true},   {"icp5", 32, 32, true},
    {"icp6", 64, 32, true},   {"ic07", 128, 32, true},  {"ic08", 256, 32, true},
    {"ic09", 512, 32, true},  {"ic10", 1024, 32, true}, {"ic11", 32, 32, true},
    {"ic12", 64, 32, true},   {"ic13", 256, 32, true},  {"ic14", 512, 32, true},
};

// Whether `icon` is to be shown rather than `best`.
bool better(const KPIcnsLayout::Icon& icon, const std::optional<KPIcnsLayout::Icon>& best)
{
    using Data = KPIcnsLayout::Data;
    if (!best)
        return true;
    if (icon.side != best->side)
        return icon.side > best->side;
    if (icon.depth != best->depth)
        return icon.depth > best->depth;
    return best->data == Data::Jpeg2000 && icon.data != Data::Jpeg2000;
}

bool startsWith(QByteArrayView data, const char* magic, qsizetype length)
{
    return data.size() >= length && std::memcmp(data.data(), magic, size_t(length)) == 0;
}
} // namespace

std::optional<KPIcnsLayout::Icon> KPIcnsLayout::largest(QByteArrayView bytes, bool encodedOnly)
{
    if (!startsWith(bytes, "icns", 4) || bytes.size() < 8)
        return std::nullopt;
    const qint64 fileLength =
        std::min<qint64>(qFromBigEndian<quint32>(bytes.data() + 4), qint64(bytes.size()));
    std::optional<Icon> best;
    qint64 at = 8;
    while (at + 8 <= fileLength) {
        const qint64 length = qFromBigEndian<quint32>(bytes.data() + at + 4);
        if (length < 8 || at + length > fileLength)
            break; // an element running past the file ends the walk
        const QByteArrayView type = bytes.sliced(at, 4);
        for (const Kind& kind : Kinds) {
            if (type != QByteArrayView(kind.type, 4))
                continue;
            Icon icon{
                QByteArray(kind.type, 4), kind.side, kind.depth, Data::Classic, qsizetype(at + 8),
                qsizetype(length - 8)};
            if (kind.encoded) {
                const QByteArrayView data = bytes.sliced(icon.offset, icon.length);
                if (startsWith(data, "\x89PNG\r\n\x1a\n", 8))
                    icon.data = Data::Png;
                else if (startsWith(data, "\0\0\0\x0cjP  \r\n\x87\n", 12) ||
                         startsWith(data, "\xff\x4f\xff\x51", 4))
                    icon.data = Data::Jpeg2000;
                // Otherwise ARGB packed pixels, which some small kinds also hold.
            }
            if (encodedOnly && icon.data == Data::Classic)
                break;
            if (better(icon, best))
                best = icon;
            break;
        }
        at += length;
    }
    return best;
}
