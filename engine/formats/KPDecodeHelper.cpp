#include "engine/formats/KPDecodeHelper.h"

#include "engine/formats/KPChildProcess.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImageReader>

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
} // namespace

QString KPDecodeHelper::helperPath()
{
    static const QString path = findHelper(QStringLiteral("pictaro-decode"),
                                           QStringLiteral(PICTARO_DECODE_HELPER_BUILD_PATH),
                                           QStringLiteral(PICTARO_DECODE_HELPER_INSTALL_PATH));
    return path;
}

QString KPDecodeHelper::metadataHelperPath()
{
    static const QString path = findHelper(QStringLiteral("pictaro-metadata"),
                                           QStringLiteral(PICTARO_METADATA_HELPER_BUILD_PATH),
                                           QStringLiteral(PICTARO_METADATA_HELPER_INSTALL_PATH));
    return path;
}

KPDecodeReply KPDecodeHelper::size(Kind kind, const QByteArray& bytes, const QByteArray& coder)
{
    return run(kind, true, bytes, coder, {}, {});
}

KPDecodeReply KPDecodeHelper::decode(Kind kind, const QByteArray& bytes, const QByteArray& coder,
                                     QSize box, const Cancelled& cancelled)
{
    return run(kind, false, bytes, coder, box, cancelled);
}

KPDecodeReply KPDecodeHelper::run(Kind kind, bool sizeOnly, const QByteArray& bytes,
                                  const QByteArray& coder, QSize box, const Cancelled& cancelled)
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
    const std::optional<QByteArray> output = runProcess(
        helperPath(), arguments, bytes, sizeOnly ? SizeSeconds : DecodeSeconds, cancelled, failure);
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
        runProcess(metadataHelperPath(), arguments, bytes, SizeSeconds, cancelled, failure);
    if (!output)
        return std::nullopt;
    return KPMetadataReply::decode(*output);
}

std::optional<QByteArray> KPDecodeHelper::runProcess(const QString& program,
                                                     const QStringList& arguments,
                                                     const QByteArray& bytes, int seconds,
                                                     const Cancelled& cancelled, KPFailure& failure)
{
    if (program.isEmpty()) {
        failure = KPFailure::Unsupported;
        return std::nullopt;
    }
    // A large raw file takes some tens of seconds: a stopped run does not wait for it.
    const KPChildProcess::Result ran =
        KPChildProcess::run(program, arguments, bytes, qint64(seconds) * 1000, cancelled);
    if (!ran.started) {
        failure = KPFailure::Unsupported;
        return std::nullopt;
    }
    if (ran.cancelled) {
        failure = KPFailure::Stopped;
        return std::nullopt;
    }
    // What a crash leaves on stderr (glibc's "buffer overflow detected") is no news for the
    // user: the picture fails.
    if (!ran.finished || ran.exitCode != 0) {
        failure = KPFailure::Damaged;
        return std::nullopt;
    }
    return ran.output;
}
