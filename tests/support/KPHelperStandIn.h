#pragma once

// A shell script in the place of pictaro-decode or pictaro-metadata, for as long as it
// lives: a helper that misbehaves as a file that took over a decoder could make it.
// Header-only, so the suites need no change to the shared test library.

#include "engine/formats/KPDecodeHelper.h"
#include "engine/formats/KPDecodeReply.h"
#include "engine/formats/KPHelperWireWriter.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace KPTest {

class HelperStandIn
{
public:
    using Helper = KPDecodeHelper::Program;

    // `script` is the body of a /bin/sh script; "$FOLDER" in it is a folder of its own. A
    // stand-in killed by a signal leaves no core file.
    // Pictaro waits for it `deadlineMs` when above 0, else as long as for the helper.
    HelperStandIn(Helper helper, const QByteArray& script, qint64 deadlineMs = 0) : m_helper(helper)
    {
        const QString path = m_folder.filePath(QStringLiteral("stand-in.sh"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write("#!/bin/sh\nulimit -c 0\nFOLDER='" + QFile::encodeName(m_folder.path()) +
                       "'\n" + script + '\n') < 0)
            qFatal("cannot write %s", qPrintable(path));
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        KPDecodeHelper::setStandIn(m_helper, path, deadlineMs);
    }
    ~HelperStandIn() { KPDecodeHelper::setStandIn(m_helper, QString()); }
    HelperStandIn(const HelperStandIn&) = delete;
    HelperStandIn& operator=(const HelperStandIn&) = delete;

    QString folder() const { return m_folder.path(); }

    // Bytes as printf(1) escapes, for a script to write.
    static QByteArray escaped(const QByteArray& bytes)
    {
        QByteArray text;
        for (const char byte : bytes)
            text += '\\' + QByteArray::number(uchar(byte), 8).rightJustified(3, '0');
        return text;
    }

    // The wire's frames (see KPHelperWire.h) that `write` writes, from the stream's start.
    template <typename Write> static QByteArray frames(const Write& write)
    {
        QByteArray bytes;
        QBuffer device(&bytes);
        device.open(QIODevice::WriteOnly);
        KPHelperWireWriter writer(device);
        write(writer);
        return bytes;
    }

    // The start of a decoding reply, as printf(1) escapes: the size of a picture of
    // `width` x `height` pixels and, with `pixels`, the header of its opaque pixels, whose
    // rows follow, the frame claiming `extra` bytes more than they take.
    static QByteArray replyHeader(quint32 width, quint32 height, bool pixels = true,
                                  qint64 extra = 0)
    {
        return escaped(frames([&](KPHelperWireWriter& out) {
            QByteArray size;
            KPHelperWireWriter::put32(size, width);
            KPHelperWireWriter::put32(size, height);
            out.frame(KPHelperWire::FrameType::Size, size);
            if (!pixels)
                return;
            QByteArray header;
            for (const quint32 value : {width, height, quint32(1)})
                KPHelperWireWriter::put32(header, value);
            out.header(KPHelperWire::FrameType::Pixels,
                       KPDecodeReply::PixelHeaderBytes + qint64(width) * height * 4 + extra);
            out.part(header);
        }));
    }

    // A helper's refusal of the file, as printf(1) escapes.
    static QByteArray refusal(KPFailure reason)
    {
        return escaped(frames([reason](KPHelperWireWriter& out) { out.refuse(reason); }));
    }

    // A line of script that reads the request's operation into $operation: 0 for a size
    // query, 1 for a decode, 2 for metadata.
    static QByteArray readOperation()
    {
        return "operation=$(head -c 20 | od -An -tu4 -j16 | tr -d ' ')";
    }

    // Whether the process runs (not gone, not a zombie waiting to be reaped).
    static bool runs(qint64 pid)
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            return false;
        const QByteArray line = stat.readAll();
        const qsizetype state = line.lastIndexOf(')') + 2;
        return state > 1 && state < line.size() && line.at(state) != 'Z';
    }

private:
    QTemporaryDir m_folder;
    Helper m_helper;
};

} // namespace KPTest
