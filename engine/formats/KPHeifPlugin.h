#pragma once

#include <QImageIOPlugin>

// HEIC, HEIF and AVIF pictures, decoded by libheif in pictaro-decode (see
// KPHeifDecoder.h).
class KPHeifPlugin : public QImageIOPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "heif.json")

public:
    Capabilities capabilities(QIODevice* device, const QByteArray& format) const override;
    QImageIOHandler* create(QIODevice* device, const QByteArray& format) const override;

    // Whether the device starts like a HEIF file: a file-type box whose main brand is
    // one of HEIF's or AVIF's.
    static bool canRead(QIODevice* device);
    static bool isHeifFormat(const QByteArray& format);
};
