#pragma once

#include "engine/KPMetadataPolicy.h"
#include "engine/formats/KPDecodeReply.h"
#include "engine/formats/KPMetadataReply.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

// Runs pictaro-decode, the process the risky decoders live in (see
// pictaro_decode_main.cpp), on a file's bytes. Whatever happens to the process, the
// answer is a picture or a failure with its reason: a crash, a hang past the time
// limit, or a reply that makes no sense fail the file as damaged. Likewise
// pictaro-metadata, the process the metadata reader lives in.
class KPDecodeHelper
{
public:
    KPDecodeHelper() = delete;

    enum class Kind
    {
        Raw,    // LibRaw
        Heif,   // libheif: HEIC, HEIF, AVIF
        Magick, // ImageMagick with the coder given
    };

    // How long the process may take to read a header, and to decode a picture (a
    // 100-megapixel raw file takes some tens of seconds on a slow machine).
    static constexpr int SizeSeconds = 60;
    static constexpr int DecodeSeconds = 300;
    // The largest file handed over.
    static constexpr qint64 MaxFileBytes = qint64(1) << 30;
    // The most pixel bytes a picture may come back with when Qt's allocation limit sets
    // none.
    static constexpr qint64 MaxPictureBytes = qint64(1) << 30;

    // Asked while the process works: when it answers true, the process is ended and the
    // answer is the failure Stopped.
    using Cancelled = std::function<bool()>;

    // The picture's upright size.
    static KPDecodeReply size(Kind kind, const QByteArray& bytes, const QByteArray& coder = {},
                              const Cancelled& cancelled = {});
    // The picture, upright and in sRGB, scaled down to fit `box` when it is valid.
    // `probed`, when valid, is the size the same reader gave for the file: the picture
    // comes back with no more pixels than that, or the file fails as damaged.
    static KPDecodeReply decode(Kind kind, const QByteArray& bytes, const QByteArray& coder = {},
                                QSize box = {}, const Cancelled& cancelled = {}, QSize probed = {});

    // The source's metadata as the policy keeps it, read in pictaro-metadata (see
    // KPMetadataFilter); with `copy`, also how to copy the JPEG without what the policy
    // removes. Nothing when the process failed, was stopped or answered nonsense.
    static std::optional<KPMetadataReply> metadata(bool heif, const QByteArray& bytes,
                                                   KPMetadataPolicy policy, bool copy,
                                                   const Cancelled& cancelled = {});

    // Where pictaro-decode is: beside the program's folder in libexec/pictaro when
    // installed, else, for a program of the build tree, where the build put it. Empty when
    // it is missing.
    static QString helperPath();
    // The same for pictaro-metadata.
    static QString metadataHelperPath();

    // For the tests: runs the program at `path` in the place of pictaro-decode or
    // pictaro-metadata (a stand-in that misbehaves as a hostile file could make a helper);
    // an empty path puts the helper back.
    enum class Program
    {
        Decode,
        Metadata,
    };
    static void setStandIn(Program program, const QString& path);

    // The most bytes a reply of pictaro-decode may have: a size query's header alone, a
    // picture's header and pixels, no more than `probed` and `box` (when valid) allow,
    // and never more than the picture-size limit.
    static qint64 replyLimit(bool sizeOnly, QSize box, QSize probed);

private:
    static KPDecodeReply run(Kind kind, bool sizeOnly, const QByteArray& bytes,
                             const QByteArray& coder, QSize box, const Cancelled& cancelled,
                             QSize probed);
    // Runs the program on the bytes: its standard output, or the failure. An answer
    // longer than `maxOutput` bytes ends the program and fails as damaged.
    static std::optional<QByteArray>
    runProcess(const QString& program, const QStringList& arguments, const QByteArray& bytes,
               int seconds, qint64 maxOutput, const Cancelled& cancelled, KPFailure& failure);
};
