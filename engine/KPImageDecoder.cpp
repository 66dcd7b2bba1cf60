#include "engine/KPImageDecoder.h"

#include "engine/KPAtomicFile.h"
#include "engine/KPExifThumbnail.h"
#include "engine/KPJpegCodec.h"
#include "engine/KPPath.h"
#include "engine/KPPngOrientation.h"
#include "engine/KPSecondReader.h"
#include "engine/formats/KPDecodeHelper.h"
#include "engine/formats/KPHeifPlugin.h"
#include "engine/formats/KPIcnsLayout.h"
#include "engine/formats/KPIcoLayout.h"
#include "engine/formats/KPPsdLayout.h"
#include "engine/formats/KPRawHandler.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QtEndian>

#include <cstring>

void KPImageDecoder::applyAllocationLimit()
{
    if (QImageReader::allocationLimit() < AllocationLimitMB)
        QImageReader::setAllocationLimit(AllocationLimitMB);
}

QByteArray KPImageDecoder::formatHint(const QString& path)
{
    const QString name = KPPath::fileName(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QByteArray() : name.mid(dot + 1).toLower().toLatin1();
}

bool KPImageDecoder::isRawType(const QByteArray& formatHint)
{
    return KPRawHandler::isRawFormat(formatHint);
}

bool KPImageDecoder::isHeifType(const QByteArray& formatHint)
{
    return KPHeifPlugin::isHeifFormat(formatHint);
}

namespace {
// What one reading gives, before it is made ready for its use.
struct Reading
{
    QImage image;
    QSize size;
    KPFailure failure = KPFailure::None;
};

Reading fromReply(const KPDecodeReply& reply)
{
    return Reading{reply.picture, reply.size, reply.failure};
}

// The reader of the picture of a file Qt reads, chosen by content: the first, or of an
// icon file the largest, where Qt's readers would show the first, often the smallest.
void prepareReader(QImageReader& reader, const QByteArray& bytes)
{
    reader.setAutoTransform(true);
    // Qt's ICO reader, chosen by content, leaves the format unnamed.
    if (const std::optional<int> index = KPIcoLayout::largest(bytes)) {
        if (*index < reader.imageCount())
            reader.jumpToImage(*index);
        return;
    }
    if (reader.format() != "icns")
        return;
    // Qt's reader names each icon by its element's type.
    const std::optional<KPIcnsLayout::Icon> icon = KPIcnsLayout::largest(bytes);
    for (int i = 0; icon && i < reader.imageCount(); ++i) {
        if (reader.jumpToImage(i) && reader.subType() == icon->type)
            return;
    }
    reader.jumpToImage(0);
}

QSize uprightSize(const QImageReader& reader, QSize size)
{
    if (size.isValid() && (reader.transformation() & QImageIOHandler::TransformationRotate90))
        size.transpose();
    return size;
}

bool tooLargeForQt(QSize size)
{
    return size.isValid() &&
           qint64(size.width()) * size.height() * 4 > qint64(QImageReader::allocationLimit()) << 20;
}

// A buffer that stops giving bytes once the run is stopped: every reader that streams its
// file through the device then gives up within one read.
class CancellableBuffer : public QBuffer
{
public:
    CancellableBuffer(QByteArray* data, const std::function<bool()>& cancelled)
        : QBuffer(data), m_cancelled(cancelled)
    {}

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (m_cancelled && m_cancelled())
            return -1;
        return QBuffer::readData(data, maxSize);
    }

private:
    const std::function<bool()>& m_cancelled;
};

// Reads with Qt; `box`, when valid, asks for a picture scaled down to fit it.
Reading readWithQt(const QByteArray& bytes, bool sizeOnly, QSize box,
                   const std::function<bool()>& cancelled)
{
    QByteArray copy = bytes; // shares the data; QBuffer needs a non-const array
    CancellableBuffer buffer(&copy, cancelled);
    if (!buffer.open(QIODevice::ReadOnly))
        return Reading{{}, {}, KPFailure::Damaged};
    QImageReader reader(&buffer);
    // Asked before any picture is chosen: the ICO reader looks for its header where the
    // device stands, and choosing reads the directory.
    if (!reader.canRead())
        return Reading{{}, {}, KPFailure::Damaged};
    prepareReader(reader, bytes);
    const bool png = reader.format() == "png";
    const int orientation = png ? KPPngOrientation::of(bytes) : 1;
    QSize size = uprightSize(reader, reader.size());
    if (size.isValid() && KPPngOrientation::swapsSides(orientation))
        size.transpose();
    if (tooLargeForQt(size))
        return Reading{{}, {}, KPFailure::TooLargeToDecode};
    const bool sizeKnown = size.isValid() && !size.isEmpty();
    if (sizeOnly && sizeKnown)
        return Reading{{}, size, KPFailure::None};

    if (box.isValid() && sizeKnown && orientation == 1) {
        QSize scaled = size.scaled(box, Qt::KeepAspectRatio);
        if (scaled.width() < size.width() && scaled.height() < size.height()) {
            // The reader scales before it turns the picture upright.
            if (reader.transformation() & QImageIOHandler::TransformationRotate90)
                scaled.transpose();
            reader.setScaledSize(scaled.expandedTo(QSize(1, 1)));
        }
    }
    QImage image = reader.read();
    if (cancelled && cancelled())
        return Reading{{}, {}, KPFailure::Stopped};
    if (image.isNull())
        return Reading{{}, {}, KPFailure::Damaged};
    image = KPPngOrientation::applied(image, orientation);
    if (!sizeKnown)
        size = image.size(); // the ICNS reader only knows it once it has decoded
    return Reading{sizeOnly ? QImage() : image, size, KPFailure::None};
}

// A Photoshop document, by its content: its layout is checked here, which gives its size,
// and its picture is decoded in pictaro-decode.
Reading readPsd(const QByteArray& bytes, bool sizeOnly, QSize box,
                const std::function<bool()>& cancelled)
{
    const std::optional<KPPsdLayout> layout = KPPsdLayout::read(bytes);
    if (!layout)
        return Reading{{}, {}, KPFailure::Damaged};
    const QSize size = layout->size();
    if (tooLargeForQt(size))
        return Reading{{}, {}, KPFailure::TooLargeToDecode};
    if (sizeOnly)
        return Reading{{}, size, KPFailure::None};
    return fromReply(
        KPDecodeHelper::decode(KPDecodeHelper::Kind::Psd, bytes, {}, box, cancelled, size));
}

// `probed` is the size the same reading gave with `sizeOnly`, or invalid.
Reading read(const QByteArray& bytes, const QByteArray& formatHint, bool sizeOnly, QSize box,
             const std::function<bool()>& cancelled = {}, QSize probed = {})
{
    using Kind = KPDecodeHelper::Kind;
    if (KPImageDecoder::isRawType(formatHint) || KPImageDecoder::isHeifType(formatHint)) {
        const Kind kind = KPImageDecoder::isRawType(formatHint) ? Kind::Raw : Kind::Heif;
        return fromReply(sizeOnly
                             ? KPDecodeHelper::size(kind, bytes, {}, cancelled)
                             : KPDecodeHelper::decode(kind, bytes, {}, box, cancelled, probed));
    }
    if (KPPsdLayout::readHeader(bytes))
        return readPsd(bytes, sizeOnly, box, cancelled);
    const QByteArray coder = KPSecondReader::coderFor(formatHint);
    // `sameReader`: the size, if probed, came from the second reader too; a file it takes
    // only once Qt has failed to decode it was probed by Qt.
    auto second = [&](bool sameReader) {
        Reading reading =
            fromReply(sizeOnly ? KPDecodeHelper::size(Kind::Magick, bytes, coder, cancelled)
                               : KPDecodeHelper::decode(Kind::Magick, bytes, coder, box, cancelled,
                                                        sameReader ? probed : QSize()));
        // ImageMagick applies no orientation a PNG states, as Qt's reader does not.
        const int orientation = coder == "PNG" ? KPPngOrientation::of(bytes) : 1;
        if (KPPngOrientation::swapsSides(orientation))
            reading.size.transpose();
        if (!reading.image.isNull())
            reading.image = KPPngOrientation::applied(reading.image, orientation);
        return reading;
    };
    if (!coder.isEmpty() && KPSecondReader::qtMisreads(bytes))
        return second(true);
    Reading reading = readWithQt(bytes, sizeOnly, box, cancelled);
    if (reading.failure == KPFailure::Damaged && !coder.isEmpty())
        return second(false);
    return reading;
}

QImage inSrgb(QImage image)
{
    // Pixels are turned into sRGB here once, so the JPEGs written carry no profile and
    // still show the source's colours.
    const QColorSpace space = image.colorSpace();
    if (space.isValid() && space != QColorSpace(QColorSpace::SRgb))
        image.convertToColorSpace(QColorSpace(QColorSpace::SRgb));
    image.setColorSpace(QColorSpace());
    return image;
}
} // namespace

KPImageDecoder::Probed KPImageDecoder::probeSource(const QByteArray& bytes,
                                                   const QByteArray& formatHint,
                                                   const std::function<bool()>& cancelled)
{
    if (bytes.isEmpty())
        return Probed{{}, KPFailure::Damaged};
    const Reading reading = read(bytes, formatHint, true, {}, cancelled);
    if (reading.failure != KPFailure::None)
        return Probed{{}, reading.failure};
    if (!reading.size.isValid() || reading.size.isEmpty())
        return Probed{{}, KPFailure::Damaged};
    return Probed{reading.size, KPFailure::None};
}

// A file the run refuses to read whole is also one no helper is handed.
static_assert(KPAtomicFile::MaxReadBytes == KPDecodeHelper::MaxFileBytes);

QSize KPImageDecoder::probeFile(const QString& path)
{
    // Some readers look through a whole file for what they need; none gets a file larger
    // than any of them takes.
    const std::optional<quint64> bytes = KPAtomicFile::fileSize(path);
    if (!bytes || *bytes > quint64(KPDecodeHelper::MaxFileBytes))
        return {};
    QFile file;
    if (!KPPath::openPlainFile(file, path))
        return {};
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead())
        return {};
    const QSize size = reader.size();
    return size.isValid() && !size.isEmpty() ? size : QSize();
}

namespace {
bool startsWith(const QByteArray& bytes, const char* magic, qsizetype length)
{
    return bytes.size() >= length && std::memcmp(bytes.constData(), magic, size_t(length)) == 0;
}

quint32 littleEndian32(const QByteArray& bytes, qsizetype at)
{
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData()) + at;
    return quint32(data[0]) | quint32(data[1]) << 8 | quint32(data[2]) << 16 |
           quint32(data[3]) << 24;
}

bool jpegComplete(const QByteArray& bytes)
{
    // Neither marker can occur inside entropy-coded data, where every 0xFF byte is
    // stuffed or a restart marker.
    const qsizetype lastScan = bytes.lastIndexOf(QByteArrayView("\xff\xda", 2));
    const qsizetype end = bytes.lastIndexOf(QByteArrayView("\xff\xd9", 2));
    return lastScan >= 0 && end > lastScan;
}

bool bmpComplete(const QByteArray& bytes)
{
    if (bytes.size() < 54)
        return false;
    const quint32 pixelOffset = littleEndian32(bytes, 10);
    const quint32 headerSize = littleEndian32(bytes, 14);
    if (headerSize < 40)
        return true; // an old header kind: left to the reader
    const auto width = qint64(qint32(littleEndian32(bytes, 18)));
    const auto height = qint64(qint32(littleEndian32(bytes, 22)));
    const auto bitsPerPixel = qint64(uchar(bytes.at(28)) | uchar(bytes.at(29)) << 8);
    const quint32 compression = littleEndian32(bytes, 30);
    if (compression != 0 && compression != 3)
        return true; // run-length coded rows have no fixed size
    if (headerSize == 64 && compression == 3)
        return true; // OS/2's Huffman coding, neither
    const qint64 rowBytes = ((qAbs(width) * bitsPerPixel + 31) / 32) * 4;
    return qint64(pixelOffset) + rowBytes * qAbs(height) <= bytes.size();
}

bool icoComplete(const QByteArray& bytes)
{
    if (bytes.size() < 6)
        return false;
    const int count = uchar(bytes.at(4)) | uchar(bytes.at(5)) << 8;
    if (bytes.size() < 6 + 16 * qsizetype(count))
        return false;
    for (int i = 0; i < count; ++i) {
        const qsizetype entry = 6 + 16 * qsizetype(i);
        if (qint64(littleEndian32(bytes, entry + 12)) + littleEndian32(bytes, entry + 8) >
            bytes.size())
            return false;
    }
    return true;
}

// HEIF and AVIF files are a row of boxes, each with its length; the picture data sits in
// one of them, usually the last.
bool boxesComplete(const QByteArray& bytes)
{
    qint64 at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < 8)
            return false;
        qint64 length = qFromBigEndian<quint32>(bytes.constData() + at);
        if (length == 1) {
            if (bytes.size() - at < 16)
                return false;
            length = qint64(qFromBigEndian<quint64>(bytes.constData() + at + 8));
        } else if (length == 0) {
            return true; // the box runs to the end of the file
        }
        if (length < 8 || length > bytes.size() - at)
            return false;
        at += length;
    }
    return true;
}
} // namespace

bool KPImageDecoder::looksComplete(const QByteArray& bytes)
{
    if (startsWith(bytes, "\xff\xd8\xff", 3))
        return jpegComplete(bytes);
    if (startsWith(bytes, "\x89PNG\r\n\x1a\n", 8))
        return bytes.lastIndexOf(QByteArrayView("IEND", 4)) >= 8;
    if (startsWith(bytes, "GIF8", 4)) {
        qsizetype end = bytes.size();
        while (end > 0 && bytes.at(end - 1) == '\0')
            --end; // padding some writers add after the trailer
        return end > 0 && bytes.at(end - 1) == ';';
    }
    if (startsWith(bytes, "BM", 2))
        return bmpComplete(bytes);
    if (startsWith(bytes, "\0\0\1\0", 4) || startsWith(bytes, "\0\0\2\0", 4))
        return icoComplete(bytes);
    if (startsWith(bytes, "icns", 4) && bytes.size() >= 8)
        return qFromBigEndian<quint32>(bytes.constData() + 4) <= quint32(bytes.size());
    if (startsWith(bytes, "RIFF", 4) && bytes.size() >= 12 && bytes.mid(8, 4) == "WEBP")
        return qint64(littleEndian32(bytes, 4)) + 8 <= bytes.size();
    if (bytes.size() >= 12 && bytes.mid(4, 4) == "ftyp")
        return boxesComplete(bytes);
    return true;
}

KPImageDecoder::Decoded KPImageDecoder::decodeSource(const QByteArray& bytes,
                                                     const QByteArray& formatHint,
                                                     const std::function<bool()>& cancelled,
                                                     QSize probed)
{
    applyAllocationLimit();
    if (bytes.isEmpty())
        return Decoded{{}, KPFailure::Damaged, {}};
    KPCodecTimer timer(KPCodecStats::Source);
    const Reading reading = read(bytes, formatHint, false, {}, cancelled, probed);
    if (reading.image.isNull())
        return Decoded{
            {}, reading.failure == KPFailure::None ? KPFailure::Damaged : reading.failure, {}};
    QImage image = reading.image;
    const bool transparent = image.hasAlphaChannel();
    image.convertTo(transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image = inSrgb(image);
    if (image.isNull())
        return Decoded{{}, KPFailure::TooLargeToDecode, {}};
    if (!transparent)
        return Decoded{image, KPFailure::None, image.size()};
    QImage opaque(image.size(), QImage::Format_RGB32);
    if (opaque.isNull())
        return Decoded{{}, KPFailure::TooLargeToDecode, {}};
    opaque.fill(Qt::white);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, image);
    painter.end();
    return Decoded{opaque, KPFailure::None, opaque.size()};
}

KPImageDecoder::Decoded KPImageDecoder::readFile(const QString& path, QSize box)
{
    applyAllocationLimit();
    QFile file;
    if (!KPPath::openPlainFile(file, path))
        return Decoded{{}, KPFailure::SourceUnreadable, {}};
    if (file.size() > KPDecodeHelper::MaxFileBytes)
        return Decoded{{}, KPFailure::TooLargeToDecode, {}};
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size())
        return Decoded{{}, KPFailure::SourceUnreadable, {}};
    file.close();
    const QByteArray hint = formatHint(path);
    // A camera's photo carries a small picture of itself, enough for a thumbnail.
    if (box.isValid() && bytes.startsWith("\xff\xd8\xff") && !isRawType(hint) &&
        !isHeifType(hint)) {
        const Reading header = readWithQt(bytes, true, {}, {});
        if (header.failure == KPFailure::None && header.size.isValid()) {
            const QImage thumbnail = KPExifThumbnail::read(bytes, header.size, box);
            if (!thumbnail.isNull())
                return Decoded{thumbnail, KPFailure::None, header.size};
        }
    }
    const Reading reading = read(bytes, hint, false, box);
    if (reading.image.isNull())
        return Decoded{
            {}, reading.failure == KPFailure::None ? KPFailure::Damaged : reading.failure, {}};
    QImage image = reading.image;
    if (box.isValid() && (image.width() > box.width() || image.height() > box.height()))
        image = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return Decoded{image, KPFailure::None, reading.size.isValid() ? reading.size : image.size()};
}

QImage KPImageDecoder::flattenForJpeg(const QImage& image)
{
    if (image.format() == QImage::Format_RGB32)
        return image;
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage straight = image.convertToFormat(QImage::Format_ARGB32);
    if (straight.isNull())
        return {};
    for (int y = 0; y < straight.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(straight.scanLine(y));
        for (int x = 0; x < straight.width(); ++x)
            line[x] |= 0xff000000u;
    }
    straight.reinterpretAsFormat(QImage::Format_RGB32);
    return straight;
}
