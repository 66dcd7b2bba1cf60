#include "ui/KPBatchFrontEnd.h"

#include "engine/KPBatchRun.h"
#include "engine/KPExportPlacement.h"
#include "engine/KPImageDecoder.h"
#include "engine/KPJpegCodec.h"
#include "engine/KPPath.h"
#include "engine/KPQuality.h"
#include "list/KPListView.h"
#include "list/KPStringTools.h"
#include "settings/KPExportFolder.h"
#include "settings/KPSettings.h"
#include "settings/KPSizeLimit.h"
#include "ui/KPTerminalText.h"

#include <QDir>
#include <QRegularExpression>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

namespace {
QString takeValue(const QStringList& arguments, qsizetype& i, const QString& option, QString& error)
{
    const QString& current = arguments.at(i);
    const QString prefix = option + QLatin1Char('=');
    if (current.startsWith(prefix))
        return current.mid(prefix.size());
    if (i + 1 >= arguments.size()) {
        error = QStringLiteral("%1 needs a value").arg(option);
        return {};
    }
    return arguments.at(++i);
}

bool isOption(const QString& argument, const QString& option)
{
    return argument == option || argument.startsWith(option + QLatin1Char('='));
}

QString refusalText(KPListView::Refusal::Why why)
{
    switch (why) {
    case KPListView::Refusal::Why::NotAPicture:
        return QStringLiteral("not a picture type Pictaro reads");
    case KPListView::Refusal::Why::Hidden:
        return QStringLiteral("hidden file");
    case KPListView::Refusal::Why::NotPlainFile:
        return QStringLiteral("not a regular file");
    case KPListView::Refusal::Why::Missing:
        return QStringLiteral("no such file or folder");
    }
    return {};
}

QString exportProblem(KPExportFolder::Check check, const QString& folder)
{
    switch (check) {
    case KPExportFolder::Check::Usable:
        return {};
    case KPExportFolder::Check::Empty:
        return QStringLiteral("the export folder is empty");
    case KPExportFolder::Check::NotAFolder:
        return QStringLiteral("export folder %1 is not a folder").arg(folder);
    case KPExportFolder::Check::NotWritable:
        return QStringLiteral("export folder %1 cannot be written to").arg(folder);
    case KPExportFolder::Check::CannotCreate:
        return QStringLiteral("export folder %1 cannot be created (does its parent folder exist?)")
            .arg(folder);
    }
    return {};
}
} // namespace

QString KPBatchFrontEnd::usage()
{
    return QStringLiteral(
        "Usage: pictaro --batch --limit SIZE --export FOLDER [options] PATH...\n"
        "\n"
        "Shrinks every picture under PATH (files, or folders scanned through their whole\n"
        "tree) so that each JPEG written into FOLDER is smaller than SIZE.\n"
        "\n"
        "  --limit SIZE          the size limit: a number with KB (1,000 bytes) or MB\n"
        "                        (1,000,000 bytes), for example 500KB or 2MB\n"
        "  --export FOLDER       where the pictures are written; created when missing\n"
        "                        (its parent folder must exist)\n"
        "  --quality-floor N     the lowest JPEG quality to use, 0 to 100 (default from\n"
        "                        the preferences, 60 at first)\n"
        "  --min-box WxH         never scale a picture below this box (default from the\n"
        "                        preferences, 320x240 at first)\n"
        "  --no-scale            never scale pictures down, only re-encode them\n"
        "  --best                fit each picture by one encoding at the best quality\n"
        "                        that fits, scaled from the original when needed\n"
        "  --stepwise            fit by lowering the quality step by step (default from\n"
        "                        the preferences, stepwise at first)\n"
        "  --jobs N              convert up to N pictures at once, 1 to 16 (default from\n"
        "                        the preferences, 1 at first)\n"
        "  --metadata WHAT       what each JPEG keeps of its source's metadata (EXIF, XMP,\n"
        "                        IPTC): keep, no-location (all but the location, maker\n"
        "                        notes and serial numbers) or strip (default from the\n"
        "                        preferences, no-location at first)\n"
        "  --replace-originals   when FOLDER holds the pictures themselves, write each\n"
        "                        JPEG over its original of the same name; without it the\n"
        "                        JPEG gets a new name (photo-2.jpg) and the original stays\n"
        "  -h, --help            show this help\n"
        "  -v, --version         show the version\n"
        "\n"
        "A named file that is not taken (hidden, not a regular file, not a picture type)\n"
        "is reported on a line of its own. Names are printed with control characters,\n"
        "bytes that are not UTF-8 and text direction overrides escaped (\\n, \\xe9, \\u202e,\n"
        "and \\\\ for a backslash).\n"
        "\n"
        "Exit status: 0 when every picture converted, 1 when any failed or was skipped or\n"
        "none was found, 2 for bad arguments.\n");
}

quint64 KPBatchFrontEnd::parseLimit(const QString& text, QString& error)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*([0-9]+)\\s*([A-Za-z]*)\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) {
        error = QStringLiteral("the limit \"%1\" is not a whole number with KB or MB").arg(text);
        return 0;
    }
    const QString unit = match.captured(2).toUpper();
    int segment = -1;
    if (unit == QStringLiteral("KB"))
        segment = KPSizeLimit::KB;
    else if (unit == QStringLiteral("MB"))
        segment = KPSizeLimit::MB;
    if (segment < 0) {
        error = unit.isEmpty()
                    ? QStringLiteral("the limit \"%1\" has no unit: add KB or MB").arg(text)
                    : QStringLiteral("unknown unit \"%1\" in the limit: use KB or MB")
                          .arg(match.captured(2));
        return 0;
    }
    const quint64 bytes = KPSizeLimit::limitSize(match.captured(1), segment);
    if (bytes == 0)
        error = QStringLiteral("the limit must be greater than 0");
    if (bytes == KPSizeLimit::MaxLimit) {
        error = QStringLiteral("the limit \"%1\" is larger than any file can be").arg(text);
        return 0;
    }
    return bytes;
}

std::optional<KPBatchFrontEnd::Options> KPBatchFrontEnd::parse(const QStringList& arguments,
                                                               QString& error)
{
    Options options;
    std::optional<QString> limit;
    std::optional<QString> exportFolder;
    bool onlyPaths = false;
    for (qsizetype i = 0; i < arguments.size() && error.isEmpty(); ++i) {
        const QString& argument = arguments.at(i);
        if (onlyPaths || !argument.startsWith(QLatin1Char('-')) ||
            argument == QStringLiteral("-")) {
            options.paths.append(argument);
        } else if (argument == QStringLiteral("--")) {
            onlyPaths = true;
        } else if (argument == QStringLiteral("--batch")) {
            continue;
        } else if (isOption(argument, QStringLiteral("--limit"))) {
            limit = takeValue(arguments, i, QStringLiteral("--limit"), error);
        } else if (isOption(argument, QStringLiteral("--export"))) {
            exportFolder = takeValue(arguments, i, QStringLiteral("--export"), error);
        } else if (isOption(argument, QStringLiteral("--quality-floor"))) {
            const QString value = takeValue(arguments, i, QStringLiteral("--quality-floor"), error);
            bool ok = false;
            const int percent = value.toInt(&ok);
            if (error.isEmpty() &&
                (!ok || percent < KPQuality::MinPercent || percent > KPQuality::MaxPercent))
                error =
                    QStringLiteral("--quality-floor takes a whole number from 0 to 100, not \"%1\"")
                        .arg(value);
            options.fit.compressionFactor = KPQuality::fromPercent(percent).factor();
        } else if (isOption(argument, QStringLiteral("--min-box"))) {
            const QString value = takeValue(arguments, i, QStringLiteral("--min-box"), error);
            static const QRegularExpression box(QStringLiteral("^([0-9]+)[xX]([0-9]+)$"));
            const QRegularExpressionMatch match = box.match(value);
            if (error.isEmpty() && !match.hasMatch())
                error = QStringLiteral(
                            "--min-box takes WIDTHxHEIGHT in pixels, such as 320x240, not \"%1\"")
                            .arg(value);
            options.fit.limitWidth = match.captured(1).toFloat();
            options.fit.limitHeight = match.captured(2).toFloat();
        } else if (argument == QStringLiteral("--no-scale")) {
            options.fit.enableConvertScale = false;
        } else if (argument == QStringLiteral("--best")) {
            options.fit.bestQuality = true;
        } else if (argument == QStringLiteral("--stepwise")) {
            options.fit.bestQuality = false;
        } else if (isOption(argument, QStringLiteral("--jobs"))) {
            const QString value = takeValue(arguments, i, QStringLiteral("--jobs"), error);
            bool ok = false;
            const int jobs = value.toInt(&ok);
            if (error.isEmpty() && (!ok || jobs < 1 || jobs > KPSettings::MaxParallelJobs))
                error = QStringLiteral("--jobs takes a whole number from 1 to %1, not \"%2\"")
                            .arg(KPSettings::MaxParallelJobs)
                            .arg(value);
            options.fit.parallelJobs = jobs;
        } else if (isOption(argument, QStringLiteral("--metadata"))) {
            const QString value = takeValue(arguments, i, QStringLiteral("--metadata"), error);
            options.fit.metadataPolicy = KPMetadataPolicies::fromName(value);
            if (error.isEmpty() && !options.fit.metadataPolicy)
                error = QStringLiteral("--metadata takes keep, no-location or strip, not \"%1\"")
                            .arg(value);
        } else if (argument == QStringLiteral("--replace-originals")) {
            options.fit.replaceOriginals = true;
        } else if (argument == QStringLiteral("--stats")) {
            options.stats = true;
        } else {
            error = QStringLiteral("unknown option %1").arg(argument);
        }
    }
    if (!error.isEmpty())
        return std::nullopt;
    if (!limit) {
        error = QStringLiteral("no size limit given: add --limit, for example --limit 500KB");
        return std::nullopt;
    }
    options.limitBytes = parseLimit(*limit, error);
    if (options.limitBytes == 0)
        return std::nullopt;
    if (!exportFolder || exportFolder->isEmpty()) {
        error = QStringLiteral("no export folder given: add --export FOLDER");
        return std::nullopt;
    }
    if (options.paths.isEmpty()) {
        error = QStringLiteral("no pictures given: name the files or folders to shrink");
        return std::nullopt;
    }
    for (const QString& path : options.paths) {
        struct stat info
        {
        };
        if (::stat(KPPath::toNative(path).constData(), &info) != 0) {
            error = QStringLiteral("no such file or folder: %1").arg(path);
            return std::nullopt;
        }
    }
    const QString expanded = KPExportFolder::expandTilde(*exportFolder);
    options.exportFolder = QDir::cleanPath(KPPath::absolute(expanded));
    const KPExportFolder::Check check = KPExportFolder::checkExPathDetailed(options.exportFolder);
    if (check != KPExportFolder::Check::Usable) {
        error = exportProblem(check, options.exportFolder);
        return std::nullopt;
    }
    return options;
}

KPBatchFrontEnd::KPBatchFrontEnd(Options options, QTextStream& out, QTextStream& err,
                                 QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_out(out), m_err(err),
      m_list(std::make_unique<KPListView>()), m_run(std::make_unique<KPBatchRun>()),
      m_tty(::isatty(STDOUT_FILENO) == 1)
{
    const quint64 limit = m_options.limitBytes;
    m_run->setLimitSizeSource([limit] { return limit; });
    const QString folder = m_options.exportFolder;
    m_run->setExportPathSource([folder]() -> std::optional<QString> {
        if (!KPExportFolder::checkExPath(folder))
            return std::nullopt;
        return folder;
    });
    m_run->setFitOptions(m_options.fit);
    m_run->setKeepsPreviews(false);
    connect(m_run.get(), &KPBatchRun::imageLogRefresh, this, &KPBatchFrontEnd::onLog);
    connect(m_run.get(), &KPBatchRun::jobFinished, this, &KPBatchFrontEnd::onJobFinished);
    connect(m_run.get(), &KPBatchRun::runEnded, this, &KPBatchFrontEnd::onRunEnded);
}

KPBatchFrontEnd::~KPBatchFrontEnd() = default;

void KPBatchFrontEnd::start()
{
    // Files are taken as the Add File panel offers them (picture extensions only);
    // folders are scanned as Add Folder does. The given order is kept.
    const KPListView::Addition addition = m_list->addPaths(m_options.paths);
    for (const KPListView::Refusal& refused : addition.refused)
        m_err << QStringLiteral("pictaro: skipped %1: %2\n")
                     .arg(KPTerminalText::escaped(refused.path), refusalText(refused.why));
    m_err.flush();
    m_refused = addition.refused.size();

    if (m_list->memberMAr().isEmpty()) {
        // Nothing was converted: for a script, that did not go well.
        m_out << QStringLiteral("No pictures found.\n0 converted, 0 failed\n");
        m_out.flush();
        QTimer::singleShot(0, this, [this] { Q_EMIT finished(SomeFailed); });
        return;
    }
    if (!m_options.fit.replaceOriginals)
        tellOriginalsKept();
    m_run->resize(m_list->memberMAr());
}

void KPBatchFrontEnd::tellOriginalsKept()
{
    QStringList sources;
    for (const KPImageDataPtr& job : m_list->memberMAr())
        sources.append(job->path());
    const int kept = KPExportPlacement::originalsInTheWay(sources, m_options.exportFolder);
    if (kept == 1)
        m_err << QStringLiteral("pictaro: 1 picture is in the export folder under its JPEG's "
                                "name: keeping the original and writing the JPEG beside it "
                                "(--replace-originals replaces it)\n");
    else if (kept > 1)
        m_err << QStringLiteral("pictaro: %1 pictures are in the export folder under their "
                                "JPEGs' names: keeping the originals and writing the JPEGs "
                                "beside them (--replace-originals replaces them)\n")
                     .arg(kept);
    m_err.flush();
}

void KPBatchFrontEnd::stop()
{
    if (m_stopped || m_ended)
        return;
    m_stopped = true;
    m_run->stop();
    clearProgressLine();
    m_err << QStringLiteral("pictaro: stopping; the picture in progress is abandoned\n");
    m_err.flush();
    // The batch thread ends at once; the job in progress is cut short and reports.
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this, poll] {
        if (!m_run->isIdle())
            return;
        poll->stop();
        onRunEnded();
    });
    poll->start(50);
}

void KPBatchFrontEnd::clearProgressLine()
{
    if (m_progressShown) {
        m_out << "\r\033[K";
        m_progressShown = false;
    }
}

void KPBatchFrontEnd::onLog(const KPNotification& notification)
{
    if (!m_tty || m_stopped)
        return;
    const auto job = notification.userInfo.value(KPMessage::CurrentImage).value<KPImageDataPtr>();
    if (!job || !job->is(KPProgress::Converting))
        return;
    const QString name = KPTerminalText::escaped(KPPath::fileName(job->path()));
    QString line =
        QStringLiteral("[%1/%2] %3").arg(m_done + 1).arg(m_list->memberMAr().size()).arg(name);
    if (const std::optional<float> quality = job->exportQuality())
        line += QStringLiteral("  quality %1").arg(KPQuality::nearest(*quality).jpegQuality());
    if (const std::optional<quint64> size = job->exportSize())
        line += QStringLiteral("  %1").arg(KPStringTools::sizeSwitch(float(*size)));
    m_out << "\r\033[K" << line;
    m_out.flush();
    m_progressShown = true;
}

void KPBatchFrontEnd::onJobFinished(const KPImageDataPtr& job)
{
    ++m_done;
    if (!job->is(KPProgress::Converted))
        ++m_failed;
    printJob(job);
    // The engine keeps a preview of each output for the window's log view, about 0.8 MB
    // for a photo; the terminal shows none, and kept for every job it made a run of
    // 2,000 photos grow past 1.5 GB. The job's fitting is over once it is reported.
    job->setExportImage({});
}

void KPBatchFrontEnd::printJob(const KPImageDataPtr& job)
{
    clearProgressLine();
    const QString name = KPTerminalText::escaped(job->path());
    if (!job->is(KPProgress::Converted)) {
        const QString reason = KPFailureText::text(
            job->failure(), m_options.limitBytes,
            KPFitPreferences::smallestBox(m_options.fit, KPFitPreferences::stored()));
        if (reason.isEmpty())
            m_out << QStringLiteral("FAILED  %1\n").arg(name);
        else
            m_out << QStringLiteral("FAILED  %1: %2\n").arg(name, reason);
        m_out.flush();
        return;
    }
    const QString output = job->exportPath();
    QString detail = KPStringTools::sizeSwitch(float(job->exportSize().value_or(0)));
    QSize pixels = job->exportPixelSize();
    if (const std::optional<float> quality = job->exportQuality())
        detail += QStringLiteral(", quality %1").arg(KPQuality::nearest(*quality).jpegQuality());
    else if (job->size() && job->exportSize() != job->size())
        detail += QStringLiteral(", copied unchanged but for its metadata");
    else
        detail += QStringLiteral(", copied unchanged");
    if (!pixels.isValid())
        pixels = KPImageDecoder::probeFile(output);
    if (pixels.isValid())
        detail += QStringLiteral(", %1x%2").arg(pixels.width()).arg(pixels.height());
    m_out << QStringLiteral("OK      %1 -> %2 (%3)\n")
                 .arg(name, KPTerminalText::escaped(output), detail);
    m_out.flush();
}

void KPBatchFrontEnd::onRunEnded()
{
    // Ctrl+C between the end of the run and the end of the program must not end it twice.
    if (m_ended)
        return;
    m_ended = true;
    clearProgressLine();
    const qsizetype total = m_list->memberMAr().size();
    const qsizetype converted = m_done - m_failed;
    const qsizetype notRun = total - m_done;
    if (m_options.stats) {
        m_err << QStringLiteral("codec: %1 encodings %2 ms, %3 decodings %4 ms\n")
                     .arg(KPCodecStats::encodeCount.load())
                     .arg(double(KPCodecStats::encodeNs.load()) / 1e6, 0, 'f', 1)
                     .arg(KPCodecStats::decodeCount.load())
                     .arg(double(KPCodecStats::decodeNs.load()) / 1e6, 0, 'f', 1);
        if (const qint64 chosen = KPCodecStats::chosenCount.load(); chosen > 0) {
            m_err << QStringLiteral("estimates: %1 analyses %2 ms, %3 sizes %4 ms; error at the "
                                    "quality written: mean %5 %, largest %6 % (%7 pictures)\n")
                         .arg(KPCodecStats::analyseCount.load())
                         .arg(double(KPCodecStats::analyseNs.load()) / 1e6, 0, 'f', 1)
                         .arg(KPCodecStats::estimateCount.load())
                         .arg(double(KPCodecStats::estimateNs.load()) / 1e6, 0, 'f', 1)
                         .arg(double(KPCodecStats::chosenErrorSum.load()) / double(chosen) / 1e4, 0,
                              'f', 3)
                         .arg(double(KPCodecStats::chosenErrorMax.load()) / 1e4, 0, 'f', 3)
                         .arg(chosen);
        }
        m_err << QStringLiteral("sources: %1 decoded in %2 ms\n")
                     .arg(KPCodecStats::sourceCount.load())
                     .arg(double(KPCodecStats::sourceNs.load()) / 1e6, 0, 'f', 1);
        m_err.flush();
    }
    if (notRun > 0)
        m_out << QStringLiteral("%1 converted, %2 failed, %3 not converted (stopped)\n")
                     .arg(converted)
                     .arg(m_failed)
                     .arg(notRun);
    else
        m_out << QStringLiteral("%1 converted, %2 failed\n").arg(converted).arg(m_failed);
    m_out.flush();
    Q_EMIT finished(m_failed == 0 && notRun == 0 && m_refused == 0 ? AllConverted : SomeFailed);
}
