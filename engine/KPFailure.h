#pragma once

#include <QSize>
#include <QString>
#include <QtGlobal>

// Why a job failed. Set where the step fails, kept on the job and shown to the user: the
// terminal prints it after the path, the window in the log view and the table.
enum class KPFailure : qint32
{
    None = 0,
    SourceUnreadable,   // the source cannot be read (gone, no permission, not a plain file)
    Damaged,            // the file is damaged or is not a picture of its type
    TooLargeToDecode,   // its pixels would take more memory than a picture may
    NoFit,              // not under the limit even at the lowest quality
    NoFitScaled,        // not under the limit even at the lowest quality and the smallest box
    ExportFolder,       // the export folder is missing or cannot be written to
    DiskFull,           // a write into the export folder found no space
    WriteFailed,        // a write did not complete, or its file cannot be read back whole
    Stopped,            // the run was stopped in the middle of the job
    CameraNotSupported, // a raw file of a camera the raw reader does not know
    Unsupported,        // no reader takes the file
    DecoderCrashed,     // the helper process reading the file was killed by a signal
    DecoderTimedOut,    // the helper process reading the file ran past its time
    FolderInTheWay,     // a link or a file stands where a kept folder is to be made
    OverBudget,         // the set does not fit under its limit together; nothing written
};

namespace KPFailureText {
// The localisation key of a reason ("L_Fail…"); empty for None.
const char* key(KPFailure failure);
// The reason in the user's language; `limit` (bytes) is named by the reasons about it,
// `smallestBox` (pixels) by the reason of a picture that failed at that box.
QString text(KPFailure failure, quint64 limit = 0, QSize smallestBox = {});
// The reason a write into the export folder that set `error` (an errno value) gives:
// DiskFull, ExportFolder (gone, read-only, no permission) or WriteFailed.
KPFailure forWriteError(int error);
} // namespace KPFailureText
