#pragma once

#include <QByteArray>
#include <QImage>

// Writes small DNG files for the raw reader's tests and fuzz seeds: uncompressed, 16
// bits a sample, with a colour matrix that makes the camera's space linear sRGB and a
// neutral white balance. LibRaw develops such a file back to the picture it was made
// from, up to rounding, demosaicing at edges, and its automatic brightening, which
// leaves the picture alone when a hundredth of its pixels or more are white in some
// channel.
class KPDngWriter
{
public:
    KPDngWriter() = delete;

    enum class Layout
    {
        Linear, // three samples a pixel (LinearRaw): nothing to demosaic
        Bayer,  // one sample a pixel behind an RGGB colour filter, as cameras store it
    };

    // `orientation` is the TIFF orientation (1 upright, 6 turned 90 degrees clockwise
    // to show, 8 counter-clockwise, 3 upside down); the picture given is stored as is.
    static QByteArray dng(const QImage& picture, Layout layout = Layout::Linear,
                          int orientation = 1);

    // A DNG that LibRaw 0.20 cannot develop, as a newer camera's would be: its raw data
    // is marked as compressed with JPEG XL. It carries `preview`, stored as it is (turned
    // by `orientation` to show, as the raw data), as a JPEG in a second directory, the
    // file's last bytes.
    static QByteArray undevelopable(const QImage& preview, int orientation = 1);
};
