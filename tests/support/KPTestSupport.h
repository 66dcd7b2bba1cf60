#pragma once

#include "engine/KPOutputFormat.h"

#include <QImage>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <condition_variable>
#include <memory>
#include <mutex>

class QProcess;

// Points the preferences store at a fresh temporary folder for as long as it lives, so
// tests never read or write the user's settings.
class KPTestSettings
{
public:
    KPTestSettings();
    ~KPTestSettings();
    KPTestSettings(const KPTestSettings&) = delete;
    KPTestSettings& operator=(const KPTestSettings&) = delete;

    QString folder() const { return m_dir.path(); }
    // Points the preferences store at `folder` from now on, without clearing it.
    static void useFolder(const QString& folder);

private:
    QTemporaryDir m_dir;
};

// A temporary folder that goes with everything in it, names that are no UTF-8 among them
// (QTemporaryDir cannot see those, and would leave them and their folders behind).
class KPTemporaryDir : public QTemporaryDir
{
public:
    KPTemporaryDir() = default;
    ~KPTemporaryDir();
    KPTemporaryDir(const KPTemporaryDir&) = delete;
    KPTemporaryDir& operator=(const KPTemporaryDir&) = delete;
};

// Keeps every thread of the engine's pool busy for as long as it lives, so that whatever
// is queued there meanwhile can only be run by whoever waits for it.
class KPBusyPool
{
public:
    KPBusyPool();
    ~KPBusyPool();
    KPBusyPool(const KPBusyPool&) = delete;
    KPBusyPool& operator=(const KPBusyPool&) = delete;

private:
    struct Threads
    {
        std::mutex mutex;
        std::condition_variable changed;
        int busy = 0;
        bool released = false;
    };
    std::shared_ptr<Threads> m_threads = std::make_shared<Threads>();
};

// What a test of the engine works in, made afresh for each test function: preferences of
// its own with their defaults, a folder for its sources and an export folder.
class KPTestFolders
{
public:
    KPTestFolders();

    KPTestSettings settings;
    QTemporaryDir in;
    QTemporaryDir out;
};

namespace KPTest {
// A picture with detail that JPEG cannot squeeze much (smooth gradients under
// deterministic noise), so its encodings are large, like a photo's.
QImage noisyImage(int width, int height, quint32 seed = 1);
// A flat picture of one colour.
QImage flatImage(int width, int height, QColor color);
// Writes a picture; the format comes from the suffix unless given. JPEG quality 95.
bool save(const QImage& image, const QString& path, const char* format = nullptr, int quality = 95);
// Writes a source picture as `save` does, making its folder first (a path with bytes that
// are no UTF-8 too); ends the test program when it cannot, since every check after it
// would be about a missing file.
QString writePicture(const QImage& image, const QString& path, int quality = 95);
// Writes `count` photo-like pictures (`width` by three quarters of it, each its own) into
// the folder as p0.suffix, p1.suffix...; their paths in that order.
QStringList writePictures(const QString& folder, int count, int width,
                          const QString& suffix = QStringLiteral("png"));
// Paths that may hold bytes that are no UTF-8, as KPPath keeps them ("caf\xe9.jpg" is
// KPPath::fromNative("caf\xe9.jpg")). Writes `bytes` into a new file at `path`, making its
// folders first; false when it cannot.
bool writeNative(const QString& path, const QByteArray& bytes);
// The names in a folder, with their bytes kept, sorted; hidden ones too.
QStringList namesIn(const QString& folder);
// The real photos of Debian's mate-backgrounds package, or an empty list.
QStringList realPhotos();
// The mean colour of a picture.
QColor meanColor(const QImage& image);
// An output as another program reads it: a JPEG or WebP through Qt's readers, an AVIF
// through libheif; null when it does not decode. `format` gets what the bytes hold.
QImage readOutput(const QString& path, std::optional<KPOutputFormat>* format = nullptr);
// The CRC-32 that PNG chunks and ZIP files carry.
quint32 crc32(const QByteArray& bytes);
// Writes tags into a picture with exiftool (arguments such as "-Make=Canon"), in place;
// false when exiftool fails.
bool exifWrite(const QString& path, const QStringList& arguments);
// Every tag exiftool finds in a picture, by group and name ("IFD0:Make", "GPS:GPSLatitude",
// "XMP-dc:Creator"), as numbers where they are; empty when exiftool fails.
QJsonObject exifTags(const QString& path);

// Writes `bytes` as a file an earlier run left at `path`: marked as Pictaro's output with
// the extended attribute "user.pictaro.output" when `marked`, else a file of the user's.
// Ends the test program when the file cannot be written or marked.
void writeEarlierFile(const QString& path, const QByteArray& bytes, bool marked);

// `pictaro` as a user starts it: the program PICTARO_BINARY names, in English, with its
// preferences in `config` and, when given, `workingFolder` as its current folder. An
// argument holding bytes that are no UTF-8 reaches it as those bytes.
void startPictaro(QProcess& process, const QStringList& arguments, const QString& config,
                  const QString& workingFolder = QString());
struct PictaroResult
{
    int exitCode = -1; // -1 when it crashed
    QString out;
    QString err;
};
// Starts `pictaro` as startPictaro does and waits for its end; ends the test program when
// it does not end.
PictaroResult runPictaro(const QStringList& arguments, const QString& config,
                         const QString& workingFolder = QString());
} // namespace KPTest
