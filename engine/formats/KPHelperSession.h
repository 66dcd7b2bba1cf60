#pragma once

#include "engine/formats/KPHelperRequest.h"
#include "engine/formats/KPHelperWireReader.h"

#include <QByteArray>
#include <QFile>

#include <optional>

// A helper's end of the wire (see KPHelperWire.h): the request read from standard input
// before the helper enters its sandbox, the file's bytes after, never a byte of them
// before, and the reply written to standard output.
class KPHelperSession
{
public:
    KPHelperSession();

    // Nothing when standard input holds no request that makes sense.
    std::optional<KPHelperRequest> readRequest();
    // The file's bytes; nothing when they are cut short or break their bounds.
    std::optional<QByteArray> readInput();

    // Where the reply goes.
    QIODevice& output() { return m_out; }

    // Ends the helper: with status 0 when the reply was written whole, else 1. Every way
    // out after the sandbox is std::_Exit: there is nothing to tidy, and the sanitizers'
    // leak check at exit would need calls the sandbox forbids.
    [[noreturn]] void finish(bool written);

    // The status of a helper whose standard input holds no request.
    static constexpr int BadRequestExit = 2;

private:
    std::optional<KPHelperWire::Frame> readFrame(KPHelperWire::FrameType type);

    KPHelperWireReader m_reader;
    QFile m_out;
};
