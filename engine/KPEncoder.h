#pragma once

#include "engine/KPRowDecode.h"
#include "engine/KPSizeEstimate.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <utility>

class KPMetadata;

// Writes pictures in one output format. The fittings deal in pictures, qualities and
// sizes; the encoder knows its format: the coding, the container and where the metadata
// goes in it, and how an encoding reads back for the next step. One encoder per job, used
// on the job's thread.
class KPEncoder
{
public:
    KPEncoder() = default;
    virtual ~KPEncoder() = default;
    KPEncoder(const KPEncoder&) = delete;
    KPEncoder& operator=(const KPEncoder&) = delete;

    // The format's name as Qt's readers know it ("jpeg"), and the extension of its files
    // ("jpg").
    virtual QByteArray format() const = 0;
    virtual QString extension() const = 0;

    // Asked between bands of rows while encoding or decoding: answering true abandons the
    // picture (the call fails), so Stop does not wait for a large picture to finish.
    virtual void setCancelled(std::function<bool()> cancelled) = 0;

    // Encodes an opaque Format_RGB32 picture at `quality`, 0 to 100 on the format's own
    // scale, with `metadata` written into the container as an output of the picture's size
    // carries it; empty data on failure. Rows are read only once `gate` (when given) lets
    // them: the picture may still be being decoded. An encoder that needs every row at once
    // waits for all of them first.
    virtual QByteArray encode(const QImage& picture, int quality, const KPMetadata& metadata,
                              const KPRowGate& gate) = 0;
    // An encoding made without metadata, with `metadata` for an output of `pixels` put in
    // where encode() would have written it.
    virtual QByteArray withMetadata(const QByteArray& encoding, const KPMetadata& metadata,
                                    QSize pixels) const = 0;
    // What `metadata` adds to every encoding, in bytes.
    virtual qint64 metadataBytes(const KPMetadata& metadata) const = 0;

    // Starts decoding an encoding of this format on another thread, its rows readable as
    // they come; nothing when the format or the data does not allow it (decode() then
    // reads it whole). `spent`, a picture no longer needed, may be decoded into when
    // nothing else holds it.
    virtual std::shared_ptr<KPRowDecode> startDecode(const QByteArray& encoding, QImage spent) = 0;
    // Decodes an encoding of this format whole into Format_RGB32; a null picture on failure.
    virtual QImage decode(const QByteArray& encoding) = 0;

    // The qualities whose encodings are the same as at `quality`, first and last (a coder
    // with fewer steps than 101 gives several the same one): a search need not tell them
    // apart. Every quality its own by default.
    virtual std::pair<int, int> sameAs(int quality) const { return {quality, quality}; }

    // A fast estimate of this format's encoded sizes for the best-quality search; nothing
    // where the format has none, and the search then confirms every quality by encoding.
    virtual std::unique_ptr<KPSizeEstimate> sizeEstimate() const = 0;
};
