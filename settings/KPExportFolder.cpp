#include "settings/KPExportFolder.h"

#include "engine/KPPath.h"
#include "settings/KPSettings.h"
#include "ui/KPLocalization.h"

#include <QDir>
#include <QFileInfo>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace {
QString homeOfUser(const QString& user)
{
    const QByteArray name = user.toLocal8Bit();
    long bufferSize = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (bufferSize <= 0)
        bufferSize = 16384;
    std::vector<char> buffer(static_cast<size_t>(bufferSize));
    passwd entry{};
    passwd* result = nullptr;
    if (getpwnam_r(name.constData(), &entry, buffer.data(), buffer.size(), &result) != 0 || !result)
        return {};
    return KPPath::fromNative(result->pw_dir);
}
} // namespace

QString KPExportFolder::expandTilde(const QString& path)
{
    if (!path.startsWith(QLatin1Char('~')))
        return path;
    const qsizetype slash = path.indexOf(QLatin1Char('/'));
    const QString user = path.mid(1, slash < 0 ? -1 : slash - 1);
    const QString rest = slash < 0 ? QString() : path.mid(slash);
    QString home = user.isEmpty() ? QDir::homePath() : homeOfUser(user);
    if (home.isEmpty())
        return path; // an unknown user: the path stays as typed
    if (home.endsWith(QLatin1Char('/')) && rest.startsWith(QLatin1Char('/')))
        home.chop(1);
    return home + rest;
}

KPExportFolder::Check KPExportFolder::check(const QString& path)
{
    const QString expanded = expandTilde(path);
    if (expanded.isEmpty())
        return Check::Empty;
    const QByteArray native = KPPath::toNative(expanded);
    struct stat info
    {
    };
    if (::stat(native.constData(), &info) == 0) {
        if (!S_ISDIR(info.st_mode))
            return Check::NotAFolder;
        if (::access(native.constData(), W_OK | X_OK) != 0)
            return Check::NotWritable;
        return Check::Usable;
    }
    // Only the last component is made: a missing parent is a failure.
    if (::mkdir(native.constData(), 0777) != 0 && errno != EEXIST)
        return Check::CannotCreate;
    return Check::Usable;
}

KPExportFolder::Check KPExportFolder::checkExPathDetailed(const QString& path)
{
    const Check result = check(path);
    if (result == Check::Usable) {
        const QString expanded = expandTilde(path);
        KPSettings::setObject(KPSettingsKey::CurrentExportPath, QDir::isAbsolutePath(expanded)
                                                                    ? expanded
                                                                    : KPPath::absolute(expanded));
    }
    return result;
}

QString KPExportFolder::problemText(Check check, const QString& folder, const QString& shownAs)
{
    const QString shown = shownAs.isEmpty() ? QDir::toNativeSeparators(folder) : shownAs;
    switch (check) {
    case Check::Usable:
        return {};
    case Check::Empty:
        return KPLocalization::text("L_ExportEmpty");
    case Check::NotAFolder:
        return KPLocalization::text("L_ExportNotAFolder").arg(shown);
    case Check::NotWritable:
        return KPLocalization::text("L_ExportNotWritable").arg(shown);
    case Check::CannotCreate:
        // Creating makes only the last component: say which part is missing.
        if (!QFileInfo(QFileInfo(folder).absolutePath()).isDir())
            return KPLocalization::text("L_ExportNoParent").arg(shown);
        return KPLocalization::text("L_ExportCannotCreate").arg(shown);
    }
    return {};
}

bool KPExportFolder::checkExPath(const QString& path)
{
    return checkExPathDetailed(path) == Check::Usable;
}

void KPExportFolder::setText(const QString& text)
{
    QMutexLocker locker(&m_mutex);
    m_text = text;
}

QString KPExportFolder::text() const
{
    QMutexLocker locker(&m_mutex);
    return m_text;
}

std::optional<QString> KPExportFolder::exportPath() const
{
    const QString current = text();
    if (!checkExPath(current))
        return std::nullopt;
    const QString expanded = expandTilde(current);
    return QDir::isAbsolutePath(expanded) ? expanded : KPPath::absolute(expanded);
}
