#pragma once

#include "engine/formats/KPDecodeHelper.h"

#include <QByteArray>
#include <QImageIOHandler>
#include <QSize>

// A Qt image handler whose decoding runs in pictaro-decode (see KPDecodeHelper): the
// raw and HEIF readers. It takes the device's bytes once, asks the process for the size
// once, for both the size query and the read, and for the picture at most once.
class KPHelperHandler : public QImageIOHandler
{
public:
    explicit KPHelperHandler(KPDecodeHelper::Kind kind) : m_kind(kind) {}

    bool canRead() const override;
    bool read(QImage* image) override;
    bool supportsOption(ImageOption option) const override;
    QVariant option(ImageOption option) const override;
    void setOption(ImageOption option, const QVariant& value) override;

private:
    bool open() const;

    enum class State
    {
        Closed,
        Open,
        Failed
    };

    KPDecodeHelper::Kind m_kind;
    mutable QByteArray m_bytes;
    mutable QSize m_size; // upright
    mutable State m_state = State::Closed;
    QSize m_scaledSize;
};
