#include "engine/formats/KPHelperRequest.h"

#include "engine/formats/KPHelperPayload.h"
#include "engine/formats/KPHelperWireWriter.h"
#include "engine/formats/KPMetadataReply.h"

#include <QBuffer>

#include <algorithm>
#include <limits>

using KPHelperWire::FrameType;

namespace {
// A box or size on the wire: 0 x 0 for none.
void putSize(QByteArray& out, QSize size)
{
    const bool none = !size.isValid() || size.isEmpty();
    KPHelperWireWriter::put32(out, none ? 0 : quint32(size.width()));
    KPHelperWireWriter::put32(out, none ? 0 : quint32(size.height()));
}

bool takeSize(KPHelperPayload& in, QSize& size)
{
    quint32 width = 0;
    quint32 height = 0;
    if (!in.take32(width) || !in.take32(height) || width > quint32(KPHelperWire::MaxSide) ||
        height > quint32(KPHelperWire::MaxSide) || (width == 0) != (height == 0))
        return false;
    size = width == 0 ? QSize() : QSize(int(width), int(height));
    return true;
}

bool knownCoderName(const QByteArray& coder)
{
    return std::all_of(coder.cbegin(), coder.cend(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

// Which readers an operation goes to, and whether the request names a coder exactly when
// its reader needs one.
bool holdsTogether(const KPHelperRequest& request)
{
    using Reader = KPHelperRequest::Reader;
    const bool metadata = request.operation == KPHelperRequest::Operation::Metadata;
    const bool readerFits = metadata
                                ? request.reader == Reader::Heif || request.reader == Reader::Exiv2
                                : request.reader != Reader::Exiv2;
    return readerFits && (request.reader == Reader::Second) == !request.coder.isEmpty();
}
} // namespace

QByteArray KPHelperRequest::encode() const
{
    QByteArray out;
    KPHelperWireWriter::put32(out, quint32(operation));
    KPHelperWireWriter::put32(out, quint32(reader));
    KPHelperWireWriter::put32(out, quint32(policy));
    KPHelperWireWriter::put32(out, copy ? 1 : 0);
    KPHelperWireWriter::put32(out, quint32(std::max(memoryLimitMB, 0)));
    putSize(out, box);
    putSize(out, probed);
    KPHelperWireWriter::put32(out, quint32(coder.size()));
    out.append(coder);
    return out;
}

std::optional<KPHelperRequest> KPHelperRequest::decode(QByteArrayView payload)
{
    KPHelperPayload in(payload);
    KPHelperRequest request;
    quint32 operation = 0;
    quint32 reader = 0;
    quint32 policy = 0;
    quint32 copy = 0;
    quint32 memory = 0;
    quint32 coderBytes = 0;
    if (!in.take32(operation) || operation > quint32(Operation::Metadata) || !in.take32(reader) ||
        reader > quint32(Reader::Exiv2) || !in.take32(policy) ||
        policy > quint32(KPMetadataPolicy::RemoveAll) || !in.take32(copy) || copy > 1 ||
        !in.take32(memory) || memory > quint32(std::numeric_limits<qint32>::max()) ||
        !takeSize(in, request.box) || !takeSize(in, request.probed) || !in.take32(coderBytes) ||
        coderBytes > quint32(MaxCoderBytes) ||
        !in.takeBytes(request.coder, qsizetype(coderBytes)) || !in.atEnd() ||
        !knownCoderName(request.coder))
        return std::nullopt;
    request.operation = Operation(operation);
    request.reader = Reader(reader);
    request.policy = KPMetadataPolicy(policy);
    request.copy = copy == 1;
    request.memoryLimitMB = qint32(memory);
    if (!holdsTogether(request))
        return std::nullopt;
    return request;
}

QByteArray KPHelperRequest::streamHead(qint64 inputBytes) const
{
    QByteArray head;
    QBuffer device(&head);
    device.open(QIODevice::WriteOnly);
    KPHelperWireWriter writer(device);
    writer.frame(FrameType::Request, encode());
    writer.header(FrameType::Input, inputBytes);
    return head;
}

KPHelperWire::Bounds KPHelperRequest::requestBounds()
{
    return KPHelperWire::Bounds{{{FrameType::Request, MaxEncodedBytes, 1},
                                 {FrameType::Input, KPHelperWire::MaxInputBytes, 1}},
                                KPHelperWire::MagicBytes + 2 * KPHelperWire::HeaderBytes +
                                    MaxEncodedBytes + KPHelperWire::MaxInputBytes};
}

KPHelperWire::Bounds KPHelperRequest::replyBounds() const
{
    KPHelperWire::Bounds bounds;
    bounds.limits.append({FrameType::Failure, 4, 1});
    if (operation == Operation::Metadata) {
        // A segment or a piece of the reply's own is one JPEG marker segment at most.
        constexpr qint64 segment = 2 + 0xffff;
        bounds.limits.append({FrameType::Metadata, 8, 1});
        bounds.limits.append({FrameType::Segment, 4 + KPMetadataReply::MaxPatches * 12 + segment,
                              KPMetadataReply::MaxSegments});
        bounds.limits.append({FrameType::Piece, 4 + segment, KPMetadataReply::MaxPieces});
        bounds.maxTotal = KPMetadataReply::MaxBytes;
        return bounds;
    }
    bounds.limits.append({FrameType::Size, 8, 1});
    if (operation == Operation::Decode) {
        qint64 pixels = (memoryLimitMB > 0 ? memoryLimit() : MaxPictureBytes) / 4;
        for (const QSize bound : {box, probed}) {
            if (bound.isValid() && !bound.isEmpty())
                pixels = std::min(pixels, qint64(bound.width()) * bound.height());
        }
        bounds.limits.append({FrameType::Pixels, 12 + pixels * 4, 1});
    }
    bounds.maxTotal = KPHelperWire::MagicBytes;
    for (const KPHelperWire::Limit& limit : bounds.limits)
        bounds.maxTotal += (KPHelperWire::HeaderBytes + limit.maxLength) * limit.maxCount;
    return bounds;
}

QString KPHelperRequest::describe() const
{
    static const char* const operations[] = {"size", "decode", "metadata"};
    static const char* const readers[] = {"raw", "heif", "psd", "second reader", "exiv2"};
    QString text =
        QStringLiteral("%1 with %2")
            .arg(QLatin1String(operations[int(operation)]), QLatin1String(readers[int(reader)]));
    if (!coder.isEmpty())
        text += QLatin1Char(' ') + QString::fromLatin1(coder);
    if (operation == Operation::Metadata)
        text += QLatin1Char(' ') + KPMetadataPolicies::name(policy) +
                (copy ? QStringLiteral(", copy") : QString());
    if (box.isValid())
        text += QStringLiteral(", box %1x%2").arg(box.width()).arg(box.height());
    return text;
}
