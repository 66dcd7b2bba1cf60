#include "engine/formats/KPRawHandler.h"

#include "engine/formats/KPDeviceBytes.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QVariant>

#include <cstring>

namespace {
// Signatures only raw files have. Plain TIFF ("II*\0", "MM\0*") is missing on purpose:
// DNG and many raw kinds share it with ordinary TIFF pictures.
bool hasRawSignature(const QByteArray& head)
{
    auto startsWith = [&head](const char* magic, qsizetype length, qsizetype at = 0) {
        return head.size() >= at + length &&
               std::memcmp(head.constData() + at, magic, size_t(length)) == 0;
    };
    return startsWith("IIU\0", 4)       // Panasonic, Leica
           || startsWith("FUJIFILM", 8) // Fujifilm RAF
           || startsWith("IIRO", 4) || startsWith("IIRS", 4) || startsWith("MMOR", 4) // Olympus
           || (startsWith("II*\0", 4) && startsWith("CR\x02\0", 4, 8))                // Canon CR2
           || startsWith("\0MRM", 4)                                                  // Minolta MRW
           || startsWith("FOVb", 4);                                                  // Sigma X3F
}
} // namespace

QString KPRawHandler::helperPath()
{
    static const QString path = [] {
        QStringList candidates;
        if (QCoreApplication::instance()) {
            const QString programDir = QCoreApplication::applicationDirPath();
            candidates.append(programDir + QStringLiteral("/../libexec/pictaro/pictaro-raw"));
            // The build tree's helper serves only the programs of that tree (the tests):
            // an installed program never runs a file from where it happened to be built.
            const QString built = QStringLiteral(PICTARO_RAW_HELPER_BUILD_PATH);
            const QString buildDir = QFileInfo(built).canonicalPath();
            if (!buildDir.isEmpty() &&
                (programDir == buildDir || programDir.startsWith(buildDir + QLatin1Char('/'))))
                candidates.append(built);
        }
        candidates.append(QStringLiteral(PICTARO_RAW_HELPER_INSTALL_PATH));
        for (const QString& candidate : candidates) {
            if (QFileInfo(candidate).isExecutable())
                return QFileInfo(candidate).canonicalFilePath();
        }
        return QString();
    }();
    return path;
}

bool KPRawHandler::canRead(QIODevice* device)
{
    return device && hasRawSignature(device->peek(16));
}

bool KPRawHandler::canRead() const
{
    return open();
}

bool KPRawHandler::supportsOption(ImageOption option) const
{
    return option == Size || option == ScaledSize;
}

QVariant KPRawHandler::option(ImageOption option) const
{
    if (option == Size)
        return open() ? QVariant(m_size) : QVariant();
    if (option == ScaledSize)
        return m_scaledSize;
    return {};
}

void KPRawHandler::setOption(ImageOption option, const QVariant& value)
{
    if (option == ScaledSize)
        m_scaledSize = value.toSize();
}

std::optional<KPRawReply> KPRawHandler::runHelper(const QString& mode, int seconds) const
{
    const QString program = helperPath();
    if (program.isEmpty() || m_bytes.isEmpty())
        return std::nullopt;
    QProcess process;
    // What a crash leaves on stderr (glibc's "buffer overflow detected") is no news
    // for the user: the picture fails.
    process.setStandardErrorFile(QProcess::nullDevice());
    // LibRaw's buffers are held to Qt's allocation limit, as a picture Qt decodes is.
    process.start(program, {mode, QString::number(QImageReader::allocationLimit())});
    if (!process.waitForStarted())
        return std::nullopt;
    process.write(m_bytes);
    process.closeWriteChannel();
    if (!process.waitForFinished(seconds * 1000)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return KPRawReply::decode(process.readAllStandardOutput(), mode != QLatin1String("size"));
}

bool KPRawHandler::open() const
{
    if (m_state != State::Closed)
        return m_state == State::Open;
    m_state = State::Failed;
    m_bytes = KPDeviceBytes::peekAll(device(), MaxFileBytes);
    const std::optional<KPRawReply> header = runHelper(QStringLiteral("size"), SizeSeconds);
    if (!header)
        return false;
    m_size = header->size;
    m_state = State::Open;
    return true;
}

bool KPRawHandler::read(QImage* image)
{
    if (!open())
        return false;
    // Half size skips demosaicing: four times less work and memory for a thumbnail.
    const bool half = m_scaledSize.isValid() && m_scaledSize.width() * 2 <= m_size.width() &&
                      m_scaledSize.height() * 2 <= m_size.height();
    const std::optional<KPRawReply> developed = runHelper(
        half ? QStringLiteral("develop-half") : QStringLiteral("develop"), DevelopSeconds);
    m_bytes = QByteArray();
    m_state = State::Failed; // read once
    if (!developed)
        return false;

    QImage picture;
    if (!allocateImage(developed->size, QImage::Format_RGB32, &picture))
        return false;
    const auto* in = reinterpret_cast<const uchar*>(developed->rgb.constData());
    for (int y = 0; y < picture.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x, in += 3)
            out[x] = qRgb(in[0], in[1], in[2]);
    }
    if (m_scaledSize.isValid() && !m_scaledSize.isEmpty() && m_scaledSize != picture.size())
        picture = picture.scaled(m_scaledSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    picture.setColorSpace(QColorSpace(QColorSpace::SRgb));
    *image = picture;
    device()->seek(device()->size());
    return !picture.isNull();
}
