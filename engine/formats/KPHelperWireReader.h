#pragma once

#include "engine/formats/KPHelperWire.h"

#include <QByteArrayView>
#include <QString>

#include <map>
#include <optional>

// Reads one stream of the helpers' wire (see KPHelperWire.h) as its bytes come, holding it
// to its bounds: a frame of a type the stream may not hold, longer than its type may be,
// one too many, or one that would take the stream past its total is refused from its
// header, before its payload is allocated. Once refused, the reader takes nothing more.
class KPHelperWireReader
{
public:
    explicit KPHelperWireReader(KPHelperWire::Bounds bounds) : m_bounds(std::move(bounds)) {}

    // Takes the next bytes; false once the stream broke its format or its bounds.
    bool feed(QByteArrayView bytes);
    // How many bytes complete the magic, the frame header or the payload under way: a
    // reader that must not read past one frame asks for no more than this.
    qint64 wanted() const;

    bool failed() const { return !m_error.isEmpty(); }
    // Why the stream was refused, for the log.
    QString error() const { return m_error; }
    // Whether the stream has begun and stands at the end of a frame: where a whole stream
    // must end.
    bool atFrameEnd() const;

    // The frames read whole and not yet taken, oldest first.
    std::optional<KPHelperWire::Frame> takeFrame();
    QList<KPHelperWire::Frame> takeFrames();

private:
    enum class Stage
    {
        Magic,
        Header,
        Payload,
    };

    bool fail(const QString& why);
    bool startFrame();
    void endFrame();

    KPHelperWire::Bounds m_bounds;
    std::map<quint32, int> m_counts; // frames read of each type
    Stage m_stage = Stage::Magic;
    char m_head[KPHelperWire::HeaderBytes] = {};
    qint64 m_got = 0; // of the magic, the header or the payload
    qint64 m_total = 0;
    KPHelperWire::Frame m_frame;
    QList<KPHelperWire::Frame> m_frames;
    QString m_error;
};
