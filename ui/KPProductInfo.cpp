#include "ui/KPProductInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

QString KPProductInfo::version()
{
    return QStringLiteral("2.2");
}

QString KPProductInfo::copyRight()
{
    return QStringLiteral("Copyright \u00a9 2026 the Pictaro developers");
}

QString KPProductInfo::helpFile()
{
    const QString installed =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../share/pictaro/help/index.html"));
    if (QFileInfo::exists(installed))
        return QDir::cleanPath(installed);
    const QString unpacked =
        QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).filePath(QStringLiteral("help/index.html"));
    QDir().mkpath(QFileInfo(unpacked).absolutePath());
    QFile::remove(unpacked);
    if (QFile::copy(QStringLiteral(":/help/index.html"), unpacked))
        QFile::setPermissions(unpacked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                            QFileDevice::ReadOther);
    return unpacked;
}

QUrl KPProductInfo::faq()
{
    return QUrl::fromLocalFile(helpFile());
}

QUrl KPProductInfo::homepage()
{
    QUrl url = faq();
    url.setFragment(QStringLiteral("about"));
    return url;
}
