#pragma once

#include <QLocale>
#include <QString>

#include <optional>

// Small text operations shared by the list, the engine and the views. Stateless;
// safe on any thread.
class KPStringTools
{
public:
    KPStringTools() = delete;

    // A byte count as a short decimal size text: "0", "999.0B", "1.5KB", "2.5GB". The one
    // size format of a picture's sizes wherever they are shown.
    static QString sizeSwitch(float bytes);

    // A size limit as the user gives it: "500 KB", "2 MB", or "1234 bytes" when it is not a
    // whole number of either unit.
    static QString limitText(quint64 bytes);

    // A byte count in decimal units: "850 B", "4.2 MB" (one decimal below ten units),
    // "296 KB", with the locale's decimal sign.
    static QString shortSize(quint64 bytes, const QLocale& locale = QLocale());
    // How much smaller `output` is than `source`, in whole percent: 93 for 4.2 MB to 296 KB.
    // 0 when it is not smaller; at most 99 while anything is left.
    static int savingPercent(quint64 source, quint64 output);
    // An encoded picture's sizes and saving: "4.2MB → 296.0KB, −93 %"; the sizes alone when
    // the encoding is no smaller than its source. A `format` goes with the output's size
    // ("296.0KB WebP"), before the saving that a narrow column cuts first.
    static QString savingText(quint64 source, quint64 output, const QLocale& locale = QLocale(),
                              const QString& format = {});
    // A picture copied unchanged: its size, and that it was already under the limit.
    static QString keptText(quint64 output, const QString& format = {});
    // The text with its first letter in upper case: a reason shown on its own.
    static QString capitalised(const QString& text);

    // The part of `text` before the last occurrence of `find` (letter case ignored),
    // or nothing when `find` does not occur or is empty. "photo.JPG" at "." is "photo".
    static std::optional<QString> getStrToIdxByBackward(const QString& text, const QString& find);

    // The part of `text` after the last occurrence of `find` (letter case ignored), or
    // nothing. "/home/a/.hidden" at "/" is ".hidden"; "/home/a/" is an empty text.
    static std::optional<QString> getStrFromIdxByBackward(const QString& text, const QString& find);
};
