#pragma once

#include "engine/KPFailure.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <optional>

class QIODevice;

// What pictaro-decode writes back to the reader that ran it: why it failed, or the
// picture's upright size and, unless only the size was asked for, its pixels in sRGB,
// upright, possibly scaled down to a box the reader gave.
struct KPDecodeReply
{
    KPFailure failure = KPFailure::None;
    QSize size;     // the whole picture's upright size
    QImage picture; // RGB32, or ARGB32 when it has transparency; null for a size query

    static KPDecodeReply failed(KPFailure reason) { return KPDecodeReply{reason, {}, {}}; }
    bool ok() const { return failure == KPFailure::None; }

    bool writeTo(QIODevice& out) const;
    // Nothing for a reply that is cut short, malformed or does not hold the pixels its
    // header announces.
    static std::optional<KPDecodeReply> decode(const QByteArray& bytes);

    // Sides beyond this are refused, whatever a reply says.
    static constexpr int MaxSide = 1000000;
    // The header before the pixels; a failure or a size is nothing more.
    static constexpr qsizetype HeaderBytes = 28;
};
