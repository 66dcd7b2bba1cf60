#include "list/KPListView.h"

#include "engine/KPNotification.h"
#include "engine/KPPath.h"
#include "list/KPListPresenter.h"
#include "list/KPNaturalOrder.h"
#include "list/KPStringTools.h"

#include <QThread>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

KPListView::KPListView(QObject* parent) : QObject(parent) {}

KPListView::~KPListView() = default;

void KPListView::setPresenter(KPListPresenter* presenter)
{
    m_picTVObj = presenter;
    if (m_picTVObj)
        m_picTVObj->setPicData(&m_memberMAr);
}

void KPListView::setListViewType(int type)
{
    m_curListType = type;
}

KPListPresenter* KPListView::currentPresenter() const
{
    return m_curListType == PictureList ? m_picTVObj : nullptr;
}

const QStringList& KPListView::imageExtensions()
{
    // The twenty of old first, in their order; then the types of today's phones, cameras
    // and the web, each in lower and upper case.
    static const QStringList extensions = [] {
        QStringList list = {
            QStringLiteral("BMP"),  QStringLiteral("bmp"),  QStringLiteral("ICO"),
            QStringLiteral("ico"),  QStringLiteral("PSD"),  QStringLiteral("psd"),
            QStringLiteral("RAW"),  QStringLiteral("raw"),  QStringLiteral("icns"),
            QStringLiteral("ICNS"), QStringLiteral("TIFF"), QStringLiteral("tiff"),
            QStringLiteral("GIF"),  QStringLiteral("gif"),  QStringLiteral("JPEG"),
            QStringLiteral("jpeg"), QStringLiteral("JPG"),  QStringLiteral("jpg"),
            QStringLiteral("PNG"),  QStringLiteral("png"),
        };
        const char* const added[] = {"tif", "webp", "heic", "heif", "avif", "jfif", "jpe",
                                     // camera raw files
                                     "dng", "cr2", "cr3", "crw", "nef", "nrw", "arw", "srf", "sr2",
                                     "raf", "orf", "rw2", "pef", "srw", "x3f", "3fr", "iiq", "erf",
                                     "kdc", "mrw", "mos", "rwl"};
        for (const char* extension : added) {
            const QString lower = QString::fromLatin1(extension);
            list << lower.toUpper() << lower;
        }
        return list;
    }();
    return extensions;
}

bool KPListView::hasImageExtension(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return false;
    const QStringView extension = QStringView(path).mid(dot + 1);
    for (const QString& accepted : imageExtensions()) {
        if (extension == accepted)
            return true;
    }
    return false;
}

bool KPListView::isHiddenFile(const QString& path)
{
    const std::optional<QString> last =
        KPStringTools::getStrFromIdxByBackward(path, QStringLiteral("/"));
    if (!last)
        return false;
    return last->startsWith(QLatin1Char('.'));
}

std::optional<KPListView::Refusal::Why> KPListView::refusal(const QString& path,
                                                            const struct stat* info)
{
    if (isHiddenFile(path))
        return Refusal::Why::Hidden;
    // A named pipe or a device under a picture's name is no picture; reading it for the
    // preview or the run would wait for a writer for ever, or never end.
    if (info && !S_ISREG(info->st_mode))
        return Refusal::Why::NotPlainFile;
    if (!hasImageExtension(path))
        return info ? Refusal::Why::NotAPicture : Refusal::Why::Missing;
    // A missing picture (a dangling link too) is still listed, and fails its job with
    // the reason.
    return std::nullopt;
}

KPListView::Addition KPListView::addPaths(const QStringList& paths)
{
    Addition addition;
    QStringList found;
    QStringList roots;
    for (const QString& given : paths) {
        // Absolute, as a file chooser would give them.
        const QString path = KPPath::absolute(given);
        struct stat info
        {
        };
        const bool exists = ::stat(KPPath::toNative(path).constData(), &info) == 0;
        if (exists && S_ISDIR(info.st_mode)) {
            enumAllFile({path}, found, true, &roots);
        } else if (const std::optional<Refusal::Why> why =
                       refusal(path, exists ? &info : nullptr)) {
            addition.refused.append(Refusal{path, *why});
        } else {
            found.append(path);
            roots.append(QString());
        }
    }
    addFileMember(found, roots);
    refreshListView();
    if (KPListPresenter* presenter = currentPresenter(); presenter && presenter->selectedRow() < 0)
        autoSelect(-1);
    return addition;
}

bool KPListView::addMember(const QStringList& paths)
{
    addFileMember(paths);
    refreshListView();
    if (KPListPresenter* presenter = currentPresenter(); presenter && presenter->selectedRow() < 0)
        autoSelect(-1);
    return true;
}

bool KPListView::addMemberByFolder(const QStringList& folders)
{
    return addDictMember(folders);
}

bool KPListView::addDictMember(const QStringList& paths)
{
    QStringList found;
    QStringList roots;
    enumAllFile(paths, found, true, &roots);
    addFileMember(found, roots);
    refreshListView();
    if (KPListPresenter* presenter = currentPresenter(); presenter && presenter->selectedRow() < 0)
        autoSelect(-1);
    return true;
}

void KPListView::enumAllFile(const QStringList& paths, QStringList& outArray, bool recursive,
                             QStringList* roots)
{
    for (const QString& path : paths) {
        // Whatever this path adds was found under it when it is a folder, else stands alone.
        const auto noteRoots = [&outArray, roots](const QString& root) {
            while (roots && roots->size() < outArray.size())
                roots->append(root);
        };
        std::error_code error;
        const fs::path native(KPPath::toNative(path).toStdString());
        // The path itself is followed when it is a link (the user named it); what the
        // walk below meets is not.
        const fs::file_status status = fs::status(native, error);
        if (error || !fs::exists(status)) {
            // A dangling link is still listed by its name, as a file, and fails its job.
            if (fs::is_symlink(fs::symlink_status(native, error)) && hasImageExtension(path))
                outArray.append(path);
            noteRoots(QString());
            continue;
        }
        if (!fs::is_directory(status)) {
            if (hasImageExtension(path))
                outArray.append(path);
            noteRoots(QString());
            continue;
        }
        if (!recursive)
            continue;
        // Walk the whole tree below the folder without following links; every found
        // item is named as the folder path, "/" and its path relative to the folder.
        const std::string prefix = native.native();
        const qsizetype firstFound = outArray.size();
        fs::recursive_directory_iterator it(native, fs::directory_options::skip_permission_denied,
                                            error);
        const fs::recursive_directory_iterator end;
        while (!error && it != end) {
            const fs::directory_entry& entry = *it;
            std::error_code statusError;
            const fs::file_status entryStatus = entry.symlink_status(statusError);
            if (!statusError && !fs::is_directory(entryStatus)) {
                const std::string& full = entry.path().native();
                std::string_view relative(full);
                relative.remove_prefix(std::min(prefix.size(), relative.size()));
                if (!relative.empty() && relative.front() == '/')
                    relative.remove_prefix(1);
                const QString sub = KPPath::fromNative(
                    QByteArrayView(relative.data(), static_cast<qsizetype>(relative.size())));
                if (hasImageExtension(sub))
                    outArray.append(path + QLatin1Char('/') + sub);
            }
            it.increment(error);
            if (error) {
                // An unreadable entry: skip it and go on with the rest of the tree.
                error.clear();
                if (it == end)
                    break;
            }
        }
        // Directories list their entries in no order people recognise.
        KPNaturalOrder().sort(outArray, firstFound);
        noteRoots(path);
    }
}

bool KPListView::addFileMember(const QStringList& paths, const QStringList& roots)
{
    m_dupPathArray.clear();
    if (paths.isEmpty())
        return false;
    for (qsizetype at = 0; at < paths.size(); ++at) {
        const QString& path = paths.at(at);
        if (isHiddenFile(path))
            continue;
        struct stat info
        {
        };
        const bool known = ::stat(KPPath::toNative(path).constData(), &info) == 0;
        // A named pipe or a device under a picture's name is no picture; reading it for
        // the preview or the run would wait for a writer for ever.
        if (known && !S_ISREG(info.st_mode))
            continue;
        if (m_pathSet.contains(path)) {
            m_dupPathArray.append(path);
            continue;
        }
        m_pathSet.insert(path);
        auto job = std::make_shared<KPImageData>();
        job->setPath(path);
        job->setRoot(roots.value(at));
        job->setProgress(KPProgress::Waiting);
        if (known)
            job->setSize(static_cast<quint64>(info.st_size));
        m_memberMAr.append(std::move(job));
    }
    postTotal();
    if (KPListPresenter* presenter = currentPresenter();
        presenter && presenter->selectedRow() < 0 && !m_memberMAr.isEmpty())
        presenter->selectRow(0);
    return true;
}

void KPListView::delMember()
{
    KPListPresenter* presenter = currentPresenter();
    if (!presenter)
        return;
    const int row = presenter->selectedRow();
    const KPImageDataList removed = presenter->delData();
    if (removed.isEmpty())
        return;
    QSet<const KPImageData*> gone;
    gone.reserve(removed.size());
    for (const KPImageDataPtr& job : removed) {
        m_pathSet.remove(job->path());
        gone.insert(job.get());
    }
    // The rows they had, so that Undo puts them back in their places.
    Removal removal;
    removal.reserve(removed.size());
    KPImageDataList kept;
    kept.reserve(m_memberMAr.size() - removed.size());
    for (qsizetype at = 0; at < m_memberMAr.size(); ++at) {
        if (gone.contains(m_memberMAr[at].get()))
            removal.append({at, m_memberMAr[at]});
        else
            kept.append(m_memberMAr[at]);
    }
    m_memberMAr = std::move(kept);
    if (m_removals.size() >= MaxUndoRemovals)
        m_removals.removeFirst();
    m_removals.append(std::move(removal));
    Q_EMIT canUndoDelMemberChanged(true);
    postTotal();
    refreshListView();
    if (!m_memberMAr.isEmpty())
        autoSelect(row);
    else
        KPNotificationCenter::defaultCenter()->post(KPMessage::ImageLogRefresh, this);
}

bool KPListView::undoDelMember()
{
    if (m_removals.isEmpty())
        return false;
    const Removal removal = m_removals.takeLast();
    if (m_removals.isEmpty())
        Q_EMIT canUndoDelMemberChanged(false);
    // In ascending order each row goes back where it was, the rows above it being back.
    QList<int> restored;
    for (const auto& [row, job] : removal) {
        if (m_pathSet.contains(job->path()))
            continue; // listed again since: it stays listed once
        const qsizetype at = std::min(row, m_memberMAr.size());
        m_memberMAr.insert(at, job);
        m_pathSet.insert(job->path());
        restored.append(int(at));
    }
    if (restored.isEmpty())
        return true;
    postTotal();
    // Rows come back between others: the table starts afresh from the list.
    if (m_picTVObj)
        m_picTVObj->setPicData(&m_memberMAr);
    if (KPListPresenter* presenter = currentPresenter())
        presenter->selectRows(restored);
    return true;
}

void KPListView::autoSelect(int row)
{
    KPListPresenter* presenter = currentPresenter();
    const auto count = static_cast<int>(m_memberMAr.size());
    if (!presenter || count == 0)
        return;
    if (row == -1)
        row = 0;
    else if (row >= count)
        row = count - 1;
    presenter->selectRow(row);
}

void KPListView::refreshListView()
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, &KPListView::refreshListView, Qt::QueuedConnection);
        return;
    }
    if (KPListPresenter* presenter = currentPresenter())
        presenter->refreshData();
}

void KPListView::showDupPathPanel()
{
    if (!m_dupPathArray.isEmpty())
        Q_EMIT showDupPanel(m_dupPathArray);
}

void KPListView::postTotal()
{
    QVariantMap info;
    info.insert(KPMessage::Total, QVariant::fromValue<quint64>(quint64(m_memberMAr.size())));
    KPNotificationCenter::defaultCenter()->post(KPMessage::ImageReportRefresh, this, info);
}
