#include "engine/KPExifThumbnail.h"

#include "engine/KPPngOrientation.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>

#include <cstdlib>

namespace {

constexpr QByteArrayView ExifSignature("Exif\0\0", 6);

// The TIFF structure of an EXIF block, each read bounded by the block.
class Tiff
{
public:
    explicit Tiff(QByteArrayView data) : m_data(data)
    {
        m_little = data.startsWith(QByteArrayView("II*\0", 4));
        m_valid = m_little || data.startsWith(QByteArrayView("MM\0*", 4));
    }
    bool isValid() const { return m_valid; }
    bool holds(qint64 at, qint64 bytes) const
    {
        return at >= 0 && bytes >= 0 && at <= m_data.size() - bytes;
    }
    quint32 read16(qint64 at) const
    {
        return m_little ? qFromLittleEndian<quint16>(m_data.data() + at)
                        : qFromBigEndian<quint16>(m_data.data() + at);
    }
    quint32 read32(qint64 at) const
    {
        return m_little ? qFromLittleEndian<quint32>(m_data.data() + at)
                        : qFromBigEndian<quint32>(m_data.data() + at);
    }
    // A one-value SHORT or LONG entry's value; -1 for any other.
    qint64 value(qint64 entry) const
    {
        const quint32 type = read16(entry + 2);
        if (read32(entry + 4) != 1)
            return -1;
        if (type == 3)
            return read16(entry + 8);
        if (type == 4)
            return read32(entry + 8);
        return -1;
    }
    QByteArrayView data() const { return m_data; }

private:
    QByteArrayView m_data;
    bool m_little = false;
    bool m_valid = false;
};

// The EXIF block of the first APP1 segment that holds one, before the first scan.
QByteArrayView exifBlock(QByteArrayView jpeg)
{
    if (!jpeg.startsWith(QByteArrayView("\xff\xd8", 2)))
        return {};
    qsizetype at = 2;
    while (at + 4 <= jpeg.size()) {
        if (uchar(jpeg[at]) != 0xff)
            return {};
        const auto marker = uchar(jpeg[at + 1]);
        if (marker == 0xff) { // fill
            ++at;
            continue;
        }
        if (marker == 0xda || marker == 0xd9)
            return {};
        const qsizetype length = qFromBigEndian<quint16>(jpeg.data() + at + 2);
        if (length < 2 || at + 2 + length > jpeg.size())
            return {};
        const QByteArrayView payload = jpeg.sliced(at + 4, length - 2);
        if (marker == 0xe1 && payload.startsWith(ExifSignature))
            return payload.sliced(ExifSignature.size());
        at += 2 + length;
    }
    return {};
}

} // namespace

KPExifThumbnail::Found KPExifThumbnail::find(QByteArrayView jpeg)
{
    const Tiff tiff(exifBlock(jpeg));
    if (!tiff.isValid() || !tiff.holds(4, 4))
        return {};
    Found found;
    const int orientation = KPPngOrientation::fromExif(tiff.data());
    found.orientation = orientation >= 1 && orientation <= 8 ? orientation : 1;
    // The first directory describes the photo; the second, when there is one, its thumbnail.
    const qint64 first = tiff.read32(4);
    if (!tiff.holds(first, 2))
        return {};
    const qint64 firstEnd = first + 2 + 12 * qint64(tiff.read16(first));
    if (!tiff.holds(firstEnd, 4))
        return {};
    const qint64 second = tiff.read32(firstEnd);
    if (second == 0 || second == first || !tiff.holds(second, 2))
        return {};
    const qint64 entries = tiff.read16(second);
    if (!tiff.holds(second + 2, 12 * entries))
        return {};
    qint64 offset = -1;
    qint64 length = -1;
    for (qint64 i = 0; i < entries; ++i) {
        const qint64 entry = second + 2 + 12 * i;
        switch (tiff.read16(entry)) {
        case 0x0103: // Compression: 6 is JPEG; an uncompressed thumbnail is not read
            if (tiff.value(entry) != 6)
                return {};
            break;
        case 0x0201: // JPEGInterchangeFormat
            offset = tiff.value(entry);
            break;
        case 0x0202: // JPEGInterchangeFormatLength
            length = tiff.value(entry);
            break;
        default:
            break;
        }
    }
    if (offset <= 0 || length <= 0 || !tiff.holds(offset, length))
        return {};
    found.bytes = tiff.data().sliced(offset, length);
    return found;
}

QImage KPExifThumbnail::read(QByteArrayView jpeg, QSize upright, QSize box)
{
    if (upright.isEmpty() || box.isEmpty())
        return {};
    const QSize wanted = upright.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    // A photo no larger than the box is decoded whole anyway, at little cost.
    if (wanted.width() >= upright.width() || wanted.height() >= upright.height())
        return {};
    const Found found = find(jpeg);
    if (found.bytes.isEmpty())
        return {};
    QByteArray bytes = found.bytes.toByteArray();
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer, "jpeg");
    // The photo's orientation is the thumbnail's; whatever the thumbnail says of itself is
    // not looked at.
    reader.setAutoTransform(false);
    QSize stored = upright;
    if (KPPngOrientation::swapsSides(found.orientation))
        stored.transpose();
    const QSize size = reader.size();
    if (size.isEmpty())
        return {};
    // The photo's proportions to within a pixel of the thumbnail's.
    const qint64 skew =
        std::llabs(qint64(size.width()) * stored.height() - qint64(size.height()) * stored.width());
    if (skew > std::max(stored.width(), stored.height()))
        return {};
    QSize thumbnailUpright = size;
    if (KPPngOrientation::swapsSides(found.orientation))
        thumbnailUpright.transpose();
    if (thumbnailUpright.width() < wanted.width() || thumbnailUpright.height() < wanted.height())
        return {};
    QImage image = reader.read();
    if (image.isNull())
        return {};
    image = KPPngOrientation::applied(image, found.orientation);
    if (image.size() != wanted)
        image = image.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}
