// Writes the fixtures of the scale benchmarks, so that nothing large is committed:
//
//   bench_fixture tree FOLDER [PICTURES [OTHERS]]
//       a nested tree of OTHERS non-picture files (80,000) and PICTURES small JPEGs
//       (20,000, 640x480), spread over 1,000 folders three levels deep
//   bench_fixture photos FOLDER COUNT [WxH]
//       COUNT photo-sized JPEGs (1600x1200 unless told) named photo-0001.jpg and on
//
// A handful of pictures are encoded; every other picture is a hard link to one of them
// (a copy where links are refused), which keeps the fixtures quick to write and small
// on disk while every file still decodes as a real picture.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Smooth colour fields with a few discs under mild noise: it decodes as a photo does,
// and JPEG cannot shrink it to nothing.
QImage makePicture(int width, int height, quint32 seed, int noise)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    const int hue = int(random.bounded(360u));
    const QColor base = QColor::fromHsv(hue, 160, 200);
    const QColor other = QColor::fromHsv((hue + 120) % 360, 200, 120);
    struct Disc
    {
        int x, y, r;
        QRgb color;
    };
    std::vector<Disc> discs;
    for (int i = 0; i < 6; ++i) {
        discs.push_back({int(random.bounded(quint32(width))), int(random.bounded(quint32(height))),
                         int(random.bounded(quint32(height / 8), quint32(height / 3))),
                         QColor::fromHsv(int(random.bounded(360u)), 220, 230).rgb()});
    }
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int t = 256 * (x + y) / (width + height);
            int r = (base.red() * (256 - t) + other.red() * t) >> 8;
            int g = (base.green() * (256 - t) + other.green() * t) >> 8;
            int b = (base.blue() * (256 - t) + other.blue() * t) >> 8;
            for (const Disc& disc : discs) {
                const int dx = x - disc.x;
                const int dy = y - disc.y;
                if (dx * dx + dy * dy < disc.r * disc.r) {
                    r = (r + qRed(disc.color)) / 2;
                    g = (g + qGreen(disc.color)) / 2;
                    b = (b + qBlue(disc.color)) / 2;
                }
            }
            const int n = noise > 0 ? int(random.bounded(quint32(2 * noise + 1))) - noise : 0;
            line[x] = qRgb(qBound(0, r + n, 255), qBound(0, g + n, 255), qBound(0, b + n, 255));
        }
    }
    return image;
}

bool writeJpeg(const QImage& image, const QString& path, int quality)
{
    QImageWriter writer(path, "jpeg");
    writer.setQuality(quality);
    if (writer.write(image))
        return true;
    std::fprintf(stderr, "bench_fixture: cannot write %s: %s\n", qPrintable(path),
                 qPrintable(writer.errorString()));
    return false;
}

bool writeEmpty(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        std::fprintf(stderr, "bench_fixture: cannot create %s\n", qPrintable(path));
        return false;
    }
    ::close(fd);
    return true;
}

// A second name for `original`: a hard link, or a copy on file systems that refuse one
// (or once the original has as many links as it may have).
bool duplicate(const QString& original, const QString& path)
{
    if (::link(QFile::encodeName(original).constData(), QFile::encodeName(path).constData()) == 0)
        return true;
    if (QFile::copy(original, path))
        return true;
    std::fprintf(stderr, "bench_fixture: cannot link or copy %s to %s\n", qPrintable(original),
                 qPrintable(path));
    return false;
}

// Names that end like pictures only at first sight, or not at all: the scan must look at
// each and keep none.
const char* const otherSuffixes[] = {
    ".txt",  ".xmp",     ".json", ".mov", ".jpg.xmp", ".jpgx", "",     ".db",
    ".html", ".JPG.txt", ".pdf",  ".mp4", ".csv",     ".thm",  ".aae", ".gz",
};
// Extensions as cameras and people write them.
const char* const pictureSuffixes[] = {".jpg", ".JPG", ".jpeg", ".jpg", ".JPEG", ".jpg"};

int makeTree(const QString& root, int pictures, int others)
{
    constexpr int Sets = 20, Days = 10, Rolls = 5; // 1,000 folders, three levels deep
    constexpr int Folders = Sets * Days * Rolls;
    constexpr int Variants = 8;
    QStringList variantPaths;
    std::vector<QImage> variants;
    for (int v = 0; v < Variants; ++v)
        variants.push_back(makePicture(640, 480, 1000 + quint32(v), 6));

    int picture = 0, other = 0, folder = 0;
    for (int s = 0; s < Sets; ++s) {
        for (int d = 0; d < Days; ++d) {
            for (int r = 0; r < Rolls; ++r, ++folder) {
                const QString dir = QStringLiteral("%1/set-%2/day-%3/roll-%4")
                                        .arg(root)
                                        .arg(s, 2, 10, QLatin1Char('0'))
                                        .arg(d, 2, 10, QLatin1Char('0'))
                                        .arg(r);
                if (!QDir().mkpath(dir)) {
                    std::fprintf(stderr, "bench_fixture: cannot create %s\n", qPrintable(dir));
                    return 1;
                }
                const int picturesHere = (pictures * (folder + 1)) / Folders - picture;
                const int othersHere = (others * (folder + 1)) / Folders - other;
                for (int i = 0; i < picturesHere; ++i, ++picture) {
                    const QString path =
                        QStringLiteral("%1/IMG_%2%3")
                            .arg(dir)
                            .arg(picture, 5, 10, QLatin1Char('0'))
                            .arg(QLatin1String(
                                pictureSuffixes[picture % std::size(pictureSuffixes)]));
                    const int v = picture % Variants;
                    if (v >= variantPaths.size()) {
                        if (!writeJpeg(variants[size_t(v)], path, 85))
                            return 1;
                        variantPaths.append(path);
                    } else if (!duplicate(variantPaths.at(v), path)) {
                        return 1;
                    }
                }
                for (int i = 0; i < othersHere; ++i, ++other) {
                    const QString path =
                        QStringLiteral("%1/file_%2%3")
                            .arg(dir)
                            .arg(other, 5, 10, QLatin1Char('0'))
                            .arg(QLatin1String(otherSuffixes[other % std::size(otherSuffixes)]));
                    if (!writeEmpty(path))
                        return 1;
                }
            }
        }
    }
    std::printf("pictures=%d\nothers=%d\nfolders=%d\n", picture, other, Folders);
    return 0;
}

int makePhotos(const QString& root, int count, QSize size)
{
    if (!QDir().mkpath(root)) {
        std::fprintf(stderr, "bench_fixture: cannot create %s\n", qPrintable(root));
        return 1;
    }
    constexpr int Variants = 4;
    QStringList variantPaths;
    for (int i = 0; i < count; ++i) {
        const QString path =
            QStringLiteral("%1/photo-%2.jpg").arg(root).arg(i + 1, 4, 10, QLatin1Char('0'));
        const int v = i % Variants;
        if (v >= variantPaths.size()) {
            if (!writeJpeg(makePicture(size.width(), size.height(), 2000 + quint32(v), 10), path,
                           92))
                return 1;
            variantPaths.append(path);
        } else if (!duplicate(variantPaths.at(v), path)) {
            return 1;
        }
    }
    std::printf("photos=%d\n", count);
    return 0;
}

int usage()
{
    std::fprintf(stderr, "usage: bench_fixture tree FOLDER [PICTURES [OTHERS]]\n"
                         "       bench_fixture photos FOLDER COUNT [WxH]\n");
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() < 2)
        return usage();
    const QString root = QDir(args.at(1)).absolutePath();
    bool ok = true;
    if (args.at(0) == QStringLiteral("tree")) {
        const int pictures = args.size() > 2 ? args.at(2).toInt(&ok) : 20000;
        const int others = ok && args.size() > 3 ? args.at(3).toInt(&ok) : 80000;
        if (!ok || pictures < 0 || others < 0)
            return usage();
        return makeTree(root, pictures, others);
    }
    if (args.at(0) == QStringLiteral("photos") && args.size() >= 3) {
        const int count = args.at(2).toInt(&ok);
        QSize size(1600, 1200);
        if (args.size() > 3) {
            const QStringList parts = args.at(3).split(QLatin1Char('x'));
            size = QSize(parts.value(0).toInt(), parts.value(1).toInt());
        }
        if (!ok || count < 0 || size.isEmpty())
            return usage();
        return makePhotos(root, count, size);
    }
    return usage();
}
