#pragma once

#include <libraw/libraw.h>

// LibRaw with the few internal values the raw reader needs that its interface only
// gives after unpacking, or not at all once opening has failed.
class KPLibRaw : public LibRaw
{
public:
    using LibRaw::LibRaw;

    // The end of the raw data the file announces, or 0 when its kind announces no
    // length. A file cut short before that end can be turned away from its header
    // alone, like the other types the engine checks for completeness.
    qint64 rawDataEnd() const
    {
        const auto& unpacker = libraw_internal_data.unpacker_data;
        return unpacker.data_size > 0 ? qint64(unpacker.data_offset) + qint64(unpacker.data_size)
                                      : 0;
    }

    // Where the preview LibRaw chose while reading the header lies in the file (its
    // largest, for most kinds), and how long it is; a length of 0 when there is none.
    // Known also when LibRaw could not open the file for developing (a camera or a
    // compression it does not know), and lost once unpacking has failed.
    qint64 previewOffset() const { return qint64(libraw_internal_data.internal_data.toffset); }
    qint64 previewLength() const { return qint64(imgdata.thumbnail.tlength); }
};
