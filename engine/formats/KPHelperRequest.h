#pragma once

#include "engine/KPMetadataPolicy.h"
#include "engine/formats/KPHelperWire.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QSize>
#include <QString>

#include <optional>

// What Pictaro asks of a helper, and the limits its answer is held to: one Request frame
// on the wire (see KPHelperWire.h), before the file's bytes. pictaro-decode takes the
// size queries and decodes, pictaro-metadata the metadata.
struct KPHelperRequest
{
    enum class Operation : quint32
    {
        Size = 0,     // the picture's upright size, from its header where the reader can
        Decode = 1,   // the picture, upright and in sRGB
        Metadata = 2, // what an output keeps of the file's metadata (KPMetadataReply)
    };
    // The reader a file goes to: the format hint, chosen by Pictaro from the file's name
    // and content.
    enum class Reader : quint32
    {
        Raw = 0,    // LibRaw
        Heif = 1,   // libheif: HEIC, HEIF, AVIF; for metadata, their Exif and XMP blocks
        Psd = 2,    // ImageMagick's Photoshop coder, on a document whose layout was checked
        Second = 3, // ImageMagick with `coder`, the coder of the file's own type
        Exiv2 = 4,  // metadata of every other type
    };

    Operation operation = Operation::Size;
    Reader reader = Reader::Raw;
    QByteArray coder;
    KPMetadataPolicy policy = KPMetadataPolicies::Default;
    bool copy = false;        // metadata: also how to copy the JPEG without what is removed
    qint32 memoryLimitMB = 0; // the readers' buffers, as Qt's allocation limit; 0 for none
    QSize box;                // when valid, the picture may come back scaled down to fit it
    QSize probed;             // when valid, the size the same reader gave: no more pixels may come

    bool operator==(const KPHelperRequest&) const = default;

    qint64 memoryLimit() const { return qint64(memoryLimitMB) << 20; }

    QByteArray encode() const;
    // Nothing for fields out of range or a reader the operation has no use for.
    static std::optional<KPHelperRequest> decode(QByteArrayView payload);

    // The stream Pictaro writes up to the file's bytes, which follow it as they are: the
    // Request frame and the header of the Input frame.
    QByteArray streamHead(qint64 inputBytes) const;
    // What the stream to the helper may hold.
    static KPHelperWire::Bounds requestBounds();
    // What the helper's answer may hold: a size query's size, a picture no larger than
    // the box, the probed size and the memory limit allow (a gigabyte when there is
    // none), metadata within KPMetadataReply's bounds; or a refusal.
    KPHelperWire::Bounds replyBounds() const;

    // The request in a few words, for the log.
    QString describe() const;

    // The longest Request frame: the fields and a coder's name.
    static constexpr qint64 MaxEncodedBytes = 64;
    static constexpr qsizetype MaxCoderBytes = 8;
    // The most pixel bytes a picture may come back with when no memory limit is set.
    static constexpr qint64 MaxPictureBytes = qint64(1) << 30;
};
