#pragma once

#include <QString>

#include <optional>

// Small text operations shared by the list, the engine and the views. Stateless;
// safe on any thread.
class KPStringTools
{
public:
    KPStringTools() = delete;

    // A byte count as a short decimal size text: "0", "999.0B", "1.5KB", "2.5GB".
    static QString sizeSwitch(float bytes);

    // A size limit as the user gives it: "500 KB", "2 MB", or "1234 bytes" when it is not a
    // whole number of either unit.
    static QString limitText(quint64 bytes);

    // The part of `text` before the last occurrence of `find` (letter case ignored),
    // or nothing when `find` does not occur or is empty. "photo.JPG" at "." is "photo".
    static std::optional<QString> getStrToIdxByBackward(const QString& text, const QString& find);

    // The part of `text` after the last occurrence of `find` (letter case ignored), or
    // nothing. "/home/a/.hidden" at "/" is ".hidden"; "/home/a/" is an empty text.
    static std::optional<QString> getStrFromIdxByBackward(const QString& text, const QString& find);
};
