#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

class QFile;
class QUrl;

// File names on Linux are bytes, not text: a name copied from an old camera card or an
// archive made elsewhere may hold bytes that are no UTF-8 (`caf\xe9.jpg` in Latin-1). Qt
// turns such bytes into U+FFFD, after which the file can be neither read nor written. The
// engine and the list keep every path as a QString that turns back into exactly its
// bytes: valid UTF-8 is decoded as usual, and each byte of a sequence that is not valid
// becomes the lone surrogate U+DC80..U+DCFF ("surrogate escape"). Every file call on a
// path the user named or a scan found goes through `toNative` and the POSIX calls, never
// through QFile, QFileInfo or QDir by name.
class KPPath
{
public:
    KPPath() = delete;

    // Bytes from the file system or the command line, as a path that keeps them.
    static QString fromNative(QByteArrayView bytes);
    // The bytes of a path made by `fromNative` (or any ordinary text, as UTF-8).
    static QByteArray toNative(QStringView path);

    // The path for showing in the window, on one line: each byte that is not text as
    // U+FFFD, each control character as its picture (U+2400..U+2421: a newline as U+240A).
    static QString displayName(QStringView path);
    // Whether a byte of the path is not text (it shows as U+FFFD).
    static bool hasEscapedBytes(QStringView path);

    // The last component: "c.jpg" of "/a/b/c.jpg", "" of "/a/b/".
    static QString fileName(const QString& path);
    // The folder the last component is in: "/a/b" of "/a/b/c.jpg", "/" of "/c.jpg".
    static QString folder(const QString& path);
    // The path made absolute against the current folder and cleaned of "." and "..", as
    // QFileInfo::absoluteFilePath does, but with the bytes of both kept.
    static QString absolute(const QString& path);

    // The program's arguments after its name, from the bytes the system gave.
    static QStringList arguments(int argc, const char* const argv[]);
    // A dropped local file's path with the bytes the URL carries percent-encoded; nothing
    // for a URL that is no local file.
    static std::optional<QString> fromUrl(const QUrl& url);
    // A file URL for the path that keeps its bytes, for the file browser.
    static QUrl toUrl(const QString& path);

    // Opens a plain file for reading without waiting: a named pipe or a device under a
    // picture's name is refused rather than read (reading one would wait for a writer
    // for ever, or never end). False, with `file` closed, when it is no readable plain file.
    static bool openPlainFile(QFile& file, const QString& path);
};
