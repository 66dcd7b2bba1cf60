#pragma once

#include "engine/KPFailure.h"
#include "engine/formats/KPHelperWire.h"

#include <QImage>
#include <QList>
#include <QSize>

#include <optional>

class KPHelperWireWriter;

// What pictaro-decode answers: why it refused the file, or the picture's upright size and,
// unless only the size was asked for, its pixels in sRGB, upright, possibly scaled down to
// a box the reader gave. On the wire (see KPHelperWire.h) a Failure frame, or a Size frame
// and, for a picture, a Pixels frame.
struct KPDecodeReply
{
    KPFailure failure = KPFailure::None;
    QSize size;     // the whole picture's upright size
    QImage picture; // RGB32, or ARGB32 when it has transparency; null for a size query

    static KPDecodeReply failed(KPFailure reason) { return KPDecodeReply{reason, {}, {}}; }
    bool ok() const { return failure == KPFailure::None; }

    bool writeTo(KPHelperWireWriter& out) const;
    // The reply of a helper that did not refuse the file. Nothing for frames that do not
    // make one: a missing or malformed size, pixels where none were asked for or none
    // where they were, pixels other than their header announces. The picture is the
    // Pixels frame's own bytes, not a copy of them.
    static std::optional<KPDecodeReply> fromFrames(QList<KPHelperWire::Frame> frames,
                                                   bool withPixels);

    // Sides beyond this are refused, whatever a reply says.
    static constexpr int MaxSide = KPHelperWire::MaxSide;
    // The Pixels frame's own header, before the rows.
    static constexpr qsizetype PixelHeaderBytes = 12;
};
