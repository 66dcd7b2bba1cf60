#pragma once

#include <QByteArray>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <vector>

// What the bench programs share: memory figures from /proc, percentiles, and the
// "name=value" lines that the bench scripts read from their standard output.
namespace KPBench {

struct Memory
{
    qint64 rssKb = -1; // resident now
    qint64 hwmKb = -1; // the peak so far: what /usr/bin/time reports as maximum RSS
};

inline Memory memory()
{
    Memory memory;
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return memory;
    // /proc files report a size of 0, so read line by line rather than by size.
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        const auto value = [&line] {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        };
        if (line.startsWith("VmRSS:"))
            memory.rssKb = value();
        else if (line.startsWith("VmHWM:"))
            memory.hwmKb = value();
    }
    return memory;
}

// Nearest-rank percentile; 0 for no values.
inline double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<size_t>(fraction * double(values.size()) + 0.999999);
    return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

inline void figure(const char* name, double value)
{
    std::printf("%s=%.3f\n", name, value);
    std::fflush(stdout);
}

inline void figure(const char* name, qint64 value)
{
    std::printf("%s=%lld\n", name, static_cast<long long>(value));
    std::fflush(stdout);
}

// Keeps the preferences a program reads and writes in a folder of its own for as long
// as it lives, never the user's.
class PrivateSettings
{
public:
    PrivateSettings()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    }

private:
    QTemporaryDir m_dir;
};

} // namespace KPBench
