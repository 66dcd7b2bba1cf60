#pragma once

#include "engine/KPFailure.h"

#include <QString>

// The folders of a scanned tree, kept in the export folder: a picture found by scanning
// an added folder goes under the same relative path, starting with the added folder's own
// name; a picture added alone goes to the export folder itself.
class KPKeptFolder
{
public:
    KPKeptFolder() = delete;

    // The folder, relative to the export folder, for `source` found under `root`: the
    // root's name and the folders between it and the picture ("2024/trip" for
    // "/photos/2024/trip/a.png" under "/photos/2024"). Empty without a root, or for a
    // source that is not under it.
    static QString relativeFolder(const QString& root, const QString& source);
    // Makes `relative` inside `exportFolder`, one folder at a time, each created or opened
    // without following a link: a link (or a file) planted where a folder belongs is
    // refused (FolderInTheWay), so nothing is ever written outside the export folder.
    static KPFailure make(const QString& exportFolder, const QString& relative);
};
