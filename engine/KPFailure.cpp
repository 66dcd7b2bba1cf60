#include "engine/KPFailure.h"

#include "list/KPStringTools.h"

#include <QCoreApplication>

#include <cerrno>

const char* KPFailureText::key(KPFailure failure)
{
    switch (failure) {
    case KPFailure::None:
        return "";
    case KPFailure::SourceUnreadable:
        return "L_FailSourceUnreadable";
    case KPFailure::Damaged:
        return "L_FailDamaged";
    case KPFailure::TooLargeToDecode:
        return "L_FailTooLarge";
    case KPFailure::NoFit:
        return "L_FailNoFit";
    case KPFailure::NoFitScaled:
        return "L_FailNoFitScaled";
    case KPFailure::ExportFolder:
        return "L_FailExportFolder";
    case KPFailure::DiskFull:
        return "L_FailDiskFull";
    case KPFailure::WriteFailed:
        return "L_FailWrite";
    case KPFailure::Stopped:
        return "L_FailStopped";
    case KPFailure::CameraNotSupported:
        return "L_FailCamera";
    case KPFailure::Unsupported:
        return "L_FailUnsupported";
    case KPFailure::DecoderCrashed:
        return "L_FailDecoderCrashed";
    case KPFailure::DecoderTimedOut:
        return "L_FailDecoderTimedOut";
    case KPFailure::FolderInTheWay:
        return "L_FailFolderInTheWay";
    case KPFailure::OverBudget:
        return "L_FailOverBudget";
    }
    return "";
}

QString KPFailureText::text(KPFailure failure, quint64 limit, QSize smallestBox)
{
    const char* id = key(failure);
    if (!*id)
        return {};
    QString text = qtTrId(id);
    if (failure == KPFailure::NoFit || failure == KPFailure::OverBudget)
        return text.arg(KPStringTools::limitText(limit));
    if (failure == KPFailure::NoFitScaled) {
        // Named, with where it is set: a smaller box is what would help.
        const QSize box = smallestBox.isValid() ? smallestBox : QSize(0, 0);
        return text.arg(KPStringTools::limitText(limit),
                        QStringLiteral("%1 x %2").arg(box.width()).arg(box.height()));
    }
    return text;
}

KPFailure KPFailureText::forWriteError(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return KPFailure::DiskFull;
    case ENOENT:
    case ENOTDIR:
    case EACCES:
    case EPERM:
    case EROFS:
        // The folder went away or stopped taking files since it was checked.
        return KPFailure::ExportFolder;
    default:
        return KPFailure::WriteFailed;
    }
}
