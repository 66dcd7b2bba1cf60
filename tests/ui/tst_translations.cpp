#include "ui/KPLocalization.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

// Every text the program shows is looked up by a key ("L_…") in the translation files of
// resources/translations. These tests read the source tree as it is now: a key used in
// the code must have an English text, and every shipped language must translate exactly
// the keys English has, completely, keeping what the texts' punctuation means to the
// layout (a label's colon, the ellipsis of an item that opens a window).

namespace {
struct TsMessage
{
    QString source;
    QString translation;
    QString type; // "unfinished", "vanished", "obsolete" or empty
    qint64 line = 0;
};

struct TsFile
{
    QString language;
    QString sourceLanguage;
    QMap<QString, TsMessage> messages;
    QStringList problems; // what the reader itself found wrong with the file
};

QString sourceDir()
{
    return QStringLiteral(PICTARO_SOURCE_DIR);
}

QString translationsDir()
{
    return sourceDir() + QStringLiteral("/resources/translations");
}

// Language ("de", "zh_CN", …) → path of its .ts file.
QMap<QString, QString> shippedTranslations()
{
    QMap<QString, QString> files;
    const QDir dir(translationsDir());
    for (const QString& name : dir.entryList({QStringLiteral("pictaro_*.ts")}, QDir::Files)) {
        const QString language = name.mid(8, name.size() - 8 - 3);
        files.insert(language, dir.filePath(name));
    }
    return files;
}

TsFile readTs(const QString& path)
{
    TsFile ts;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ts.problems.append(QStringLiteral("cannot open %1").arg(path));
        return ts;
    }
    QXmlStreamReader xml(&file);
    QString id;
    TsMessage message;
    bool inMessage = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QStringView name = xml.name();
            if (name == QLatin1String("TS")) {
                ts.language = xml.attributes().value(QLatin1String("language")).toString();
                ts.sourceLanguage =
                    xml.attributes().value(QLatin1String("sourcelanguage")).toString();
            } else if (name == QLatin1String("message")) {
                inMessage = true;
                id = xml.attributes().value(QLatin1String("id")).toString();
                message = TsMessage();
                message.line = xml.lineNumber();
            } else if (inMessage && name == QLatin1String("source")) {
                message.source = xml.readElementText();
            } else if (inMessage && name == QLatin1String("translation")) {
                message.type = xml.attributes().value(QLatin1String("type")).toString();
                message.translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
            inMessage = false;
            if (id.isEmpty())
                ts.problems.append(QStringLiteral("line %1: a message without an id (\"%2\")")
                                       .arg(message.line)
                                       .arg(message.source));
            else if (ts.messages.contains(id))
                ts.problems.append(
                    QStringLiteral("line %1: %2 appears twice").arg(message.line).arg(id));
            else
                ts.messages.insert(id, message);
        }
    }
    if (xml.hasError())
        ts.problems.append(QStringLiteral("XML error at line %1: %2")
                               .arg(xml.lineNumber())
                               .arg(xml.errorString()));
    return ts;
}

// Key → where it is used ("ui/KPMainWindow.cpp:217", …). Any string literal that is a
// key counts, whether it is written straight into KPLocalization::text("…") or handed
// to a helper that looks it up later.
QMap<QString, QStringList> keysInCode(int& filesScanned)
{
    static const QRegularExpression literal(QStringLiteral("\"(L_[A-Za-z][A-Za-z0-9_]*)\""));
    QMap<QString, QStringList> keys;
    filesScanned = 0;
    const QDir root(sourceDir());
    for (const QString& folder : {QStringLiteral("engine"), QStringLiteral("list"),
                                  QStringLiteral("settings"), QStringLiteral("ui")}) {
        QDirIterator it(root.filePath(folder), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
                continue;
            ++filesScanned;
            const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
            for (qsizetype i = 0; i < lines.size(); ++i) {
                QRegularExpressionMatchIterator matches = literal.globalMatch(lines.at(i));
                while (matches.hasNext())
                    keys[matches.next().captured(1)].append(
                        QStringLiteral("%1:%2").arg(root.relativeFilePath(path)).arg(i + 1));
            }
        }
    }
    return keys;
}

QString sorted(QStringList list)
{
    list.sort();
    return list.join(QStringLiteral(", "));
}

QString failure(const QString& what, const QStringList& problems)
{
    return what + QStringLiteral(":\n  ") + problems.join(QStringLiteral("\n  "));
}

bool endsWithColon(const QString& text)
{
    return text.endsWith(QLatin1Char(':')) || text.endsWith(QChar(0xFF1A)); // ：in CJK texts
}

bool endsWithFullStop(const QString& text)
{
    return text.endsWith(QLatin1Char('.')) || text.endsWith(QChar(0x3002)); // 。in CJK texts
}

QSet<QString> placeholders(const QString& text)
{
    static const QRegularExpression marker(QStringLiteral("%(?:L?[0-9]{1,2}|n)"));
    QSet<QString> found;
    QRegularExpressionMatchIterator it = marker.globalMatch(text);
    while (it.hasNext())
        found.insert(it.next().captured());
    return found;
}
} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT

private:
    QMap<QString, QString> m_files;
    TsFile m_english;

    void addLanguageRows(bool withEnglish)
    {
        QTest::addColumn<QString>("language");
        for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
            if (withEnglish || it.key() != QLatin1String("en"))
                QTest::newRow(qPrintable(it.key())) << it.key();
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_files = shippedTranslations();
        QVERIFY2(m_files.contains(QStringLiteral("en")),
                 qPrintable(QStringLiteral("no pictaro_en.ts in ") + translationsDir()));
        QVERIFY2(m_files.size() > 1, "no language besides English is shipped");
        m_english = readTs(m_files.value(QStringLiteral("en")));
        QVERIFY2(m_english.problems.isEmpty(),
                 qPrintable(failure(QStringLiteral("pictaro_en.ts"), m_english.problems)));
        QVERIFY(!m_english.messages.isEmpty());
    }

    void cleanup()
    {
        // Take back what KPLocalization::install added; a translator leaves the
        // application when it is deleted.
        qDeleteAll(
            QCoreApplication::instance()->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly));
        QLocale::setDefault(QLocale::system());
    }

    void keysInCodeHaveEnglishText();
    void wellFormed_data();
    void wellFormed();
    void englishShowsItsSource();
    void sameKeysAsEnglish_data();
    void sameKeysAsEnglish();
    void keepsPunctuationAndNames_data();
    void keepsPunctuationAndNames();
    void everyLanguageIsCompiledIn();
    void compiledTranslationLoads_data();
    void compiledTranslationLoads();
    void systemLanguagePicksTranslation_data();
    void systemLanguagePicksTranslation();
};

void TestTranslations::keysInCodeHaveEnglishText()
{
    int filesScanned = 0;
    const QMap<QString, QStringList> used = keysInCode(filesScanned);
    // An empty scan means the source folder is wrong, not that all is well.
    QVERIFY2(filesScanned > 0, qPrintable(QStringLiteral("no sources found under ") + sourceDir()));
    QVERIFY2(used.contains(QStringLiteral("L_TBIResize")),
             "the scan misses keys the window is known to use");

    QStringList missing;
    for (auto it = used.cbegin(); it != used.cend(); ++it) {
        const auto english = m_english.messages.constFind(it.key());
        if (english == m_english.messages.cend() || english->translation.isEmpty())
            missing.append(it.key() + QStringLiteral(" (used at ") +
                           it.value().join(QStringLiteral(", ")) + QLatin1Char(')'));
    }
    QVERIFY2(missing.isEmpty(),
             qPrintable(failure(QStringLiteral("keys without an English text in pictaro_en.ts"),
                                missing)));

    QStringList unused;
    for (auto it = m_english.messages.cbegin(); it != m_english.messages.cend(); ++it) {
        if (!used.contains(it.key()))
            unused.append(it.key());
    }
    qInfo("%lld keys used in %d source files; %lld English texts not used by the code yet",
          qlonglong(used.size()), filesScanned, qlonglong(unused.size()));
}

void TestTranslations::wellFormed_data()
{
    addLanguageRows(true);
}

// Each file reads as XML, names its own language, has one message per key and a
// finished, non-empty translation in every message.
void TestTranslations::wellFormed()
{
    QFETCH(QString, language);
    const TsFile ts = readTs(m_files.value(language));
    QStringList problems = ts.problems;
    if (ts.language != language)
        problems.append(QStringLiteral("the TS element says language=\"%1\"").arg(ts.language));
    if (ts.sourceLanguage != QLatin1String("en"))
        problems.append(
            QStringLiteral("the TS element says sourcelanguage=\"%1\"").arg(ts.sourceLanguage));
    for (auto it = ts.messages.cbegin(); it != ts.messages.cend(); ++it) {
        const QString where = QStringLiteral("line %1: %2").arg(it->line).arg(it.key());
        if (!it->type.isEmpty())
            problems.append(where + QStringLiteral(" is marked type=\"%1\"").arg(it->type));
        else if (it->translation.trimmed().isEmpty())
            problems.append(where + QStringLiteral(" has no translation"));
        if (it->source.trimmed().isEmpty())
            problems.append(where + QStringLiteral(" has no English source text"));
    }
    QVERIFY2(problems.isEmpty(),
             qPrintable(failure(QFileInfo(m_files.value(language)).fileName(), problems)));
}

// English users see the translation element, translators read the source element: the
// two must not drift apart.
void TestTranslations::englishShowsItsSource()
{
    QStringList differ;
    for (auto it = m_english.messages.cbegin(); it != m_english.messages.cend(); ++it) {
        if (it->translation != it->source)
            differ.append(QStringLiteral("%1: \"%2\" shown for \"%3\"")
                              .arg(it.key(), it->translation, it->source));
    }
    QVERIFY2(differ.isEmpty(), qPrintable(failure(QStringLiteral("pictaro_en.ts"), differ)));
}

void TestTranslations::sameKeysAsEnglish_data()
{
    addLanguageRows(false);
}

// A language has exactly the English keys, each translated from the current English
// text (a changed English text leaves the old one in the language's source element).
void TestTranslations::sameKeysAsEnglish()
{
    QFETCH(QString, language);
    const TsFile ts = readTs(m_files.value(language));
    QVERIFY2(ts.problems.isEmpty(),
             qPrintable(failure(QFileInfo(m_files.value(language)).fileName(), ts.problems)));

    QStringList missing;
    QStringList extra;
    QStringList outdated;
    for (auto it = m_english.messages.cbegin(); it != m_english.messages.cend(); ++it) {
        const auto translated = ts.messages.constFind(it.key());
        if (translated == ts.messages.cend())
            missing.append(it.key());
        else if (translated->source != it->source)
            outdated.append(QStringLiteral("%1 was translated from \"%2\", English now says \"%3\"")
                                .arg(it.key(), translated->source, it->source));
    }
    for (auto it = ts.messages.cbegin(); it != ts.messages.cend(); ++it) {
        if (!m_english.messages.contains(it.key()))
            extra.append(it.key());
    }
    QStringList problems;
    if (!missing.isEmpty())
        problems.append(QStringLiteral("keys English has and this language lacks: ") +
                        sorted(missing));
    if (!extra.isEmpty())
        problems.append(QStringLiteral("keys English lacks: ") + sorted(extra));
    problems.append(outdated);
    QVERIFY2(problems.isEmpty(),
             qPrintable(failure(QFileInfo(m_files.value(language)).fileName(), problems)));
}

void TestTranslations::keepsPunctuationAndNames_data()
{
    addLanguageRows(false);
}

// Labels keep their colon, items that open a window their ellipsis, sentences their full
// stop, and no other text gains one of them; placeholders and the names that stay
// untranslated survive.
void TestTranslations::keepsPunctuationAndNames()
{
    QFETCH(QString, language);
    const TsFile ts = readTs(m_files.value(language));
    static const QStringList keptNames = {QStringLiteral("Pictaro"), QStringLiteral("KB"),
                                          QStringLiteral("MB"), QStringLiteral("JPEG")};
    const QChar ellipsis(0x2026);

    QStringList problems;
    for (auto it = m_english.messages.cbegin(); it != m_english.messages.cend(); ++it) {
        const auto translated = ts.messages.constFind(it.key());
        if (translated == ts.messages.cend() || translated->translation.isEmpty())
            continue; // reported by sameKeysAsEnglish and wellFormed
        const QString& english = it->source;
        const QString& text = translated->translation;
        const QString what = QStringLiteral("%1 \"%2\"").arg(it.key(), text);
        if (endsWithColon(english) != endsWithColon(text))
            problems.append(what + (endsWithColon(english)
                                        ? QStringLiteral(" lost the label's colon")
                                        : QStringLiteral(" gained a colon")));
        if (english.endsWith(ellipsis) != text.endsWith(ellipsis))
            problems.append(what + (english.endsWith(ellipsis)
                                        ? QStringLiteral(" lost the ellipsis")
                                        : QStringLiteral(" gained an ellipsis")));
        if (english.contains(QLatin1String("&")) != text.contains(QLatin1String("&")))
            problems.append(what + (english.contains(QLatin1String("&"))
                                        ? QStringLiteral(" lost the mnemonic")
                                        : QStringLiteral(" gained a mnemonic")));
        if (endsWithFullStop(english) && !endsWithFullStop(text))
            problems.append(what + QStringLiteral(" lost the full stop"));
        if (text != text.trimmed())
            problems.append(what + QStringLiteral(" has spaces at either end"));
        if (placeholders(english) != placeholders(text))
            problems.append(
                what + QStringLiteral(" does not keep the placeholders of \"%1\"").arg(english));
        for (const QString& name : keptNames) {
            const QRegularExpression whole(QStringLiteral("\\b%1\\b").arg(name));
            if (english.contains(whole) && !text.contains(name))
                problems.append(what + QStringLiteral(" lost \"%1\"").arg(name));
        }
    }
    QVERIFY2(problems.isEmpty(),
             qPrintable(failure(QFileInfo(m_files.value(language)).fileName(), problems)));
}

// The build turns every .ts file it finds into a .qm resource; a language added after
// the build tree was configured shows up here.
void TestTranslations::everyLanguageIsCompiledIn()
{
    QStringList compiled =
        QDir(QStringLiteral(":/i18n")).entryList({QStringLiteral("pictaro_*.qm")}, QDir::Files);
    QStringList shipped;
    for (const QString& language : m_files.keys())
        shipped.append(QStringLiteral("pictaro_%1.qm").arg(language));
    compiled.sort();
    shipped.sort();
    QCOMPARE(compiled, shipped);
}

void TestTranslations::compiledTranslationLoads_data()
{
    addLanguageRows(true);
}

// The compiled translation in the program's resources gives, for every key, the text
// of the .ts file.
void TestTranslations::compiledTranslationLoads()
{
    QFETCH(QString, language);
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/i18n/pictaro_%1.qm").arg(language)));
    QCOMPARE(translator.language(), language);
    const TsFile ts = readTs(m_files.value(language));
    QVERIFY(ts.messages.contains(QStringLiteral("L_TBIResize")));

    QStringList differ;
    for (auto it = ts.messages.cbegin(); it != ts.messages.cend(); ++it) {
        const QString compiled = translator.translate(nullptr, it.key().toUtf8().constData());
        if (compiled != it->translation)
            differ.append(QStringLiteral("%1: \"%2\" instead of \"%3\"")
                              .arg(it.key(), compiled, it->translation));
    }
    QVERIFY2(differ.isEmpty(),
             qPrintable(failure(QStringLiteral("pictaro_%1.qm").arg(language), differ)));
}

void TestTranslations::systemLanguagePicksTranslation_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("qtCancel"); // Qt's own standard button, in the same language
    QTest::newRow("German") << "de_DE"
                            << "de"
                            << "Abbrechen";
    QTest::newRow("German, Austria") << "de_AT"
                                     << "de"
                                     << "Abbrechen";
    QTest::newRow("French, Canada") << "fr_CA"
                                    << "fr"
                                    << "Annuler";
    QTest::newRow("Spanish, Mexico") << "es_MX"
                                     << "es"
                                     << "Cancelar";
    QTest::newRow("Chinese, China") << "zh_CN"
                                    << "zh_CN" << QString::fromUtf8("\u53d6\u6d88");
    QTest::newRow("Japanese") << "ja_JP"
                              << "ja" << QString::fromUtf8("\u30ad\u30e3\u30f3\u30bb\u30eb");
    QTest::newRow("English, US") << "en_US"
                                 << "en"
                                 << "Cancel";
    // Qt has Portuguese, Pictaro has not: the whole window stays English.
    QTest::newRow("no translation: Portuguese") << "pt_BR"
                                                << "en"
                                                << "Cancel";
    QTest::newRow("no translation: C") << "C"
                                       << "en"
                                       << "Cancel";
}

// The program shows the translation of the user's language and English when there is
// none; Qt's own texts follow the same language.
void TestTranslations::systemLanguagePicksTranslation()
{
    QFETCH(QString, locale);
    QFETCH(QString, language);
    QFETCH(QString, qtCancel);
    QVERIFY2(m_files.contains(language),
             qPrintable(QStringLiteral("pictaro_%1.ts is not shipped").arg(language)));
    QLocale::setDefault(QLocale(locale));
    KPLocalization::install(*QCoreApplication::instance());
    const TsFile ts = readTs(m_files.value(language));
    for (const char* key : {"L_TBIResize", "L_MIPreference", "L_LimitSizeLB"})
        QCOMPARE(KPLocalization::text(key),
                 ts.messages.value(QString::fromLatin1(key)).translation);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), qtCancel);
}

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_translations.moc"
