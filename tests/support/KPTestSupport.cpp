#include "support/KPTestSupport.h"

#include "engine/KPAsync.h"
#include "engine/KPAtomicFile.h"
#include "engine/KPImageDecoder.h"
#include "engine/KPPath.h"
#include "settings/KPSettings.h"
#include "support/KPHeifReader.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {
// The folder the store is in now: a test that makes its next KPTestSettings before the
// last one is gone must not have the last one clear the new store on its way out.
QString currentFolder;
} // namespace

KPTestSettings::KPTestSettings()
{
    useFolder(m_dir.path());
    QSettings(QStringLiteral("Pictaro"), QStringLiteral("Pictaro")).clear();
}

KPTestSettings::~KPTestSettings()
{
    if (currentFolder == m_dir.path())
        QSettings(QStringLiteral("Pictaro"), QStringLiteral("Pictaro")).clear();
}

void KPTestSettings::useFolder(const QString& folder)
{
    currentFolder = folder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

KPTestFolders::KPTestFolders()
{
    KPSettings::checkDefaultSetting();
}

KPTemporaryDir::~KPTemporaryDir()
{
    if (!isValid())
        return;
    const auto remove = [](const char* path, const struct stat*, int, FTW*) {
        ::remove(path); // what cannot go, QTemporaryDir tries again
        return 0;
    };
    ::nftw(KPPath::toNative(path()).constData(), remove, 16, FTW_DEPTH | FTW_PHYS);
}

KPBusyPool::KPBusyPool()
{
    QThreadPool& pool = KPAsync::pool();
    const int count = pool.maxThreadCount();
    for (int i = 0; i < count; ++i) {
        pool.start([threads = m_threads] {
            std::unique_lock lock(threads->mutex);
            ++threads->busy;
            threads->changed.notify_all();
            threads->changed.wait(lock, [&threads] { return threads->released; });
            --threads->busy;
            threads->changed.notify_all();
        });
    }
    std::unique_lock lock(m_threads->mutex);
    m_threads->changed.wait(lock, [this, count] { return m_threads->busy == count; });
}

KPBusyPool::~KPBusyPool()
{
    std::unique_lock lock(m_threads->mutex);
    m_threads->released = true;
    m_threads->changed.notify_all();
    m_threads->changed.wait(lock, [this] { return m_threads->busy == 0; });
}

namespace KPTest {
void writeEarlierFile(const QString& path, const QByteArray& bytes, bool marked)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    file.close();
    // Set here by its name, not through the engine, so a change of the engine's mark shows.
    if (marked &&
        ::setxattr(QFile::encodeName(path).constData(), "user.pictaro.output", "1", 1, 0) != 0)
        qFatal("cannot mark %s: %s", qPrintable(path), strerror(errno));
}

QImage noisyImage(int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int noise = int(random.bounded(64u)) - 32;
            const int r = qBound(0, 255 * x / qMax(1, width) + noise, 255);
            const int g = qBound(0, 255 * y / qMax(1, height) + noise, 255);
            const int b = qBound(0, 128 + noise * 2, 255);
            line[x] = qRgb(r, g, b);
        }
    }
    return image;
}

QImage flatImage(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

bool save(const QImage& image, const QString& path, const char* format, int quality)
{
    // The writer does not know upper-case suffixes such as ".JPG".
    const QByteArray type =
        format ? QByteArray(format) : QFileInfo(path).suffix().toLower().toLatin1();
    if (QImageWriter::supportedImageFormats().contains(type)) {
        QImageWriter writer(path, type);
        writer.setQuality(quality);
        return writer.write(image);
    }
    // Types Qt cannot write (GIF) go through ImageMagick.
    QTemporaryDir scratch;
    const QString png = scratch.filePath(QStringLiteral("picture.png"));
    if (!image.save(png, "PNG"))
        return false;
    return QProcess::execute(QStringLiteral("convert"),
                             {png, QString::fromLatin1(type) + QLatin1Char(':') + path}) == 0;
}

bool writeNative(const QString& path, const QByteArray& bytes)
{
    const QByteArray native = KPPath::toNative(path);
    for (qsizetype slash = native.indexOf('/', 1); slash > 0;
         slash = native.indexOf('/', slash + 1))
        ::mkdir(native.left(slash).constData(), 0777);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && written;
}

QStringList namesIn(const QString& folder)
{
    QStringList names;
    DIR* dir = ::opendir(KPPath::toNative(folder).constData());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(KPPath::fromNative(name));
    }
    ::closedir(dir);
    names.sort();
    return names;
}

QString writePicture(const QImage& image, const QString& path, int quality)
{
    if (KPPath::hasEscapedBytes(path)) {
        // Qt's writers open files by a name they cannot spell: the picture is made in a
        // buffer and written through the bytes of its name.
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, KPImageDecoder::formatHint(path));
        writer.setQuality(quality);
        if (!writer.write(image) || !writeNative(path, bytes))
            qFatal("cannot write %s", qPrintable(KPPath::displayName(path)));
        return path;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!save(image, path, nullptr, quality))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QStringList writePictures(const QString& folder, int count, int width, const QString& suffix)
{
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString path = QDir(folder).filePath(QStringLiteral("p%1.%2").arg(i).arg(suffix));
        paths.append(writePicture(noisyImage(width, width * 3 / 4, quint32(i + 1)), path));
    }
    return paths;
}

QStringList realPhotos()
{
    QStringList photos;
    QDirIterator it(QStringLiteral("/usr/share/backgrounds/mate"), {QStringLiteral("*.jpg")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        photos.append(it.next());
    photos.sort();
    return photos;
}

QImage readOutput(const QString& path, std::optional<KPOutputFormat>* format)
{
    const QByteArray bytes = KPAtomicFile::readAll(path).value_or(QByteArray());
    const std::optional<KPOutputFormat> held = KPOutputFormats::ofBytes(bytes);
    if (format)
        *format = held;
    if (held == KPOutputFormat::Avif)
        return KPHeifReader::read(bytes);
    return QImage::fromData(bytes).convertToFormat(QImage::Format_RGB32);
}

QColor meanColor(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    double r = 0, g = 0, b = 0;
    const double count = double(image.width()) * image.height();
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            r += qRed(line[x]);
            g += qGreen(line[x]);
            b += qBlue(line[x]);
        }
    }
    return QColor(int(r / count + 0.5), int(g / count + 0.5), int(b / count + 0.5));
}

quint32 crc32(const QByteArray& bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= uchar(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

bool exifWrite(const QString& path, const QStringList& arguments)
{
    QProcess exiftool;
    exiftool.start(QStringLiteral("exiftool"),
                   QStringList{QStringLiteral("-q"), QStringLiteral("-m"),
                               QStringLiteral("-overwrite_original")}
                       << arguments << path);
    return exiftool.waitForFinished(60000) && exiftool.exitStatus() == QProcess::NormalExit &&
           exiftool.exitCode() == 0;
}

QJsonObject exifTags(const QString& path)
{
    QProcess exiftool;
    exiftool.start(QStringLiteral("exiftool"), {QStringLiteral("-j"), QStringLiteral("-G1"),
                                                QStringLiteral("-n"), QStringLiteral("-a"), path});
    if (!exiftool.waitForFinished(60000) || exiftool.exitCode() != 0)
        return {};
    const QJsonArray files = QJsonDocument::fromJson(exiftool.readAllStandardOutput()).array();
    return files.isEmpty() ? QJsonObject() : files.first().toObject();
}

namespace {
// A command line for sh that runs `program` with the arguments' own bytes: QProcess would
// hand them over as UTF-8, with U+FFFD for every byte that is no text.
QByteArray shellCommand(const QString& program, const QStringList& arguments)
{
    auto quoted = [](const QString& text) {
        return '\'' + KPPath::toNative(text).replace('\'', "'\\''") + '\'';
    };
    QByteArray command = "exec " + quoted(program);
    for (const QString& argument : arguments)
        command += ' ' + quoted(argument);
    return command + '\n';
}
} // namespace

void startPictaro(QProcess& process, const QStringList& arguments, const QString& config,
                  const QString& workingFolder)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
    process.setProcessEnvironment(environment);
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(workingFolder);
    const QString program = QString::fromLocal8Bit(qgetenv("PICTARO_BINARY"));
    if (std::none_of(arguments.begin(), arguments.end(), KPPath::hasEscapedBytes)) {
        process.start(program, arguments);
        return;
    }
    // The shell reads the command from its input and becomes `pictaro` (exec).
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-s")});
    process.write(shellCommand(program, arguments));
    process.closeWriteChannel();
}

PictaroResult runPictaro(const QStringList& arguments, const QString& config,
                         const QString& workingFolder)
{
    QProcess process;
    startPictaro(process, arguments, config, workingFolder);
    if (!process.waitForFinished(300000))
        qFatal("pictaro did not finish");
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}
} // namespace KPTest
