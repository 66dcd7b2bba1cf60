#include "engine/formats/KPDecodeHelper.h"

#include "engine/formats/KPChildProcess.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImageReader>

QString KPDecodeHelper::helperPath()
{
    static const QString path = [] {
        QStringList candidates;
        if (QCoreApplication::instance()) {
            const QString programDir = QCoreApplication::applicationDirPath();
            candidates.append(programDir + QStringLiteral("/../libexec/pictaro/pictaro-decode"));
            // The build tree's helper serves only the programs of that tree (the tests):
            // an installed program never runs a file from where it happened to be built.
            const QString built = QStringLiteral(PICTARO_DECODE_HELPER_BUILD_PATH);
            const QString buildDir = QFileInfo(built).canonicalPath();
            if (!buildDir.isEmpty() &&
                (programDir == buildDir || programDir.startsWith(buildDir + QLatin1Char('/'))))
                candidates.append(built);
        }
        candidates.append(QStringLiteral(PICTARO_DECODE_HELPER_INSTALL_PATH));
        for (const QString& candidate : candidates) {
            if (QFileInfo(candidate).isExecutable())
                return QFileInfo(candidate).canonicalFilePath();
        }
        return QString();
    }();
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
    const QString program = helperPath();
    if (program.isEmpty())
        return KPDecodeReply::failed(KPFailure::Unsupported);

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

    // A large raw file takes some tens of seconds: a stopped run does not wait for it.
    const KPChildProcess::Result ran =
        KPChildProcess::run(program, arguments, bytes,
                            qint64(sizeOnly ? SizeSeconds : DecodeSeconds) * 1000, cancelled);
    if (!ran.started)
        return KPDecodeReply::failed(KPFailure::Unsupported);
    if (ran.cancelled)
        return KPDecodeReply::failed(KPFailure::Stopped);
    // What a crash leaves on stderr (glibc's "buffer overflow detected") is no news for the
    // user: the picture fails.
    if (!ran.finished || ran.exitCode != 0)
        return KPDecodeReply::failed(KPFailure::Damaged);
    std::optional<KPDecodeReply> reply = KPDecodeReply::decode(ran.output);
    if (!reply || (reply->ok() && sizeOnly != reply->picture.isNull()))
        return KPDecodeReply::failed(KPFailure::Damaged);
    return *reply;
}
