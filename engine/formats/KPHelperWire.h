#pragma once

#include "engine/KPFailure.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>

// The wire between Pictaro and its helpers, pictaro-decode and pictaro-metadata. Each
// direction is one stream: the four bytes "KPW1", then frames, each
//
//   type    4 bytes, little-endian (FrameType)
//   length  8 bytes, little-endian: how many bytes of payload follow
//   payload
//
// Pictaro writes a Request frame (KPHelperRequest) and an Input frame, the file's bytes, and
// closes its end. The helper reads the request before it enters its sandbox and the input
// after, and answers with the frames of its reply (KPDecodeReply, KPMetadataReply), or with
// a Failure frame alone when it refuses the file; its reply ends where its output does.
//
// The reader of either end knows, before a frame's payload arrives, which frame types may
// come, how long each may be and how often, and how long the whole stream may be
// (`Bounds`): a frame that claims more is refused from its header, before anything is
// allocated for it. Numbers inside payloads are little-endian as well.
namespace KPHelperWire {

inline constexpr char Magic[4] = {'K', 'P', 'W', '1'};
inline constexpr qsizetype MagicBytes = 4;
inline constexpr qsizetype HeaderBytes = 12;

enum class FrameType : quint32
{
    Request = 1,  // the request's fields (KPHelperRequest::encode)
    Input = 2,    // the file's bytes
    Failure = 3,  // u32 KPFailure: the helper's refusal, and all of its reply
    Size = 4,     // u32 width, u32 height: the whole picture's upright size
    Pixels = 5,   // u32 width, u32 height, u32 pixel format, then the rows, 4 bytes a pixel
    Metadata = 6, // u32 readable, u32 copy (KPMetadataReply)
    Segment = 7,  // u32 patch count, the patches (u32 offset, u32 dimension, u32 big-endian),
                  // then the JPEG marker segment
    Piece = 8,    // u32 0 and bytes of the reply's own, or u32 1, u64 offset, u64 length: a
                  // range of the source
};

struct Frame
{
    FrameType type = FrameType::Failure;
    QByteArray payload;
};

// What a stream may hold: the frame types listed, each at most `maxCount` times and no
// longer than `maxLength`, and no more than `maxTotal` bytes in all.
struct Limit
{
    FrameType type;
    qint64 maxLength = 0;
    int maxCount = 1;
};
struct Bounds
{
    QList<Limit> limits;
    qint64 maxTotal = 0;
};

// The largest file handed to a helper.
inline constexpr qint64 MaxInputBytes = qint64(1) << 30;
// Sides beyond this are refused, whatever a request or a reply says.
inline constexpr int MaxSide = 1000000;

// The reasons a helper may give for refusing a file: what the file is, never what
// happened to the process or the run (Pictaro tells those itself).
inline bool isRefusal(KPFailure reason)
{
    return reason == KPFailure::Damaged || reason == KPFailure::TooLargeToDecode ||
           reason == KPFailure::CameraNotSupported || reason == KPFailure::Unsupported;
}

} // namespace KPHelperWire
