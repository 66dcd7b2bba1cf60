#include "settings/KPExportFolder.h"

#include "settings/KPSettings.h"

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
    return QFile::decodeName(result->pw_dir);
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

KPExportFolder::Check KPExportFolder::checkExPathDetailed(const QString& path)
{
    const QString expanded = expandTilde(path);
    if (expanded.isEmpty())
        return Check::Empty;
    const QByteArray native = QFile::encodeName(expanded);
    struct stat info{};
    Check result = Check::Usable;
    if (::stat(native.constData(), &info) == 0) {
        if (!S_ISDIR(info.st_mode))
            result = Check::NotAFolder;
        else if (::access(native.constData(), W_OK | X_OK) != 0)
            result = Check::NotWritable;
    } else if (::mkdir(native.constData(), 0777) != 0 && errno != EEXIST) {
        // Only the last component is made: a missing parent is a failure.
        result = Check::CannotCreate;
    }
    if (result == Check::Usable)
        KPSettings::setObject(KPSettingsKey::CurrentExportPath,
                              QDir::isAbsolutePath(expanded) ? expanded
                                                             : QFileInfo(expanded).absoluteFilePath());
    return result;
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
    return QDir::isAbsolutePath(expanded) ? expanded : QFileInfo(expanded).absoluteFilePath();
}
