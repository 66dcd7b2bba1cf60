#include "engine/KPPath.h"
#include "list/KPStringTools.h"

#include <QTest>

#include <limits>
#include <optional>

using OptionalText = std::optional<QString>;
Q_DECLARE_METATYPE(OptionalText)

namespace {
// Present texts print as themselves, absent ones as <nullopt>, so a failure shows
// which of the two went wrong.
QString describe(const OptionalText& value)
{
    return value ? QLatin1Char('"') + *value + QLatin1Char('"') : QStringLiteral("<nullopt>");
}

void compareOptional(const OptionalText& actual, const OptionalText& expected)
{
    QVERIFY2(actual.has_value() == expected.has_value(),
             qPrintable(describe(actual) + QStringLiteral(" vs ") + describe(expected)));
    if (expected)
        QCOMPARE(*actual, *expected);
}
} // namespace

class TestStringTools : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sizeSwitch_data();
    void sizeSwitch();
    void shortSize_data();
    void shortSize();
    void savingPercent_data();
    void savingPercent();
    void strToIdxByBackward_data();
    void strToIdxByBackward();
    void strFromIdxByBackward_data();
    void strFromIdxByBackward();
    void nativeBytes_data();
    void nativeBytes();
};

void TestStringTools::sizeSwitch_data()
{
    QTest::addColumn<float>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("zero") << 0.0f << QStringLiteral("0");
    QTest::newRow("negative") << -1.0f << QStringLiteral("0");
    QTest::newRow("large negative") << -2.5e9f << QStringLiteral("0");
    QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << QStringLiteral("0");
    QTest::newRow("one byte") << 1.0f << QStringLiteral("1.0B");
    QTest::newRow("just under a kilobyte") << 999.0f << QStringLiteral("999.0B");
    // Each unit is used only for quotients strictly above one.
    QTest::newRow("exactly 1000") << 1000.0f << QStringLiteral("1000.0B");
    QTest::newRow("1001") << 1001.0f << QStringLiteral("1.0KB");
    QTest::newRow("1500") << 1500.0f << QStringLiteral("1.5KB");
    QTest::newRow("exactly 1e6") << 1.0e6f << QStringLiteral("1000.0KB");
    QTest::newRow("1.5e6") << 1.5e6f << QStringLiteral("1.5MB");
    QTest::newRow("exactly 1e9") << 1.0e9f << QStringLiteral("1000.0MB");
    QTest::newRow("2.5e9") << 2.5e9f << QStringLiteral("2.5GB");
    QTest::newRow("beyond gigabytes stays GB") << 3.0e12f << QStringLiteral("3000.0GB");
}

void TestStringTools::sizeSwitch()
{
    QFETCH(float, bytes);
    QFETCH(QString, expected);
    QCOMPARE(KPStringTools::sizeSwitch(bytes), expected);
}

void TestStringTools::shortSize_data()
{
    QTest::addColumn<quint64>("bytes");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("bytes") << quint64(850) << "C" << QStringLiteral("850 B");
    QTest::newRow("999 bytes") << quint64(999) << "C" << QStringLiteral("999 B");
    QTest::newRow("1000 bytes") << quint64(1000) << "C" << QStringLiteral("1.0 KB");
    QTest::newRow("one decimal below ten") << quint64(4200000) << "C" << QStringLiteral("4.2 MB");
    QTest::newRow("whole from ten") << quint64(296400) << "C" << QStringLiteral("296 KB");
    QTest::newRow("9.96 rounds to 10") << quint64(9960) << "C" << QStringLiteral("10 KB");
    QTest::newRow("carries into the next unit")
        << quint64(999960) << "C" << QStringLiteral("1.0 MB");
    QTest::newRow("gigabytes") << quint64(2500000000) << "C" << QStringLiteral("2.5 GB");
    QTest::newRow("German decimal comma")
        << quint64(4200000) << "de_DE" << QStringLiteral("4,2 MB");
}

void TestStringTools::shortSize()
{
    QFETCH(quint64, bytes);
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    QCOMPARE(KPStringTools::shortSize(bytes, QLocale(locale)), expected);
}

void TestStringTools::savingPercent_data()
{
    QTest::addColumn<quint64>("source");
    QTest::addColumn<quint64>("output");
    QTest::addColumn<int>("percent");
    QTest::newRow("4.2 MB to 296 KB") << quint64(4200000) << quint64(296000) << 93;
    QTest::newRow("half") << quint64(1000) << quint64(500) << 50;
    QTest::newRow("same size") << quint64(1000) << quint64(1000) << 0;
    QTest::newRow("larger output") << quint64(1000) << quint64(1200) << 0;
    QTest::newRow("unknown source") << quint64(0) << quint64(10) << 0;
    QTest::newRow("a little left stays under 100") << quint64(1000000) << quint64(1) << 99;
}

void TestStringTools::savingPercent()
{
    QFETCH(quint64, source);
    QFETCH(quint64, output);
    QFETCH(int, percent);
    QCOMPARE(KPStringTools::savingPercent(source, output), percent);
}

void TestStringTools::strToIdxByBackward_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("find");
    QTest::addColumn<OptionalText>("expected");

    QTest::newRow("last of several dots") << QStringLiteral("archive.tar.gz") << QStringLiteral(".")
                                          << OptionalText(QStringLiteral("archive.tar"));
    QTest::newRow("upper-case extension") << QStringLiteral("photo.JPG") << QStringLiteral(".")
                                          << OptionalText(QStringLiteral("photo"));
    QTest::newRow("find in other letter case")
        << QStringLiteral("photo.jpg") << QStringLiteral("JPG")
        << OptionalText(QStringLiteral("photo."));
    QTest::newRow("multi-letter find, last match")
        << QStringLiteral("jpg.jpg.JPG") << QStringLiteral("jpg")
        << OptionalText(QStringLiteral("jpg.jpg."));
    QTest::newRow("no dot") << QStringLiteral("README") << QStringLiteral(".") << OptionalText();
    QTest::newRow("empty find") << QStringLiteral("photo.jpg") << QString() << OptionalText();
    QTest::newRow("empty text") << QString() << QStringLiteral(".") << OptionalText();
    QTest::newRow("match at start is empty, not absent")
        << QStringLiteral(".profile") << QStringLiteral(".") << OptionalText(QString());
}

void TestStringTools::strToIdxByBackward()
{
    QFETCH(QString, text);
    QFETCH(QString, find);
    QFETCH(OptionalText, expected);
    compareOptional(KPStringTools::getStrToIdxByBackward(text, find), expected);
}

void TestStringTools::strFromIdxByBackward_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("find");
    QTest::addColumn<OptionalText>("expected");

    QTest::newRow("hidden file name") << QStringLiteral("/Users/a/.hidden") << QStringLiteral("/")
                                      << OptionalText(QStringLiteral(".hidden"));
    QTest::newRow("trailing slash is empty, not absent")
        << QStringLiteral("/Users/a/") << QStringLiteral("/") << OptionalText(QString());
    QTest::newRow("root only") << QStringLiteral("/") << QStringLiteral("/")
                               << OptionalText(QString());
    QTest::newRow("no slash") << QStringLiteral("photo.jpg") << QStringLiteral("/")
                              << OptionalText();
    QTest::newRow("empty find") << QStringLiteral("/Users/a/b.jpg") << QString() << OptionalText();
    QTest::newRow("multi-letter find in other letter case")
        << QStringLiteral("a.tar.GZ.gz") << QStringLiteral(".Gz") << OptionalText(QString());
    QTest::newRow("extension after the last dot")
        << QStringLiteral("/x/archive.tar.gz") << QStringLiteral(".")
        << OptionalText(QStringLiteral("gz"));
}

void TestStringTools::strFromIdxByBackward()
{
    QFETCH(QString, text);
    QFETCH(QString, find);
    QFETCH(OptionalText, expected);
    compareOptional(KPStringTools::getStrFromIdxByBackward(text, find), expected);
}

QTEST_APPLESS_MAIN(TestStringTools)
// File names are bytes: every byte sequence comes back from its text unchanged, valid
// UTF-8 is read as text, and what is not shows as U+FFFD, one for each byte.
void TestStringTools::nativeBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("ASCII") << QByteArray("a/b.jpg") << QStringLiteral("a/b.jpg");
    QTest::newRow("UTF-8 of two, three and four bytes")
        << QByteArray("\xc3\xa9\xe2\x82\xac\xf0\x9f\x93\xb7")
        << QStringLiteral("\u00e9\u20ac\U0001f4f7");
    QTest::newRow("Latin-1") << QByteArray("caf\xe9.jpg") << QStringLiteral("caf\ufffd.jpg");
    QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << QStringLiteral("\ufffd\ufffd");
    QTest::newRow("encoded surrogate")
        << QByteArray("\xed\xa0\x80") << QStringLiteral("\ufffd\ufffd\ufffd");
    QTest::newRow("beyond U+10FFFF")
        << QByteArray("\xf4\x90\x80\x80") << QStringLiteral("\ufffd\ufffd\ufffd\ufffd");
    QTest::newRow("cut short at the end")
        << QByteArray("a\xe2\x82") << QStringLiteral("a\ufffd\ufffd");
    QTest::newRow("lead byte before a letter")
        << QByteArray("\xe2x\xc3\xa9") << QStringLiteral("\ufffdx\u00e9");
    QTest::newRow("control characters")
        << QByteArray("a\nb\x1b\x7f") << QStringLiteral("a\u240ab\u241b\u2421");
}

void TestStringTools::nativeBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    const QString path = KPPath::fromNative(bytes);
    QCOMPARE(KPPath::toNative(path), bytes);
    QCOMPARE(KPPath::displayName(path), shown);
    QCOMPARE(KPPath::hasEscapedBytes(path), shown.contains(QChar::ReplacementCharacter));
}

#include "tst_stringtools.moc"
