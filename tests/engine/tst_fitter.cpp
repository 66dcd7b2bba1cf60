#include "engine/KPAtomicFile.h"
#include "engine/KPAvifEncoder.h"
#include "engine/KPCodecStats.h"
#include "engine/KPFitter.h"
#include "engine/KPImageDecoder.h"
#include "engine/KPJpegCodec.h"
#include "engine/KPJpegEncoder.h"
#include "engine/KPJpegEstimate.h"
#include "engine/KPMetadata.h"
#include "engine/KPScalingPass.h"
#include "settings/KPSettings.h"
#include "support/KPFitSupport.h"
#include "support/KPTestSupport.h"

#include <QBuffer>
#include <QColor>
#include <QColorSpace>
#include <QColorTransform>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <QTimeZone>

#include <cmath>

// One job through the fitting: placing, measuring, the quality descents and the
// scaling passes, with pictures made here.
class TestFitter : public QObject
{
    Q_OBJECT

private:
    struct Outcome
    {
        KPImageDataPtr job;
        QList<float> loggedQualities; // the quality of the latest encoding at each log hand-off
        qint64 encodings = 0;
    };

    // Runs one job through a fitter with its own placement; the export folder is `out`.
    Outcome fit(const QString& source, quint64 limit, KPFitOptions options)
    {
        Outcome outcome;
        outcome.job = KPTest::job(source);
        auto log = [&outcome](const KPImageDataPtr& job) {
            outcome.loggedQualities.append(job->exportQuality().value_or(-1.0f));
        };
        KPCodecStats stats;
        stats.attach();
        KPTest::fitJobs({outcome.job}, limit, options, m_folders->out.path(), log);
        outcome.encodings = stats.count(KPCodecStats::Encode);
        return outcome;
    }

    QStringList exportFiles() const
    {
        return QDir(m_folders->out.path()).entryList(QDir::Files | QDir::Hidden);
    }

    QString writeSource(const QImage& image, const QString& name, int quality = 95)
    {
        return KPTest::writePicture(image, m_folders->in.filePath(name), quality);
    }

    std::unique_ptr<KPTestFolders> m_folders;

private Q_SLOTS:
    void init() { m_folders = std::make_unique<KPTestFolders>(); }

    // Only a source of the output's format under the limit is kept (byte for byte, or a
    // WebP with only its metadata chunks rewritten): any other type under the limit is
    // still encoded, since the output is named after its format and must hold it.
    void copyUnderTheLimitIsKeptAsItIs_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("format");    // the output's
        QTest::addColumn<int>("policy");    // the metadata's
        QTest::addColumn<bool>("location"); // the source carries a camera and a GPS position
        QTest::addColumn<int>("ending");
        const int jpeg = int(KPOutputFormat::Jpeg);
        const int webp = int(KPOutputFormat::WebP);
        const int avif = int(KPOutputFormat::Avif);
        const int keep = int(KPMetadataPolicy::KeepAll);
        const int noLocation = int(KPMetadataPolicy::KeepAllButLocation);
        const int strip = int(KPMetadataPolicy::RemoveAll);
        const int encoded = int(KPJobSummary::Ending::Encoded);
        const int unchanged = int(KPJobSummary::Ending::CopiedUnchanged);
        const int rewritten = int(KPJobSummary::Ending::CopiedWithoutMetadata);
        QTest::newRow("png") << QStringLiteral("small.png") << jpeg << noLocation << false
                             << encoded;
        QTest::newRow("gif") << QStringLiteral("small.gif") << jpeg << noLocation << false
                             << encoded;
        QTest::newRow("bmp") << QStringLiteral("small.bmp") << jpeg << noLocation << false
                             << encoded;
        QTest::newRow("tiff") << QStringLiteral("small.tiff") << jpeg << noLocation << false
                              << encoded;
        QTest::newRow("jpeg") << QStringLiteral("small.JPEG") << jpeg << noLocation << false
                              << unchanged;
        QTest::newRow("webp as jpeg")
            << QStringLiteral("small.webp") << jpeg << noLocation << false << encoded;
        QTest::newRow("jpeg as webp")
            << QStringLiteral("small.jpg") << webp << noLocation << false << encoded;
        QTest::newRow("webp as webp")
            << QStringLiteral("small.webp") << webp << noLocation << false << unchanged;
        QTest::newRow("webp with a location as webp")
            << QStringLiteral("small.webp") << webp << noLocation << true << rewritten;
        QTest::newRow("webp with a location as webp, strip")
            << QStringLiteral("small.webp") << webp << strip << true << rewritten;
        QTest::newRow("webp with a location as webp, keep")
            << QStringLiteral("small.webp") << webp << keep << true << unchanged;
        QTest::newRow("jpeg as avif")
            << QStringLiteral("small.jpg") << avif << noLocation << false << encoded;
        QTest::newRow("avif as avif, keep")
            << QStringLiteral("small.avif") << avif << keep << false << unchanged;
        // libavif cannot rewrite the metadata of a picture without encoding it anew.
        QTest::newRow("avif as avif, strip")
            << QStringLiteral("small.avif") << avif << strip << false << encoded;
    }
    void copyUnderTheLimitIsKeptAsItIs()
    {
        QFETCH(QString, name);
        QFETCH(int, format);
        QFETCH(int, policy);
        QFETCH(bool, location);
        QFETCH(int, ending);
        const auto written = KPOutputFormat(format);
        const QImage picture = KPTest::noisyImage(64, 48);
        QString source;
        if (name.endsWith(QLatin1String(".avif"))) {
            source = m_folders->in.filePath(name);
            QVERIFY(KPTest::writeNative(
                source, KPAvifEncoder().encode(picture.convertToFormat(QImage::Format_RGB32), 80,
                                               KPMetadata(), {})));
        } else {
            source = writeSource(picture, name);
        }
        if (location)
            QVERIFY(KPTest::exifWrite(source, {QStringLiteral("-IFD0:Make=PictaroCam"),
                                               QStringLiteral("-GPS:GPSLatitude=48.8566"),
                                               QStringLiteral("-GPS:GPSLatitudeRef=N")}));
        const QByteArray bytes = *KPAtomicFile::readAll(source);
        KPFitOptions options;
        options.outputFormat = written;
        options.metadataPolicy = KPMetadataPolicy(policy);
        const Outcome outcome = fit(source, quint64(bytes.size()) + 1, options);
        QCOMPARE(outcome.job->progress(), qint32(KPProgress::Converted));
        const QString outputName =
            QStringLiteral("small.") + (written == KPOutputFormat::Jpeg
                                            ? QStringLiteral("jpg")
                                            : KPOutputFormats::name(written));
        QCOMPARE(outcome.job->exportPath(), m_folders->out.filePath(outputName));
        QCOMPARE(exportFiles(), QStringList{outputName});
        const QByteArray output = *KPAtomicFile::readAll(outcome.job->exportPath());
        QCOMPARE(outcome.job->exportSize(), quint64(output.size()));
        QCOMPARE(KPOutputFormats::ofBytes(output), std::optional<KPOutputFormat>(written));
        QCOMPARE(KPTest::readOutput(outcome.job->exportPath()).size(), QSize(64, 48));
        const auto end = KPJobSummary::Ending(ending);
        QCOMPARE(outcome.encodings == 0, end != KPJobSummary::Ending::Encoded);
        QCOMPARE(output == bytes, end == KPJobSummary::Ending::CopiedUnchanged);
        QVERIFY(quint64(output.size()) <= quint64(bytes.size()));
        if (end == KPJobSummary::Ending::Encoded && written == KPOutputFormat::Jpeg)
            QCOMPARE(QImage::fromData(output, "JPEG").size(), QSize(64, 48));
        if (end == KPJobSummary::Ending::CopiedWithoutMetadata) {
            // The same picture data, without the position (and, stripped, without the camera).
            QCOMPARE(KPTest::readOutput(outcome.job->exportPath()), KPTest::readOutput(source));
            const QJsonObject found = KPTest::exifTags(outcome.job->exportPath());
            QVERIFY(!found.contains(QStringLiteral("GPS:GPSLatitude")));
            QCOMPARE(found.contains(QStringLiteral("IFD0:Make")),
                     KPMetadataPolicy(policy) != KPMetadataPolicy::RemoveAll);
        }
        const QString wrong =
            KPTest::summaryMismatch(*outcome.job, quint64(bytes.size()), QSize(64, 48), end);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }

    void fileExactlyAtTheLimitIsNotUnder()
    {
        const QString source = writeSource(KPTest::noisyImage(64, 48), QStringLiteral("a.png"));
        const quint64 size = *KPAtomicFile::fileSize(source);
        const Outcome outcome = fit(source, size, {});
        QVERIFY(outcome.encodings > 0);
        QCOMPARE(outcome.job->progress(), qint32(KPProgress::Converted));
        QVERIFY(*outcome.job->exportSize() < size);
    }

    // A limit no encoding can reach makes every descent run to its floor.
    void descentStepsDownToTheFloor_data()
    {
        QTest::addColumn<float>("floor");
        QTest::addColumn<int>("encodings");
        QTest::addColumn<float>("lowest");
        // The source's decode and each step's decode of the file before wait in the queue.
        QTest::addColumn<bool>("busyPool");
        QTest::newRow("default floor 0.6") << 0.6f << 14 << 0.61f << false;
        QTest::newRow("floor 1.0") << 1.0f << 1 << 1.0f << false;
        QTest::newRow("floor 0") << 0.0f << 34 << 0.01f << false;
        QTest::newRow("no thread free for the decodes") << 0.6f << 14 << 0.61f << true;
    }
    void descentStepsDownToTheFloor()
    {
        QFETCH(float, floor);
        QFETCH(int, encodings);
        QFETCH(float, lowest);
        QFETCH(bool, busyPool);
        const QString source = writeSource(KPTest::noisyImage(160, 120), QStringLiteral("d.png"));
        KPFitOptions options;
        options.compressionFactor = floor;
        options.enableConvertScale = false;
        std::optional<KPBusyPool> busy;
        if (busyPool)
            busy.emplace();
        const Outcome outcome = fit(source, 10, options);
        busy.reset();

        // Two descents (scaling is off), each logged after every encoding and once more.
        QCOMPARE(outcome.encodings, qint64(2 * encodings));
        QCOMPARE(outcome.loggedQualities.size(), 2 * (encodings + 1));
        const QList<float> first = outcome.loggedQualities.mid(0, encodings);
        QCOMPARE(first.first(), 1.0f);
        QVERIFY(std::abs(first.last() - lowest) < 1e-4f);
        for (qsizetype i = 1; i < first.size(); ++i)
            QVERIFY(std::abs((first[i - 1] - first[i]) - 0.03f) < 1e-4f);
        QCOMPARE(outcome.job->progress(), qint32(KPProgress::Failed));
        QVERIFY(!outcome.job->summary());
        QVERIFY(exportFiles().isEmpty());
    }

    void descentStopsAtTheFirstQualityUnderTheLimit()
    {
        const QImage picture = KPTest::noisyImage(320, 240);
        const QString source = writeSource(picture, QStringLiteral("p.png"));
        // The encoding at 1.0 is exactly at the limit, so not under it; 0.97 is.
        KPJpegCodec codec;
        const auto atBest = quint64(codec.encode(picture, 1.0f).size());
        const Outcome outcome = fit(source, atBest, {});
        QCOMPARE(outcome.job->progress(), qint32(KPProgress::Converted));
        QCOMPARE(outcome.encodings, 2);
        QVERIFY(std::abs(*outcome.job->exportQuality() - 0.97f) < 1e-4f);
        QCOMPARE(outcome.job->exportPixelSize(), picture.size());
        QCOMPARE(QImageReader(outcome.job->exportPath()).format(), QByteArray("jpeg"));
    }

    void scalingShrinksTowardsTheBox()
    {
        const QString source =
            writeSource(KPTest::noisyImage(1600, 1200), QStringLiteral("big.png"));
        const Outcome outcome = fit(source, 60000, {});
        QCOMPARE(outcome.job->progress(), qint32(KPProgress::Converted));
        const QSize size = outcome.job->exportPixelSize();
        QVERIFY2(size.width() < 1600 && size.width() >= 320 && size.height() >= 240,
                 qPrintable(QStringLiteral("%1x%2").arg(size.width()).arg(size.height())));
        QVERIFY(std::abs(double(size.width()) / size.height() - 4.0 / 3.0) < 0.01);
        QVERIFY(*KPAtomicFile::fileSize(outcome.job->exportPath()) < 60000);
        QCOMPARE(exportFiles(), QStringList{QStringLiteral("big.jpg")});
    }

    // The scaling passes log nothing, so a run that reaches the second descent logs
    // both descents in full and encodes once more per pass in between.
    void unreachableLimitRunsBothDescentsAndFails()
    {
        const QString source = writeSource(KPTest::noisyImage(640, 480), QStringLiteral("u.png"));
        const QByteArray before = *KPAtomicFile::readAll(source);
        const Outcome outcome = fit(source, 100, {});
        QCOMPARE(outcome.job->progress(), qint32(KPProgress::Failed));
        QCOMPARE(outcome.loggedQualities.size(), 2 * 15);
        QVERIFY(outcome.encodings > 28);
        QVERIFY(exportFiles().isEmpty());
        QCOMPARE(*KPAtomicFile::readAll(source), before);
    }

    // The encoder the fittings write with gives the codec's very bytes, the metadata where
    // an encoding made with it has it; its size estimate is the codec's own, for the
    // coding the estimate counts.
    void jpegEncoderWritesTheCodecsBytes_data()
    {
        QTest::addColumn<int>("quality");
        QTest::addColumn<bool>("optimised");
        QTest::addColumn<bool>("gated"); // rows handed over as a decode gives them
        QTest::newRow("the best quality") << 100 << false << false;
        QTest::newRow("a descent's step, gated") << 61 << false << true;
        QTest::newRow("quality 0 encodes as 1") << 0 << false << false;
        QTest::newRow("optimised tables") << 85 << true << false;
    }
    void jpegEncoderWritesTheCodecsBytes()
    {
        QFETCH(int, quality);
        QFETCH(bool, optimised);
        QFETCH(bool, gated);
        const QImage picture =
            KPTest::noisyImage(203, 115, 5).convertToFormat(QImage::Format_RGB32);
        const QString source = writeSource(picture, QStringLiteral("m.jpg"));
        QVERIFY(KPTest::exifWrite(source, {QStringLiteral("-IFD0:Make=PictaroCam"),
                                           QStringLiteral("-IFD0:Artist=Ann Example")}));
        const KPMetadata metadata = KPMetadata::read(*KPAtomicFile::readAll(source), "jpg",
                                                     KPMetadataPolicy::KeepAll, false);
        QVERIFY(!metadata.isEmpty());
        KPJpegEncoder encoder(optimised ? KPJpegEncoder::Coding::Optimised
                                        : KPJpegEncoder::Coding::Standard);
        int gateAsked = 0;
        KPRowGate gate;
        if (gated)
            gate = [&gateAsked](int) { return ++gateAsked > 0; };
        KPJpegCodec codec;
        const QByteArray bare = encoder.encode(picture, quality, KPMetadata(), gate);
        QCOMPARE(bare, codec.encodeAtQuality(picture, std::max(quality, 1), optimised));
        QCOMPARE(gateAsked > 0, gated);
        const QByteArray carried = encoder.encode(picture, quality, metadata, {});
        QCOMPARE(carried, encoder.withMetadata(bare, metadata, picture.size()));
        QCOMPARE(qint64(carried.size() - bare.size()), encoder.metadataBytes(metadata));
        const QImage whole = encoder.decode(carried);
        QCOMPARE(whole.size(), picture.size());
        // A step's decode writes into the picture the step before let go: the same picture
        // comes out whatever that one held, and one still held elsewhere (the panel shows
        // it) is left as it is.
        QImage shown(picture.size(), QImage::Format_RGB32);
        shown.fill(Qt::red);
        std::shared_ptr<KPRowDecode> decode = encoder.startDecode(carried, shown);
        QVERIFY(decode && decode->wait());
        QCOMPARE(decode->image(), whole);
        QCOMPARE(shown.pixel(0, 0), QColor(Qt::red).rgb());
        QImage spent = shown.copy();
        const uchar* const bits = spent.constBits();
        decode = encoder.startDecode(carried, std::move(spent));
        QVERIFY(decode && decode->wait());
        QCOMPARE(decode->image().constBits(), bits);
        QCOMPARE(decode->image(), whole);

        const std::unique_ptr<KPSizeEstimate> estimate = encoder.sizeEstimate();
        QCOMPARE(bool(estimate), optimised);
        if (estimate) {
            KPJpegEstimate own;
            QVERIFY(own.analyse(picture, 2) && estimate->analyse(picture, 2, {}));
            QCOMPARE(estimate->size(quality, 2), own.size(quality, 2));
        }
    }

    void scaleFactor_data()
    {
        QTest::addColumn<quint64>("limit");
        QTest::addColumn<quint64>("fileSize");
        QTest::addColumn<float>("factor");
        QTest::newRow("ratio plus headroom") << quint64(200000) << quint64(600000) << 0.6333333f;
        QTest::newRow("bare ratio above 0.7") << quint64(850000) << quint64(1000000) << 0.85f;
        QTest::newRow("exactly at the limit") << quint64(1000000) << quint64(1000000) << 1.0f;
        QTest::newRow("rounds to 1.0") << quint64(700000) << quint64(1000000) << 1.0f;
        QTest::newRow("above 4 GB") << quint64(5000000000) << quint64(10000000000) << 0.8f;
    }
    void scaleFactor()
    {
        QFETCH(quint64, limit);
        QFETCH(quint64, fileSize);
        QFETCH(float, factor);
        QVERIFY(std::abs(KPScalingPass::scaleFactor(limit, fileSize) - factor) < 1e-5f);
    }

    void passSize_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<float>("factor");
        QTest::addColumn<QSize>("expected");
        QTest::addColumn<bool>("last");
        QTest::newRow("landscape pass")
            << QSize(2000, 1500) << 0.6333333f << QSize(1267, 950) << false;
        QTest::newRow("landscape stops at the box")
            << QSize(400, 300) << 0.5f << QSize(320, 240) << true;
        QTest::newRow("portrait box is turned")
            << QSize(1500, 2000) << 0.1f << QSize(240, 320) << true;
        QTest::newRow("square counts as landscape")
            << QSize(1000, 1000) << 0.2f << QSize(320, 320) << true;
        QTest::newRow("panorama keeps proportions")
            << QSize(4000, 1000) << 0.1f << QSize(960, 240) << true;
        QTest::newRow("tall panorama") << QSize(1000, 4000) << 0.1f << QSize(240, 960) << true;
        QTest::newRow("within the box is not enlarged")
            << QSize(300, 200) << 0.9f << QSize(300, 200) << true;
        QTest::newRow("factor 1.0 is the last pass")
            << QSize(2000, 1500) << 1.0f << QSize(2000, 1500) << true;
        QTest::newRow("no shrink left") << QSize(1, 1) << 0.5f << QSize(1, 1) << true;
    }
    void passSize()
    {
        QFETCH(QSize, picture);
        QFETCH(float, factor);
        QFETCH(QSize, expected);
        QFETCH(bool, last);
        bool isLast = !last;
        QCOMPARE(KPScalingPass::passSize(picture, factor, 320.0f, 240.0f, isLast), expected);
        QCOMPARE(isLast, last);
    }

    // A zero box never stops the passes by itself; they must still end.
    void zeroBoxStillEnds()
    {
        const QString source = writeSource(KPTest::noisyImage(200, 150), QStringLiteral("z.png"));
        KPFitOptions options;
        options.limitWidth = 0.0f;
        options.limitHeight = 0.0f;
        const Outcome outcome = fit(source, 10, options);
        QCOMPARE(outcome.job->progress(), qint32(KPProgress::Failed));
        QVERIFY(exportFiles().isEmpty());
    }

    // The painter-free drawing of opaque pictures gives the very pixels of drawing at the
    // pass opacity onto a transparent picture and flattening that.
    void passDrawingMatchesThePainter_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("target");
        QTest::newRow("shrunk") << QSize(640, 480) << QSize(401, 300);
        QTest::newRow("same size") << QSize(300, 200) << QSize(300, 200);
        QTest::newRow("one pixel") << QSize(50, 40) << QSize(1, 1);
    }
    void passDrawingMatchesThePainter()
    {
        QFETCH(QSize, picture);
        QFETCH(QSize, target);
        QImage opaque = KPTest::noisyImage(picture.width(), picture.height(), 7)
                            .convertToFormat(QImage::Format_RGB32);
        // Every colour value appears somewhere.
        for (int value = 0; value < 256 && value < opaque.width() * opaque.height(); ++value)
            opaque.setPixel(value % opaque.width(), value / opaque.width(),
                            qRgb(value, 255 - value, value / 2));
        const QImage fast = KPScalingPass::drawPass(opaque, target);
        // The painter's way: the picture scaled as it is, then drawn (a picture with an alpha
        // channel takes the painter's path).
        const QImage scaled =
            opaque.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QImage painted = KPImageDecoder::flattenForJpeg(
            KPScalingPass::drawPass(scaled.convertToFormat(QImage::Format_ARGB32), target));
        QCOMPARE(fast.format(), QImage::Format_RGB32);
        QCOMPARE(fast.size(), target);
        QCOMPARE(fast, painted);
    }

    void scalingKeepsTheColours()
    {
        const QColor colour(200, 120, 40);
        const QString source =
            writeSource(KPTest::flatImage(1200, 900, colour), QStringLiteral("c.png"));
        // Too small for the full size at any quality, large enough for a scaled copy.
        const Outcome outcome = fit(source, 2500, {});
        QCOMPARE(outcome.job->progress(), qint32(KPProgress::Converted));
        QVERIFY(outcome.job->exportPixelSize().width() < 1200);
        const QColor mean = KPTest::meanColor(QImage(outcome.job->exportPath()));
        // A tenth darker or lighter would be off by 12 to 20 here; JPEG's own rounding
        // stays within a few steps.
        QVERIFY2(std::abs(mean.red() - colour.red()) <= 6 &&
                     std::abs(mean.green() - colour.green()) <= 6 &&
                     std::abs(mean.blue() - colour.blue()) <= 6,
                 qPrintable(mean.name()));
    }

    // Pictures in other colour spaces come out in sRGB with the colours they showed.
    void coloursSurviveColourSpaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("cmyk jpeg") << QStringLiteral("cmyk.jpg") << QColor(200, 120, 40);
        const QColor adobe(200, 120, 40);
        const QColor inSrgb = QColorSpace(QColorSpace::AdobeRgb)
                                  .transformationToColorSpace(QColorSpace(QColorSpace::SRgb))
                                  .map(adobe);
        QTest::newRow("adobe rgb png") << QStringLiteral("adobe.png") << inSrgb;
    }
    void coloursSurviveColourSpaces()
    {
        QFETCH(QString, name);
        QFETCH(QColor, expected);
        const QString source = m_folders->in.filePath(name);
        QImage picture = KPTest::flatImage(400, 300, QColor(200, 120, 40));
        if (name.startsWith(QStringLiteral("cmyk"))) {
            const QString rgb = m_folders->in.filePath(QStringLiteral("rgb.png"));
            QVERIFY(picture.save(rgb));
            QCOMPARE(
                QProcess::execute(QStringLiteral("convert"), {rgb, QStringLiteral("-colorspace"),
                                                              QStringLiteral("CMYK"), source}),
                0);
        } else {
            picture.setColorSpace(QColorSpace(QColorSpace::AdobeRgb));
            QVERIFY(picture.save(source));
        }
        // The picture every encoding starts from.
        const QImage decoded = KPImageDecoder::decodeForFitting(*KPAtomicFile::readAll(source));
        QCOMPARE(decoded.format(), QImage::Format_RGB32);
        QVERIFY(!decoded.colorSpace().isValid() ||
                decoded.colorSpace() == QColorSpace(QColorSpace::SRgb));
        const QColor mean = KPTest::meanColor(decoded);
        QVERIFY2(std::abs(mean.red() - expected.red()) <= 2 &&
                     std::abs(mean.green() - expected.green()) <= 2 &&
                     std::abs(mean.blue() - expected.blue()) <= 2,
                 qPrintable(mean.name() + QStringLiteral(" instead of ") + expected.name()));
    }

    void transparencyBecomesWhite()
    {
        // Left half fully transparent, right half opaque detail that must be re-encoded.
        QImage picture(400, 300, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        const QImage detail = KPTest::noisyImage(200, 300);
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 200; ++x)
                picture.setPixel(200 + x, y, detail.pixel(x, y));
        const QString source = writeSource(picture, QStringLiteral("t.png"));
        const Outcome outcome = fit(source, 60000, {});
        QCOMPARE(outcome.job->progress(), qint32(KPProgress::Converted));
        const QImage result(outcome.job->exportPath());
        const QImage left = result.copy(0, 0, result.width() / 2 - 8, result.height());
        QVERIFY(KPTest::meanColor(left).lightness() > 250);
    }

    void exifOrientationIsApplied()
    {
        // A 40x20 picture stored sideways with orientation 6 (turn 90 degrees clockwise).
        const QImage stored = KPTest::noisyImage(40, 20);
        QByteArray jpeg;
        {
            QBuffer buffer(&jpeg);
            buffer.open(QIODevice::WriteOnly);
            stored.save(&buffer, "JPEG", 95);
        }
        static const char exif[] = "\xff\xe1\x00\x22"
                                   "Exif\x00\x00"
                                   "MM\x00\x2a\x00\x00\x00\x08"
                                   "\x00\x01"
                                   "\x01\x12\x00\x03\x00\x00\x00\x01\x00\x06\x00\x00"
                                   "\x00\x00\x00\x00";
        jpeg.insert(2, QByteArray(exif, 36));
        QCOMPARE(KPImageDecoder::decodeForFitting(jpeg).size(), QSize(20, 40));
    }

    void damagedSourcesFail_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        const QImage picture = KPTest::noisyImage(200, 150);
        auto encoded = [&picture](const char* format) {
            QByteArray data;
            QBuffer buffer(&data);
            buffer.open(QIODevice::WriteOnly);
            picture.save(&buffer, format);
            return data;
        };
        QTest::newRow("empty file") << QStringLiteral("e.jpg") << QByteArray();
        QTest::newRow("text named jpg") << QStringLiteral("t.jpg") << QByteArray("not a picture");
        QTest::newRow("truncated jpeg") << QStringLiteral("j.jpg") << encoded("JPEG").left(3000);
        QTest::newRow("truncated png") << QStringLiteral("p.png") << encoded("PNG").left(5000);
        QTest::newRow("truncated gif") << QStringLiteral("g.gif") << encoded("GIF").left(3000);
        QTest::newRow("truncated bmp") << QStringLiteral("b.bmp") << encoded("BMP").left(5000);
        QTest::newRow("truncated tiff") << QStringLiteral("f.tiff") << encoded("TIFF").left(5000);
        // A bitmap header claiming 50000 x 50000 pixels over a few bytes of data.
        QByteArray huge = encoded("BMP").left(54);
        const qint32 side = 50000;
        huge.replace(18, 4, reinterpret_cast<const char*>(&side), 4);
        huge.replace(22, 4, reinterpret_cast<const char*>(&side), 4);
        huge.append(QByteArray(64, '\x7f'));
        QTest::newRow("absurd dimensions") << QStringLiteral("h.bmp") << huge;
    }
    void damagedSourcesFail()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QString source = m_folders->in.filePath(name);
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        // A limit far above the file's size, so a damaged file cannot pass as an
        // unchanged copy, and one far below it, so it has to be decoded.
        for (const quint64 limit : {quint64(100000000), quint64(10)}) {
            const Outcome outcome = fit(source, limit, {});
            QCOMPARE(outcome.job->progress(), qint32(KPProgress::Failed));
            QVERIFY(exportFiles().isEmpty());
        }
    }

    void missingExportFolderFailsWithoutAPath()
    {
        const QString source = writeSource(KPTest::noisyImage(64, 48), QStringLiteral("m.png"));
        auto job = std::make_shared<KPImageData>();
        job->setPath(source);
        KPExportPlacement placement({source});
        KPFitter fitter(
            1000000, {}, [] { return std::optional<QString>(); }, {}, placement);
        fitter.fitJob(job);
        QCOMPARE(job->progress(), qint32(KPProgress::Failed));
        QVERIFY(job->exportPath().isEmpty());
    }

    // A picture larger than the largest box is brought inside it, its sides following the
    // picture's orientation, before either fitting starts; one inside it, or smaller than
    // the smallest box, is never enlarged; a JPEG under the limit is kept only inside it.
    void largestBoxBringsPicturesInside_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<bool>("best");
        QTest::addColumn<QSize>("output");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<qint64>("limit");
        const qint64 roomy = 10000000; // a limit no test picture comes near
        for (const bool best : {false, true}) {
            const char* how = best ? "best quality" : "stepwise";
            QTest::addRow("landscape, %s", how) << QStringLiteral("l.png") << QSize(800, 600)
                                                << best << QSize(400, 300) << false << roomy;
            QTest::addRow("portrait, %s", how) << QStringLiteral("p.png") << QSize(450, 800) << best
                                               << QSize(225, 400) << false << roomy;
            QTest::addRow("inside the box, %s", how) << QStringLiteral("i.png") << QSize(300, 200)
                                                     << best << QSize(300, 200) << false << roomy;
            QTest::addRow("smaller than the smallest box, %s", how)
                << QStringLiteral("s.png") << QSize(100, 80) << best << QSize(100, 80) << false
                << roomy;
            QTest::addRow("JPEG under the limit but larger, %s", how)
                << QStringLiteral("j.jpg") << QSize(800, 600) << best << QSize(400, 300) << false
                << roomy;
            QTest::addRow("JPEG under the limit and inside, %s", how)
                << QStringLiteral("k.jpg") << QSize(400, 300) << best << QSize(400, 300) << true
                << roomy;
            // Many times the limit: the best-quality fitting decodes it at a fraction of its
            // size, and whatever decode the search ends on stays inside the box (an empty
            // output size: inside the box, proportions kept).
            QTest::addRow("JPEG many times the limit, %s", how)
                << QStringLiteral("m.jpg") << QSize(3200, 2400) << best << QSize() << false
                << qint64(80000);
        }
    }
    void largestBoxBringsPicturesInside()
    {
        QFETCH(QString, name);
        QFETCH(QSize, picture);
        QFETCH(bool, best);
        QFETCH(QSize, output);
        QFETCH(bool, kept);
        QFETCH(qint64, limit);
        const QString source =
            writeSource(KPTest::noisyImage(picture.width(), picture.height()), name);
        KPFitOptions options;
        options.bestQuality = best;
        options.largestBox = QSize(400, 300);
        const Outcome outcome = fit(source, limit, options);
        QCOMPARE(outcome.job->progress(), qint32(KPProgress::Converted));
        const QSize written = QImageReader(outcome.job->exportPath()).size();
        if (output.isValid()) {
            QCOMPARE(written, output);
        } else {
            QVERIFY2(
                written.width() <= 400 && written.height() <= 300,
                qPrintable(QStringLiteral("%1x%2").arg(written.width()).arg(written.height())));
            QVERIFY(qAbs(written.width() * 3 - written.height() * 4) <= 4);
            QVERIFY(QFileInfo(outcome.job->exportPath()).size() < limit);
        }
        QCOMPARE(outcome.job->summary()->outputPixels, written);
        QCOMPARE(outcome.job->summary()->isCopy(), kept);
    }

    // The output gets its source's dates when asked, a copy kept unchanged as well as an
    // encoding; without it, the date it was written.
    void keepDatesGivesTheSourcesDates_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("keep");
        QTest::addColumn<bool>("copy");
        QTest::newRow("encoding") << QStringLiteral("e.png") << true << false;
        QTest::newRow("copy kept unchanged") << QStringLiteral("c.jpg") << true << true;
        QTest::newRow("encoding, dates not kept") << QStringLiteral("n.png") << false << false;
    }
    void keepDatesGivesTheSourcesDates()
    {
        QFETCH(QString, name);
        QFETCH(bool, keep);
        QFETCH(bool, copy);
        const QString source = writeSource(KPTest::noisyImage(200, 150), name);
        const QDateTime modified(QDate(2009, 7, 14), QTime(10, 30, 15), QTimeZone::utc());
        const QDateTime accessed(QDate(2010, 1, 2), QTime(3, 4, 5), QTimeZone::utc());
        {
            QFile file(source);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
            QVERIFY(file.setFileTime(accessed, QFileDevice::FileAccessTime));
        }
        KPFitOptions options;
        options.keepDates = keep;
        const Outcome outcome = fit(source, 10000000, options);
        QCOMPARE(outcome.job->progress(), qint32(KPProgress::Converted));
        QCOMPARE(outcome.job->summary()->isCopy(), copy);
        const QFileInfo written(outcome.job->exportPath());
        QCOMPARE(written.lastModified().toUTC() == modified, keep);
        if (keep)
            QCOMPARE(written.lastRead().toUTC(), accessed);
    }

    void bigPhotoConverts()
    {
        // 100 megapixels: more than Qt's default allocation limit allows.
        KPImageDecoder::applyAllocationLimit();
        QImage picture(12000, 8400, QImage::Format_RGB32);
        picture.fill(QColor(30, 90, 150));
        const QString source = writeSource(picture, QStringLiteral("huge.jpg"), 100);
        picture = QImage();
        const Outcome outcome = fit(source, 100000, {});
        QCOMPARE(outcome.job->progress(), qint32(KPProgress::Converted));
    }
};

QTEST_GUILESS_MAIN(TestFitter)
#include "tst_fitter.moc"
