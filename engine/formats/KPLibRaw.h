#pragma once

#include <libraw/libraw.h>

// LibRaw with the one internal value the raw reader needs before unpacking: where the
// raw data ends. A file cut short before that end can be turned away from its header
// alone, like the other types the engine checks for completeness.
class KPLibRaw : public LibRaw
{
public:
    using LibRaw::LibRaw;

    // The end of the raw data the file announces, or 0 when its kind announces no
    // length.
    qint64 rawDataEnd() const
    {
        const auto& unpacker = libraw_internal_data.unpacker_data;
        return unpacker.data_size > 0 ? qint64(unpacker.data_offset) + qint64(unpacker.data_size)
                                      : 0;
    }
};
