#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

// Names and user-info keys of the messages the list and the run send to the views.
namespace KPMessage {
inline const QString ImageReportRefresh = QStringLiteral("ZUN_ImageReportRefresh");
inline const QString ImageLogRefresh = QStringLiteral("ZUN_ImageLogRefresh");

inline const QString Total = QStringLiteral("ZUNA_TOTAL");               // quint64
inline const QString ReportOK = QStringLiteral("ZUNA_ReportOK");         // KPImageDataList
inline const QString ReportError = QStringLiteral("ZUNA_ReportError");   // KPImageDataList
inline const QString CurrentImage = QStringLiteral("ZUNA_CurrentImage"); // KPImageDataPtr
} // namespace KPMessage

// A message: its name, its sender and a dictionary of values.
struct KPNotification
{
    QString name;
    QPointer<QObject> object;
    QVariantMap userInfo;
};

Q_DECLARE_METATYPE(KPNotification)

// The default notification centre: posting delivers the message at once, on the
// posting thread, to every observer connected to `posted`. The list posts through
// it; the run does not post but hands its messages to the views and waits.
class KPNotificationCenter : public QObject
{
    Q_OBJECT
public:
    static KPNotificationCenter* defaultCenter();

    void post(const QString& name, QObject* object, const QVariantMap& userInfo = {});

Q_SIGNALS:
    void posted(const KPNotification& notification);

private:
    KPNotificationCenter() = default;
};
