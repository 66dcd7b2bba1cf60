#pragma once

#include <QMutex>
#include <QString>

#include <limits>
#include <optional>

// The size limit as the user enters it: a text of digits and a unit segment
// (0 = KB, 1,000 bytes; 1 = MB, 1,000,000 bytes). Holds a copy of both under a lock
// so a run's batch thread can read the limit while the GUI thread edits the controls.
class KPSizeLimit
{
public:
    enum Unit
    {
        KB = 0,
        MB = 1
    };

    // The largest limit: every number beyond it means this many bytes.
    static constexpr quint64 MaxLimit = std::numeric_limits<quint64>::max();

    // The limit in bytes for a number text and a unit segment; 0 when the text is
    // empty or zero, or no segment is selected. The number passes through a 32-bit
    // float as the field reads it; the product is 64-bit so limits above 4 GB hold, and a
    // product beyond 64 bits is MaxLimit.
    static quint64 limitSize(const QString& number, int segment);

    // A number of MB with a fraction as KB, for a limit typed with a decimal point:
    // 0.5 MB is 500 KB; what lies below a KB is dropped (1.2345 MB is 1234 KB). Nothing when
    // it comes to less than 1 KB, or the digits are no plain number.
    static std::optional<quint64> megabytesAsKilobytes(const QString& whole,
                                                       const QString& fraction);

    // The starting text of the number field: the stored `LimitSize`, else "1"; an
    // empty stored text shows "0".
    static QString storedNumber();
    // The stored `LimitSizeUnit`, else MB.
    static int storedUnit();

    void setNumber(const QString& number);
    void setSegment(int segment);
    QString number() const;
    int segment() const;

    quint64 limitSize() const;

    // Stores the current text under `LimitSize` and the segment under `LimitSizeUnit`.
    void saveLimitSize() const;

private:
    mutable QMutex m_mutex;
    QString m_number = QStringLiteral("1");
    int m_segment = MB;
};
