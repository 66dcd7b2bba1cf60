#pragma once

#include <QByteArray>

// Where the second reader (ImageMagick in pictaro-decode, see
// formats/KPMagickDecoder.h) takes over from Qt's readers: for every accepted type Qt
// reads, the coder of that type, and the files Qt reads wrongly without noticing.
class KPSecondReader
{
public:
    KPSecondReader() = delete;

    // The ImageMagick coder of a type, by the type a file's name gives (its suffix in
    // lower case); empty for the types the second reader does not take.
    static QByteArray coderFor(const QByteArray& formatHint);

    // Whether Qt would read the file wrongly while reporting success: BMPs whose colour
    // masks hold more than 8 bits a channel (Qt shows them black) or that are OS/2
    // files with a compression Qt takes for colour masks, TIFFs that store each
    // channel apart (planar, also with extra samples such as alpha) or whose samples are
    // 32-bit integers (Qt's reader fails on them), and ICNS files whose largest icon is
    // JPEG 2000 (Qt shows a small icon, or nothing).
    static bool qtMisreads(const QByteArray& bytes);
};
