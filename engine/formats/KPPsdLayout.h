#pragma once

#include <QByteArrayView>
#include <QSize>

#include <optional>

// What a Photoshop document's sections say about its merged picture, found without
// decoding a pixel. ImageMagick fills rows missing at the end of a document with
// blank pixels instead of failing, and trusts the header's dimensions until it has
// allocated them; checking the layout first turns a cut-off or lying file into a
// failed job.
class KPPsdLayout
{
public:
    enum class ColorMode : quint16
    {
        Bitmap = 0,
        Greyscale = 1,
        Indexed = 2,
        Rgb = 3,
        Cmyk = 4,
        Multichannel = 7,
        Duotone = 8,
        Lab = 9,
    };
    enum class Compression : quint16
    {
        Raw = 0,
        Rle = 1,
        Zip = 2,
        ZipPredicted = 3
    };

    static constexpr qsizetype HeaderSize = 26;
    // Where the colour mode sits in the header.
    static constexpr qsizetype ColorModeOffset = 24;

    // Only the fixed header: enough for the size. Nothing when it is no Photoshop
    // document (PSD or large-document PSB) or its fields are out of range.
    static std::optional<KPPsdLayout> readHeader(QByteArrayView bytes);
    // The whole document: the header, then every section within the file, then merged
    // picture data that is all there for the size the header gives.
    static std::optional<KPPsdLayout> read(QByteArrayView bytes);

    QSize size() const { return m_size; }
    int channels() const { return m_channels; }
    int depth() const { return m_depth; }
    ColorMode colorMode() const { return m_colorMode; }
    bool isLargeDocument() const { return m_version == 2; }
    // Only known once read() has walked the sections.
    Compression compression() const { return m_compression; }

private:
    bool mergedDataComplete(QByteArrayView bytes, qint64 at) const;

    int m_version = 1;
    QSize m_size;
    int m_channels = 0;
    int m_depth = 0;
    ColorMode m_colorMode = ColorMode::Rgb;
    Compression m_compression = Compression::Raw;
};
