#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

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

private:
    QTemporaryDir m_dir;
};

namespace KPTest {
// A picture with detail that JPEG cannot squeeze much (smooth gradients under
// deterministic noise), so its encodings are large, like a photo's.
QImage noisyImage(int width, int height, quint32 seed = 1);
// A flat picture of one colour.
QImage flatImage(int width, int height, QColor color);
// Writes a picture; the format comes from the suffix unless given. JPEG quality 95.
bool save(const QImage& image, const QString& path, const char* format = nullptr, int quality = 95);
// The real photos of Debian's mate-backgrounds package, or an empty list.
QStringList realPhotos();
// The mean colour of a picture.
QColor meanColor(const QImage& image);
// The CRC-32 that PNG chunks and ZIP files carry.
quint32 crc32(const QByteArray& bytes);
} // namespace KPTest
