#pragma once

#include <QByteArray>
#include <QImageIOHandler>
#include <QSize>

#include <memory>

class KPLibRaw;

// Develops camera raw files (Panasonic and Leica RAW, DNG and the other kinds LibRaw
// knows) into 8-bit sRGB pictures: the camera's white balance, LibRaw's default
// demosaicing and brightness, the sRGB tone curve, turned upright.
//
// Many raw files are TIFF inside, so the handler only claims content on its own when
// the start of the file can be nothing but raw; the format name "raw" hands it any
// bytes, which it then either develops or turns away.
class KPRawHandler : public QImageIOHandler
{
public:
    KPRawHandler();
    ~KPRawHandler() override;
    KPRawHandler(const KPRawHandler&) = delete;
    KPRawHandler& operator=(const KPRawHandler&) = delete;

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
    // A file must hold at least one byte for this many of the pixels its header
    // claims. Real raw data, even compressed, takes more than a bit a pixel.
    static constexpr qint64 MaxPixelsPerByte = 64;
    static constexpr qsizetype TrailingZeros = 16;

private:
    // Opens the device's bytes and checks the sizes the header gives against the limits;
    // the upright size is kept. Done once, for both the size query and the read.
    bool open() const;
    static void onDataError(void* handler, const char* file, int offset);

    enum class State
    {
        Closed,
        Open,
        Failed
    };

    mutable std::unique_ptr<KPLibRaw> m_raw;
    mutable QByteArray m_bytes;
    mutable QSize m_size; // upright
    mutable State m_state = State::Closed;
    int m_dataErrors = 0;
    QSize m_scaledSize;
};
