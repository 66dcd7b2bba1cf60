// Writes the DNG seeds of the raw fuzz target into the folder given.
#include "engine/KPDngWriter.h"

#include <QDir>
#include <QFile>
#include <QImage>

namespace {
bool write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    // LibRaw takes nothing under 22 pixels a side for a raw picture.
    QImage picture(32, 24, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 8, y * 10, 255 - x * 4));
    bool ok = true;
    for (const int orientation : {1, 6}) {
        for (const auto layout : {KPDngWriter::Layout::Linear, KPDngWriter::Layout::Bayer}) {
            const QByteArray dng = KPDngWriter::dng(picture, layout, orientation);
            const QString name =
                QStringLiteral("%1-%2")
                    .arg(QLatin1String(layout == KPDngWriter::Layout::Bayer ? "bayer" : "linear"))
                    .arg(orientation);
            ok = write(folder.filePath(name + QStringLiteral(".dng")), dng) && ok;
            // The same directory behind Panasonic's signature reaches LibRaw's Panasonic
            // parser.
            QByteArray panasonic = dng;
            panasonic.replace(0, 4, QByteArray("IIU\0", 4));
            ok = write(folder.filePath(name + QStringLiteral("-panasonic.raw")), panasonic) && ok;
        }
        // A file LibRaw cannot develop, shown by its embedded preview when that is large
        // enough; this one is not, which keeps the seed small.
        ok = write(folder.filePath(QStringLiteral("preview-%1.dng").arg(orientation)),
                   KPDngWriter::undevelopable(picture, orientation)) &&
             ok;
    }
    return ok ? 0 : 1;
}
