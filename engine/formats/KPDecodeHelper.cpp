#include "engine/formats/KPDecodeHelper.h"

#include "engine/formats/KPHelperCall.h"
#include "engine/formats/KPHelperLog.h"

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

// The programs the tests put in the helpers' places, if any, with their deadlines.
struct StandIn
{
    QString path;
    qint64 deadlineMs = 0;
};
std::mutex standInMutex;
StandIn standIns[2];

StandIn standIn(KPDecodeHelper::Program program)
{
    const std::lock_guard lock(standInMutex);
    return standIns[int(program)];
}

KPHelperRequest::Reader readerOf(KPDecodeHelper::Kind kind)
{
    switch (kind) {
    case KPDecodeHelper::Kind::Raw:
        return KPHelperRequest::Reader::Raw;
    case KPDecodeHelper::Kind::Heif:
        return KPHelperRequest::Reader::Heif;
    case KPDecodeHelper::Kind::Magick:
        return KPHelperRequest::Reader::Second;
    case KPDecodeHelper::Kind::Psd:
        return KPHelperRequest::Reader::Psd;
    }
    return KPHelperRequest::Reader::Second;
}
} // namespace

QString KPDecodeHelper::helperPath()
{
    if (const QString path = standIn(Program::Decode).path; !path.isEmpty())
        return path;
    static const QString path = findHelper(QStringLiteral("pictaro-decode"),
                                           QStringLiteral(PICTARO_DECODE_HELPER_BUILD_PATH),
                                           QStringLiteral(PICTARO_DECODE_HELPER_INSTALL_PATH));
    return path;
}

QString KPDecodeHelper::metadataHelperPath()
{
    if (const QString path = standIn(Program::Metadata).path; !path.isEmpty())
        return path;
    static const QString path = findHelper(QStringLiteral("pictaro-metadata"),
                                           QStringLiteral(PICTARO_METADATA_HELPER_BUILD_PATH),
                                           QStringLiteral(PICTARO_METADATA_HELPER_INSTALL_PATH));
    return path;
}

void KPDecodeHelper::setStandIn(Program program, const QString& path, qint64 deadlineMs)
{
    const std::lock_guard lock(standInMutex);
    standIns[int(program)] = StandIn{path, deadlineMs};
}

qint64 KPDecodeHelper::deadlineMs(Program program, const KPHelperRequest& request)
{
    if (const StandIn stood = standIn(program); !stood.path.isEmpty() && stood.deadlineMs > 0)
        return stood.deadlineMs;
    const bool decoding = request.operation == KPHelperRequest::Operation::Decode;
    return qint64(decoding ? DecodeSeconds : SizeSeconds) * 1000;
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

    KPHelperRequest request;
    request.operation =
        sizeOnly ? KPHelperRequest::Operation::Size : KPHelperRequest::Operation::Decode;
    request.reader = readerOf(kind);
    request.coder = kind == Kind::Magick ? coder : QByteArray();
    // The decoders' buffers are held to Qt's allocation limit, as a picture Qt decodes is.
    request.memoryLimitMB = QImageReader::allocationLimit();
    request.box = box.isValid() && !box.isEmpty() ? box : QSize();
    request.probed = sizeOnly ? QSize() : probed;
    const KPHelperCall::Outcome outcome = KPHelperCall::run(
        helperPath(), request, bytes, deadlineMs(Program::Decode, request), cancelled);
    if (outcome.failure != KPFailure::None)
        return KPDecodeReply::failed(outcome.failure);
    std::optional<KPDecodeReply> reply = KPDecodeReply::fromFrames(outcome.frames, !sizeOnly);
    if (!reply) {
        qCDebug(lcPictaroHelper) << "pictaro-decode answered no reply for" << request.describe();
        return KPDecodeReply::failed(KPFailure::Damaged);
    }
    return *reply;
}

std::optional<KPMetadataReply> KPDecodeHelper::metadata(bool heif, const QByteArray& bytes,
                                                        KPMetadataPolicy policy, bool copy,
                                                        const Cancelled& cancelled)
{
    if (bytes.isEmpty() || bytes.size() > MaxFileBytes || (cancelled && cancelled()))
        return std::nullopt;
    KPHelperRequest request;
    request.operation = KPHelperRequest::Operation::Metadata;
    request.reader = heif ? KPHelperRequest::Reader::Heif : KPHelperRequest::Reader::Exiv2;
    request.policy = policy;
    request.copy = copy;
    request.memoryLimitMB = QImageReader::allocationLimit();
    // Metadata that cannot be read never fails a picture: why is only logged.
    const KPHelperCall::Outcome outcome = KPHelperCall::run(
        metadataHelperPath(), request, bytes, deadlineMs(Program::Metadata, request), cancelled);
    if (outcome.failure != KPFailure::None)
        return std::nullopt;
    std::optional<KPMetadataReply> reply = KPMetadataReply::fromFrames(outcome.frames);
    if (!reply)
        qCDebug(lcPictaroHelper) << "pictaro-metadata answered no reply for" << request.describe();
    return reply;
}
