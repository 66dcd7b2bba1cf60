#include "engine/KPAtomicFile.h"
#include "engine/KPCodecStats.h"
#include "engine/KPDngWriter.h"
#include "engine/KPFitter.h"
#include "engine/KPImageDecoder.h"
#include "engine/KPJpegCodec.h"
#include "engine/KPMetadataPolicy.h"
#include "engine/KPPngOrientation.h"
#include "engine/KPSecondReader.h"
#include "engine/formats/KPChildProcess.h"
#include "engine/formats/KPDecodeHelper.h"
#include "engine/formats/KPHelperRequest.h"
#include "engine/formats/KPHelperSandbox.h"
#include "engine/formats/KPHelperWireReader.h"
#include "list/KPListView.h"
#include "list/KPThumbnailCache.h"
#include "settings/KPSettings.h"
#include "support/KPBmpWriter.h"
#include "support/KPFaultSupport.h"
#include "support/KPFitSupport.h"
#include "support/KPHeifWriter.h"
#include "support/KPHelperStandIn.h"
#include "support/KPTestSupport.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QTransform>
#include <QtEndian>

#include <cmath>
#include <csignal>
#include <functional>
#include <map>
#include <sys/resource.h>
#include <thread>
#include <vector>

Q_DECLARE_METATYPE(KPHelperRequest)

// Every picture type a user may list, written by Qt, by ImageMagick, by heif-enc, by
// png2icns or (for the camera raw kinds) as a DNG, through the engine: each comes out as
// a JPEG of the picture it holds, upright, or fails with its reason.
class TestFormats : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<KPTestFolders> m_folders;

    // A photo-like picture whose four quarters have their own colours, so a turned,
    // mirrored or channel-swapped result shows in the quarters' means. A white frame
    // makes more than a hundredth of it white, which keeps LibRaw from brightening it.
    static QImage quarters(int width, int height, quint32 seed = 7)
    {
        static const QRgb colours[4] = {qRgb(200, 60, 40), qRgb(40, 160, 70), qRgb(50, 70, 200),
                                        qRgb(220, 200, 60)};
        QImage picture(width, height, QImage::Format_RGB32);
        QRandomGenerator random(seed);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const QRgb base = colours[(y * 2 / height) * 2 + x * 2 / width];
                const int noise = int(random.bounded(41u)) - 20;
                const bool frame = x < 3 || y < 3 || x >= width - 3 || y >= height - 3;
                picture.setPixel(x, y,
                                 frame ? qRgb(255, 255, 255)
                                       : qRgb(qBound(0, qRed(base) + noise, 255),
                                              qBound(0, qGreen(base) + noise, 255),
                                              qBound(0, qBlue(base) + noise, 255)));
            }
        }
        return picture;
    }

    // One colour under noise.
    static QImage noisyColour(int width, int height, QColor colour)
    {
        QImage picture(width, height, QImage::Format_RGB32);
        QRandomGenerator random(3);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const int noise = int(random.bounded(33u)) - 16;
                picture.setPixel(x, y,
                                 qRgb(qBound(0, colour.red() + noise, 255),
                                      qBound(0, colour.green() + noise, 255),
                                      qBound(0, colour.blue() + noise, 255)));
            }
        }
        return picture;
    }

    // A file of tests/engine/formats. Found from the source folder CMake names rather than
    // from the compiler's file name, which a compiler cache may make relative.
    static QByteArray testData(const char* name)
    {
        const QString path =
            QStringLiteral(PICTARO_SOURCE_DIR "/tests/engine/formats/") + QLatin1String(name);
        const std::optional<QByteArray> bytes = KPAtomicFile::readAll(path);
        if (!bytes)
            qFatal("cannot read %s", qPrintable(path));
        return *bytes;
    }

    static QList<QColor> quarterMeans(const QImage& picture)
    {
        const int w = picture.width() / 2;
        const int h = picture.height() / 2;
        return {KPTest::meanColor(picture.copy(0, 0, w, h)),
                KPTest::meanColor(picture.copy(w, 0, w, h)),
                KPTest::meanColor(picture.copy(0, h, w, h)),
                KPTest::meanColor(picture.copy(w, h, w, h))};
    }

    static bool near(QColor a, QColor b, int tolerance)
    {
        return std::abs(a.red() - b.red()) <= tolerance &&
               std::abs(a.green() - b.green()) <= tolerance &&
               std::abs(a.blue() - b.blue()) <= tolerance;
    }

    static QString describe(const QList<QColor>& colours)
    {
        QStringList names;
        for (const QColor& colour : colours)
            names.append(colour.name());
        return names.join(QLatin1Char(' '));
    }

    // Writes the picture as the type its name gives: Qt's writers where they exist,
    // ImageMagick for GIF, PSD, WebP and AVIF, heif-enc for HEIC and HEIF, a DNG for the
    // camera raw kinds (Bayer under an upper-case name, linear under a lower-case one).
    QString writeSource(const QImage& picture, const QString& name, int orientation = 1)
    {
        const QString path = m_folders->in.filePath(name);
        const QString suffix = QFileInfo(name).suffix();
        const QByteArray type = suffix.toLower().toLatin1();
        if (KPImageDecoder::isRawType(type)) {
            const auto layout = suffix == suffix.toUpper() ? KPDngWriter::Layout::Bayer
                                                           : KPDngWriter::Layout::Linear;
            writeBytes(path, KPDngWriter::dng(picture, layout, orientation));
        } else if (type == "heic" || type == "heif") {
            heifEnc(picture, path, {QStringLiteral("-q"), QStringLiteral("95")});
        } else if (type == "webp" || type == "avif") {
            convert(picture, name,
                    {QStringLiteral("-quality"), QStringLiteral("100"), QStringLiteral("-define"),
                     QStringLiteral("webp:use-sharp-yuv=true")});
        } else if (!KPTest::save(picture, path,
                                 type == "jpe" || type == "jfif" ? "jpeg" : nullptr)) {
            qFatal("cannot write %s", qPrintable(path));
        }
        return path;
    }

    void heifEnc(const QImage& picture, const QString& path, const QStringList& options,
                 QImage::Format format = QImage::Format_RGB32)
    {
        const QTemporaryDir scratch;
        const QString png = scratch.filePath(QStringLiteral("heif-input.png"));
        if (!picture.convertToFormat(format).save(png) ||
            QProcess::execute(QStringLiteral("heif-enc"),
                              QStringList(options) << QStringLiteral("-o") << path << png) != 0)
            qFatal("heif-enc cannot write %s", qPrintable(path));
    }

    // The variants of a type that real files come in and that need more than Qt's own
    // reader. `picture` is what the file shows; some variants store it turned, or with
    // fewer colours, and give back what they show.
    QString writeVariant(QImage& picture, const QString& extension, const QString& variant)
    {
        const QString name = QStringLiteral("variant.") + extension;
        const QString path = m_folders->in.filePath(name);
        // Stored turned a quarter counter-clockwise: orientation 6 shows it upright.
        const QImage turned = picture.transformed(QTransform().rotate(-90));
        const std::map<QString, KPBmpWriter::Variant> bmps = {
            {QStringLiteral("top-down"), KPBmpWriter::Variant::TopDown},
            {QStringLiteral("top-down rle"), KPBmpWriter::Variant::TopDownRle8},
            {QStringLiteral("os/2 2.x header"), KPBmpWriter::Variant::Os2V2},
            {QStringLiteral("v2 header"), KPBmpWriter::Variant::V2Header},
            {QStringLiteral("v3 header"), KPBmpWriter::Variant::V3Header},
            {QStringLiteral("10-bit masks"), KPBmpWriter::Variant::Masks101010},
        };
        if (const auto bmp = bmps.find(variant); bmp != bmps.end()) {
            if (bmp->second == KPBmpWriter::Variant::TopDownRle8)
                picture = picture.convertToFormat(QImage::Format_Indexed8)
                              .convertToFormat(QImage::Format_RGB32);
            writeBytes(path, KPBmpWriter::bmp(picture, bmp->second));
        } else if (variant == QLatin1String("16-bit")) {
            convert(picture, name, {QStringLiteral("-depth"), QStringLiteral("16")});
        } else if (variant == QLatin1String("16-bit planar")) {
            convert(picture, name,
                    {QStringLiteral("-depth"), QStringLiteral("16"), QStringLiteral("-interlace"),
                     QStringLiteral("plane")});
        } else if (variant == QLatin1String("32-bit integers")) {
            convert(picture, name, {QStringLiteral("-depth"), QStringLiteral("32")});
        } else if (variant == QLatin1String("planar, with alpha")) {
            convert(picture, name,
                    {QStringLiteral("-alpha"), QStringLiteral("set"), QStringLiteral("-interlace"),
                     QStringLiteral("plane")});
        } else if (variant == QLatin1String("smallest first")) {
            // Smaller pictures of other colours before the picture itself, as icon writers
            // store them.
            const QString small = m_folders->in.filePath(QStringLiteral("icon16.png"));
            const QString medium = m_folders->in.filePath(QStringLiteral("icon48.png"));
            const QString large = m_folders->in.filePath(QStringLiteral("icon256.png"));
            if (!KPTest::flatImage(16, 16, Qt::black).save(small) ||
                !KPTest::flatImage(48, 48, Qt::white).save(medium) || !picture.save(large) ||
                QProcess::execute(QStringLiteral("convert"), {small, medium, large, path}) != 0)
                qFatal("convert cannot write %s", qPrintable(path));
        } else if (variant == QLatin1String("equal sizes, deeper second")) {
            const QImage shallow = KPTest::flatImage(picture.width(), picture.height(), Qt::black)
                                       .convertToFormat(QImage::Format_Indexed8);
            writeBytes(path, icoOfPngs({shallow, picture.convertToFormat(QImage::Format_ARGB32)}));
        } else if (variant == QLatin1String("png icons, smallest first")) {
            writeBytes(path, icnsOfPngs({{"icp4", KPTest::flatImage(16, 16, Qt::black)},
                                         {"ic07", KPTest::flatImage(128, 128, Qt::white)},
                                         {"ic08", picture}}));
        } else if (variant == QLatin1String("jpeg 2000 icons")) {
            // png2icns stores 256-pixel icons as JPEG 2000, smaller ones as Apple's packed
            // pixels, which come first in the file.
            const QString large = m_folders->in.filePath(QStringLiteral("icon256.png"));
            const QString small = m_folders->in.filePath(QStringLiteral("icon32.png"));
            if (!picture.save(large) ||
                !picture.scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                     .save(small) ||
                QProcess::execute(QStringLiteral("png2icns"), {path, large, small}) != 0)
                qFatal("png2icns cannot write %s", qPrintable(path));
        } else if (variant == QLatin1String("orientation in xmp")) {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            turned.save(&buffer, "PNG");
            const QByteArray xmp =
                QByteArray("XML:com.adobe.xmp") + QByteArray(5, '\0') +
                QByteArray("<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
                           "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
                           "<rdf:Description xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\" "
                           "tiff:Orientation=\"6\"/></rdf:RDF></x:xmpmeta>");
            png.insert(33, pngChunk("iTXt", xmp)); // after the header chunk
            writeBytes(path, png);
        } else if (variant == QLatin1String("orientation in exif")) {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            turned.save(&buffer, "PNG");
            const QByteArray exif("MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0"
                                  "\0\0\0\0",
                                  26);
            png.insert(33, pngChunk("eXIf", exif));
            writeBytes(path, png);
        } else if (variant == QLatin1String("10-bit")) {
            heifEnc(picture, path,
                    {QStringLiteral("-q"), QStringLiteral("95"), QStringLiteral("-b"),
                     QStringLiteral("10")},
                    QImage::Format_RGBX64);
        } else if (variant == QLatin1String("turned, with exif")) {
            writeBytes(path, KPHeifWriter::heic(turned, 6, 95));
        } else if (variant == QLatin1String("undevelopable, preview")) {
            writeBytes(path, KPDngWriter::undevelopable(turned, 6));
        } else {
            qFatal("no variant %s", qPrintable(variant));
        }
        return path;
    }

    static QByteArray png(const QImage& picture)
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        return bytes;
    }

    // An icon file whose pictures are stored as PNG, in the order given.
    static QByteArray icoOfPngs(const QList<QImage>& pictures)
    {
        QByteArray directory("\0\0\1\0", 4);
        directory.append(char(pictures.size())).append('\0');
        QByteArray data;
        for (const QImage& picture : pictures) {
            const QByteArray stored = png(picture);
            QByteArray entry(16, '\0');
            entry[0] = char(picture.width() % 256); // 0 for 256
            entry[1] = char(picture.height() % 256);
            qToLittleEndian(quint16(1), entry.data() + 4);
            qToLittleEndian(quint16(picture.depth()), entry.data() + 6);
            qToLittleEndian(quint32(stored.size()), entry.data() + 8);
            qToLittleEndian(quint32(6 + 16 * pictures.size() + data.size()), entry.data() + 12);
            directory.append(entry);
            data.append(stored);
        }
        return directory + data;
    }

    // An Apple icon file of PNG icons, in the order given.
    static QByteArray icnsOfPngs(const QList<std::pair<const char*, QImage>>& icons)
    {
        QByteArray elements;
        for (const auto& [type, picture] : icons) {
            const QByteArray stored = png(picture);
            QByteArray header(type, 4);
            header.resize(8);
            qToBigEndian(quint32(8 + stored.size()), header.data() + 4);
            elements.append(header).append(stored);
        }
        QByteArray file("icns\0\0\0\0", 8);
        qToBigEndian(quint32(8 + elements.size()), file.data() + 4);
        return file + elements;
    }

    static QByteArray pngChunk(const char* type, const QByteArray& data)
    {
        QByteArray chunk(4, '\0');
        qToBigEndian(quint32(data.size()), chunk.data());
        const QByteArray body = QByteArray(type, 4) + data;
        char crc[4];
        qToBigEndian(quint32(KPTest::crc32(body)), crc);
        return chunk + body + QByteArray(crc, 4);
    }

    static void writeBytes(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
    }

    QString convert(const QImage& picture, const QString& name, const QStringList& options)
    {
        const QString png = m_folders->in.filePath(QStringLiteral("convert-input.png"));
        const QString path = m_folders->in.filePath(name);
        if (!picture.save(png) ||
            QProcess::execute(QStringLiteral("convert"), QStringList{png} << options << path) != 0)
            qFatal("convert cannot write %s", qPrintable(path));
        return path;
    }

    struct Outcome
    {
        KPImageDataPtr job;
        qint64 encodings = 0;
    };

    Outcome fit(const QString& source, quint64 limit, KPFitOptions options = {},
                const std::function<bool()>& cancelled = {})
    {
        Outcome outcome;
        outcome.job = std::make_shared<KPImageData>();
        outcome.job->setPath(source);
        outcome.job->setProgress(KPProgress::Waiting);
        KPExportPlacement placement({source});
        const QString folder = m_folders->out.path();
        KPCodecStats stats;
        stats.attach();
        KPFitter fitter(
            limit, options, [folder] { return std::optional<QString>(folder); }, {}, placement);
        if (cancelled)
            fitter.setCancelled(cancelled);
        fitter.fitJob(outcome.job);
        outcome.encodings = stats.count(KPCodecStats::Encode);
        return outcome;
    }

    // Fits the source under a limit one byte below its own size, so that it cannot be
    // kept as it is but has to be decoded and encoded again. Returns the JPEG written,
    // or a null image when the job failed.
    QImage convertedOutput(const QString& source)
    {
        const Outcome outcome = fit(source, *KPAtomicFile::fileSize(source) - 1);
        if (outcome.job->progress() != qint32(KPProgress::Converted) || outcome.encodings == 0)
            return {};
        QImageReader reader(outcome.job->exportPath());
        if (reader.format() != "jpeg")
            return {};
        return reader.read();
    }

    // What a camera writes, and what each choice keeps of it: the details every choice but
    // "remove all" keeps, the GPS position and serial numbers "keep all" alone keeps.
    static QStringList cameraTags()
    {
        return {
            QStringLiteral("-IFD0:Make=PictaroCam"), QStringLiteral("-IFD0:Model=Test 1"),
            QStringLiteral("-ExifIFD:DateTimeOriginal=2024:05:06 07:08:09"),
            QStringLiteral("-IFD0:Artist=Ann Example"),
            QStringLiteral("-IFD0:Copyright=(c) Ann Example"),
            QStringLiteral("-IFD0:ImageDescription=At the lake"),
            QStringLiteral("-ExifIFD:ExposureTime=0.01"), QStringLiteral("-ExifIFD:FNumber=2.8"),
            QStringLiteral("-ExifIFD:ISO=200"), QStringLiteral("-ExifIFD:FocalLength=35"),
            QStringLiteral("-ExifIFD:LensModel=Lens 35"), QStringLiteral("-XMP-xmp:Rating=4"),
            QStringLiteral("-XMP-dc:Creator=Ann Example"),
            QStringLiteral("-ExifIFD:SerialNumber=B1234"),
            QStringLiteral("-ExifIFD:LensSerialNumber=L5678"),
            QStringLiteral("-GPS:GPSLatitude=48.8566"), QStringLiteral("-GPS:GPSLatitudeRef=N"),
            QStringLiteral("-GPS:GPSLongitude=2.3522"), QStringLiteral("-GPS:GPSLongitudeRef=E"),
            QStringLiteral("-XMP-exif:GPSLatitude=48.8566 N"),
            // Where it was taken in words, and the creator's own address, which is no
            // location of the picture.
            QStringLiteral("-XMP-photoshop:City=Paris"),
            QStringLiteral("-XMP-photoshop:State=Ile-de-France"),
            QStringLiteral("-XMP-photoshop:Country=France"),
            QStringLiteral("-XMP-iptcCore:Location=1 Rue de Rivoli"),
            QStringLiteral("-XMP-iptcCore:CountryCode=FR"),
            QStringLiteral("-XMP-iptcExt:LocationShownCity=Paris"),
            QStringLiteral("-XMP-iptcExt:LocationShownSublocation=Louvre"),
            QStringLiteral("-XMP-iptcExt:LocationCreatedWorldRegion=Europe"),
            QStringLiteral("-XMP-xmpDM:ShotLocation=Louvre"),
            QStringLiteral("-XMP-iptcCore:CreatorCity=Lyon")};
    }
    // IPTC's own fields, which JPEGs carry: the place in words beside a byline.
    static QStringList iptcTags()
    {
        return {QStringLiteral("-IPTC:By-line=Ann Example"),
                QStringLiteral("-IPTC:City=Paris"),
                QStringLiteral("-IPTC:Sub-location=1 Rue de Rivoli"),
                QStringLiteral("-IPTC:Province-State=Ile-de-France"),
                QStringLiteral("-IPTC:Country-PrimaryLocationCode=FRA"),
                QStringLiteral("-IPTC:Country-PrimaryLocationName=France"),
                QStringLiteral("-IPTC:ContentLocationName=Louvre")};
    }
    static QStringList keptTags()
    {
        return {QStringLiteral("IFD0:Make"),
                QStringLiteral("IFD0:Model"),
                QStringLiteral("ExifIFD:DateTimeOriginal"),
                QStringLiteral("IFD0:Artist"),
                QStringLiteral("IFD0:Copyright"),
                QStringLiteral("IFD0:ImageDescription"),
                QStringLiteral("ExifIFD:ExposureTime"),
                QStringLiteral("ExifIFD:FNumber"),
                QStringLiteral("ExifIFD:ISO"),
                QStringLiteral("ExifIFD:FocalLength"),
                QStringLiteral("ExifIFD:LensModel"),
                QStringLiteral("XMP-xmp:Rating"),
                QStringLiteral("XMP-dc:Creator"),
                QStringLiteral("XMP-iptcCore:CreatorCity")};
    }
    static QStringList locationTags()
    {
        return {QStringLiteral("GPS:GPSLatitude"),
                QStringLiteral("GPS:GPSLongitude"),
                QStringLiteral("XMP-exif:GPSLatitude"),
                QStringLiteral("ExifIFD:SerialNumber"),
                QStringLiteral("ExifIFD:LensSerialNumber"),
                QStringLiteral("XMP-photoshop:City"),
                QStringLiteral("XMP-photoshop:State"),
                QStringLiteral("XMP-photoshop:Country"),
                QStringLiteral("XMP-iptcCore:Location"),
                QStringLiteral("XMP-iptcCore:CountryCode"),
                QStringLiteral("XMP-iptcExt:LocationShownCity"),
                QStringLiteral("XMP-iptcExt:LocationShownSublocation"),
                QStringLiteral("XMP-iptcExt:LocationCreatedWorldRegion"),
                QStringLiteral("XMP-xmpDM:ShotLocation")};
    }
    static QStringList iptcLocationTags()
    {
        return {QStringLiteral("IPTC:City"),
                QStringLiteral("IPTC:Sub-location"),
                QStringLiteral("IPTC:Province-State"),
                QStringLiteral("IPTC:Country-PrimaryLocationCode"),
                QStringLiteral("IPTC:Country-PrimaryLocationName"),
                QStringLiteral("IPTC:ContentLocationName")};
    }
    // The tags of the metadata groups (EXIF, XMP, IPTC, maker notes) a file holds.
    static QStringList metadataTags(const QJsonObject& tags)
    {
        QStringList found;
        for (auto it = tags.begin(); it != tags.end(); ++it) {
            const QString group = it.key().section(QLatin1Char(':'), 0, 0);
            if (group.startsWith(QLatin1String("IFD")) || group.startsWith(QLatin1String("XMP")) ||
                group == QLatin1String("ExifIFD") || group == QLatin1String("GPS") ||
                group == QLatin1String("IPTC") || group == QLatin1String("InteropIFD") ||
                group == QLatin1String("MakerNotes"))
                found.append(it.key());
        }
        return found;
    }

    // A JPEG's scan data: from its last SOS marker (after any thumbnail's) to its end.
    static QByteArray scanData(const QByteArray& bytes)
    {
        return bytes.mid(bytes.lastIndexOf(QByteArrayView("\xff\xda", 2)));
    }

    // A multi-picture file (MPF, as cameras write for stereo pairs and phones for depth):
    // two JPEGs one after the other, the first with the index of both after its SOI.
    static QByteArray multiPicture(const QByteArray& first, const QByteArray& second)
    {
        auto index = [&second](quint32 firstSize) {
            QByteArray tiff("II*\0\x08\0\0\0\x03\0", 10); // the header, three entries
            // Little-endian values of the sizes given.
            auto put = [&tiff](std::initializer_list<std::pair<quint32, int>> values) {
                for (const auto& [value, bytes] : values) {
                    for (int i = 0; i < bytes; ++i)
                        tiff.append(char(value >> (8 * i)));
                }
            };
            put({{0xb000, 2}, {7, 2}, {4, 4}});
            tiff.append("0100");                                  // the version
            put({{0xb001, 2}, {4, 2}, {1, 4}, {2, 4}});           // two pictures
            put({{0xb002, 2}, {7, 2}, {32, 4}, {50, 4}, {0, 4}}); // their entries; no more
            // The primary picture, at 0; the second, counted from this header, which
            // begins 10 bytes into the file.
            put({{0x20030000, 4}, {firstSize, 4}, {0, 4}, {0, 4}});
            put({{0x00020002, 4}, {quint32(second.size()), 4}, {firstSize - 10, 4}, {0, 4}});
            QByteArray segment("\xff\xe2\0\0MPF\0", 8);
            qToBigEndian(quint16(2 + 4 + tiff.size()), segment.data() + 2);
            return segment + tiff;
        };
        const quint32 firstSize = quint32(first.size() + index(0).size());
        return first.left(2) + index(firstSize) + first.mid(2) + second;
    }

private Q_SLOTS:
    void init() { m_folders = std::make_unique<KPTestFolders>(); }

    // Runs first, so the threads also race to set ImageMagick up. The engine and the
    // thumbnails decode on several threads at once.
    void decodesOnSeveralThreadsAtOnce()
    {
        const QImage picture = quarters(200, 150);
        const QByteArray dng = KPDngWriter::dng(picture, KPDngWriter::Layout::Bayer);
        const QByteArray psd =
            *KPAtomicFile::readAll(writeSource(picture, QStringLiteral("t.psd")));
        std::vector<QSize> sizes(8);
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            threads.emplace_back([&sizes, i, &dng, &psd] {
                sizes[i] =
                    KPImageDecoder::decodeForFitting(i % 2 ? dng : psd, i % 2 ? "raw" : "psd")
                        .size();
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        for (const QSize& size : sizes)
            QCOMPARE(size, picture.size());
    }

    void everyAcceptedExtensionConverts_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("variant"); // empty for the type's usual file
        for (const QString& extension : KPListView::imageExtensions())
            QTest::newRow(qPrintable(extension)) << extension << QString();
        // What Qt's readers turn away or read wrongly, and what only libheif's own turn or
        // a raw file's preview shows upright.
        const char* const variants[][2] = {
            {"bmp", "top-down"},
            {"bmp", "top-down rle"},
            {"BMP", "os/2 2.x header"},
            {"bmp", "v2 header"},
            {"bmp", "v3 header"},
            {"bmp", "10-bit masks"},
            {"tif", "16-bit"},
            {"TIFF", "16-bit planar"},
            {"tif", "32-bit integers"},
            {"tiff", "planar, with alpha"},
            {"ico", "smallest first"},
            {"ICO", "equal sizes, deeper second"},
            {"icns", "png icons, smallest first"},
            {"icns", "jpeg 2000 icons"},
            {"png", "orientation in xmp"},
            {"PNG", "orientation in exif"},
            {"heic", "10-bit"},
            {"HEIC", "turned, with exif"},
            {"CR2", "undevelopable, preview"},
            {"nef", "undevelopable, preview"},
        };
        for (const auto& [extension, variant] : variants)
            QTest::addRow("%s, %s", extension, variant)
                << QString::fromLatin1(extension) << QString::fromLatin1(variant);
    }
    void everyAcceptedExtensionConverts()
    {
        QFETCH(QString, extension);
        QFETCH(QString, variant);
        const QByteArray type = extension.toLower().toLatin1();
        QVERIFY(QImageReader::supportedImageFormats().contains(
            type == "jpe" || type == "jfif" ? QByteArray("jpeg") : type));
        // 256 pixels a side: the most ICO holds, a size ICNS knows. A preview must have
        // 1000 pixels or more to stand in for a raw picture.
        const int side = variant.startsWith(QLatin1String("undevelopable")) ? 1024 : 256;
        QImage picture = quarters(side, side);
        const QString source = variant.isEmpty()
                                   ? writeSource(picture, QStringLiteral("picture.") + extension)
                                   : writeVariant(picture, extension, variant);
        const QByteArray bytes = *KPAtomicFile::readAll(source);
        // Qt's TIFF reader reads these wrongly or not at all.
        if (variant.contains(QLatin1String("planar")) || variant.startsWith(QLatin1String("32")))
            QVERIFY(KPSecondReader::qtMisreads(bytes));
        // An icon file Qt's reader turns away goes to the second reader, which must choose
        // the same picture.
        if (type == "ico") {
            const KPDecodeReply second =
                KPDecodeHelper::decode(KPDecodeHelper::Kind::Magick, bytes, "ICO");
            QCOMPARE(second.size, picture.size());
            QVERIFY(near(KPTest::meanColor(second.picture), KPTest::meanColor(picture), 6));
        }
        const QImage output = convertedOutput(source);
        QCOMPARE(output.size(), picture.size());
        // JPEG at quality 60 or better moves a quarter's mean by a step or two, GIF's
        // 256 dithered colours by a few more, demosaicing a Bayer raw about as much.
        const QList<QColor> expected = quarterMeans(picture);
        const QList<QColor> actual = quarterMeans(output);
        for (qsizetype i = 0; i < expected.size(); ++i)
            QVERIFY2(
                near(actual[i], expected[i], 6),
                qPrintable(describe(actual) + QStringLiteral(" instead of ") + describe(expected)));
    }

    void coloursSurvive_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("convertOptions"); // Qt writes the PNG itself
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<int>("alpha");
        const QColor orange(200, 120, 40);
        const QColor grey(150, 150, 150);
        const QStringList cmyk{QStringLiteral("-colorspace"), QStringLiteral("CMYK")};
        const QStringList deep{QStringLiteral("-depth"), QStringLiteral("16")};
        QTest::newRow("cmyk jpeg") << QStringLiteral("cmyk.jpg") << cmyk << orange << 255;
        QTest::newRow("cmyk psd") << QStringLiteral("cmyk.psd") << cmyk << orange << 255;
        QTest::newRow("16-bit cmyk psd")
            << QStringLiteral("cmyk16.psd") << (cmyk + deep) << orange << 255;
        QTest::newRow("16-bit rgb psd") << QStringLiteral("rgb16.psd") << deep << orange << 255;
        QTest::newRow("16-bit grey psd")
            << QStringLiteral("grey16.psd")
            << (QStringList{QStringLiteral("-colorspace"), QStringLiteral("Gray")} + deep) << grey
            << 255;
        QTest::newRow("indexed psd")
            << QStringLiteral("indexed.psd")
            << QStringList{QStringLiteral("-colors"), QStringLiteral("64"), QStringLiteral("-type"),
                           QStringLiteral("Palette")}
            << orange << 255;
        QTest::newRow("paletted gif")
            << QStringLiteral("paletted.gif")
            << QStringList{QStringLiteral("-colors"), QStringLiteral("256")} << orange << 255;
        QTest::newRow("16-bit png") << QStringLiteral("deep.png") << QStringList() << orange << 255;
        // The merged picture of a document with transparency is stored matted with white,
        // as Photoshop writes it; laid on white for the JPEG it must look as stored.
        QTest::newRow("half-transparent psd")
            << QStringLiteral("layer.psd") << QStringList() << orange << 128;
        // Display P3 pictures, as phones take them: the profile in the file, or its colour
        // parameters (primaries of SMPTE EG 432-1, the sRGB curve).
        QTest::newRow("display p3 heic, profile")
            << QStringLiteral("p3-profile.heic")
            << QStringList{QStringLiteral("-q"), QStringLiteral("95")} << orange << 255;
        QTest::newRow("display p3 heic, colour parameters")
            << QStringLiteral("p3-nclx.heic") << QStringList() << orange << 255;
        // HEIF pictures keep their transparency in a picture of their own, written here by
        // heif-enc with these options.
        QTest::newRow("half-transparent heic")
            << QStringLiteral("layer.heic")
            << QStringList{QStringLiteral("-q"), QStringLiteral("95")} << orange << 128;
    }
    void coloursSurvive()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, convertOptions);
        QFETCH(QColor, colour);
        QFETCH(int, alpha);
        // Large enough to be scaled: a paletted GIF's dithering makes JPEGs larger than
        // the GIF itself at any quality.
        QImage picture = noisyColour(640, 480, colour);
        auto matte = [alpha](int value) { return (value * alpha + 255 * (255 - alpha)) / 255; };
        // Photoshop stores the colours matted with white already; other types store them
        // as they are.
        const bool matted = name.endsWith(QLatin1String(".psd"));
        if (alpha < 255) {
            picture = picture.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < picture.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
                for (int x = 0; x < picture.width(); ++x)
                    line[x] = matted ? qRgba(matte(qRed(line[x])), matte(qGreen(line[x])),
                                             matte(qBlue(line[x])), alpha)
                                     : qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), alpha);
            }
            colour = QColor(matte(colour.red()), matte(colour.green()), matte(colour.blue()));
        }
        QString source;
        if (name.startsWith(QLatin1String("p3-"))) {
            // The values are Display P3 ones; in sRGB the colour is another.
            picture.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
            colour = KPTest::meanColor(picture.convertedToColorSpace(QColorSpace::SRgb));
        }
        if (name == QLatin1String("p3-nclx.heic")) {
            source = m_folders->in.filePath(name);
            writeBytes(source, KPHeifWriter::heic(picture, 1, 95, 12)); // SMPTE EG 432-1
        } else if (name.endsWith(QLatin1String(".heic"))) {
            // The profile travels from the PNG heif-enc reads.
            source = m_folders->in.filePath(name);
            heifEnc(picture, source, convertOptions,
                    alpha < 255 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        } else if (name.endsWith(QLatin1String(".png"))) {
            source = m_folders->in.filePath(name);
            QVERIFY(picture.convertToFormat(QImage::Format_RGBX64).save(source));
            QCOMPARE(QImageReader(source).imageFormat(), QImage::Format_RGBX64);
        } else {
            source = convert(picture, name, convertOptions);
        }
        const QImage output = convertedOutput(source);
        QVERIFY(!output.isNull());
        const QColor mean = KPTest::meanColor(output);
        QVERIFY2(near(mean, colour, 4),
                 qPrintable(mean.name() + QStringLiteral(" instead of ") + colour.name()));
    }

    void comesOutUpright_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("turn"); // degrees clockwise that make the stored picture upright
        QTest::newRow("jpeg, EXIF 6") << QStringLiteral("exif.jpg") << 6 << 90;
        QTest::newRow("linear dng, 6") << QStringLiteral("turned.raw") << 6 << 90;
        QTest::newRow("linear dng, 8") << QStringLiteral("turned.raw") << 8 << 270;
        QTest::newRow("linear dng, 3") << QStringLiteral("turned.raw") << 3 << 180;
        QTest::newRow("bayer dng, 6") << QStringLiteral("turned.RAW") << 6 << 90;
    }
    void comesOutUpright()
    {
        QFETCH(QString, name);
        QFETCH(int, orientation);
        QFETCH(int, turn);
        const QImage stored = quarters(320, 200);
        QString source;
        if (name.endsWith(QLatin1String(".jpg"))) {
            QByteArray jpeg;
            QBuffer buffer(&jpeg);
            buffer.open(QIODevice::WriteOnly);
            stored.save(&buffer, "JPEG", 95);
            QByteArray exif("\xff\xe1\x00\x22"
                            "Exif\x00\x00"
                            "MM\x00\x2a\x00\x00\x00\x08"
                            "\x00\x01"
                            "\x01\x12\x00\x03\x00\x00\x00\x01\x00\x06\x00\x00"
                            "\x00\x00\x00\x00",
                            36);
            exif[29] = char(orientation);
            jpeg.insert(2, exif);
            source = m_folders->in.filePath(name);
            writeBytes(source, jpeg);
        } else {
            source = writeSource(stored, name, orientation);
        }
        const QImage upright = stored.transformed(QTransform().rotate(turn));
        const QImage output = convertedOutput(source);
        QCOMPARE(output.size(), upright.size());
        const QList<QColor> expected = quarterMeans(upright);
        const QList<QColor> actual = quarterMeans(output);
        for (qsizetype i = 0; i < expected.size(); ++i)
            QVERIFY2(
                near(actual[i], expected[i], 8),
                qPrintable(describe(actual) + QStringLiteral(" instead of ") + describe(expected)));
    }

    void damagedFilesFail_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("reason"); // KPFailure
        // Whether the damage shows before decoding, so that the file fails also when it is
        // under the limit and would otherwise be kept as it is.
        QTest::addColumn<bool>("foundFromHeader");
        const int damaged = int(KPFailure::Damaged);
        const QImage picture = quarters(128, 128);
        QTemporaryDir dir;
        auto converted = [&](const QString& extension, const QStringList& tool) {
            const QString png = dir.filePath(QStringLiteral("p.png"));
            const QString path = dir.filePath(QStringLiteral("p.") + extension);
            const QStringList arguments = tool.first() == QLatin1String("heif-enc")
                                              ? QStringList{QStringLiteral("-o"), path, png}
                                              : QStringList{png, path};
            if (!picture.save(png) || QProcess::execute(tool.first(), arguments) != 0)
                qFatal("cannot write %s", qPrintable(path));
            return *KPAtomicFile::readAll(path);
        };
        auto written = [&](const QString& extension) {
            const QString path = dir.filePath(QStringLiteral("p.") + extension);
            if (extension == QLatin1String("raw") || extension == QLatin1String("dng"))
                return KPDngWriter::dng(picture, KPDngWriter::Layout::Bayer);
            if (extension == QLatin1String("heic"))
                return converted(extension, {QStringLiteral("heif-enc")});
            if (extension == QLatin1String("avif"))
                return converted(extension, {QStringLiteral("convert")});
            if (!KPTest::save(picture, path))
                qFatal("cannot write %s", qPrintable(path));
            return *KPAtomicFile::readAll(path);
        };
        for (const QString& extension :
             {QStringLiteral("bmp"), QStringLiteral("ico"), QStringLiteral("psd"),
              QStringLiteral("raw"), QStringLiteral("icns"), QStringLiteral("tiff"),
              QStringLiteral("gif"), QStringLiteral("jpeg"), QStringLiteral("png"),
              QStringLiteral("tif"), QStringLiteral("webp"), QStringLiteral("heic"),
              QStringLiteral("avif"), QStringLiteral("dng")}) {
            const QByteArray whole = written(extension);
            const QString name = QStringLiteral("damaged.") + extension;
            QTest::addRow("%s, empty", qPrintable(extension))
                << name << QByteArray() << damaged << true;
            QTest::addRow("%s, text", qPrintable(extension))
                << name << QByteArray("no picture here\n") << damaged << true;
            QTest::addRow("%s, cut in half", qPrintable(extension))
                << name << whole.left(whole.size() / 2) << damaged << true;
        }
        // A TIFF cut within its header, found by fuzzing the checks that send files to the
        // second reader (they read past the end of it).
        QTest::newRow("tif, header cut short")
            << QStringLiteral("short.tif") << QByteArray("MM\0*\0", 5) << damaged << true;
        // Headers claiming 30,000 x 30,000 pixels over a few hundred bytes of data.
        QByteArray psd = written(QStringLiteral("psd"));
        psd.replace(14, 8, QByteArray("\x00\x00\x75\x30\x00\x00\x75\x30", 8));
        QTest::newRow("psd, absurd size")
            << QStringLiteral("huge.psd") << psd.left(600) << damaged << true;
        QByteArray dng = KPDngWriter::dng(quarters(30, 30), KPDngWriter::Layout::Bayer);
        const qsizetype widthEntry = dng.indexOf(QByteArray("\x00\x01\x04\x00\x01\x00\x00\x00", 8));
        const qsizetype heightEntry =
            dng.indexOf(QByteArray("\x01\x01\x04\x00\x01\x00\x00\x00", 8));
        QVERIFY(widthEntry > 0 && heightEntry > 0);
        dng.replace(widthEntry + 8, 4, QByteArray("\x30\x75\x00\x00", 4));
        dng.replace(heightEntry + 8, 4, QByteArray("\x30\x75\x00\x00", 4));
        QTest::newRow("raw, absurd size") << QStringLiteral("huge.raw") << dng << damaged << true;
        // An HEIC's picture property box claiming 30,000 x 30,000 pixels: more than a
        // picture may take, found from the header.
        QByteArray heic = written(QStringLiteral("heic"));
        const qsizetype ispe = heic.indexOf("ispe");
        QVERIFY(ispe > 0);
        heic.replace(ispe + 8, 8, QByteArray("\x00\x00\x75\x30\x00\x00\x75\x30", 8));
        QTest::newRow("heic, absurd size")
            << QStringLiteral("huge.heic") << heic << int(KPFailure::TooLargeToDecode) << true;
        // An HEIC whose primary item is none of its pictures.
        heic = written(QStringLiteral("heic"));
        const qsizetype pitm = heic.indexOf("pitm");
        QVERIFY(pitm > 0);
        heic.replace(pitm + 8, 2, QByteArray("\x77\x77", 2));
        QTest::newRow("heic, no primary picture")
            << QStringLiteral("none.heic") << heic << damaged << true;
        // Files that crash LibRaw 0.20 while it reads their header, found by fuzzing.
        const int crashed = int(KPFailure::DecoderCrashed);
        for (const char* crash : {"libraw-crash-tiff-ifd.raw", "libraw-crash-hasselblad.raw"}) {
            QTest::newRow(crash) << QStringLiteral("crash.raw") << testData(crash) << crashed
                                 << true;
        }
        // A file that makes libheif 1.15 fail an assertion and abort while decoding, found
        // by fuzzing; its header reads well.
        QTest::newRow("libheif-assert-imginfo.heic")
            << QStringLiteral("assert.heic") << testData("libheif-assert-imginfo.heic") << crashed
            << false;
        // A raw file's name does not make a TIFF picture a raw one.
        QTest::newRow("raw, plain tiff")
            << QStringLiteral("tiff.raw") << written(QStringLiteral("tiff")) << damaged << true;
        // Raw files LibRaw cannot develop, whose preview cannot stand in: one too small,
        // one cut short.
        QTest::newRow("raw, small preview")
            << QStringLiteral("small.nef") << KPDngWriter::undevelopable(quarters(640, 480))
            << int(KPFailure::CameraNotSupported) << true;
        const QByteArray previewed = KPDngWriter::undevelopable(quarters(1200, 900));
        QTest::newRow("raw, preview cut short")
            << QStringLiteral("cut.nef") << previewed.left(previewed.size() - 2000)
            << int(KPFailure::CameraNotSupported) << true;
        // The second reader reads a file only with its own type's coder: a PCX named .bmp,
        // which Qt's readers turn away, is not read as the PCX it is.
        QTest::newRow("pcx named bmp")
            << QStringLiteral("pcx.bmp")
            << converted(QStringLiteral("pcx"), {QStringLiteral("convert")}) << damaged << true;
    }
    void damagedFilesFail()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, reason);
        QFETCH(bool, foundFromHeader);
        // The checks Pictaro makes in its own process before any reader takes a file read
        // no byte past its end (the sanitizer build watches that).
        KPImageDecoder::looksComplete(bytes);
        KPSecondReader::qtMisreads(bytes);
        KPPngOrientation::of(bytes);
        const QString source = m_folders->in.filePath(name);
        writeBytes(source, bytes);
        // A limit far above the file's size, so a damaged file cannot pass as an
        // unchanged copy, and one far below it, so it has to be decoded.
        for (const quint64 limit : {quint64(100000000), quint64(10)}) {
            if (!foundFromHeader && limit > quint64(bytes.size()))
                continue;
            const Outcome outcome = fit(source, limit);
            QCOMPARE(outcome.job->progress(), qint32(KPProgress::Failed));
            QCOMPARE(int(outcome.job->failure()), reason);
            QVERIFY(QDir(m_folders->out.path()).isEmpty());
        }
    }

    // A stopped run does not wait for the readers in pictaro-decode, which take some tens
    // of seconds for a large raw file: the header read and the decode end, and say why.
    void stoppedRunEndsTheDecode_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("heic") << QStringLiteral("stopped.heic");
        QTest::newRow("raw") << QStringLiteral("stopped.NEF");
        QTest::newRow("second reader") << QStringLiteral("stopped.bmp");
    }
    void stoppedRunEndsTheDecode()
    {
        QFETCH(QString, name);
        const QImage picture = quarters(64, 48);
        QString path = m_folders->in.filePath(name);
        if (name.endsWith(QLatin1String(".bmp")))
            writeBytes(path, KPBmpWriter::bmp(picture, KPBmpWriter::Variant::V3Header));
        else
            path = writeSource(picture, name);
        const QByteArray bytes = *KPAtomicFile::readAll(path);
        const QByteArray hint = KPImageDecoder::formatHint(path);
        QVERIFY(!KPImageDecoder::decodeSource(bytes, hint).image.isNull());
        const KPImageDecoder::Decoded stopped =
            KPImageDecoder::decodeSource(bytes, hint, [] { return true; });
        QVERIFY(stopped.image.isNull());
        QCOMPARE(stopped.failure, KPFailure::Stopped);
        QCOMPARE(KPImageDecoder::probeSource(bytes, hint, [] { return true; }).failure,
                 KPFailure::Stopped);
    }

    // A helper that misbehaves, as a file that took over a decoder could make it, fails
    // the picture with a reason that tells a crash, a hang and the helper's own refusal
    // apart, and Pictaro reads no more of its answer than the request can need: a stand-in
    // that streams without end never grows this process.
    void misbehavingHelperFailsThePicture_data()
    {
        using KPTest::HelperStandIn;
        QTest::addColumn<int>("helper"); // HelperStandIn::Helper
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<int>("request");       // 0 size, 1 decode of a 2 x 2 picture, 2 metadata
        QTest::addColumn<int>("reason");        // KPFailure; None for a reply taken
        QTest::addColumn<qint64>("deadlineMs"); // 0: the helper's own
        const int decode = int(HelperStandIn::Helper::Decode);
        const int damaged = int(KPFailure::Damaged);
        const int crashed = int(KPFailure::DecoderCrashed);
        const QByteArray flood = "exec cat /dev/zero";
        const QByteArray huge =
            "printf '" + HelperStandIn::replyHeader(1000000, 1000000) + "'\n" + flood;
        QTest::newRow("size query, streams without end") << decode << huge << 0 << damaged << 0ll;
        QTest::newRow("decode, beyond the probed size") << decode << huge << 1 << damaged << 0ll;
        QTest::newRow("decode, one byte beyond")
            << decode << "printf '" + HelperStandIn::replyHeader(2, 2) + "'\nhead -c 17 /dev/zero"
            << 1 << damaged << 0ll;
        // Refused from the frame's header: the pixels never come.
        QTest::newRow("decode, a frame claiming one byte beyond")
            << decode
            << "printf '" + HelperStandIn::replyHeader(2, 2, true, 1) + "'\nexec sleep 600" << 1
            << damaged << 0ll;
        QTest::newRow("decode, exactly the probed size")
            << decode << "printf '" + HelperStandIn::replyHeader(2, 2) + "'\nhead -c 16 /dev/zero"
            << 1 << int(KPFailure::None) << 0ll;
        // Frames each within bounds, without end.
        const QByteArray piece =
            HelperStandIn::escaped(HelperStandIn::frames([](KPHelperWireWriter& out) {
                out.frame(KPHelperWire::FrameType::Metadata, QByteArray(8, '\0'));
                out.frame(KPHelperWire::FrameType::Piece, QByteArray(4, '\0') + "\xff\xd8");
            }));
        QTest::newRow("metadata, streams without end")
            << int(HelperStandIn::Helper::Metadata)
            << "printf '" + piece + "'\nwhile :; do printf '" + piece.right(18 * 4) + "'; done" << 2
            << damaged << 0ll;
        QTest::newRow("killed by its sandbox")
            << decode << QByteArray("kill -SYS $$") << 1 << crashed << 0ll;
        QTest::newRow("crashes") << decode << QByteArray("kill -SEGV $$") << 1 << crashed << 0ll;
        QTest::newRow("ends with a status of its own")
            << decode << QByteArray("exit 1") << 1 << crashed << 0ll;
        QTest::newRow("hangs past its deadline") << decode << QByteArray("exec sleep 600") << 1
                                                 << int(KPFailure::DecoderTimedOut) << 300ll;
        QTest::newRow("past its CPU time")
            << decode << QByteArray("kill -XCPU $$") << 0 << int(KPFailure::DecoderTimedOut) << 0ll;
        QTest::newRow("refuses the file")
            << decode << "printf '" + HelperStandIn::refusal(KPFailure::CameraNotSupported) + "'"
            << 1 << int(KPFailure::CameraNotSupported) << 0ll;
        QTest::newRow("refuses it for a reason no helper gives")
            << decode << "printf '" + HelperStandIn::refusal(KPFailure::DiskFull) + "'" << 0
            << damaged << 0ll;
        QTest::newRow("no sandbox on this system")
            << decode << "exit " + QByteArray::number(KPHelperSandbox::RefusedExit) << 1
            << int(KPFailure::Unsupported) << 0ll;
    }
    void misbehavingHelperFailsThePicture()
    {
        QFETCH(int, helper);
        QFETCH(QByteArray, script);
        QFETCH(int, request);
        QFETCH(int, reason);
        QFETCH(qint64, deadlineMs);
        const KPTest::HelperStandIn standIn(KPTest::HelperStandIn::Helper(helper), script,
                                            deadlineMs);
        const QByteArray bytes(1000, 'x');
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        KPFailure failure = KPFailure::None;
        if (request == 2) {
            const std::optional<KPMetadataReply> reply =
                KPDecodeHelper::metadata(false, bytes, KPMetadataPolicy::KeepAll, false);
            // Metadata that cannot be read never fails a picture; it is left out.
            failure = reply ? KPFailure::None : KPFailure::Damaged;
        } else {
            using Kind = KPDecodeHelper::Kind;
            failure =
                request == 0
                    ? KPDecodeHelper::size(Kind::Raw, bytes).failure
                    : KPDecodeHelper::decode(Kind::Raw, bytes, {}, {}, {}, QSize(2, 2)).failure;
        }
        QCOMPARE(int(failure), reason);
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        QVERIFY2(
            after.ru_maxrss - before.ru_maxrss < 64 * 1024,
            qPrintable(QStringLiteral("grew by %1 KiB").arg(after.ru_maxrss - before.ru_maxrss)));
    }

    // The request and each kind of reply come back from the wire as they went, within the
    // bounds the request sets; a frame beyond them is refused from its header, before the
    // bytes it claims arrive.
    void helperWireRoundTrip_data()
    {
        using Operation = KPHelperRequest::Operation;
        using Reader = KPHelperRequest::Reader;
        using KPTest::HelperStandIn;
        QTest::addColumn<KPHelperRequest>("request");
        QTest::addColumn<QByteArray>("reply"); // the helper's stream
        QTest::addColumn<qint64>("refusedAt"); // bytes after which it is refused; -1: taken
        auto ask = [](Operation operation, Reader reader, QSize box = {}, QSize probed = {}) {
            KPHelperRequest request;
            request.operation = operation;
            request.reader = reader;
            request.memoryLimitMB = 1024;
            request.box = box;
            request.probed = probed;
            return request;
        };
        auto answer = [](const KPDecodeReply& reply) {
            return HelperStandIn::frames([&reply](KPHelperWireWriter& out) { reply.writeTo(out); });
        };
        QImage opaque = quarters(80, 60);
        QImage transparent = quarters(3, 2).convertToFormat(QImage::Format_ARGB32);
        transparent.setPixel(1, 1, qRgba(10, 20, 30, 40));
        KPHelperRequest second =
            ask(Operation::Decode, Reader::Second, QSize(80, 60), QSize(160, 120));
        second.coder = "BMP";
        QTest::newRow("size query")
            << ask(Operation::Size, Reader::Raw)
            << answer(KPDecodeReply{KPFailure::None, QSize(6000, 4000), {}}) << qint64(-1);
        QTest::newRow("decode, scaled to the box")
            << second << answer(KPDecodeReply{KPFailure::None, QSize(160, 120), opaque})
            << qint64(-1);
        QTest::newRow("decode, transparent, the probed size")
            << ask(Operation::Decode, Reader::Psd, {}, QSize(3, 2))
            << answer(KPDecodeReply{KPFailure::None, QSize(3, 2), transparent}) << qint64(-1);
        KPMetadataReply metadata;
        metadata.readable = true;
        const QByteArray app1 = QByteArray("\xff\xe1\x00\x0c", 4) + QByteArray(10, 'm');
        metadata.segments = {{app1,
                              {{4, KPMetadataReply::Dimension::Width, true},
                               {8, KPMetadataReply::Dimension::Height, false}}}};
        metadata.copy = KPMetadataReply::Copy::Rewritten;
        metadata.pieces = {{QByteArray("\xff\xd8", 2), -1, 0}, {app1, -1, 0}, {{}, 20, 5000}};
        KPHelperRequest heif = ask(Operation::Metadata, Reader::Heif);
        heif.policy = KPMetadataPolicy::KeepAll;
        heif.copy = true;
        QTest::newRow("metadata with a copy") << heif << metadata.stream() << qint64(-1);

        // Refused where the Pixels frame's header ends.
        const QByteArray beyondBox =
            answer(KPDecodeReply{KPFailure::None, QSize(160, 121), quarters(80, 61)});
        QTest::newRow("decode, a row beyond the box")
            << second << beyondBox
            << qint64(beyondBox.size() - KPDecodeReply::PixelHeaderBytes - 80 * 61 * 4);
        const QByteArray pixels = answer(KPDecodeReply{KPFailure::None, QSize(3, 2), transparent});
        QTest::newRow("size query answered with pixels")
            << ask(Operation::Size, Reader::Heif) << pixels
            << qint64(pixels.size() - KPDecodeReply::PixelHeaderBytes - 3 * 2 * 4);
        KPMetadataReply large;
        large.copy = KPMetadataReply::Copy::Rewritten;
        large.pieces = QList<KPMetadataReply::Piece>(KPMetadataReply::MaxPieces,
                                                     {QByteArray(1100, 'p'), -1, 0});
        // The magic and the Metadata frame, then as many pieces as the total leaves room for:
        // the header of the next is refused.
        const qint64 start = 4 + 12 + 8;
        const qint64 piece = 12 + 4 + 1100;
        QTest::newRow("metadata beyond its total")
            << ask(Operation::Metadata, Reader::Exiv2) << large.stream()
            << start + (KPMetadataReply::MaxBytes - start) / piece * piece + 12;
    }
    void helperWireRoundTrip()
    {
        QFETCH(KPHelperRequest, request);
        QFETCH(QByteArray, reply);
        QFETCH(qint64, refusedAt);
        // The request, as the helper reads it after Pictaro's stream head.
        KPHelperWireReader asked(KPHelperRequest::requestBounds());
        QVERIFY(asked.feed(request.streamHead(0)));
        const QList<KPHelperWire::Frame> head = asked.takeFrames();
        QCOMPARE(head.size(), 2);
        const std::optional<KPHelperRequest> read = KPHelperRequest::decode(head[0].payload);
        QVERIFY(read && *read == request);

        KPHelperWireReader answered(request.replyBounds());
        if (refusedAt >= 0) {
            QVERIFY2(answered.feed(reply.left(refusedAt - 1)), qPrintable(answered.error()));
            QVERIFY(!answered.feed(reply.mid(refusedAt - 1, 1)));
            QVERIFY(!answered.error().isEmpty());
            return;
        }
        QVERIFY2(answered.feed(reply), qPrintable(answered.error()));
        QVERIFY(answered.atFrameEnd());
        const QList<KPHelperWire::Frame> frames = answered.takeFrames();
        if (request.operation == KPHelperRequest::Operation::Metadata) {
            const std::optional<KPMetadataReply> metadata = KPMetadataReply::fromFrames(frames);
            QVERIFY(metadata);
            QCOMPARE(metadata->stream(), reply);
            return;
        }
        const bool decode = request.operation == KPHelperRequest::Operation::Decode;
        const std::optional<KPDecodeReply> decoded = KPDecodeReply::fromFrames(frames, decode);
        QVERIFY(decoded);
        QCOMPARE(KPTest::HelperStandIn::frames(
                     [&decoded](KPHelperWireWriter& out) { decoded->writeTo(out); }),
                 reply);
        // Neither way is a picture taken for another without pixels of its own.
        QVERIFY(!KPDecodeReply::fromFrames(frames, !decode));
    }

    // Stop ends every call of a helper, also one that hangs in a file's header, and the
    // helper goes with everything it started.
    void stopEndsAHangingHelper_data()
    {
        using Helper = KPTest::HelperStandIn::Helper;
        QTest::addColumn<int>("helper"); // Helper
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("name");
        // The helper's own child hangs; the helper waits for it.
        const QByteArray hang = "sleep 600 &\necho $! > \"$FOLDER/child\"\nwait";
        QTest::newRow("size query") << int(Helper::Decode) << hang << QStringLiteral("hang.raw");
        QTest::newRow("decode") << int(Helper::Decode)
                                << KPTest::HelperStandIn::readOperation() +
                                       "\nif [ \"$operation\" = 0 ]; then printf '" +
                                       KPTest::HelperStandIn::replyHeader(64, 48, false) +
                                       "'; exit 0; fi\n" + hang
                                << QStringLiteral("hang.raw");
        QTest::newRow("metadata") << int(Helper::Metadata) << hang << QStringLiteral("hang.jpg");
    }
    void stopEndsAHangingHelper()
    {
        QFETCH(int, helper);
        QFETCH(QByteArray, script);
        QFETCH(QString, name);
        const KPTest::HelperStandIn standIn(KPTest::HelperStandIn::Helper(helper), script);
        const QString childFile = standIn.folder() + QStringLiteral("/child");
        const QString source = m_folders->in.filePath(name);
        if (name.endsWith(QLatin1String(".jpg"))) {
            writeSource(quarters(320, 240), name);
            QVERIFY(KPTest::exifWrite(source, cameraTags()));
        } else {
            writeBytes(source, QByteArray(5000, 'x'));
        }
        // Stop is pressed once the helper's child is running.
        const Outcome outcome = fit(source, 1000, {}, [childFile] {
            QFile file(childFile);
            return file.open(QIODevice::ReadOnly) && !file.readAll().trimmed().isEmpty();
        });
        QCOMPARE(outcome.job->progress(), qint32(KPProgress::Failed));
        QCOMPARE(outcome.job->failure(), KPFailure::Stopped);
        QFile file(childFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const qint64 child = file.readAll().trimmed().toLongLong();
        QVERIFY(child > 0);
        QTRY_VERIFY(!KPTest::HelperStandIn::runs(child));
    }

    // Each helper holds itself to its sandbox before it reads a byte: a call it forbids
    // ends it (SIGSYS), a file it would read is refused, and a decode's own calls pass.
    void helperSandboxEndsForbiddenCalls_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("signal"); // 0: ends by itself, with status 0
        for (const QString& program :
             {KPDecodeHelper::helperPath(), KPDecodeHelper::metadataHelperPath()}) {
            const QString name = QFileInfo(program).fileName();
            for (const char* call : {"open-write", "socket", "exec", "ptrace"})
                QTest::addRow("%s, %s", qPrintable(name), call)
                    << program << QString::fromLatin1(call) << SIGSYS;
            QTest::addRow("%s, reads a file", qPrintable(name))
                << program << QStringLiteral("open-read") << 0;
            QTest::addRow("%s, looks up the user", qPrintable(name))
                << program << QStringLiteral("user-lookup") << 0;
            QTest::addRow("%s, nothing forbidden", qPrintable(name))
                << program << QStringLiteral("none") << 0;
        }
    }
    void helperSandboxEndsForbiddenCalls()
    {
        QFETCH(QString, program);
        QFETCH(QString, call);
        QFETCH(int, signal);
        KPChildProcess::Job job;
        job.program = program;
        job.arguments = {QString::fromLatin1(KPHelperSandbox::CheckArgument), call};
        job.deadlineMs = 60000;
        const KPChildProcess::Result ran = KPChildProcess::run(job);
        QVERIFY(ran.started);
        QCOMPARE(ran.signal, signal);
        if (signal == 0)
            QCOMPARE(ran.exitCode, 0);
    }

    // A helper that has its request and waits for the file is in its sandbox already.
    void helperWaitsInItsSandbox_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<int>("operation"); // KPHelperRequest::Operation
        QTest::addColumn<int>("reader");    // KPHelperRequest::Reader
        QTest::newRow("pictaro-decode")
            << KPDecodeHelper::helperPath() << int(KPHelperRequest::Operation::Size)
            << int(KPHelperRequest::Reader::Raw);
        QTest::newRow("pictaro-decode, psd")
            << KPDecodeHelper::helperPath() << int(KPHelperRequest::Operation::Decode)
            << int(KPHelperRequest::Reader::Psd);
        QTest::newRow("pictaro-metadata")
            << KPDecodeHelper::metadataHelperPath() << int(KPHelperRequest::Operation::Metadata)
            << int(KPHelperRequest::Reader::Exiv2);
    }
    void helperWaitsInItsSandbox()
    {
        QFETCH(QString, program);
        QFETCH(int, operation);
        QFETCH(int, reader);
        KPHelperRequest request;
        request.operation = KPHelperRequest::Operation(operation);
        request.reader = KPHelperRequest::Reader(reader);
        request.memoryLimitMB = 1024;
        QProcess helper;
        helper.start(program, {});
        QVERIFY(helper.waitForStarted());
        helper.write(request.streamHead(1000));
        auto status = [&helper] {
            QFile file(QStringLiteral("/proc/%1/status").arg(helper.processId()));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        QTRY_VERIFY2(status().contains("\nSeccomp:\t2\n"), status().constData());
        QVERIFY2(status().contains("\nNoNewPrivs:\t1\n"), status().constData());
        helper.closeWriteChannel();
        QVERIFY(helper.waitForFinished());
    }

    // Thumbnails and the preview read files by name: the suffix picks the reader, also
    // for a DNG named .raw, which the TIFF reader would otherwise claim.
    void readingByName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("scaledTo");
        QTest::newRow("raw") << QStringLiteral("byname.raw") << QSize();
        QTest::newRow("RAW, thumbnail") << QStringLiteral("byname.RAW") << QSize(80, 50);
        QTest::newRow("PSD") << QStringLiteral("byname.PSD") << QSize();
        QTest::newRow("psd, thumbnail") << QStringLiteral("byname.psd") << QSize(80, 50);
        QTest::newRow("heic") << QStringLiteral("byname.heic") << QSize();
        QTest::newRow("AVIF, thumbnail") << QStringLiteral("byname.AVIF") << QSize(80, 50);
        QTest::newRow("CR2, thumbnail") << QStringLiteral("byname.CR2") << QSize(80, 50);
        // Qt's reader turns this one away; the table and the preview still show it.
        QTest::newRow("bmp with a v3 header, thumbnail")
            << QStringLiteral("v3header.bmp") << QSize(80, 50);
    }
    void readingByName()
    {
        QFETCH(QString, name);
        QFETCH(QSize, scaledTo);
        const QImage picture = quarters(320, 200);
        const QList<QColor> expected = quarterMeans(picture);
        const bool qtReads = !name.startsWith(QLatin1String("v3header"));
        QString path = m_folders->in.filePath(name);
        if (qtReads)
            path = writeSource(picture, name);
        else
            writeBytes(path, KPBmpWriter::bmp(picture, KPBmpWriter::Variant::V3Header));
        if (qtReads) {
            QImageReader reader(path);
            QCOMPARE(reader.format(), name.section(QLatin1Char('.'), -1).toLower().toLatin1());
            QCOMPARE(reader.size(), picture.size());
            if (scaledTo.isValid())
                reader.setScaledSize(scaledTo);
            const QImage read = reader.read();
            QCOMPARE(read.size(), scaledTo.isValid() ? scaledTo : picture.size());
            const QList<QColor> actual = quarterMeans(read);
            for (qsizetype i = 0; i < expected.size(); ++i)
                QVERIFY2(near(actual[i], expected[i], 8),
                         qPrintable(describe(actual) + QStringLiteral(" instead of ") +
                                    describe(expected)));
        }
        // The table's thumbnails and the log view's preview go through the engine's
        // readers, with the whole picture's size beside the small one.
        QSize fullSize;
        const QImage shown =
            KPThumbnailCache::load(path, scaledTo.isValid() ? scaledTo : picture.size(), &fullSize);
        QCOMPARE(fullSize, picture.size());
        QCOMPARE(shown.size(), scaledTo.isValid() ? scaledTo : picture.size());
        const QList<QColor> actual = quarterMeans(shown);
        for (qsizetype i = 0; i < expected.size(); ++i)
            QVERIFY2(
                near(actual[i], expected[i], 8),
                qPrintable(describe(actual) + QStringLiteral(" instead of ") + describe(expected)));
    }

    // A camera's photo brings its own small picture, which the table shows instead of
    // decoding the photo: only when it shows the photo's whole frame, upright by the
    // photo's orientation, with the pixels the cell needs. One that does not is of another
    // picture here, which the table must not show.
    void thumbnailFromExif_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QSize>("thumbnail");
        QTest::addColumn<bool>("ofThePhoto");
        QTest::newRow("the photo's") << 1 << QSize(160, 100) << true;
        QTest::newRow("the photo's, turned by EXIF 6") << 6 << QSize(160, 100) << true;
        QTest::newRow("the photo's, turned by EXIF 3") << 3 << QSize(80, 50) << true;
        QTest::newRow("4:3 of a 16:10 photo") << 1 << QSize(160, 120) << false;
        QTest::newRow("smaller than the cell") << 1 << QSize(64, 40) << false;
        QTest::newRow("smaller than the cell, turned by EXIF 6") << 6 << QSize(48, 30) << false;
    }
    void thumbnailFromExif()
    {
        QFETCH(int, orientation);
        QFETCH(QSize, thumbnail);
        QFETCH(bool, ofThePhoto);
        const QImage stored = quarters(320, 200);
        const QString path = writeSource(stored, QStringLiteral("camera.jpg"));
        // Another picture's quarters are in other places.
        const QImage small =
            (ofThePhoto ? stored : stored.transformed(QTransform().rotate(180)))
                .scaled(thumbnail, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QString smallPath = m_folders->in.filePath(QStringLiteral("small.jpg"));
        QVERIFY(small.save(smallPath, "JPEG", 95));
        QVERIFY(KPTest::exifWrite(path, {QStringLiteral("-ThumbnailImage<=") + smallPath,
                                         QStringLiteral("-IFD0:Orientation=%1").arg(orientation),
                                         QStringLiteral("-n")}));
        const QImage upright = KPPngOrientation::applied(stored, orientation);
        const QSize cell(80, 50);
        QSize fullSize;
        const QImage shown = KPThumbnailCache::load(path, cell, &fullSize);
        QCOMPARE(fullSize, upright.size());
        QCOMPARE(shown.size(), upright.size().scaled(cell, Qt::KeepAspectRatio));
        const QList<QColor> expected = quarterMeans(upright);
        const QList<QColor> actual = quarterMeans(shown);
        for (qsizetype i = 0; i < expected.size(); ++i)
            QVERIFY2(
                near(actual[i], expected[i], 8),
                qPrintable(describe(actual) + QStringLiteral(" instead of ") + describe(expected)));
    }

    // Without a name the content decides, and the raw reader claims no plain TIFF; named
    // raw, the bytes go to LibRaw, which develops a DNG and turns a TIFF picture away.
    void contentPicksTheReader_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<bool>("developsAsRaw");
        const QImage picture = quarters(64, 48);
        QByteArray tiff;
        QBuffer buffer(&tiff);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "TIFF");
        QTest::newRow("tiff") << tiff << QByteArray("tiff") << false;
        QTest::newRow("dng") << KPDngWriter::dng(picture) << QByteArray("tiff") << true;
        QByteArray panasonic = KPDngWriter::dng(picture);
        panasonic.replace(0, 4, QByteArray("IIU\0", 4));
        QTest::newRow("panasonic signature") << panasonic << QByteArray("raw") << true;
    }
    void contentPicksTheReader()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, format);
        QFETCH(bool, developsAsRaw);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        QCOMPARE(reader.format(), format);
        QCOMPARE(KPImageDecoder::probe(bytes, "raw").isValid(), developsAsRaw);
        const QImage developed = KPImageDecoder::decodeForFitting(bytes, "raw");
        QCOMPARE(developed.isNull(), !developsAsRaw);
        if (developsAsRaw)
            QCOMPARE(developed.size(), QSize(64, 48));
    }

    // Re-encoded outputs of every source type carry what the choice keeps: upright with
    // orientation 1, their own pixel size, no thumbnail, within the limit.
    void metadataFollowsThePolicy_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("policy");
        QTest::addColumn<bool>("turned"); // stored turned, with orientation 6
        QTest::addColumn<bool>("best");
        QTest::addColumn<int>("format"); // the output's
        const int jpeg = int(KPOutputFormat::Jpeg);
        for (const char* name : {"photo.jpg", "photo.png", "phone.heic", "camera.dng"}) {
            for (int policy = 0; policy <= 2; ++policy)
                QTest::addRow("%s, %s", name,
                              qPrintable(KPMetadataPolicies::name(KPMetadataPolicy(policy))))
                    << QString::fromLatin1(name) << policy << true << false << jpeg;
        }
        const int noLocation = int(KPMetadataPolicy::KeepAllButLocation);
        QTest::newRow("photo.tif, no-location")
            << QStringLiteral("photo.tif") << noLocation << true << false << jpeg;
        QTest::newRow("photo.webp, no-location")
            << QStringLiteral("photo.webp") << noLocation << false << false << jpeg;
        QTest::newRow("document.psd, no-location")
            << QStringLiteral("document.psd") << noLocation << false << false << jpeg;
        QTest::newRow("photo.jpg, no-location, best quality")
            << QStringLiteral("photo.jpg") << noLocation << true << true << jpeg;
        // WebP and AVIF carry the EXIF and XMP in chunks and items of their own.
        for (const KPOutputFormat format : {KPOutputFormat::WebP, KPOutputFormat::Avif}) {
            for (int policy = 0; policy <= 2; ++policy)
                QTest::addRow("photo.jpg, %s, as %s",
                              qPrintable(KPMetadataPolicies::name(KPMetadataPolicy(policy))),
                              qPrintable(KPOutputFormats::name(format)))
                    << QStringLiteral("photo.jpg") << policy << true << false << int(format);
        }
    }
    void metadataFollowsThePolicy()
    {
        QFETCH(QString, name);
        QFETCH(int, policy);
        QFETCH(bool, turned);
        QFETCH(bool, best);
        QFETCH(int, format);
        const auto written = KPOutputFormat(format);
        const QImage upright = quarters(640, 480);
        const QImage stored = turned ? upright.transformed(QTransform().rotate(-90)) : upright;
        QString source;
        if (name.endsWith(QLatin1String(".heic"))) {
            source = m_folders->in.filePath(name);
            writeBytes(source, KPHeifWriter::heic(stored, turned ? 6 : 1, 95));
        } else {
            source = writeSource(stored, name, turned ? 6 : 1);
        }
        QStringList tags = cameraTags();
        if (turned)
            tags.append(QStringLiteral("-IFD0:Orientation#=6"));
        if (name.endsWith(QLatin1String(".jpg"))) {
            const QString thumbnail = m_folders->in.filePath(QStringLiteral("thumbnail.jpg"));
            QVERIFY(KPTest::save(stored.scaled(120, 160), thumbnail));
            tags << QStringLiteral("-ThumbnailImage<=") + thumbnail << iptcTags();
        }
        QVERIFY(KPTest::exifWrite(source, tags));
        QVERIFY2(KPTest::exifTags(source).contains(QStringLiteral("GPS:GPSLatitude")),
                 "exiftool wrote no GPS position into the source");

        // Small enough that every picture is scaled, so the pixel size written is not the
        // source's.
        const quint64 limit = 30000;
        KPFitOptions options;
        options.metadataPolicy = KPMetadataPolicy(policy);
        options.bestQuality = best;
        options.outputFormat = written;
        const Outcome outcome = fit(source, limit, options);
        QCOMPARE(outcome.job->progress(), qint32(KPProgress::Converted));
        const QString output = outcome.job->exportPath();
        QVERIFY(output.endsWith(QLatin1Char('.') + (written == KPOutputFormat::Jpeg
                                                        ? QStringLiteral("jpg")
                                                        : KPOutputFormats::name(written))));
        QVERIFY(KPAtomicFile::fileSize(output).value_or(limit) < limit);
        QCOMPARE(outcome.job->summary()->format, written);
        if (written == KPOutputFormat::Jpeg)
            QVERIFY(KPFault::isJpegUnder(output, limit));
        std::optional<KPOutputFormat> held;
        const QImage picture = KPTest::readOutput(output, &held);
        QCOMPARE(held, std::optional<KPOutputFormat>(written));
        QVERIFY(picture.width() < upright.width());
        // Turned, the quarters would trade places; a low quality moves their colours a little.
        const QList<QColor> expected = quarterMeans(upright);
        const QList<QColor> actual = quarterMeans(picture);
        for (qsizetype i = 0; i < expected.size(); ++i)
            QVERIFY2(
                near(actual[i], expected[i], 32),
                qPrintable(describe(actual) + QStringLiteral(" instead of ") + describe(expected)));

        const QJsonObject found = KPTest::exifTags(output);
        const QString dump = QString::fromUtf8(QJsonDocument(found).toJson());
        if (KPMetadataPolicy(policy) == KPMetadataPolicy::RemoveAll) {
            QVERIFY2(metadataTags(found).isEmpty(), qPrintable(dump));
            return;
        }
        for (const QString& tag : keptTags())
            QVERIFY2(found.contains(tag), qPrintable(tag + QStringLiteral(" is missing: ") + dump));
        const bool keepAll = KPMetadataPolicy(policy) == KPMetadataPolicy::KeepAll;
        QStringList location = locationTags();
        // IPTC has no place in WebP and AVIF; its fields go in the XMP there.
        if (name.endsWith(QLatin1String(".jpg")) && written == KPOutputFormat::Jpeg) {
            QCOMPARE(found.value(QStringLiteral("IPTC:By-line")).toString(),
                     QStringLiteral("Ann Example"));
            location << iptcLocationTags();
        }
        for (const QString& tag : location)
            QVERIFY2(found.contains(tag) == keepAll, qPrintable(tag + QStringLiteral(": ") + dump));
        QCOMPARE(found.value(QStringLiteral("IFD0:Orientation")).toInt(1), 1);
        QCOMPARE(found.value(QStringLiteral("ExifIFD:ExifImageWidth")).toInt(), picture.width());
        QCOMPARE(found.value(QStringLiteral("ExifIFD:ExifImageHeight")).toInt(), picture.height());
        QVERIFY2(!found.contains(QStringLiteral("IFD1:ThumbnailImage")) &&
                     !found.contains(QStringLiteral("IFD1:ThumbnailOffset")),
                 qPrintable(dump));
    }

    // Some cameras write an XMP packet that gives a property twice, which exiv2 refuses: the
    // XMP is lost, never the EXIF and IPTC read apart from it, and no location is kept.
    void unreadableXmpCostsTheXmpAlone_data()
    {
        QTest::addColumn<int>("policy");
        QTest::addColumn<quint64>("limit"); // under the source's size: encoded; over: copied
        for (const auto policy :
             {KPMetadataPolicy::KeepAll, KPMetadataPolicy::KeepAllButLocation}) {
            const QString name = KPMetadataPolicies::name(policy);
            QTest::addRow("%s, encoded", qPrintable(name)) << int(policy) << quint64(30000);
            QTest::addRow("%s, under the limit", qPrintable(name))
                << int(policy) << quint64(10000000);
        }
    }
    void unreadableXmpCostsTheXmpAlone()
    {
        QFETCH(int, policy);
        QFETCH(quint64, limit);
        const QString source = writeSource(quarters(640, 480), QStringLiteral("photo.jpg"));
        QVERIFY(KPTest::exifWrite(source, cameraTags() + iptcTags()));
        const QByteArray packet =
            "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
            "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
            "rdf:about='' xmlns:photoshop='http://ns.adobe.com/photoshop/1.0/'>"
            "<photoshop:City>Paris</photoshop:City><photoshop:City>Paris</photoshop:City>"
            "</rdf:Description></rdf:RDF></x:xmpmeta>";
        QByteArray bytes = *KPAtomicFile::readAll(source);
        QByteArray segment = QByteArray("\xff\xe1\0\0", 4) + "http://ns.adobe.com/xap/1.0/" +
                             QByteArray(1, '\0') + packet;
        qToBigEndian(quint16(segment.size() - 2), segment.data() + 2);
        bytes.insert(2, segment);
        writeBytes(source, bytes);

        KPFitOptions options;
        options.metadataPolicy = KPMetadataPolicy(policy);
        const Outcome outcome = fit(source, limit, options);
        QCOMPARE(outcome.job->progress(), qint32(KPProgress::Converted));
        const QJsonObject found = KPTest::exifTags(outcome.job->exportPath());
        const QString dump = QString::fromUtf8(QJsonDocument(found).toJson());
        for (const char* tag : {"IFD0:Make", "ExifIFD:DateTimeOriginal", "IPTC:By-line"})
            QVERIFY2(found.contains(QLatin1String(tag)), qPrintable(QLatin1String(tag) + dump));
        if (KPMetadataPolicy(policy) == KPMetadataPolicy::KeepAllButLocation) {
            for (const QString& tag : locationTags() + iptcLocationTags())
                QVERIFY2(!found.contains(tag), qPrintable(tag + QStringLiteral(": ") + dump));
        }
    }

    // A JPEG already under the limit is kept as it is, or rewritten without what the choice
    // removes: its compressed data the same bytes, so the same pixels, and upright.
    void keptCopyLosesOnlyMetadata_data()
    {
        QTest::addColumn<int>("policy");
        QTest::addColumn<bool>("withLocation");
        QTest::addColumn<bool>("turned");
        QTest::addColumn<bool>("sameBytes");
        // A second picture after the first, with a GPS position of its own.
        QTest::addColumn<bool>("twoPictures");
        const int keep = int(KPMetadataPolicy::KeepAll);
        const int noLocation = int(KPMetadataPolicy::KeepAllButLocation);
        const int strip = int(KPMetadataPolicy::RemoveAll);
        QTest::newRow("keep all") << keep << true << true << true << false;
        QTest::newRow("no location, none there") << noLocation << false << true << true << false;
        QTest::newRow("no location") << noLocation << true << true << false << false;
        QTest::newRow("remove all, turned") << strip << true << true << false << false;
        QTest::newRow("remove all, none there") << strip << false << false << true << false;
        QTest::newRow("keep all, two pictures") << keep << true << false << true << true;
        QTest::newRow("no location, two pictures") << noLocation << true << false << false << true;
        QTest::newRow("no location, two pictures, none in the first")
            << noLocation << false << false << false << true;
        QTest::newRow("remove all, two pictures") << strip << true << false << false << true;
    }
    void keptCopyLosesOnlyMetadata()
    {
        QFETCH(int, policy);
        QFETCH(bool, withLocation);
        QFETCH(bool, turned);
        QFETCH(bool, sameBytes);
        QFETCH(bool, twoPictures);
        const QImage upright = quarters(320, 240);
        const QImage stored = turned ? upright.transformed(QTransform().rotate(-90)) : upright;
        const QString source = writeSource(stored, QStringLiteral("kept.jpg"));
        QStringList tags;
        if (withLocation)
            tags = cameraTags() + iptcTags();
        else if (turned)
            tags = {QStringLiteral("-IFD0:Make=PictaroCam"),
                    QStringLiteral("-IFD0:Artist=Ann Example")};
        if (turned)
            tags.append(QStringLiteral("-IFD0:Orientation#=6"));
        if (!tags.isEmpty())
            QVERIFY(KPTest::exifWrite(source, tags));
        const QByteArray first = *KPAtomicFile::readAll(source);
        QByteArray second;
        if (twoPictures) {
            const QString path =
                writeSource(noisyColour(160, 120, Qt::blue), QStringLiteral("second.jpg"));
            QVERIFY(KPTest::exifWrite(path, {QStringLiteral("-GPS:GPSLatitude=48.8566"),
                                             QStringLiteral("-GPS:GPSLatitudeRef=N")}));
            second = *KPAtomicFile::readAll(path);
            writeBytes(source, multiPicture(first, second));
        }
        const QByteArray before = *KPAtomicFile::readAll(source);

        KPFitOptions options;
        options.metadataPolicy = KPMetadataPolicy(policy);
        const Outcome outcome = fit(source, quint64(before.size()) + 1000, options);
        QCOMPARE(outcome.job->progress(), qint32(KPProgress::Converted));
        QCOMPARE(outcome.encodings, qint64(0));
        QVERIFY(!outcome.job->exportQuality());
        const QString output = outcome.job->exportPath();
        const QByteArray after = *KPAtomicFile::readAll(output);
        QCOMPARE(after == before, sameBytes);
        // Only "keep all" keeps the second picture: the copy otherwise ends with the first.
        QCOMPARE(scanData(after), scanData(sameBytes ? before : first));
        QCOMPARE(twoPictures && after.contains(second),
                 twoPictures && KPMetadataPolicy(policy) == KPMetadataPolicy::KeepAll);
        QImageReader reader(output);
        reader.setAutoTransform(true);
        const QImage picture = reader.read();
        QImageReader original(source);
        original.setAutoTransform(true);
        QCOMPARE(picture, original.read());
        QCOMPARE(picture.size(), upright.size());
        const QString wrong =
            KPTest::summaryMismatch(*outcome.job, quint64(before.size()), upright.size(),
                                    sameBytes ? KPJobSummary::Ending::CopiedUnchanged
                                              : KPJobSummary::Ending::CopiedWithoutMetadata);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));

        const QJsonObject found = KPTest::exifTags(output);
        const QString dump = QString::fromUtf8(QJsonDocument(found).toJson());
        for (const QString& tag : locationTags() + iptcLocationTags()) {
            const bool kept = withLocation && KPMetadataPolicy(policy) == KPMetadataPolicy::KeepAll;
            QVERIFY2(found.contains(tag) == kept, qPrintable(tag + QStringLiteral(": ") + dump));
        }
        QCOMPARE(found.contains(QStringLiteral("MPF0:NumberOfImages")), twoPictures && sameBytes);
        if (KPMetadataPolicy(policy) == KPMetadataPolicy::RemoveAll) {
            const QStringList left = metadataTags(found);
            QVERIFY2(left.isEmpty() || left == QStringList{QStringLiteral("IFD0:Orientation")},
                     qPrintable(dump));
        } else if (withLocation) {
            QCOMPARE(found.value(QStringLiteral("IFD0:Make")).toString(),
                     QStringLiteral("PictaroCam"));
            QCOMPARE(found.value(QStringLiteral("IPTC:By-line")).toString(),
                     QStringLiteral("Ann Example"));
            QCOMPARE(found.value(QStringLiteral("XMP-iptcCore:CreatorCity")).toString(),
                     QStringLiteral("Lyon"));
        }
    }

    // The metadata counts towards the limit: a 60 KB XMP packet still ends under it, in
    // the best-quality search (which must count it in every trial) and step by step.
    void largeMetadataStaysUnderTheLimit_data()
    {
        QTest::addColumn<bool>("best");
        QTest::newRow("stepwise") << false;
        QTest::newRow("best quality") << true;
    }
    void largeMetadataStaysUnderTheLimit()
    {
        QFETCH(bool, best);
        const QString source = m_folders->in.filePath(QStringLiteral("large-xmp.png"));
        QVERIFY(KPTest::noisyImage(1200, 900).save(source));
        const QString description(60000, QLatin1Char('x'));
        QVERIFY(KPTest::exifWrite(source, {QStringLiteral("-IFD0:Make=PictaroCam"),
                                           QStringLiteral("-XMP-dc:Description=") + description}));
        const quint64 limit = 300000;
        KPFitOptions options;
        options.bestQuality = best;
        options.metadataPolicy = KPMetadataPolicy::KeepAll;
        const Outcome outcome = fit(source, limit, options);
        QCOMPARE(outcome.job->progress(), qint32(KPProgress::Converted));
        const QString output = outcome.job->exportPath();
        QVERIFY(KPFault::isJpegUnder(output, limit));
        const QJsonObject found = KPTest::exifTags(output);
        QCOMPARE(found.value(QStringLiteral("XMP-dc:Description")).toString().size(),
                 description.size());
        QCOMPARE(found.value(QStringLiteral("IFD0:Make")).toString(), QStringLiteral("PictaroCam"));
        // The best quality fills the limit with the metadata counted, not the encoding alone.
        if (best)
            QVERIFY(*KPAtomicFile::fileSize(output) > limit * 9 / 10);
    }

    // Metadata that cannot be read never fails the picture: it converts without any, and a
    // JPEG under the limit whose metadata cannot be cleaned is encoded instead of copied.
    void damagedMetadataConvertsWithout_data()
    {
        QTest::addColumn<bool>("underTheLimit");
        QTest::newRow("encoded") << false;
        QTest::newRow("under the limit") << true;
    }
    void damagedMetadataConvertsWithout()
    {
        QFETCH(bool, underTheLimit);
        const QString source = writeSource(quarters(320, 240), QStringLiteral("damaged.jpg"));
        QVERIFY(KPTest::exifWrite(source, cameraTags()));
        QByteArray bytes = *KPAtomicFile::readAll(source);
        // The first directory claims far more entries than its segment holds.
        const qsizetype tiff = bytes.indexOf(QByteArrayView("Exif\0\0", 6)) + 6;
        QVERIFY(tiff > 6);
        const bool bigEndian = bytes.at(tiff) == 'M';
        const quint32 ifd = bigEndian ? qFromBigEndian<quint32>(bytes.constData() + tiff + 4)
                                      : qFromLittleEndian<quint32>(bytes.constData() + tiff + 4);
        bytes[tiff + qsizetype(ifd)] = char(0x7f);
        bytes[tiff + qsizetype(ifd) + 1] = char(0x7f);
        writeBytes(source, bytes);

        const quint64 limit = quint64(bytes.size()) + (underTheLimit ? 1000 : -1);
        KPFitOptions options;
        options.metadataPolicy = KPMetadataPolicy::KeepAllButLocation;
        const Outcome outcome = fit(source, limit, options);
        QCOMPARE(outcome.job->progress(), qint32(KPProgress::Converted));
        QVERIFY(outcome.encodings > 0);
        const QJsonObject found = KPTest::exifTags(outcome.job->exportPath());
        QVERIFY2(metadataTags(found).isEmpty(),
                 qPrintable(QString::fromUtf8(QJsonDocument(found).toJson())));
    }

    // The program itself registers the readers, not only the tests.
    void terminalConvertsPsdAndRaw()
    {
        const QImage picture = quarters(320, 240);
        writeSource(picture, QStringLiteral("document.psd"));
        writeSource(picture, QStringLiteral("camera.RAW"));
        writeSource(picture, QStringLiteral("phone.HEIC"));
        QProcess process;
        process.start(QString::fromLocal8Bit(qgetenv("PICTARO_BINARY")),
                      {QStringLiteral("--batch"), QStringLiteral("--limit"), QStringLiteral("60KB"),
                       QStringLiteral("--export"), m_folders->out.path(), m_folders->in.path()});
        QVERIFY(process.waitForFinished(300000));
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY2(process.exitCode() == 0 && out.contains(QLatin1String("3 converted, 0 failed")),
                 qPrintable(out));
        QCOMPARE(QDir(m_folders->out.path()).entryList(QDir::Files),
                 (QStringList{QStringLiteral("camera.jpg"), QStringLiteral("document.jpg"),
                              QStringLiteral("phone.jpg")}));
    }
};

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
