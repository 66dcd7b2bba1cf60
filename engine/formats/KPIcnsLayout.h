#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// The icons an Apple icon file (ICNS) holds, found from its element headers alone. Qt's
// ICNS reader shows the first icon of the file, often a small one, and cannot read the
// JPEG 2000 data of the large ones that many writers store; the engine wants the
// largest, and hands one stored as JPEG 2000 to ImageMagick's JPEG 2000 coder.
class KPIcnsLayout
{
public:
    KPIcnsLayout() = delete;

    enum class Data
    {
        Classic, // Apple's own pixels (packed, or 1, 4 or 8 bits indexed), masks apart
        Png,
        Jpeg2000, // a JP2 file, or a bare codestream
    };

    struct Icon
    {
        QByteArray type; // the element's four-letter type, as Qt's reader names the icon
        int side = 0;    // pixels a side
        int depth = 0;   // bits a pixel, a mask's included
        Data data = Data::Classic;
        qsizetype offset = 0; // where its data starts in the file
        qsizetype length = 0;
    };

    // The largest icon (most pixels; at equal size the deepest; of equals, one Qt reads
    // itself rather than JPEG 2000, then the first). With `encodedOnly`, only icons stored
    // as PNG or JPEG 2000 count. Nothing when the file is no ICNS or holds no icon of a
    // known kind within its length.
    static std::optional<Icon> largest(QByteArrayView bytes, bool encodedOnly = false);
};
