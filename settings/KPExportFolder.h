#pragma once

#include <QMutex>
#include <QString>

#include <optional>

// The export folder as the user typed or chose it, and the check that makes it
// usable. The text is kept under a lock: a run's worker asks for the checked folder
// once per picture while the GUI thread may be editing it.
class KPExportFolder
{
public:
    enum class Check
    {
        Usable,       // an existing, writable folder, or one just created
        Empty,        // no path given
        NotAFolder,   // something other than a folder is there
        NotWritable,  // a folder the user may not write into
        CannotCreate, // missing, and creating it failed (for example a missing parent)
    };

    // Expands a leading "~" (the user's home) or "~name" (that user's home).
    static QString expandTilde(const QString& path);

    // Checks a folder path: expands the tilde, accepts a writable folder, creates a
    // missing one (only its last component). Stores nothing: the terminal's check.
    static Check check(const QString& path);
    // The window's check: check(), and on success the expanded path stored under
    // `CurrentExportPath`.
    static bool checkExPath(const QString& path);
    static Check checkExPathDetailed(const QString& path);

    // What a folder that failed the check is told with, in the user's language, naming it
    // (as `shownAs` when given, for a shortened path); empty for a usable one. The window
    // and the terminal say the same.
    static QString problemText(Check check, const QString& folder, const QString& shownAs = {});

    void setText(const QString& text);
    QString text() const;

    // The checked export folder as an absolute path, or nothing when it fails the check.
    std::optional<QString> exportPath() const;

private:
    mutable QMutex m_mutex;
    QString m_text;
};
