#include "ui/KPLocalization.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTranslator>

void KPLocalization::install(QCoreApplication& application)
{
    auto* translator = new QTranslator(&application);
    if (!translator->load(QLocale(), QStringLiteral("pictaro"), QStringLiteral("_"),
                          QStringLiteral(":/i18n")) &&
        !translator->load(QStringLiteral("pictaro_en"), QStringLiteral(":/i18n"))) {
        delete translator;
        return;
    }
    QCoreApplication::installTranslator(translator);

    // Qt's own texts (the file choosers, standard buttons, shortcut names) in the language
    // Pictaro speaks, so one window never mixes two; English needs no catalogue.
    const QLocale language(translator->language());
    if (language.language() == QLocale::English)
        return;
    auto* qtTranslator = new QTranslator(&application);
    if (qtTranslator->load(language, QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTranslator);
    else
        delete qtTranslator;
}

QString KPLocalization::text(const char* key)
{
    return qtTrId(key);
}

QString KPLocalization::withoutMnemonic(const QString& text)
{
    static const QRegularExpression appended(QStringLiteral("\\s*[(\\x{FF08}]&[^&][)\\x{FF09}]"));
    QString plain = text;
    plain.remove(appended);
    QString result;
    result.reserve(plain.size());
    for (qsizetype i = 0; i < plain.size(); ++i) {
        if (plain[i] == QLatin1Char('&') && i + 1 < plain.size())
            ++i; // "&x" shows x, "&&" shows "&"
        result.append(plain[i]);
    }
    return result;
}

QString KPLocalization::asName(const QString& text)
{
    QString name = withoutMnemonic(text).trimmed();
    while (name.endsWith(QLatin1Char(':')) || name.endsWith(QChar(0xFF1A)))
        name.chop(1);
    return name.trimmed();
}
