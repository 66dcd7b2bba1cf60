#include "list/KPStringTools.h"

QString KPStringTools::sizeSwitch(float bytes)
{
    // Every test is "strictly greater than", so 1000 bytes stay "1000.0B"; the
    // quotients are taken in single precision like the byte count itself.
    if (!(bytes > 0.0f))
        return QString::asprintf("%u", 0u);
    float q = bytes / 1000000000.0f;
    if (q > 1.0f)
        return QString::asprintf("%.1fGB", double(q));
    q = bytes / 1000000.0f;
    if (q > 1.0f)
        return QString::asprintf("%.1fMB", double(q));
    q = bytes / 1000.0f;
    if (q > 1.0f)
        return QString::asprintf("%.1fKB", double(q));
    return QString::asprintf("%.1fB", double(bytes));
}

QString KPStringTools::limitText(quint64 bytes)
{
    if (bytes > 0 && bytes % 1000000 == 0)
        return QStringLiteral("%1 MB").arg(bytes / 1000000);
    if (bytes > 0 && bytes % 1000 == 0)
        return QStringLiteral("%1 KB").arg(bytes / 1000);
    return QStringLiteral("%1 bytes").arg(bytes);
}

std::optional<QString> KPStringTools::getStrToIdxByBackward(const QString& text, const QString& find)
{
    if (find.isEmpty())
        return std::nullopt;
    const qsizetype at = text.lastIndexOf(find, -1, Qt::CaseInsensitive);
    if (at < 0)
        return std::nullopt;
    return text.left(at);
}

std::optional<QString> KPStringTools::getStrFromIdxByBackward(const QString& text,
                                                              const QString& find)
{
    if (find.isEmpty())
        return std::nullopt;
    const qsizetype at = text.lastIndexOf(find, -1, Qt::CaseInsensitive);
    if (at < 0)
        return std::nullopt;
    return text.mid(at + find.size());
}
