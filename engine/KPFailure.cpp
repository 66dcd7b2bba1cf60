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
    }
    return "";
}

QString KPFailureText::text(KPFailure failure, quint64 limit)
{
    const char* id = key(failure);
    if (!*id)
        return {};
    QString text = qtTrId(id);
    if (failure == KPFailure::NoFit || failure == KPFailure::NoFitScaled)
        text = text.arg(KPStringTools::limitText(limit));
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
