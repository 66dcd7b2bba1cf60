#include "ui/KPDesktop.h"

#include <QDesktopServices>
#include <QDir>

bool KPDesktop::open(const QUrl& url, const Opener& replacement)
{
    return replacement ? replacement(url) : QDesktopServices::openUrl(url);
}

QString KPDesktop::shownPath(const QUrl& url)
{
    return url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : url.toDisplayString();
}
