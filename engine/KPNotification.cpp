#include "engine/KPNotification.h"

KPNotificationCenter* KPNotificationCenter::defaultCenter()
{
    static KPNotificationCenter center;
    return &center;
}

void KPNotificationCenter::post(const QString& name, QObject* object, const QVariantMap& userInfo)
{
    Q_EMIT posted(KPNotification{name, object, userInfo});
}
