#include "ui/KPBatchFrontEnd.h"

#include "engine/KPBatchRun.h"
#include "engine/KPExportPlacement.h"
#include "engine/KPJpegCodec.h"
#include "engine/KPPath.h"
#include "engine/KPQuality.h"
#include "list/KPListView.h"
#include "list/KPStringTools.h"
#include "settings/KPExportFolder.h"
#include "ui/KPTerminalText.h"

#include <QTimer>

#include <unistd.h>

namespace {
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
} // namespace

KPBatchFrontEnd::KPBatchFrontEnd(Options options, QTextStream& out, QTextStream& err,
                                 QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_out(out), m_err(err),
      m_list(std::make_unique<KPListView>()), m_run(std::make_unique<KPBatchRun>()),
      m_tty(::isatty(STDOUT_FILENO) == 1)
{
    const quint64 limit = m_options.limitBytes;
    m_run->setLimitSizeSource([limit] { return limit; });
    const QString folder = m_options.exportFolder;
    // The window's check would store the folder among the window's settings.
    m_run->setExportPathSource([folder]() -> std::optional<QString> {
        if (KPExportFolder::check(folder) != KPExportFolder::Check::Usable)
            return std::nullopt;
        return folder;
    });
    m_run->setFitOptions(m_options.fit);
    m_run->setKeepsPreviews(false);
    if (m_options.stats)
        m_stats.attach();
    connect(m_run.get(), &KPBatchRun::imageLogRefresh, this, &KPBatchFrontEnd::onLog);
    connect(m_run.get(), &KPBatchRun::jobFinished, this, &KPBatchFrontEnd::onJobFinished);
    connect(m_run.get(), &KPBatchRun::runEnded, this, &KPBatchFrontEnd::onRunEnded);
    connect(m_run.get(), &KPBatchRun::setTotal, this,
            [this](quint64 setLimit, quint64 written, quint64 over) {
                const QString of = KPStringTools::limitText(setLimit);
                m_setTotal = over > 0 ? QStringLiteral("The set does not fit under %1 even at "
                                                       "the lowest quality and the smallest "
                                                       "box: it is over by %2. Nothing was "
                                                       "written.\n")
                                            .arg(of, KPStringTools::sizeSwitch(float(over)))
                                      : QStringLiteral("Total %1 written of %2 (%3 bytes of "
                                                       "%4)\n")
                                            .arg(KPStringTools::sizeSwitch(float(written)), of)
                                            .arg(written)
                                            .arg(setLimit);
            });
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
    const KPOutputFormat written =
        m_options.fit.outputFormat.value_or(KPFitPreferences::stored().outputFormat());
    const int kept = KPExportPlacement::originalsInTheWay(sources, m_options.exportFolder,
                                                          KPOutputFormats::extension(written));
    // Named after the format written: the outputs beside the originals are not always JPEGs.
    const QString format = KPOutputFormats::title(written);
    if (kept == 1)
        m_err << QStringLiteral("pictaro: 1 picture is in the export folder under its %1's "
                                "name: keeping the original and writing the %1 beside it "
                                "(--replace-originals replaces it)\n")
                     .arg(format);
    else if (kept > 1)
        m_err << QStringLiteral("pictaro: %1 pictures are in the export folder under their "
                                "%2s' names: keeping the originals and writing the %2s "
                                "beside them (--replace-originals replaces them)\n")
                     .arg(kept)
                     .arg(format);
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
    const std::optional<KPJobSummary> summary = job->summary();
    if (!job->is(KPProgress::Converted) || !summary) {
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
    QString detail = KPStringTools::sizeSwitch(float(summary->outputBytes));
    if (summary->format != KPOutputFormat::Jpeg)
        detail += QStringLiteral(", ") + KPOutputFormats::title(summary->format);
    switch (summary->ending) {
    case KPJobSummary::Ending::Encoded:
        if (summary->quality)
            detail += QStringLiteral(", quality %1").arg(summary->quality->jpegQuality());
        break;
    case KPJobSummary::Ending::CopiedWithoutMetadata:
        detail += QStringLiteral(", copied unchanged but for its metadata");
        break;
    case KPJobSummary::Ending::CopiedUnchanged:
        detail += QStringLiteral(", copied unchanged");
        break;
    }
    const QSize pixels = summary->outputPixels;
    if (pixels.isValid())
        detail += QStringLiteral(", %1x%2").arg(pixels.width()).arg(pixels.height());
    m_out << QStringLiteral("OK      %1 -> %2 (%3)\n")
                 .arg(name, KPTerminalText::escaped(summary->outputPath), detail);
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
    if (m_options.stats)
        printStats();
    if (m_setTotal)
        m_out << *m_setTotal;
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

void KPBatchFrontEnd::printStats()
{
    const auto ms = [this](KPCodecStats::Work work) {
        return double(m_stats.nanoseconds(work)) / 1e6;
    };
    m_err << QStringLiteral("codec: %1 encodings %2 ms, %3 decodings %4 ms\n")
                 .arg(m_stats.count(KPCodecStats::Encode))
                 .arg(ms(KPCodecStats::Encode), 0, 'f', 1)
                 .arg(m_stats.count(KPCodecStats::Decode))
                 .arg(ms(KPCodecStats::Decode), 0, 'f', 1);
    if (const qint64 chosen = m_stats.chosenCount(); chosen > 0) {
        m_err << QStringLiteral("estimates: %1 analyses %2 ms, %3 sizes %4 ms; error at the "
                                "quality written: mean %5 %, largest %6 % (%7 pictures)\n")
                     .arg(m_stats.count(KPCodecStats::Analyse))
                     .arg(ms(KPCodecStats::Analyse), 0, 'f', 1)
                     .arg(m_stats.count(KPCodecStats::Estimate))
                     .arg(ms(KPCodecStats::Estimate), 0, 'f', 1)
                     .arg(m_stats.chosenErrorMean(), 0, 'f', 3)
                     .arg(m_stats.chosenErrorLargest(), 0, 'f', 3)
                     .arg(chosen);
    }
    m_err << QStringLiteral("sources: %1 decoded in %2 ms\n")
                 .arg(m_stats.count(KPCodecStats::Source))
                 .arg(ms(KPCodecStats::Source), 0, 'f', 1);
    m_err.flush();
}
