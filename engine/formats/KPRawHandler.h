#pragma once

#include "engine/formats/KPRawReply.h"

#include <QByteArray>
#include <QImageIOHandler>
#include <QSize>

// Develops camera raw files (Panasonic and Leica RAW, DNG and the other kinds LibRaw
// knows) into 8-bit sRGB pictures: the camera's white balance, LibRaw's default
// demosaicing and brightness, the sRGB tone curve, turned upright. LibRaw runs in the
// pictaro-raw process (see KPRawDeveloper.h), so a file that crashes it, or takes too
// long, only fails.
//
// Many raw files are TIFF inside, so the handler only claims content on its own when
// the start of the file can be nothing but raw; the format name "raw" hands it any
// bytes, which it then either develops or turns away.
class KPRawHandler : public QImageIOHandler
{
public:
    bool canRead() const override;
    bool read(QImage* image) override;
    bool supportsOption(ImageOption option) const override;
    QVariant option(ImageOption option) const override;
    void setOption(ImageOption option, const QVariant& value) override;

    // Whether the device starts with the signature of a raw kind that no other
    // picture type shares.
    static bool canRead(QIODevice* device);

    // The largest file the handler takes into memory.
    static constexpr qint64 MaxFileBytes = qint64(1) << 30;
    // How long pictaro-raw may take to read a header, and to develop a picture (a
    // 100-megapixel file takes some tens of seconds on a slow machine).
    static constexpr int SizeSeconds = 60;
    static constexpr int DevelopSeconds = 300;

    // Where pictaro-raw is: beside the program's folder in libexec/pictaro when
    // installed, else, for a program of the build tree, where the build put it. Empty
    // when it is missing.
    static QString helperPath();

private:
    // Runs pictaro-raw on the device's bytes; nothing when it fails, crashes or runs
    // out of time.
    std::optional<KPRawReply> runHelper(const QString& mode, int seconds) const;
    // Asks for the size once, for both the size query and the read.
    bool open() const;

    enum class State
    {
        Closed,
        Open,
        Failed
    };

    mutable QByteArray m_bytes;
    mutable QSize m_size; // upright
    mutable State m_state = State::Closed;
    QSize m_scaledSize;
};
