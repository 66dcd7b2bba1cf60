#include "engine/formats/KPHelperCall.h"

#include "engine/formats/KPChildProcess.h"
#include "engine/formats/KPHelperLog.h"
#include "engine/formats/KPHelperPayload.h"
#include "engine/formats/KPHelperSandbox.h"
#include "engine/formats/KPHelperWireReader.h"

#include <QFileInfo>

#include <csignal>
#include <cstring>

namespace {
// What became of the process, as a reason for the user, and in words for the log.
KPFailure judge(const KPChildProcess::Result& ran, const KPHelperWireReader& reader, QString& what)
{
    if (!ran.started) {
        what = QStringLiteral("could not be started");
        return KPFailure::Unsupported;
    }
    if (ran.cancelled) {
        what = QStringLiteral("ended by Stop");
        return KPFailure::Stopped;
    }
    if (ran.timedOut) {
        what = QStringLiteral("ended at its deadline");
        return KPFailure::DecoderTimedOut;
    }
    if (ran.refused) {
        what = QStringLiteral("ended for its answer: ") + reader.error();
        return KPFailure::Damaged;
    }
    if (ran.signal != 0) {
        what = QStringLiteral("killed by signal %1 (%2)")
                   .arg(ran.signal)
                   .arg(QString::fromLocal8Bit(::strsignal(ran.signal)));
        // Past its CPU time (KPHelperLimits), it took too long as at the deadline.
        return ran.signal == SIGXCPU ? KPFailure::DecoderTimedOut : KPFailure::DecoderCrashed;
    }
    if (ran.exitCode == KPHelperSandbox::RefusedExit) {
        // A system that cannot hold the helper in its sandbox runs no reader in it.
        what = QStringLiteral("could not enter its sandbox");
        return KPFailure::Unsupported;
    }
    if (ran.exitCode != 0) {
        // The sanitizer builds' reports of a fault end the helper so.
        what = QStringLiteral("ended with status %1").arg(ran.exitCode);
        return KPFailure::DecoderCrashed;
    }
    if (!reader.atFrameEnd()) {
        what = QStringLiteral("answered a reply cut short");
        return KPFailure::Damaged;
    }
    return KPFailure::None;
}

QString refusalName(KPFailure reason)
{
    switch (reason) {
    case KPFailure::Damaged:
        return QStringLiteral("damaged");
    case KPFailure::TooLargeToDecode:
        return QStringLiteral("too large to decode");
    case KPFailure::CameraNotSupported:
        return QStringLiteral("camera not supported");
    case KPFailure::Unsupported:
        return QStringLiteral("unsupported");
    default:
        return QStringLiteral("a reason no helper gives");
    }
}

// The helper's refusal, when the reply is one.
std::optional<KPFailure> refusalIn(const QList<KPHelperWire::Frame>& frames)
{
    if (frames.size() != 1 || frames.first().type != KPHelperWire::FrameType::Failure)
        return std::nullopt;
    KPHelperPayload in(frames.first().payload);
    quint32 reason = 0;
    if (!in.take32(reason) || !in.atEnd() || !KPHelperWire::isRefusal(KPFailure(reason)))
        return KPFailure::Damaged;
    return KPFailure(reason);
}
} // namespace

KPHelperCall::Outcome KPHelperCall::run(const QString& program, const KPHelperRequest& request,
                                        const QByteArray& input, qint64 deadlineMs,
                                        const std::function<bool()>& cancelled)
{
    const QString name = QFileInfo(program).fileName();
    if (program.isEmpty()) {
        qCDebug(lcPictaroHelper) << "no helper program for" << request.describe();
        return Outcome{KPFailure::Unsupported, {}};
    }
    KPHelperWireReader reader(request.replyBounds());
    KPChildProcess::Job job;
    job.program = program;
    job.input = {request.streamHead(input.size()), input};
    job.deadlineMs = deadlineMs;
    job.output = [&reader](QByteArrayView bytes) { return reader.feed(bytes); };
    job.cancelled = cancelled;
    const KPChildProcess::Result ran = KPChildProcess::run(job);

    QString what;
    Outcome outcome{judge(ran, reader, what), {}};
    if (outcome.failure == KPFailure::None) {
        outcome.frames = reader.takeFrames();
        if (const std::optional<KPFailure> refusal = refusalIn(outcome.frames)) {
            outcome = Outcome{*refusal, {}};
            what = QStringLiteral("refused the file: ") + refusalName(*refusal);
        }
    }
    if (!what.isEmpty())
        qCDebug(lcPictaroHelper).noquote() << name << request.describe() << what;
    if (!ran.errorTail.isEmpty())
        qCDebug(lcPictaroHelper).noquote() << name << "standard error, its end:\n"
                                           << QString::fromLocal8Bit(ran.errorTail);
    return outcome;
}
