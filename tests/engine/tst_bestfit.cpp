#include "engine/KPAtomicFile.h"
#include "engine/KPAvifEncoder.h"
#include "engine/KPBatchRun.h"
#include "engine/KPBestFit.h"
#include "engine/KPCodecStats.h"
#include "engine/KPDecodeScale.h"
#include "engine/KPFitter.h"
#include "engine/KPFormatFit.h"
#include "engine/KPForwardDct.h"
#include "engine/KPImageDecoder.h"
#include "engine/KPJpegCodec.h"
#include "engine/KPJpegEstimate.h"
#include "engine/KPJpegQuantiser.h"
#include "engine/KPQuality.h"
#include "engine/KPQualitySearch.h"
#include "engine/KPScaledJpegDecode.h"
#include "engine/KPSsim.h"
#include "engine/KPWebpEncoder.h"
#include "list/KPListView.h"
#include "settings/KPSettings.h"
#include "support/KPCurveEncoder.h"
#include "support/KPFitSupport.h"
#include "support/KPTestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <tuple>

// The best-quality fitting: the quality search on size curves known in advance, the
// search and scaling on real encodings, and the mode inside a job and a run.
class TestBestFit : public QObject
{
    Q_OBJECT

private:
    using Curve = std::map<int, qint64>; // quality to size

    // Sizes that grow exponentially with the quality, as JPEG's mostly do.
    static Curve exponentialCurve(double atFifty, double growth)
    {
        Curve curve;
        for (int quality = 1; quality <= 100; ++quality)
            curve[quality] = qint64(atFifty * std::exp(growth * (quality - 50)));
        return curve;
    }

    static std::optional<int> bruteForce(const Curve& curve, int lowest, qint64 limit)
    {
        std::optional<int> best;
        for (int quality = lowest; quality <= 100; ++quality) {
            if (curve.at(quality) < limit)
                best = quality;
        }
        return best;
    }

    // Every encoding of the pristine picture between `lowest` and 100, as the search
    // could see them.
    static Curve trialCurve(const QImage& picture, int lowest)
    {
        KPJpegCodec codec;
        Curve curve;
        for (int quality = lowest; quality <= 100; ++quality)
            curve[quality] = codec.encodeAtQuality(picture, quality, true).size();
        return curve;
    }

    KPImageDataPtr fitJob(const QString& source, quint64 limit, KPFitOptions options,
                          int* decodes = nullptr)
    {
        const KPImageDataPtr job = KPTest::job(source, KPProgress::New);
        KPCodecStats stats;
        stats.attach();
        KPTest::fitJobs({job}, limit, options, m_folders->out.path());
        if (decodes)
            *decodes = int(stats.count(KPCodecStats::Decode));
        return job;
    }

    QString writeSource(const QImage& image, const QString& name)
    {
        return KPTest::writePicture(image, m_folders->in.filePath(name));
    }

    // The WebP and AVIF side of fitChoosesTheHighestQualityOfTheTrialCurve, and that of a
    // coder whose reduced copy misleads the search: each full encoding above the floor
    // comes out just over the limit where the copy promised it under, and only the floor
    // fits.
    static void formatFitChoosesTheHighestQuality(const QImage& picture, double share,
                                                  const QString& coder)
    {
        std::unique_ptr<KPEncoder> encoder;
        // Rounds of full encodings the search makes at one size, and the floor's after them.
        int most = 4;
        if (coder == QLatin1String("webp")) {
            encoder = std::make_unique<KPWebpEncoder>();
        } else if (coder == QLatin1String("avif")) {
            encoder = std::make_unique<KPAvifEncoder>();
        } else {
            const QSize full = picture.size();
            encoder = std::make_unique<KPCurveEncoder>([full](QSize pixels, int quality) {
                if (pixels != full)
                    return qint64(quality) * 100;
                return quality > 60 ? qint64(101'000) : qint64(90'000);
            });
            most = 5;
        }
        const KPMetadata none;
        Curve curve;
        for (int quality = 60; quality <= 100; ++quality)
            curve[quality] = encoder->encode(picture, quality, none, {}).size();
        const auto limit =
            qint64(double(curve.at(60)) + share * double(curve.at(100) - curve.at(60)));
        std::map<int, qint64> encoded;
        KPFormatFit fit(*encoder, limit, 60, none, [&](int quality, QSize pixels, qint64 bytes) {
            QCOMPARE(pixels, picture.size());
            encoded[quality] = bytes;
        });
        const std::optional<KPFormatFit::Choice> choice = fit.fit(picture, std::nullopt);
        QVERIFY(choice);
        const bool monotonic =
            std::is_sorted(curve.begin(), curve.end(),
                           [](const auto& a, const auto& b) { return a.second < b.second; });
        if (monotonic)
            QCOMPARE(choice->quality, *bruteForce(curve, 60, limit));
        QVERIFY(qint64(choice->data.size()) < limit);
        QCOMPARE(qint64(choice->data.size()), curve.at(choice->quality));
        QCOMPARE(choice->pixels, picture.size());
        QCOMPARE(fit.encodings(), int(encoded.size()));
        // Not a dozen: the reduced copy places the search.
        QVERIFY2(fit.encodings() <= most, qPrintable(QString::number(fit.encodings())));
    }

    std::unique_ptr<KPTestFolders> m_folders;

private Q_SLOTS:
    void init() { m_folders = std::make_unique<KPTestFolders>(); }

    // The SSIM the compare mode shows and the quality bench measures: 1 for the same
    // picture, lower the more an encoding loses, no number where the window does not fit.
    void ssim_data()
    {
        QTest::addColumn<QString>("other"); // compared with a 240x180 photo-like picture
        QTest::addColumn<double>("low");    // NaN: no number
        QTest::addColumn<double>("high");
        const double none = std::nan("");
        QTest::newRow("the same picture") << "same" << 0.99999 << 1.00001;
        QTest::newRow("a JPEG at quality 90") << "jpeg90" << 0.9 << 0.999;
        QTest::newRow("a JPEG at quality 10") << "jpeg10" << 0.2 << 0.9;
        QTest::newRow("a flat picture") << "flat" << -1.0 << 0.2;
        QTest::newRow("another size") << "size" << none << none;
        QTest::newRow("smaller than the window") << "tiny" << none << none;
    }
    void ssim()
    {
        QFETCH(QString, other);
        QFETCH(double, low);
        QFETCH(double, high);
        QImage source = KPTest::noisyImage(240, 180).convertToFormat(QImage::Format_RGB32);
        QImage compared = source;
        const auto jpeg = [&source](int quality) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            source.save(&buffer, "JPEG", quality);
            return QImage::fromData(bytes, "JPEG").convertToFormat(QImage::Format_RGB32);
        };
        if (other == QLatin1String("jpeg90"))
            compared = jpeg(90);
        else if (other == QLatin1String("jpeg10"))
            compared = jpeg(10);
        else if (other == QLatin1String("flat"))
            compared = KPTest::flatImage(240, 180, Qt::gray).convertToFormat(QImage::Format_RGB32);
        else if (other == QLatin1String("size"))
            compared = source.scaled(120, 90);
        else if (other == QLatin1String("tiny"))
            source = compared = source.copy(0, 0, 10, 10);
        const double value = KPSsim::mean(source, compared);
        if (std::isnan(low)) {
            QVERIFY(std::isnan(value));
            return;
        }
        QVERIFY2(value >= low && value <= high, qPrintable(QString::number(value)));
        // A source larger than the output is compared at the output's size.
        if (other == QLatin1String("same"))
            QCOMPARE(KPSsim::atOutputSize(KPTest::noisyImage(480, 360), QSize(240, 181)).size(),
                     QSize(240, 181));
    }

    void searchFindsTheHighestQualityUnder_data()
    {
        QTest::addColumn<double>("atFifty");
        QTest::addColumn<double>("growth");
        QTest::addColumn<int>("lowest");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<int>("perRound");
        const struct
        {
            const char* name;
            double atFifty;
            double growth;
        } curves[] = {
            {"steep", 50000.0, 0.06}, {"flat", 150000.0, 0.01}, {"very steep", 2000.0, 0.2}};
        for (const auto& curve : curves) {
            for (const qint64 limit :
                 {qint64(1000), qint64(60000), qint64(120000), qint64(199999), qint64(10000000)}) {
                for (const int perRound : {1, 2, 3}) {
                    QTest::addRow("%s, limit %lld, %d per round", curve.name, limit, perRound)
                        << curve.atFifty << curve.growth << 60 << limit << perRound;
                }
            }
        }
        QTest::newRow("floor 1") << 50000.0 << 0.06 << 1 << qint64(30000) << 2;
        QTest::newRow("floor 100, fits") << 50000.0 << 0.06 << 100 << qint64(10000000) << 2;
        QTest::newRow("floor 100, too big") << 50000.0 << 0.06 << 100 << qint64(1000) << 2;
    }
    void searchFindsTheHighestQualityUnder()
    {
        QFETCH(double, atFifty);
        QFETCH(double, growth);
        QFETCH(int, lowest);
        QFETCH(qint64, limit);
        QFETCH(int, perRound);
        const Curve curve = exponentialCurve(atFifty, growth);
        int rounds = 0;
        bool outside = false;
        const auto result = KPQualitySearch::highestUnder(
            lowest, 100, limit, perRound, [&](const QList<int>& qualities) {
                ++rounds;
                QList<std::optional<qint64>> sizes;
                for (const int quality : qualities) {
                    outside = outside || quality < lowest || quality > 100;
                    sizes.append(curve.at(std::clamp(quality, 1, 100)));
                }
                return sizes;
            });
        QVERIFY(!outside);
        QCOMPARE(result.failed, false);
        QCOMPARE(result.quality, bruteForce(curve, lowest, limit));
        // A search, not a walk: never more rounds than halving the range would take twice.
        QVERIFY2(rounds <= 2 * int(std::ceil(std::log2(102 - lowest))) + 1,
                 qPrintable(QString::number(rounds)));
    }

    // A curve with bumps (a lower quality giving a larger file) may hide the best answer,
    // but the answer is always a quality measured under the limit.
    void bumpsNeverGiveASizeOverTheLimit_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<qint64>("limit");
        for (quint32 seed = 1; seed <= 6; ++seed) {
            QTest::addRow("seed %u, tight", seed) << seed << qint64(90000);
            QTest::addRow("seed %u, loose", seed) << seed << qint64(160000);
        }
    }
    void bumpsNeverGiveASizeOverTheLimit()
    {
        QFETCH(quint32, seed);
        QFETCH(qint64, limit);
        Curve curve = exponentialCurve(50000.0, 0.04);
        quint32 state = seed;
        for (auto& [quality, size] : curve) {
            state = state * 1664525u + 1013904223u;
            // Up to a fifth up or down: sizes jump about and leave the order.
            size = qint64(double(size) * (0.8 + 0.4 * double(state >> 8) / double(1u << 24)));
        }
        QSet<int> measured;
        const auto result =
            KPQualitySearch::highestUnder(60, 100, limit, 2, [&](const QList<int>& qualities) {
                QList<std::optional<qint64>> sizes;
                for (const int quality : qualities) {
                    measured.insert(quality);
                    sizes.append(curve.at(quality));
                }
                return sizes;
            });
        // The floor is measured first: when it fits, there is always an answer.
        if (curve.at(60) < limit)
            QVERIFY(result.quality);
        if (result.quality) {
            QVERIFY(measured.contains(*result.quality));
            QVERIFY(curve.at(*result.quality) < limit);
        }
    }

    void failedEncodingEndsTheSearch()
    {
        int calls = 0;
        const auto result =
            KPQualitySearch::highestUnder(60, 100, 100000, 2, [&](const QList<int>& qualities) {
                ++calls;
                return QList<std::optional<qint64>>(qualities.size());
            });
        QVERIFY(result.failed);
        QCOMPARE(calls, 1);
        QVERIFY(!result.quality);
    }

    // On real encodings of a picture, the quality chosen is the highest whose trial
    // encoding is under the limit, and the data chosen is that encoding: one the search
    // encoded, never one it only estimated. Metadata bytes count against the limit.
    void fitChoosesTheHighestQualityOfTheTrialCurve_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<double>("share"); // the limit between the floor's size and the top's
        QTest::addColumn<qint64>("metadata");
        QTest::addColumn<bool>("busyPool"); // no thread free for the search's helpers
        QTest::addColumn<QString>("coder");
        const QString jpeg = QStringLiteral("jpeg");
        const QString webp = QStringLiteral("webp");
        const QString avif = QStringLiteral("avif");
        QTest::newRow("low") << QSize(320, 240) << 0.1 << qint64(0) << false << jpeg;
        QTest::newRow("middle") << QSize(320, 240) << 0.5 << qint64(0) << false << jpeg;
        QTest::newRow("high") << QSize(400, 300) << 0.9 << qint64(0) << false << jpeg;
        QTest::newRow("above the top") << QSize(200, 150) << 1.5 << qint64(0) << false << jpeg;
        QTest::newRow("odd size") << QSize(333, 127) << 0.6 << qint64(0) << false << jpeg;
        QTest::newRow("with metadata") << QSize(320, 240) << 0.5 << qint64(20000) << false << jpeg;
        QTest::newRow("metadata above the top")
            << QSize(200, 150) << 1.5 << qint64(60000) << false << jpeg;
        // Large enough for the DCT and the counts to be shared out as well.
        QTest::newRow("no thread free") << QSize(640, 480) << 0.5 << qint64(0) << true << jpeg;
        // WebP and AVIF search on encodings of a reduced copy (of a picture large enough to
        // have one) and confirm by full ones; AVIF's qualities share its 64 quantisers.
        QTest::newRow("webp, low") << QSize(800, 600) << 0.1 << qint64(0) << false << webp;
        QTest::newRow("webp, high") << QSize(800, 600) << 0.8 << qint64(0) << false << webp;
        QTest::newRow("webp, above the top")
            << QSize(200, 150) << 1.5 << qint64(0) << false << webp;
        QTest::newRow("avif, middle") << QSize(240, 180) << 0.5 << qint64(0) << false << avif;
        QTest::newRow("avif, odd size") << QSize(333, 127) << 0.7 << qint64(0) << false << avif;
        QTest::newRow("misleading copy, only the floor fits")
            << QSize(800, 600) << 0.9 << qint64(0) << false << QStringLiteral("misleading");
    }
    void fitChoosesTheHighestQualityOfTheTrialCurve()
    {
        QFETCH(QSize, size);
        QFETCH(double, share);
        QFETCH(qint64, metadata);
        QFETCH(bool, busyPool);
        QFETCH(QString, coder);
        const QImage picture = KPTest::noisyImage(size.width(), size.height(), 3)
                                   .convertToFormat(QImage::Format_RGB32);
        if (coder != QLatin1String("jpeg")) {
            formatFitChoosesTheHighestQuality(picture, share, coder);
            return;
        }
        const Curve curve = trialCurve(picture, 60);
        std::optional<KPBusyPool> busy;
        if (busyPool)
            busy.emplace();
        const auto limit =
            qint64(double(curve.at(60)) + share * double(curve.at(100) - curve.at(60))) + metadata;
        std::map<int, qint64> encoded;
        KPBestFit fit(
            limit, 0.6f,
            [&](int quality, QSize pixels, qint64 bytes, bool estimated) {
                QCOMPARE(pixels, size);
                QVERIFY(!estimated);
                encoded[quality] = bytes;
            },
            {}, metadata);
        const std::optional<KPBestFit::Choice> choice = fit.fit(picture, std::nullopt);
        QVERIFY(choice);
        const std::optional<int> expected = bruteForce(curve, 60, limit - metadata);
        const bool monotonic =
            std::is_sorted(curve.begin(), curve.end(),
                           [](const auto& a, const auto& b) { return a.second < b.second; });
        if (monotonic)
            QCOMPARE(choice->quality, *expected);
        QVERIFY(curve.at(choice->quality) + metadata < limit);
        QCOMPARE(qint64(choice->data.size()), curve.at(choice->quality));
        QCOMPARE(encoded.count(choice->quality), size_t(1));
        QCOMPARE(encoded.at(choice->quality), curve.at(choice->quality));
        QCOMPARE(choice->pixels, size);
        // The estimates place the search: the encodings only confirm it.
        QCOMPARE(fit.encodings(), int(encoded.size()));
        QVERIFY2(fit.encodings() <= 3, qPrintable(QString::number(fit.encodings())));
    }

    // The estimate is the encoder's size but for the zero bytes stuffed after each 0xFF
    // of the coded data, which it takes at their average share: with those taken out
    // of the real size, it is off by no more than that share of the coded bytes, at any
    // quality, for any picture size (whole MCUs or padded ones) and content.
    void estimateIsTheEncodersSize_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::newRow("noise") << KPTest::noisyImage(640, 480, 21);
        QTest::newRow("padded right and below") << KPTest::noisyImage(203, 115, 22);
        QTest::newRow("one block") << KPTest::noisyImage(8, 8, 23);
        QTest::newRow("one pixel") << KPTest::noisyImage(1, 1, 24);
        QTest::newRow("one column") << KPTest::noisyImage(1, 300, 25);
        QTest::newRow("flat") << KPTest::flatImage(320, 200, QColor(30, 120, 200));
        QImage extremes(96, 64, QImage::Format_RGB32);
        for (int y = 0; y < extremes.height(); ++y) {
            for (int x = 0; x < extremes.width(); ++x)
                extremes.setPixel(x, y, ((x ^ y) & 1) ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        }
        QTest::newRow("black and white checks") << extremes;
        const QStringList photos = KPTest::realPhotos();
        if (!photos.isEmpty()) {
            QTest::newRow("photo") << QImage(photos.first())
                                          .scaledToWidth(900, Qt::SmoothTransformation)
                                          .convertToFormat(QImage::Format_RGB32);
        }
    }
    void estimateIsTheEncodersSize()
    {
        QFETCH(QImage, picture);
        QCOMPARE(picture.format(), QImage::Format_RGB32);
        KPJpegEstimate estimate;
        QVERIFY(estimate.analyse(picture, 2));
        QCOMPARE(estimate.pixels(), picture.size());
        KPJpegCodec codec;
        for (const int quality : {1, 30, 60, 75, 90, 100}) {
            const QByteArray real = codec.encodeAtQuality(picture, quality, true);
            const qint64 stuffed = real.count(QByteArray("\xff\x00", 2));
            const qint64 unstuffed = real.size() - stuffed;
            // The headers around the coded data take 277 to 625 bytes.
            const double share = KPJpegEstimate::StuffedShare;
            const auto least =
                qint64(std::floor(double(std::max<qint64>(0, unstuffed - 625)) * share));
            const auto most =
                qint64(std::ceil(double(std::max<qint64>(0, unstuffed - 277)) * share));
            const qint64 size = estimate.size(quality, 2);
            QVERIFY2(
                size - unstuffed >= least && size - unstuffed <= most,
                qPrintable(QStringLiteral("quality %1: estimate %2, encoded %3 with %4 stuffed")
                               .arg(quality)
                               .arg(size)
                               .arg(real.size())
                               .arg(stuffed)));
            // And so within a fraction of a percent of what is written.
            QVERIFY(std::abs(double(size - real.size())) <= 0.008 * double(real.size()) + 2.0);
        }
    }

    // The DCT's two ways (plain C++, and SSE2 where built) give the same integers, on blocks
    // that drive the 16-bit lanes to their extremes; a flat block's DC is its samples' sum
    // about the centre. Each quality's nonzero mask, both ways, marks exactly the
    // coefficients that quantise to something.
    void dctPathsAgree_data()
    {
        QTest::addColumn<QByteArray>("samples"); // eight rows of the same length, row after row
        QTest::addColumn<int>("flatDc");         // of the first block, when it is flat
        const auto pattern = [](int width, auto sample) {
            QByteArray samples(8 * width, Qt::Uninitialized);
            for (int y = 0; y < 8; ++y) {
                for (int x = 0; x < width; ++x)
                    samples[y * width + x] = char(sample(x, y));
            }
            return samples;
        };
        const int none = std::numeric_limits<int>::min();
        QTest::newRow("black") << pattern(8, [](int, int) { return 0; }) << -8192;
        QTest::newRow("white") << pattern(8, [](int, int) { return 255; }) << 8128;
        QTest::newRow("centre") << pattern(8, [](int, int) { return 128; }) << 0;
        QTest::newRow("checks") << pattern(16, [](int x, int y) { return ((x ^ y) & 1) ? 255 : 0; })
                                << none;
        QTest::newRow("columns") << pattern(16, [](int x, int) { return (x & 1) ? 255 : 0; })
                                 << none;
        QTest::newRow("rows") << pattern(16, [](int, int y) { return (y & 1) ? 0 : 255; }) << none;
        QTest::newRow("one bright sample")
            << pattern(8, [](int x, int y) { return x == 7 && y == 0 ? 255 : 0; }) << none;
        QTest::newRow("ramp") << pattern(64, [](int x, int y) { return (x * 4 + y * 3) % 256; })
                              << none;
        const QImage noise = KPTest::noisyImage(512, 8, 31).convertToFormat(QImage::Format_RGB32);
        QTest::newRow("noise") << pattern(512, [&noise](int x, int y) {
            return qGreen(noise.pixel(x, y));
        }) << none;
    }
    void dctPathsAgree()
    {
        QFETCH(QByteArray, samples);
        QFETCH(int, flatDc);
        const auto width = std::size_t(samples.size() / 8);
        std::array<const std::uint8_t*, 8> rows{};
        for (std::size_t y = 0; y < 8; ++y)
            rows[y] = reinterpret_cast<const std::uint8_t*>(samples.constData()) + y * width;
        for (std::size_t x = 0; x + 8 <= width; x += 8) {
            std::array<std::int16_t, KPForwardDct::BlockSize> portable{};
            std::array<std::int16_t, KPForwardDct::BlockSize> fastest{};
            KPForwardDct::transform<KPForwardDct::Path::Portable>(rows.data(), x, portable.data());
            KPForwardDct::transform(rows.data(), x, fastest.data());
            for (std::size_t k = 0; k < portable.size(); ++k)
                QVERIFY2(portable[k] == fastest[k],
                         qPrintable(QStringLiteral("block at %1, coefficient %2: %3 and %4")
                                        .arg(x)
                                        .arg(k)
                                        .arg(portable[k])
                                        .arg(fastest[k])));
            if (x == 0 && flatDc != std::numeric_limits<int>::min()) {
                QCOMPARE(int(portable[0]), flatDc);
                QVERIFY(std::all_of(portable.begin() + 1, portable.end(),
                                    [](std::int16_t c) { return c == 0; }));
            }
            for (const int quality : {1, 50, 90, 100}) {
                const KPJpegQuantiser quantiser(quality);
                for (const std::size_t table : {std::size_t(0), std::size_t(1)}) {
                    std::uint64_t quantised = 0;
                    for (std::size_t k = 0; k < portable.size(); ++k) {
                        if (quantiser.quantise(table, k, portable[k]) != 0)
                            quantised |= std::uint64_t(1) << k;
                    }
                    QCOMPARE(
                        quantiser.nonzeroMask<KPForwardDct::Path::Portable>(table, portable.data()),
                        quantised);
                    QCOMPARE(quantiser.nonzeroMask(table, portable.data()), quantised);
                }
            }
        }
    }

    // When not even the floor fits, the picture is scaled from the original: the
    // proportions stay, the box is kept, nothing is enlarged.
    void scalingKeepsProportionsAndTheBox_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<double>("limitShare"); // of the floor's size at full size
        QTest::addColumn<QSize>("box");
        QTest::addColumn<bool>("fits");
        QTest::newRow("landscape") << QSize(1200, 800) << 0.3 << QSize(320, 240) << true;
        QTest::newRow("portrait") << QSize(600, 1000) << 0.3 << QSize(320, 240) << true;
        QTest::newRow("square") << QSize(700, 700) << 0.5 << QSize(320, 240) << true;
        QTest::newRow("stops at the box") << QSize(1200, 800) << 0.0005 << QSize(320, 240) << false;
        QTest::newRow("smaller than the box") << QSize(300, 200) << 0.3 << QSize(320, 240) << false;
        QTest::newRow("zero box") << QSize(800, 600) << 0.2 << QSize(0, 0) << true;
    }
    void scalingKeepsProportionsAndTheBox()
    {
        QFETCH(QSize, picture);
        QFETCH(double, limitShare);
        QFETCH(QSize, box);
        QFETCH(bool, fits);
        const QImage pristine = KPTest::noisyImage(picture.width(), picture.height(), 5)
                                    .convertToFormat(QImage::Format_RGB32);
        KPJpegCodec codec;
        const auto limit =
            qint64(double(codec.encodeAtQuality(pristine, 60, true).size()) * limitShare);
        const bool landscape = picture.width() >= picture.height();
        const int across = landscape ? box.width() : box.height();
        const int down = landscape ? box.height() : box.width();
        QList<QSize> sizes;
        std::set<std::tuple<int, int, int>> encoded; // width, height and quality
        KPBestFit fit(limit, 0.6f, [&](int quality, QSize pixels, qint64, bool estimated) {
            sizes.append(pixels);
            if (!estimated)
                encoded.insert({pixels.width(), pixels.height(), quality});
        });
        const std::optional<KPBestFit::Choice> choice =
            fit.fit(pristine, KPBestFit::Box{float(box.width()), float(box.height())});
        QVERIFY(!fit.failed());
        QCOMPARE(choice.has_value(), fits);
        for (const QSize& size : sizes) {
            if (size == picture)
                continue; // a trial at the picture's own size
            QVERIFY(size.width() < picture.width() && size.height() < picture.height());
            QVERIFY2(size.width() >= across && size.height() >= down,
                     qPrintable(QStringLiteral("%1x%2").arg(size.width()).arg(size.height())));
            const double ratio = double(size.width()) / size.height();
            QVERIFY(std::abs(ratio - double(picture.width()) / picture.height()) <
                    2.0 / std::min(size.width(), size.height()));
        }
        if (choice) {
            QVERIFY(qint64(choice->data.size()) < limit);
            QVERIFY(choice->quality >= 60);
            // Scales are tried on estimates; the one chosen was encoded.
            QVERIFY(
                encoded.count({choice->pixels.width(), choice->pixels.height(), choice->quality}));
            QVERIFY(choice->pixels.width() < picture.width());
            // The scale is refined until the file fills most of what the limit allows.
            QVERIFY2(double(choice->data.size()) > 0.8 * double(limit),
                     qPrintable(QString::number(choice->data.size())));
        }
    }

    void lowestQualityFromTheFloor_data()
    {
        QTest::addColumn<float>("floor");
        QTest::addColumn<int>("quality");
        QTest::newRow("default") << 0.6f << 60;
        QTest::newRow("0.53") << 0.53f << 53;
        QTest::newRow("0.59") << 0.59f << 59;
        QTest::newRow("between") << 0.605f << 61;
        QTest::newRow("zero") << 0.0f << 1;
        QTest::newRow("one") << 1.0f << 100;
        QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << 1;
    }
    void lowestQualityFromTheFloor()
    {
        QFETCH(float, floor);
        QFETCH(int, quality);
        QCOMPARE(KPBestFit::lowestQuality(floor), quality);
    }

    // A floor set as a percent in the preferences or the terminal is stored as a float
    // factor; read back, it must give that percent again, to show and to fit from.
    void everyPercentReadsBackFromItsFactor()
    {
        for (int percent = KPQuality::MinPercent; percent <= KPQuality::MaxPercent; ++percent) {
            const float factor = KPQuality::fromPercent(percent).factor();
            QCOMPARE(KPQuality::nearest(factor).percent(), percent);
            QCOMPARE(KPQuality::atLeast(factor).percent(), percent);
            QCOMPARE(KPBestFit::lowestQuality(factor), std::max(percent, 1));
        }
    }

    // A JPEG decoded at M/8 in the DCT domain shows what the whole decode scaled to that
    // size shows: the same colours, the same way up, every pixel there.
    void scaledDecodeMatchesAWholeOneScaled_data()
    {
        QTest::addColumn<int>("eighths");
        QTest::addColumn<int>("orientation"); // EXIF, 1 for none
        QTest::addColumn<bool>("progressive");
        QTest::addColumn<bool>("look"); // the quick look at 1/8
        QTest::newRow("1/8") << 1 << 1 << false << false;
        QTest::newRow("2/8") << 2 << 1 << false << false;
        QTest::newRow("5/8") << 5 << 1 << false << false;
        QTest::newRow("7/8") << 7 << 1 << false << false;
        QTest::newRow("3/8 turned a quarter") << 3 << 6 << false << false;
        QTest::newRow("4/8 mirrored") << 4 << 2 << false << false;
        QTest::newRow("6/8 turned the other way") << 6 << 8 << false << false;
        QTest::newRow("3/8 of a progressive JPEG") << 3 << 1 << true << false;
        QTest::newRow("a look") << 1 << 1 << false << true;
        QTest::newRow("a look at a progressive JPEG, turned") << 1 << 6 << true << true;
    }
    void scaledDecodeMatchesAWholeOneScaled()
    {
        QFETCH(int, eighths);
        QFETCH(int, orientation);
        QFETCH(bool, progressive);
        QFETCH(bool, look);
        const QString source = m_folders->in.filePath(QStringLiteral("d.jpg"));
        QImageWriter writer(source, "jpeg");
        writer.setQuality(95);
        writer.setProgressiveScanWrite(progressive);
        QVERIFY(writer.write(KPTest::noisyImage(803, 517, 3)));
        if (orientation != 1)
            QVERIFY(KPTest::exifWrite(
                source,
                {QStringLiteral("-n"), QStringLiteral("-IFD0:Orientation=%1").arg(orientation)}));
        const QByteArray bytes = *KPAtomicFile::readAll(source);
        const QImage whole = KPImageDecoder::decodeSource(bytes, "jpg").image;
        QVERIFY(!whole.isNull());
        const QImage scaled =
            look ? KPScaledJpegDecode::look(bytes) : KPScaledJpegDecode::decode(bytes, eighths);
        QCOMPARE(scaled.format(), QImage::Format_RGB32);
        QCOMPARE(scaled.size(), KPScaledJpegDecode::scaledSize(whole.size(), eighths));
        // Compared where the noise is averaged out: a picture turned, mirrored, cut or with
        // its channels swapped is tens of levels off.
        const QSize coarse(whole.width() / 16, whole.height() / 16);
        const QImage expected =
            whole.scaled(coarse, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QImage got = scaled.scaled(coarse, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        int largest = 0;
        for (int y = 0; y < coarse.height(); ++y) {
            for (int x = 0; x < coarse.width(); ++x) {
                const QRgb a = expected.pixel(x, y);
                const QRgb b = got.pixel(x, y);
                largest =
                    std::max({largest, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
            }
        }
        QVERIFY2(largest <= 8, qPrintable(QString::number(largest)));
    }

    // A JPEG whose output is foreseen to be smaller than it is searched on a smaller decode:
    // the output is still under the limit, of the source's proportions, within the box,
    // and about as large as the search on the whole picture makes it.
    void scaledDecodeKeepsTheChosenSize_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<double>("limitShare"); // of the floor's size at full size
        QTest::addColumn<bool>("smaller");      // decoded smaller than whole
        QTest::newRow("a fortieth, portrait") << QSize(1000, 1400) << 1 << 0.025 << true;
        QTest::newRow("a twentieth") << QSize(1600, 1200) << 1 << 0.05 << true;
        QTest::newRow("turned, a twentieth") << QSize(1600, 1000) << 6 << 0.05 << true;
        QTest::newRow("nearly the floor") << QSize(1200, 900) << 1 << 0.85 << false;
        QTest::newRow("down to the box") << QSize(1600, 1200) << 1 << 0.002 << true;
    }
    void scaledDecodeKeepsTheChosenSize()
    {
        QFETCH(QSize, picture);
        QFETCH(int, orientation);
        QFETCH(double, limitShare);
        QFETCH(bool, smaller);
        const QString source = writeSource(KPTest::noisyImage(picture.width(), picture.height(), 7),
                                           QStringLiteral("big.jpg"));
        if (orientation != 1)
            QVERIFY(KPTest::exifWrite(
                source,
                {QStringLiteral("-n"), QStringLiteral("-IFD0:Orientation=%1").arg(orientation)}));
        const QImage whole =
            KPImageDecoder::decodeSource(*KPAtomicFile::readAll(source), "jpg").image;
        KPJpegCodec codec;
        const auto limit =
            qint64(double(codec.encodeAtQuality(whole, 60, true).size()) * limitShare);
        KPBestFit search(limit, 0.6f);
        const std::optional<KPBestFit::Choice> fromWhole =
            search.fit(whole, KPBestFit::Box{320.0f, 240.0f});

        KPFitOptions options;
        options.bestQuality = true;
        // The picture the search works on, as the log view is shown it with each trial.
        QSize searched;
        const KPImageDataPtr job = KPTest::job(source, KPProgress::New);
        KPTest::fitJobs({job}, quint64(limit), options, m_folders->out.path(),
                        [&searched](const KPImageDataPtr& shown) {
                            if (!searched.isValid())
                                searched = shown->exportImage().size();
                        });
        QCOMPARE(job->progress(), qint32(fromWhole ? KPProgress::Converted : KPProgress::Failed));
        QVERIFY2(smaller ? searched.width() < whole.width() : searched == whole.size(),
                 qPrintable(QStringLiteral("%1x%2").arg(searched.width()).arg(searched.height())));
        if (!fromWhole)
            return;
        QVERIFY(*job->exportSize() < quint64(limit));
        const QSize pixels = job->exportPixelSize();
        const QSize upright = whole.size();
        QVERIFY(pixels.width() <= upright.width() && pixels.height() <= upright.height());
        const bool landscape = upright.width() >= upright.height();
        QVERIFY(pixels.width() >= (landscape ? 320 : 240) &&
                pixels.height() >= (landscape ? 240 : 320));
        QVERIFY(std::abs(double(pixels.width()) / pixels.height() -
                         double(upright.width()) / upright.height()) <
                2.0 / std::min(pixels.width(), pixels.height()));
        QVERIFY2(std::abs(pixels.width() - fromWhole->pixels.width()) <=
                     std::max(2, fromWhole->pixels.width() / 25),
                 qPrintable(QStringLiteral("%1 against %2")
                                .arg(pixels.width())
                                .arg(fromWhole->pixels.width())));
    }

    // The decode is large enough for the output by the margin, and whole when only the whole
    // picture is.
    void decodeScaleHoldsTheOutput_data()
    {
        QTest::addColumn<QSize>("upright");
        QTest::addColumn<QSize>("output");
        QTest::addColumn<int>("eighths");
        QTest::newRow("a quarter") << QSize(4000, 3000) << QSize(1000, 750) << 3;
        QTest::newRow("an eighth") << QSize(4000, 3000) << QSize(500, 375) << 2;
        QTest::newRow("a twentieth") << QSize(4000, 3000) << QSize(200, 150) << 1;
        QTest::newRow("two thirds") << QSize(4000, 3000) << QSize(2667, 2000) << 8;
        QTest::newRow("sides rounded up") << QSize(4001, 3001) << QSize(1334, 1000) << 4;
    }
    void decodeScaleHoldsTheOutput()
    {
        QFETCH(QSize, upright);
        QFETCH(QSize, output);
        QFETCH(int, eighths);
        QCOMPARE(KPDecodeScale::forOutput(upright, output), eighths);
        const QSize decoded = KPScaledJpegDecode::scaledSize(upright, eighths);
        if (eighths < KPScaledJpegDecode::Whole)
            QVERIFY(KPDecodeScale::holds(decoded, output));
        QVERIFY(!KPDecodeScale::holds(output, output));
    }

    // In a job: a source already under the limit is the unchanged copy; one over it is
    // written once, at the quality chosen, and nothing else stays in the folder.
    void jobInTheBestMode_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("underAlready");
        QTest::newRow("jpeg under the limit") << QStringLiteral("s.jpg") << true;
        QTest::newRow("png under the limit") << QStringLiteral("s.png") << true;
        QTest::newRow("over the limit") << QStringLiteral("s.png") << false;
    }
    void jobInTheBestMode()
    {
        QFETCH(QString, name);
        QFETCH(bool, underAlready);
        const QString source = writeSource(KPTest::noisyImage(400, 300, 9), name);
        const QByteArray bytes = *KPAtomicFile::readAll(source);
        const quint64 limit = underAlready ? quint64(bytes.size()) + 1 : quint64(bytes.size()) / 4;
        KPFitOptions options;
        options.bestQuality = true;
        int decodes = 0;
        const KPImageDataPtr job = fitJob(source, limit, options, &decodes);
        QCOMPARE(job->progress(), qint32(KPProgress::Converted));
        QCOMPARE(QDir(m_folders->out.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("s.jpg")});
        const QByteArray output = *KPAtomicFile::readAll(job->exportPath());
        QCOMPARE(*job->exportSize(), quint64(output.size()));
        QVERIFY(quint64(output.size()) < limit);
        const bool kept = underAlready && name.endsWith(QLatin1String(".jpg"));
        if (kept) {
            QCOMPARE(output, bytes);
            QVERIFY(!job->exportQuality());
        } else {
            QVERIFY(job->exportQuality());
            QCOMPARE(job->exportPixelSize(), QSize(400, 300));
            QCOMPARE(decodes, 1); // the source, once; never a file it wrote
        }
        const QString wrong = KPTest::summaryMismatch(*job, quint64(bytes.size()), QSize(400, 300),
                                                      kept ? KPJobSummary::Ending::CopiedUnchanged
                                                           : KPJobSummary::Ending::Encoded);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QCOMPARE(*KPAtomicFile::readAll(source), bytes);
    }

    // The preferences decide at the start of each run (each picture, indeed), whether they
    // come from the store or from a source handed to the run.
    void settingSwitchesTheFittingBetweenRuns_data()
    {
        QTest::addColumn<bool>("handed");
        QTest::newRow("stored preferences") << false;
        QTest::newRow("preferences handed to the run") << true;
    }
    void settingSwitchesTheFittingBetweenRuns()
    {
        QFETCH(bool, handed);
        KPListView list;
        const QString source =
            writeSource(KPTest::noisyImage(400, 300, 11), QStringLiteral("r.png"));
        list.addMember({source});
        KPBatchRun run;
        const quint64 limit = *KPAtomicFile::fileSize(source) / 4;
        run.setLimitSizeSource([limit] { return limit; });
        const QString folder = m_folders->out.path();
        run.setExportPathSource([folder] { return std::optional<QString>(folder); });
        // A handed source is the only one asked: the store keeps saying stepwise.
        auto chosen = std::make_shared<std::atomic<bool>>(false);
        if (handed) {
            KPFitPreferences preferences = KPFitPreferences::stored();
            preferences.bestQuality = [chosen] { return chosen->load(); };
            run.setFitPreferences(preferences);
        }
        QSignalSpy ended(&run, &KPBatchRun::runEnded);
        QList<int> decodes;
        for (const bool best : {false, true, false}) {
            if (handed)
                *chosen = best;
            else
                KPSettings::setBool(KPSettingsKey::BestQualityFit, best);
            KPCodecStats stats;
            stats.attach();
            run.resize(list.memberMAr());
            QVERIFY(QTest::qWaitFor([&] { return ended.count() == decodes.size() + 1; }, 60000));
            QVERIFY(QTest::qWaitFor([&] { return run.isIdle(); }, 60000));
            QCOMPARE(list.memberMAr().first()->progress(), qint32(KPProgress::Converted));
            decodes.append(int(stats.count(KPCodecStats::Decode)));
        }
        // The stepwise fitting decodes each file it wrote; the best-quality one only the source.
        QVERIFY2(
            decodes[0] > 1 && decodes[1] == 1 && decodes[2] == decodes[0],
            qPrintable(QStringLiteral("%1 %2 %3").arg(decodes[0]).arg(decodes[1]).arg(decodes[2])));
    }
};

QTEST_MAIN(TestBestFit)
#include "tst_bestfit.moc"
