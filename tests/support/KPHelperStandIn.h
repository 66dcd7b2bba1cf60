#pragma once

// A shell script in the place of pictaro-decode or pictaro-metadata, for as long as it
// lives: a helper that misbehaves as a file that took over a decoder could make it.
// Header-only, so the suites need no change to the shared test library.

#include "engine/formats/KPDecodeHelper.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace KPTest {

class HelperStandIn
{
public:
    using Helper = KPDecodeHelper::Program;

    // `script` is the body of a /bin/sh script; "$FOLDER" in it is a folder of its own.
    HelperStandIn(Helper helper, const QByteArray& script) : m_helper(helper)
    {
        const QString path = m_folder.filePath(QStringLiteral("stand-in.sh"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write("#!/bin/sh\nFOLDER='" + QFile::encodeName(m_folder.path()) + "'\n" + script +
                       '\n') < 0)
            qFatal("cannot write %s", qPrintable(path));
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        KPDecodeHelper::setStandIn(m_helper, path);
    }
    ~HelperStandIn() { KPDecodeHelper::setStandIn(m_helper, QString()); }
    HelperStandIn(const HelperStandIn&) = delete;
    HelperStandIn& operator=(const HelperStandIn&) = delete;

    QString folder() const { return m_folder.path(); }

    // The header of a decoding reply (see KPDecodeReply), as printf(1) escapes: a picture
    // of `width` x `height` pixels, opaque, whose pixels follow, or only its size.
    static QByteArray replyHeader(quint32 width, quint32 height, bool pixels = true)
    {
        QByteArray text = "KPD1\\000\\000\\000\\000";
        for (const quint32 value : {width, height, width, height, quint32(pixels ? 1 : 0)}) {
            for (int shift = 0; shift < 32; shift += 8)
                text +=
                    '\\' + QByteArray::number((value >> shift) & 0xff, 8).rightJustified(3, '0');
        }
        return text;
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
