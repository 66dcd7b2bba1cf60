#include "engine/KPPath.h"

#include <QDir>
#include <QFile>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr char16_t EscapeBase = 0xdc00; // a byte b >= 0x80 that is not text is U+DC00 + b

bool isContinuation(uchar byte)
{
    return (byte & 0xc0) == 0x80;
}

// The length of the valid UTF-8 sequence at `at`, or 0. Overlong forms, encoded
// surrogates and code points beyond U+10FFFF are not valid, as the standard says, so
// their bytes are escaped one by one and come back unchanged.
qsizetype sequenceLength(const uchar* bytes, qsizetype at, qsizetype size)
{
    const uchar lead = bytes[at];
    qsizetype length = 0;
    uchar low = 0x80;
    uchar high = 0xbf;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        low = lead == 0xe0 ? 0xa0 : 0x80;
        high = lead == 0xed ? 0x9f : 0xbf;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        low = lead == 0xf0 ? 0x90 : 0x80;
        high = lead == 0xf4 ? 0x8f : 0xbf;
    } else {
        return 0;
    }
    if (size - at < length || bytes[at + 1] < low || bytes[at + 1] > high)
        return 0;
    for (qsizetype i = 2; i < length; ++i) {
        if (!isContinuation(bytes[at + i]))
            return 0;
    }
    return length;
}

char32_t decodeSequence(const uchar* bytes, qsizetype length)
{
    static constexpr uchar leadMask[] = {0, 0, 0x1f, 0x0f, 0x07};
    char32_t code = bytes[0] & leadMask[length];
    for (qsizetype i = 1; i < length; ++i)
        code = (code << 6) | (bytes[i] & 0x3f);
    return code;
}

void appendUtf8(QByteArray& out, char32_t code)
{
    if (code < 0x80) {
        out.append(char(code));
    } else if (code < 0x800) {
        out.append(char(0xc0 | (code >> 6)));
        out.append(char(0x80 | (code & 0x3f)));
    } else if (code < 0x10000) {
        out.append(char(0xe0 | (code >> 12)));
        out.append(char(0x80 | ((code >> 6) & 0x3f)));
        out.append(char(0x80 | (code & 0x3f)));
    } else {
        out.append(char(0xf0 | (code >> 18)));
        out.append(char(0x80 | ((code >> 12) & 0x3f)));
        out.append(char(0x80 | ((code >> 6) & 0x3f)));
        out.append(char(0x80 | (code & 0x3f)));
    }
}

bool isEscapedByte(QChar c)
{
    return c.unicode() >= EscapeBase + 0x80 && c.unicode() <= EscapeBase + 0xff;
}

// Whether the character at `i` is half of a surrogate pair (a proper character beyond
// U+FFFF) rather than a lone surrogate.
bool isPaired(QStringView text, qsizetype i)
{
    const QChar c = text[i];
    if (c.isHighSurrogate())
        return i + 1 < text.size() && text[i + 1].isLowSurrogate();
    if (c.isLowSurrogate())
        return i > 0 && text[i - 1].isHighSurrogate();
    return false;
}
} // namespace

QString KPPath::fromNative(QByteArrayView bytes)
{
    const auto* data = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype size = bytes.size();
    QString text;
    text.reserve(size);
    for (qsizetype at = 0; at < size;) {
        if (data[at] < 0x80) {
            text.append(QChar(char16_t(data[at])));
            ++at;
            continue;
        }
        const qsizetype length = sequenceLength(data, at, size);
        if (length == 0) {
            text.append(QChar(char16_t(EscapeBase + data[at])));
            ++at;
            continue;
        }
        const char32_t code = decodeSequence(data + at, length);
        if (QChar::requiresSurrogates(code)) {
            text.append(QChar(QChar::highSurrogate(code)));
            text.append(QChar(QChar::lowSurrogate(code)));
        } else {
            text.append(QChar(char16_t(code)));
        }
        at += length;
    }
    return text;
}

QByteArray KPPath::toNative(QStringView path)
{
    QByteArray bytes;
    bytes.reserve(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QChar c = path[i];
        if (!c.isSurrogate()) {
            appendUtf8(bytes, c.unicode());
        } else if (c.isHighSurrogate() && isPaired(path, i)) {
            appendUtf8(bytes, QChar::surrogateToUcs4(c, path[i + 1]));
            ++i;
        } else if (isEscapedByte(c)) {
            bytes.append(char(c.unicode() - EscapeBase));
        } else {
            appendUtf8(bytes, QChar::ReplacementCharacter); // no byte stands behind it
        }
    }
    return bytes;
}

QString KPPath::displayName(QStringView path)
{
    QString shown = path.toString();
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const char16_t c = shown[i].unicode();
        if (QChar::isSurrogate(c) && !isPaired(shown, i))
            shown[i] = QChar::ReplacementCharacter;
        else if (c < 0x20)
            shown[i] = QChar(char16_t(0x2400 + c)); // the control's own picture: U+240A for \n
        else if (c == 0x7f)
            shown[i] = QChar(char16_t(0x2421));
    }
    return shown;
}

bool KPPath::hasEscapedBytes(QStringView path)
{
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path[i].isSurrogate() && !isPaired(path, i))
            return true;
    }
    return false;
}

QString KPPath::fileName(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString KPPath::folder(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QStringLiteral(".");
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString KPPath::absolute(const QString& path)
{
    if (path.isEmpty())
        return path;
    QString full = path;
    if (!full.startsWith(QLatin1Char('/'))) {
        QByteArray current(4096, '\0');
        while (::getcwd(current.data(), size_t(current.size())) == nullptr && errno == ERANGE)
            current.resize(current.size() * 2);
        full = fromNative(current.constData()) + QLatin1Char('/') + path;
    }
    QString cleaned = QDir::cleanPath(full);
    // A trailing "/" says "a folder" and stays, as QFileInfo keeps it.
    if (path.endsWith(QLatin1Char('/')) && !cleaned.endsWith(QLatin1Char('/')))
        cleaned.append(QLatin1Char('/'));
    return cleaned;
}

QStringList KPPath::arguments(int argc, const char* const argv[])
{
    QStringList list;
    for (int i = 1; i < argc; ++i)
        list.append(fromNative(argv[i]));
    return list;
}

std::optional<QString> KPPath::fromUrl(const QUrl& url)
{
    if (!url.isLocalFile())
        return std::nullopt;
    // QUrl keeps the percent-encoded bytes that are no UTF-8 as they came; decoding
    // them here, and not through toLocalFile, keeps them.
    QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (const QString host = url.host(); !host.isEmpty())
        bytes.prepend("//" + toNative(host));
    return fromNative(bytes);
}

QUrl KPPath::toUrl(const QString& path)
{
    return QUrl::fromEncoded("file://" + toNative(absolute(path)).toPercentEncoding("/"),
                             QUrl::StrictMode);
}

bool KPPath::openPlainFile(QFile& file, const QString& path)
{
    const int fd = ::open(toNative(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}
