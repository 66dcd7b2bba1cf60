#pragma once

#include <QByteArray>
#include <QSize>

#include <optional>

// What pictaro-raw writes back to the raw reader: the picture's upright size, then,
// for a developed picture, its pixels.
struct KPRawReply
{
    QSize size;
    QByteArray rgb; // 3 bytes a pixel, rows without padding; empty for a size query

    QByteArray encode() const;
    // Nothing for a reply that is cut short or does not hold the pixels its size asks.
    static std::optional<KPRawReply> decode(const QByteArray& bytes, bool withPixels);
};
