#include "engine/KPScalingPass.h"

#include "engine/KPImageDecoder.h"

#include <QPainter>

#include <algorithm>
#include <array>

float KPScalingPass::scaleFactor(quint64 limitSize, quint64 fileSize)
{
    const float ratio = float(limitSize) / float(fileSize);
    const auto t = float(double(ratio) + Headroom);
    return t <= 1.0f ? t : ratio;
}

QSize KPScalingPass::passSize(QSize picture, float factor, float boxWidth, float boxHeight,
                              bool& last)
{
    const auto width = float(picture.width());
    const auto height = float(picture.height());
    float newWidth = width * factor;
    float newHeight = height * factor;
    last = false;
    if (!(factor < 1.0f)) {
        // A factor that shrinks nothing would never end the passes.
        newWidth = width;
        newHeight = height;
        last = true;
    }
    // The box lies the other way round for portrait pictures.
    const bool landscape = newWidth >= newHeight;
    const float boxAcross = landscape ? boxWidth : boxHeight;
    const float boxDown = landscape ? boxHeight : boxWidth;
    if (boxDown > newHeight || boxAcross > newWidth) {
        // Stop at the box with the proportions kept, and never enlarge.
        const float keep = std::max(boxAcross / width, boxDown / height);
        if (keep < 1.0f) {
            newWidth = width * keep;
            newHeight = height * keep;
        } else {
            newWidth = width;
            newHeight = height;
        }
        last = true;
    }
    const QSize size(std::max(1, qRound(newWidth)), std::max(1, qRound(newHeight)));
    if (size == picture)
        last = true;
    return size;
}

namespace {

// What drawing an opaque picture at the pass opacity onto a transparent one and then
// flattening it for JPEG does to each colour value: premultiplying by the opacity and
// dividing it out again rounds some values. Read once from the painter itself, so the
// shortcut below gives the very pixels the painter would.
const std::array<uchar, 256>& opacityRoundTrip()
{
    static const std::array<uchar, 256> table = [] {
        QImage ramp(256, 1, QImage::Format_RGB32);
        for (int value = 0; value < 256; ++value)
            ramp.setPixel(value, 0, qRgb(value, value, value));
        QImage drawn(ramp.size(), QImage::Format_ARGB32_Premultiplied);
        drawn.fill(Qt::transparent);
        {
            QPainter painter(&drawn);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            painter.setOpacity(KPScalingPass::DrawOpacity);
            painter.drawImage(0, 0, ramp);
        }
        const QImage flat = KPImageDecoder::flattenForJpeg(drawn);
        std::array<uchar, 256> values{};
        for (int value = 0; value < 256; ++value)
            values[size_t(value)] = uchar(qRed(flat.pixel(value, 0)));
        return values;
    }();
    return table;
}

} // namespace

QImage KPScalingPass::drawPass(const QImage& picture, QSize target)
{
    if (picture.format() == QImage::Format_RGB32) {
        // An opaque picture needs no painter: scale it, then give each colour value the
        // rounding the drawing at the pass opacity would give it. The result is ready for
        // the encoder, with one full-size picture less to make and convert.
        QImage drawn = target == picture.size() ? picture.copy()
                                                : picture.scaled(target, Qt::IgnoreAspectRatio,
                                                                 Qt::SmoothTransformation);
        if (drawn.isNull() || drawn.format() != QImage::Format_RGB32)
            return {};
        const std::array<uchar, 256>& table = opacityRoundTrip();
        for (int y = 0; y < drawn.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(drawn.scanLine(y));
            for (int x = 0; x < drawn.width(); ++x) {
                const QRgb pixel = line[x];
                line[x] = qRgb(table[size_t(qRed(pixel))], table[size_t(qGreen(pixel))],
                               table[size_t(qBlue(pixel))]);
            }
        }
        return drawn;
    }
    QImage drawn(target, QImage::Format_ARGB32_Premultiplied);
    if (drawn.isNull())
        return {};
    drawn.fill(Qt::transparent);
    {
        const QImage scaled =
            target == picture.size()
                ? picture
                : picture.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QPainter painter(&drawn);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setOpacity(DrawOpacity);
        painter.drawImage(QRect(QPoint(0, 0), target), scaled);
    }
    return drawn;
}
