#include "engine/KPPngOrientation.h"

#include <QTransform>
#include <QXmlStreamReader>
#include <QtEndian>

#include <cstring>

int KPPngOrientation::of(const QByteArray& png)
{
    if (png.size() < 8 || std::memcmp(png.constData(), "\x89PNG\r\n\x1a\n", 8) != 0)
        return 1;
    int fromXmpPacket = 0;
    qint64 at = 8;
    while (at + 12 <= png.size()) {
        const qint64 length = qFromBigEndian<quint32>(png.constData() + at);
        const QByteArrayView type(png.constData() + at + 4, 4);
        if (length > png.size() - at - 12 || type == "IDAT")
            break; // metadata after the picture data does not count
        const QByteArrayView data(png.constData() + at + 8, length);
        if (type == "eXIf") {
            const int orientation = fromExif(data);
            return orientation >= 1 && orientation <= 8 ? orientation : 1;
        }
        // XMP lives in an uncompressed international text chunk: the keyword, a zero,
        // the compression flag and method, the language and translated keyword each
        // ended by a zero, then the packet.
        static constexpr QByteArrayView XmpKeyword("XML:com.adobe.xmp\0\0", 19);
        if (type == "iTXt" && !fromXmpPacket && data.startsWith(XmpKeyword)) {
            qsizetype text = XmpKeyword.size() + 1; // past the compression method
            for (int zeros = 0; zeros < 2 && text < data.size(); ++text) {
                if (data.at(text) == '\0')
                    ++zeros;
            }
            if (text <= data.size())
                fromXmpPacket = fromXmp(data.sliced(text));
        }
        at += length + 12;
    }
    return fromXmpPacket >= 1 && fromXmpPacket <= 8 ? fromXmpPacket : 1;
}

int KPPngOrientation::fromExif(QByteArrayView exif)
{
    if (exif.size() < 8)
        return 0;
    const bool little = exif.startsWith(QByteArrayView("II*\0", 4));
    if (!little && !exif.startsWith(QByteArrayView("MM\0*", 4)))
        return 0;
    auto read16 = [&](qint64 at) -> quint32 {
        return little ? qFromLittleEndian<quint16>(exif.data() + at)
                      : qFromBigEndian<quint16>(exif.data() + at);
    };
    const qint64 directory = little ? qFromLittleEndian<quint32>(exif.data() + 4)
                                    : qFromBigEndian<quint32>(exif.data() + 4);
    if (directory < 8 || directory + 2 > exif.size())
        return 0;
    const qint64 entries = read16(directory);
    for (qint64 i = 0; i < entries; ++i) {
        const qint64 entry = directory + 2 + i * 12;
        if (entry + 12 > exif.size())
            return 0;
        if (read16(entry) == 0x0112 && read16(entry + 2) == 3) // Orientation, a SHORT
            return int(read16(entry + 8));
    }
    return 0;
}

int KPPngOrientation::fromXmp(QByteArrayView xmp)
{
    static const QString Tiff = QStringLiteral("http://ns.adobe.com/tiff/1.0/");
    QXmlStreamReader reader(xmp.toByteArray());
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.namespaceUri() == Tiff && reader.name() == QLatin1String("Orientation"))
            return reader.readElementText().trimmed().toInt();
        for (const QXmlStreamAttribute& attribute : reader.attributes()) {
            if (attribute.namespaceUri() == Tiff &&
                attribute.name() == QLatin1String("Orientation"))
                return attribute.value().trimmed().toInt();
        }
    }
    return 0;
}

QImage KPPngOrientation::applied(const QImage& stored, int orientation)
{
    switch (orientation) {
    case 2:
        return stored.mirrored(true, false);
    case 3:
        return stored.transformed(QTransform().rotate(180));
    case 4:
        return stored.mirrored(false, true);
    case 5:
        return stored.mirrored(true, false).transformed(QTransform().rotate(270));
    case 6:
        return stored.transformed(QTransform().rotate(90));
    case 7:
        return stored.mirrored(true, false).transformed(QTransform().rotate(90));
    case 8:
        return stored.transformed(QTransform().rotate(270));
    default:
        return stored;
    }
}
