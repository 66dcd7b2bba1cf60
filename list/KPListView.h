#pragma once

#include "engine/KPImageData.h"

#include <QObject>
#include <QSet>
#include <QStringList>

#include <optional>

struct stat;

class KPListPresenter;

// The list of picture jobs: turns files and scanned folders into jobs in the state
// waiting, skips hidden files, refuses paths already listed, removes the selected
// jobs and announces the total. Lives on the GUI thread; a run is handed a copy of
// `memberMAr`, so the list is not read from the run's threads.
class KPListView : public QObject
{
    Q_OBJECT
public:
    enum ListType
    {
        NoList = 0,
        PictureList = 1
    };

    explicit KPListView(QObject* parent = nullptr);
    ~KPListView() override;

    // Connects the table that shows the jobs (not owned; may stay unset, as in the
    // terminal) and hands it the job list.
    void setPresenter(KPListPresenter* presenter);
    void setListViewType(int type);
    int listViewType() const { return m_curListType; }

    const KPImageDataList& memberMAr() const { return m_memberMAr; }
    const QStringList& dupPathArray() const { return m_dupPathArray; }

    // A path named by the user that an addition did not take, and why.
    struct Refusal
    {
        enum class Why
        {
            NotAPicture,  // no picture type Pictaro reads, by its extension
            Hidden,       // its name starts with "."
            NotPlainFile, // a named pipe, a device, a socket, or a link to one
            Missing,      // no such file or folder
        };
        QString path; // absolute
        Why why = Why::NotAPicture;
        bool operator==(const Refusal&) const = default;
    };
    // What one addition of paths did: the paths it was given that it did not take, in the
    // order given. Refused duplicates are in `dupPathArray`; what a folder scan leaves out
    // (hidden files, other types) is not counted here.
    struct Addition
    {
        QList<Refusal> refused;
    };
    // The one way to add paths that the user names or drops (command line, drops, the
    // terminal): a folder, or a link to one, is scanned as Add Folder does; a file is taken
    // when its extension is accepted. Everything is added in one step, so `dupPathArray`
    // holds every path the whole addition refused.
    Addition addPaths(const QStringList& paths);

    // Adds files as they are given (no extension test), then reloads and selects.
    bool addMember(const QStringList& paths);
    // Scans folders for files of the accepted extensions and adds them.
    bool addMemberByFolder(const QStringList& folders);
    bool addDictMember(const QStringList& paths);
    // `roots`, when given, holds for each path the added folder it was found under (empty
    // for a file added alone).
    bool addFileMember(const QStringList& paths, const QStringList& roots = {});
    void delMember();
    // Puts the jobs of the latest removal not yet undone back in their places and selects
    // them; a job whose path has been listed again since stays out. False when there was
    // nothing to undo. The list must not change under a run: the caller keeps it from one.
    bool undoDelMember();
    bool canUndoDelMember() const { return !m_removals.isEmpty(); }
    // How many removals can be undone, the latest first.
    static constexpr int MaxUndoRemovals = 32;

    void autoSelect(int row);
    // Reloads the table; from another thread the reload is queued to the GUI thread.
    void refreshListView();
    // Hands the paths refused by the latest addition to the duplicate notice.
    void showDupPathPanel();

    static bool isHiddenFile(const QString& path);
    // Extension after the last "." of the last component, compared exactly.
    static bool hasImageExtension(const QString& path);
    static const QStringList& imageExtensions();
    // Appends every file below the paths whose extension is accepted: a folder's files in
    // natural name order, the paths in the order given. A given path that is a link to a
    // folder is scanned as that folder; links met inside the scan are never followed, so a
    // tree with loops still ends.
    // With `roots`, each found path's added folder is appended there (empty for a file).
    static void enumAllFile(const QStringList& paths, QStringList& outArray, bool recursive,
                            QStringList* roots = nullptr);

Q_SIGNALS:
    // The duplicate notice listens here (`showDupPanel:`).
    void showDupPanel(const QStringList& paths);
    // A removal can be undone, or no longer.
    void canUndoDelMemberChanged(bool available);

private:
    // Why a path the user named, which is no folder, is not taken as a picture; nothing
    // when it is. `info` is the path's status (links followed), null when it has none.
    static std::optional<Refusal::Why> refusal(const QString& path, const struct stat* info);
    KPListPresenter* currentPresenter() const;
    void postTotal();

    // A removal: each job taken out with the row it had, ascending.
    using Removal = QList<std::pair<qsizetype, KPImageDataPtr>>;

    KPListPresenter* m_picTVObj = nullptr;
    QList<Removal> m_removals; // the latest last
    KPImageDataList m_memberMAr;
    QStringList m_dupPathArray;
    QSet<QString> m_pathSet;
    int m_curListType = NoList;
};
