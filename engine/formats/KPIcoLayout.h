#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// The pictures an icon or cursor file (ICO, CUR) lists in its directory, found from the
// directory and the headers of the pictures' data alone. Qt's reader and ImageMagick's
// both show the first picture, which is often the smallest; the engine wants the largest.
class KPIcoLayout
{
public:
    KPIcoLayout() = delete;

    // The index of the largest picture: the one with most pixels; at equal size the
    // deepest; of equals, the first. Nothing when the bytes hold no icon directory.
    static std::optional<int> largest(QByteArrayView bytes);

    // An icon file of that one picture, for ImageMagick's reader, which reads every
    // picture of a file and keeps the first. Nothing when its data lies outside the file.
    static std::optional<QByteArray> alone(QByteArrayView bytes, int index);
};
