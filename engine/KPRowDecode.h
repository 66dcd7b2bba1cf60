#pragma once

#include <QImage>
#include <QSize>

#include <functional>

// Asked by a streaming encoder before it reads rows [0, rows): true once they may be read,
// false to give up.
using KPRowGate = std::function<bool(int rows)>;

// A picture being decoded on another thread whose rows can be read as soon as they are
// decoded: the stepwise fitting encodes the next step from it while the decode still runs.
class KPRowDecode
{
public:
    KPRowDecode() = default;
    virtual ~KPRowDecode() = default;
    KPRowDecode(const KPRowDecode&) = delete;
    KPRowDecode& operator=(const KPRowDecode&) = delete;

    virtual QSize size() const = 0;
    // Blocks until `rows` rows are decoded; false when decoding failed first.
    virtual bool waitRows(int rows) = 0;
    // Blocks until the whole picture is decoded; false when decoding failed.
    virtual bool wait() = 0;
    // The picture; whole once `wait` answered true.
    virtual const QImage& image() const = 0;
};
