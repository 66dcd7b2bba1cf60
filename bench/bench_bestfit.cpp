// The best-quality fitting alone, on sources decoded once beforehand: the time KPBestFit
// takes and the real encodings it makes, without the reading and decoding of the sources
// that take most of a run's wall time, so that a change to the search or the estimates
// shows through the noise of a shared machine.
//
//   bench_bestfit [--rounds N] [--limit BYTES] [FOLDER]
//
// Fits every picture of FOLDER (default /usr/share/backgrounds/mate) under BYTES (default
// 200000) with the default preferences (floor 0.6, smallest box 320x240, two threads), N
// times (default 5), leaving out the JPEGs already under the limit, which a run copies.
// Prints name=value lines: the pictures, the median and the fastest round's wall time,
// the median round's processor time (all threads), the real encodings a round makes, the codec's
// and the estimates' time of the rounds together (KPCodecStats), and a checksum of the encodings
// chosen, the same for two builds exactly when they choose the same bytes.

#include "KPBenchSupport.h"

#include "engine/KPAtomicFile.h"
#include "engine/KPBestFit.h"
#include "engine/KPCodecStats.h"
#include "engine/KPImageDecoder.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QElapsedTimer>

#include <cstdio>
#include <ctime>

namespace {

struct Options
{
    int rounds = 5;
    qint64 limit = 200000;
    QString folder = QStringLiteral("/usr/share/backgrounds/mate");
};

std::optional<Options> parse(const QStringList& arguments)
{
    Options options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const bool valued =
            argument == QStringLiteral("--rounds") || argument == QStringLiteral("--limit");
        if (valued && i + 1 >= arguments.size())
            return std::nullopt;
        bool ok = true;
        if (argument == QStringLiteral("--rounds"))
            options.rounds = arguments[++i].toInt(&ok);
        else if (argument == QStringLiteral("--limit"))
            options.limit = arguments[++i].toLongLong(&ok);
        else
            options.folder = argument;
        if (!ok || options.rounds < 1 || options.limit < 1)
            return std::nullopt;
    }
    return options;
}

// The pictures a run would fit, decoded and flattened as the fitting has them.
QList<QImage> decodedPictures(const Options& options)
{
    QStringList paths;
    QDirIterator files(options.folder, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext())
        paths.append(files.next());
    paths.sort();
    QList<QImage> pictures;
    for (const QString& path : paths) {
        const QByteArray hint = KPImageDecoder::formatHint(path);
        const std::optional<QByteArray> bytes = KPAtomicFile::readAll(path);
        if (!bytes || ((hint == "jpg" || hint == "jpeg") && bytes->size() < options.limit))
            continue;
        const QImage image = KPImageDecoder::decodeForFitting(*bytes, hint);
        if (!image.isNull())
            pictures.append(KPImageDecoder::flattenForJpeg(image));
    }
    return pictures;
}

// The processor time of all the process's threads: the work done, which other programs on
// the machine delay but do not add to.
double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    KPBench::PrivateSettings settings;
    const std::optional<Options> options = parse(application.arguments());
    if (!options) {
        std::fprintf(stderr, "usage: bench_bestfit [--rounds N] [--limit BYTES] [FOLDER]\n");
        return 2;
    }
    const QList<QImage> pictures = decodedPictures(*options);
    KPBench::figure("pictures", qint64(pictures.size()));
    KPCodecStats stats;
    stats.attach();
    std::vector<double> seconds;
    std::vector<double> cpu;
    qint64 encodings = 0;
    QCryptographicHash chosen(QCryptographicHash::Sha1);
    for (int round = 0; round < options->rounds; ++round) {
        encodings = 0;
        chosen.reset();
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = cpuSeconds();
        for (const QImage& picture : pictures) {
            KPBestFit fit(options->limit, 0.6f);
            const std::optional<KPBestFit::Choice> choice =
                fit.fit(picture, KPBestFit::Box{320.0f, 240.0f});
            encodings += fit.encodings();
            if (choice)
                chosen.addData(choice->data);
        }
        seconds.push_back(double(timer.nsecsElapsed()) / 1e9);
        cpu.push_back(cpuSeconds() - cpuStart);
    }
    KPBench::figure("median_s", KPBench::percentile(seconds, 0.5));
    KPBench::figure("fastest_s", KPBench::percentile(seconds, 0.0));
    KPBench::figure("cpu_median_s", KPBench::percentile(cpu, 0.5));
    KPBench::figure("encodings", encodings);
    const auto perRound = [&seconds](qint64 total) {
        return double(total) / double(seconds.size());
    };
    const auto milliseconds = [&stats, &perRound](KPCodecStats::Work work) {
        return perRound(stats.nanoseconds(work)) / 1e6;
    };
    KPBench::figure("encode_ms_per_round", milliseconds(KPCodecStats::Encode));
    KPBench::figure("analyse_ms_per_round", milliseconds(KPCodecStats::Analyse));
    KPBench::figure("estimate_ms_per_round", milliseconds(KPCodecStats::Estimate));
    KPBench::figure("analyses", qint64(perRound(stats.count(KPCodecStats::Analyse))));
    KPBench::figure("estimates", qint64(perRound(stats.count(KPCodecStats::Estimate))));
    std::printf("chosen=%s\n", chosen.result().toHex().left(12).constData());
    return 0;
}
