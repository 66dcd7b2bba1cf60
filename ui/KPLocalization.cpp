#include "ui/KPLocalization.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

void KPLocalization::install(QCoreApplication& application)
{
    auto* translator = new QTranslator(&application);
    if (translator->load(QLocale(), QStringLiteral("pictaro"), QStringLiteral("_"),
                         QStringLiteral(":/i18n")) ||
        translator->load(QStringLiteral("pictaro_en"), QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

QString KPLocalization::text(const char* key)
{
    return qtTrId(key);
}
