#include "engine/formats/KPDecodeHelper.h"

#include "engine/formats/KPChildProcess.h"
#include "engine/formats/KPHelperSandbox.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <mutex>

namespace {
// Where a helper program is: beside the program's folder in libexec/pictaro when
// installed, else, for a program of the build tree, where the build put it.
QString findHelper(const QString& name, const QString& built, const QString& installed)
{
    QStringList candidates;
    if (QCoreApplication::instance()) {
        const QString programDir = QCoreApplication::applicationDirPath();
        candidates.append(programDir + QStringLiteral("/../libexec/pictaro/") + name);
        // The build tree's helper serves only the programs of that tree (the tests):
        // an installed program never runs a file from where it happened to be built.
        const QString buildDir = QFileInfo(built).canonicalPath();
        if (!buildDir.isEmpty() &&
            (programDir == buildDir || programDir.startsWith(buildDir + QLatin1Char('/'))))
            candidates.append(built);
    }
    candidates.append(installed);
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isExecutable())
            return QFileInfo(candidate).canonicalFilePath();
    }
    return QString();
}

// The programs the tests put in the helpers' places, if any.
std::mutex standInMutex;
QString standIns[2];

QString standIn(KPDecodeHelper::Program program)
{
    const std::lock_guard lock(standInMutex);
    return standIns[int(program)];
}
} // namespace

QString KPDecodeHelper::helperPath()
{
    if (const QString path = standIn(Program::Decode); !path.isEmpty())
        return path;
    static const QString path = findHelper(QStringLiteral("pictaro-decode"),
                                           QStringLiteral(PICTARO_DECODE_HELPER_BUILD_PATH),
                                           QStringLiteral(PICTARO_DECODE_HELPER_INSTALL_PATH));
    return path;
}

QString KPDecodeHelper::metadataHelperPath()
{
    if (const QString path = standIn(Program::Metadata); !path.isEmpty())
        return path;
    static const QString path = findHelper(QStringLiteral("pictaro-metadata"),
                                           QStringLiteral(PICTARO_METADATA_HELPER_BUILD_PATH),
                                           QStringLiteral(PICTARO_METADATA_HELPER_INSTALL_PATH));
    return path;
}

void KPDecodeHelper::setStandIn(Program program, const QString& path)
{
    const std::lock_guard lock(standInMutex);
    standIns[int(program)] = path;
}

KPDecodeReply KPDecodeHelper::size(Kind kind, const QByteArray& bytes, const QByteArray& coder,
                                   const Cancelled& cancelled)
{
    return run(kind, true, bytes, coder, {}, cancelled, {});
}

KPDecodeReply KPDecodeHelper::decode(Kind kind, const QByteArray& bytes, const QByteArray& coder,
                                     QSize box, const Cancelled& cancelled, QSize probed)
{
    return run(kind, false, bytes, coder, box, cancelled, probed);
}

qint64 KPDecodeHelper::replyLimit(bool sizeOnly, QSize box, QSize probed)
{
    if (sizeOnly)
        return KPDecodeReply::HeaderBytes;
    const qint64 limit = QImageReader::allocationLimit() > 0
                             ? qint64(QImageReader::allocationLimit()) << 20
                             : MaxPictureBytes;
    qint64 pixels = limit / 4;
    for (const QSize bound : {box, probed}) {
        if (bound.isValid() && !bound.isEmpty())
            pixels = std::min(pixels, qint64(bound.width()) * bound.height());
    }
    return KPDecodeReply::HeaderBytes + pixels * 4;
}

KPDecodeReply KPDecodeHelper::run(Kind kind, bool sizeOnly, const QByteArray& bytes,
                                  const QByteArray& coder, QSize box, const Cancelled& cancelled,
                                  QSize probed)
{
    if (bytes.isEmpty())
        return KPDecodeReply::failed(KPFailure::Damaged);
    if (bytes.size() > MaxFileBytes)
        return KPDecodeReply::failed(KPFailure::TooLargeToDecode);
    if (cancelled && cancelled())
        return KPDecodeReply::failed(KPFailure::Stopped);

    QString kindArgument;
    switch (kind) {
    case Kind::Raw:
        kindArgument = QStringLiteral("raw");
        break;
    case Kind::Heif:
        kindArgument = QStringLiteral("heif");
        break;
    case Kind::Magick:
        kindArgument = QStringLiteral("magick:") + QString::fromLatin1(coder);
        break;
    }
    // The decoders' buffers are held to Qt's allocation limit, as a picture Qt decodes is.
    QStringList arguments{kindArgument,
                          sizeOnly ? QStringLiteral("size") : QStringLiteral("decode"),
                          QString::number(QImageReader::allocationLimit())};
    if (box.isValid() && !box.isEmpty())
        arguments << QString::number(box.width()) << QString::number(box.height());

    KPFailure failure = KPFailure::None;
    const std::optional<QByteArray> output =
        runProcess(helperPath(), arguments, bytes, sizeOnly ? SizeSeconds : DecodeSeconds,
                   replyLimit(sizeOnly, box, probed), cancelled, failure);
    if (!output)
        return KPDecodeReply::failed(failure);
    std::optional<KPDecodeReply> reply = KPDecodeReply::decode(*output);
    if (!reply || (reply->ok() && sizeOnly != reply->picture.isNull()))
        return KPDecodeReply::failed(KPFailure::Damaged);
    return *reply;
}

std::optional<KPMetadataReply> KPDecodeHelper::metadata(bool heif, const QByteArray& bytes,
                                                        KPMetadataPolicy policy, bool copy,
                                                        const Cancelled& cancelled)
{
    if (bytes.isEmpty() || bytes.size() > MaxFileBytes || (cancelled && cancelled()))
        return std::nullopt;
    QStringList arguments{heif ? QStringLiteral("heif") : QStringLiteral("other"),
                          KPMetadataPolicies::name(policy),
                          QString::number(QImageReader::allocationLimit())};
    if (copy)
        arguments << QStringLiteral("copy");
    KPFailure failure = KPFailure::None;
    const std::optional<QByteArray> output =
        runProcess(metadataHelperPath(), arguments, bytes, SizeSeconds, KPMetadataReply::MaxBytes,
                   cancelled, failure);
    if (!output)
        return std::nullopt;
    return KPMetadataReply::decode(*output);
}

std::optional<QByteArray> KPDecodeHelper::runProcess(const QString& program,
                                                     const QStringList& arguments,
                                                     const QByteArray& bytes, int seconds,
                                                     qint64 maxOutput, const Cancelled& cancelled,
                                                     KPFailure& failure)
{
    if (program.isEmpty()) {
        failure = KPFailure::Unsupported;
        return std::nullopt;
    }
    // A large raw file takes some tens of seconds: a stopped run does not wait for it.
    const KPChildProcess::Result ran = KPChildProcess::run(
        program, arguments, bytes, qint64(seconds) * 1000, maxOutput, cancelled);
    if (!ran.started) {
        failure = KPFailure::Unsupported;
        return std::nullopt;
    }
    if (ran.cancelled) {
        failure = KPFailure::Stopped;
        return std::nullopt;
    }
    // A system that cannot hold the helper in its sandbox runs no reader in it.
    if (ran.finished && ran.exitCode == KPHelperSandbox::RefusedExit) {
        failure = KPFailure::Unsupported;
        return std::nullopt;
    }
    // What a crash leaves on stderr (glibc's "buffer overflow detected") is no news for the
    // user: the picture fails. So does a helper the sandbox ended (SIGSYS), and one that
    // wrote more than the request can need.
    if (!ran.finished || ran.exitCode != 0) {
        failure = KPFailure::Damaged;
        return std::nullopt;
    }
    return ran.output;
}
