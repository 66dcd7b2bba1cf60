#pragma once

#include "engine/KPAsync.h"
#include "engine/KPFailure.h"
#include "engine/KPImageDecoder.h"
#include "engine/KPMetadata.h"
#include "engine/KPMetadataPolicy.h"
#include "engine/KPOutputFormat.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

// One job's source picture, read once and shared by whichever fitting runs: its bytes
// (their size looked at before a byte is read), its header, its picture decoded on
// another core and its metadata read in pictaro-metadata, both started as soon as the
// source is known to be whole. One per job, used on the job's thread.
class KPSourcePicture
{
public:
    KPSourcePicture() = default;
    KPSourcePicture(const KPSourcePicture&) = delete;
    KPSourcePicture& operator=(const KPSourcePicture&) = delete;

    // Reads the file and its header: None, or why no reader can take it (Stopped when
    // `cancelled` ended a reader in pictaro-decode).
    KPFailure read(const QString& path, const std::function<bool()>& cancelled);
    quint64 size() const { return m_size; }
    QSize pixels() const { return m_pixels; } // upright, from the header
    bool isJpeg() const { return m_isJpeg; }
    // Which of the output formats the file is, by its content; nothing for any other type.
    std::optional<KPOutputFormat> format() const { return m_format; }
    // The bytes as read, until releaseBytes().
    const QByteArray& bytes() const { return m_bytes; }

    // The largest box the picture is brought inside when it is taken (none: off). Set
    // before start(): a picture larger than the box is never kept as a copy.
    void setLargestBox(std::optional<QSize> box) { m_largestBox = box; }
    // Whether the picture, as its header gives it, is inside the largest box.
    bool insideLargestBox() const;
    // The largest picture a fitting can work on: the source's upright size, brought inside
    // the largest box.
    QSize largestSize() const;

    // Which reading of the metadata a job needs: for the copy of a JPEG already under the
    // limit, unless it keeps all; for the encodings, unless they carry none.
    struct MetadataReading
    {
        bool forCopy = false;
        bool forEncodings = false;
    };
    static MetadataReading metadataReading(KPMetadataPolicy policy, bool mayHold, bool mayKeepCopy);

    // Starts, on other cores, the metadata reading the policy asks for and the decode: at
    // once when the picture is to be encoded whatever happens (as large as `limit`, or not
    // of the `output` format), else only if it comes to that. Stop (`cancelled`) ends both.
    void start(KPMetadataPolicy policy, quint64 limit, const std::function<bool()>& cancelled,
               KPOutputFormat output = KPOutputFormat::Jpeg);
    // Lets go of the bytes once the working file holds them; a copy still to be rewritten
    // without some metadata keeps them.
    void releaseBytes();
    // Given a quick look at a JPEG (the picture at 1/8) and its whole upright size, the
    // eighths of it to decode for the fitting: 8 for the whole picture.
    using ScaleChoice = std::function<int(const QImage& look, QSize upright)>;
    // Set before start(): a JPEG is then decoded at the size the choice gives, by
    // libjpeg-turbo straight; other types whole, as ever. Called on another thread.
    void setScaleChoice(ScaleChoice choice) { m_scaleChoice = std::move(choice); }

    // Whether the copy of the source, to be kept, has to be rewritten without some metadata.
    bool copyMayChange() const { return m_reading.forCopy; }
    struct Copy
    {
        QByteArray bytes;
        bool rewritten = false; // false: the source's own bytes
    };
    // The copy to keep, once the metadata is read; nothing when it cannot be made without
    // what is to be removed. The bytes are let go.
    std::optional<Copy> takeCopy();

    // Whether the decoded picture is still to be taken.
    bool hasPicture() const { return m_decode.isValid(); }
    // The decoded picture, waited for and brought inside the largest box; taken once. With
    // a scale choice, `image` may be smaller than `size`, the source's upright size.
    KPImageDecoder::Decoded takePicture();
    // The source decoded again at `eighths`/8 of its size, upright and in sRGB, as
    // Format_RGB32, for a fitting that found the picture it took too small; a null image
    // when it cannot be (a source that is no JPEG, or without a scale choice). Brought
    // inside the largest box, as the picture taken is.
    QImage scaledPicture(int eighths, const std::function<bool()>& cancelled);
    // The metadata the encodings carry, waited for and fitted into the limit; nothing to
    // carry when none was read.
    const KPMetadata& metadata();

    // Waits for a decode or reading still running; one not begun is dropped.
    void release();

private:
    // The look at 1/8, then the decode at the size the choice gives it; a null image
    // when libjpeg-turbo cannot read the data.
    static KPImageDecoder::Decoded decodeChosen(const QByteArray& jpeg, QSize upright,
                                                const ScaleChoice& choice,
                                                const std::function<bool()>& cancelled);

    QByteArray m_bytes;
    QByteArray m_jpeg; // the bytes kept for decodes at another size
    ScaleChoice m_scaleChoice;
    QByteArray m_hint; // the type the name gives
    quint64 m_size = 0;
    QSize m_pixels;
    bool m_isJpeg = false;
    std::optional<KPOutputFormat> m_format;
    quint64 m_limit = 0;
    std::optional<QSize> m_largestBox;
    MetadataReading m_reading;
    KPAsync::Task<KPImageDecoder::Decoded> m_decode;
    KPAsync::Task<KPMetadata> m_metadataRead;
    KPMetadata m_metadata;
};
