#include "engine/KPKeptFolder.h"

#include "engine/KPPath.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString KPKeptFolder::relativeFolder(const QString& root, const QString& source)
{
    if (root.isEmpty())
        return {};
    QString base = root;
    while (base.size() > 1 && base.endsWith(QLatin1Char('/')))
        base.chop(1);
    const QString prefix = base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/');
    if (!source.startsWith(prefix))
        return {};
    const QString name = KPPath::fileName(base);
    const QString between = KPPath::folder(source.mid(prefix.size()));
    if (between.isEmpty() || between == QStringLiteral("."))
        return name;
    return name.isEmpty() ? between : name + QLatin1Char('/') + between;
}

KPFailure KPKeptFolder::make(const QString& exportFolder, const QString& relative)
{
    // The export folder itself is the user's choice, a link to a folder included.
    int folder =
        ::open(KPPath::toNative(exportFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return KPFailure::ExportFolder;
    KPFailure failure = KPFailure::None;
    for (const QString& part : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QStringLiteral("."))
            continue;
        if (part == QStringLiteral("..")) {
            failure = KPFailure::FolderInTheWay;
            break;
        }
        const QByteArray name = KPPath::toNative(part);
        if (::mkdirat(folder, name.constData(), 0777) != 0 && errno != EEXIST) {
            failure = KPFailureText::forWriteError(errno);
            break;
        }
        const int next =
            ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            failure = errno == ELOOP || errno == ENOTDIR ? KPFailure::FolderInTheWay
                                                         : KPFailureText::forWriteError(errno);
            break;
        }
        ::close(folder);
        folder = next;
    }
    ::close(folder);
    return failure;
}
