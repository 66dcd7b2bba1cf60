#include "settings/KPExportFolder.h"
#include "settings/KPSettings.h"
#include "settings/KPSizeLimit.h"
#include "support/KPTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSettings>
#include <QTest>
#include <QThread>

#include <memory>
#include <optional>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using Check = KPExportFolder::Check;
Q_DECLARE_METATYPE(KPExportFolder::Check)
using OptionalText = std::optional<QString>;
Q_DECLARE_METATYPE(OptionalText)

namespace {
// What is made at "@/out" before an export folder is checked.
enum Prepare
{
    Nothing,
    Folder,
    File,
    ReadOnly
};

QStringList storedKeys()
{
    QStringList keys = QSettings(QStringLiteral("Pictaro"), QStringLiteral("Pictaro")).allKeys();
    keys.sort();
    return keys;
}
} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_settings.reset(); // the old store is cleared before the new one takes over
        m_settings = std::make_unique<KPTestSettings>();
    }
    void cleanup() { m_settings.reset(); }

    void defaults();
    void defaultsKeepStoredValues_data();
    void defaultsKeepStoredValues();
    void fallbacks();
    void parallelJobsInRange_data();
    void parallelJobsInRange();
    void visibleAcrossThreads();
    void limitSize_data();
    void limitSize();
    void storedLimit_data();
    void storedLimit();
    void expandTilde_data();
    void expandTilde();
    void checkExPath_data();
    void checkExPath();
    void exportPath_data();
    void exportPath();
    void chooserFolder_data();
    void chooserFolder();

private:
    std::unique_ptr<KPTestSettings> m_settings;
};

void TestSettings::defaults()
{
    KPSettings::checkDefaultSetting();
    QCOMPARE(storedKeys(),
             (QStringList{KPSettingsKey::CompressionFactor, KPSettingsKey::EnableConvertScale,
                          KPSettingsKey::EnableLargestBox, KPSettingsKey::ExportPath,
                          KPSettingsKey::KeepDates, KPSettingsKey::KeepFolders,
                          KPSettingsKey::LargestHeight, KPSettingsKey::LargestWidth,
                          KPSettingsKey::LimitAppliesTo, KPSettingsKey::LimitHeight,
                          KPSettingsKey::LimitWidth}));
    QCOMPARE(KPSettings::boolForKey(KPSettingsKey::EnableConvertScale), true);
    QCOMPARE(KPSettings::floatForKey(KPSettingsKey::LimitWidth), 320.0f);
    QCOMPARE(KPSettings::floatForKey(KPSettingsKey::LimitHeight), 240.0f);
    QCOMPARE(KPSettings::floatForKey(KPSettingsKey::CompressionFactor), 0.6f);
    QCOMPARE(KPSettings::stringForKey(KPSettingsKey::ExportPath),
             OptionalText(QStringLiteral("~/Pictures")));
    // The upload rules are all off, the largest box 1920 x 1920 once turned on.
    QCOMPARE(KPSettings::largestBox(), QSize());
    QCOMPARE(KPSettings::integerForKey(KPSettingsKey::LargestWidth), qint64(1920));
    QCOMPARE(KPSettings::integerForKey(KPSettingsKey::LargestHeight), qint64(1920));
    QCOMPARE(KPSettings::boolForKey(KPSettingsKey::KeepFolders), false);
    QCOMPARE(KPSettings::boolForKey(KPSettingsKey::KeepDates), false);
    QCOMPARE(KPSettings::integerForKey(KPSettingsKey::LimitAppliesTo), qint64(0));
}

void TestSettings::defaultsKeepStoredValues_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("scaling off") << KPSettingsKey::EnableConvertScale << QVariant(false);
    QTest::newRow("zero width") << KPSettingsKey::LimitWidth << QVariant(0.0f);
    QTest::newRow("compression") << KPSettingsKey::CompressionFactor << QVariant(0.25f);
    QTest::newRow("export path") << KPSettingsKey::ExportPath
                                 << QVariant(QStringLiteral("/srv/out"));
    // Whole numbers come back from the file as text; they must still read as numbers.
    QTest::newRow("largest width") << KPSettingsKey::LargestWidth << QVariant(1280);
    QTest::newRow("limit for the set") << KPSettingsKey::LimitAppliesTo << QVariant(1);
}

void TestSettings::defaultsKeepStoredValues()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    KPSettings::setObject(key, value);
    KPSettings::checkDefaultSetting();
    KPSettings::checkDefaultSetting();
    QCOMPARE(storedKeys().size(), 11);
    QCOMPARE(KPSettings::objectForKey(key).toString(), value.toString());
}

void TestSettings::fallbacks()
{
    QCOMPARE(KPSettings::boolForKey(KPSettingsKey::EnableConvertScale), false);
    QCOMPARE(KPSettings::floatForKey(KPSettingsKey::LimitWidth), 0.0f);
    QCOMPARE(KPSettings::integerForKey(KPSettingsKey::LimitSizeUnit), qint64(0));
    QVERIFY(!KPSettings::stringForKey(KPSettingsKey::ExportPath));
    // Reading a fallback stores nothing.
    QVERIFY(storedKeys().isEmpty());
}

// However the number of pictures at once was stored, a run gets 1 to the most allowed.
void TestSettings::parallelJobsInRange_data()
{
    QTest::addColumn<QVariant>("stored"); // invalid: the key is absent
    QTest::addColumn<int>("jobs");
    QTest::newRow("absent") << QVariant() << 1;
    QTest::newRow("two") << QVariant(2) << 2;
    QTest::newRow("the most") << QVariant(KPSettings::MaxParallelJobs)
                              << KPSettings::MaxParallelJobs;
    QTest::newRow("too many") << QVariant(1000) << KPSettings::MaxParallelJobs;
    QTest::newRow("zero") << QVariant(0) << 1;
    QTest::newRow("negative") << QVariant(-3) << 1;
    QTest::newRow("text") << QVariant(QStringLiteral("many")) << 1;
    QTest::newRow("float") << QVariant(2.7) << 2;
    QTest::newRow("float beyond 64 bits") << QVariant(1e300) << 1;
}

void TestSettings::parallelJobsInRange()
{
    QFETCH(QVariant, stored);
    QFETCH(int, jobs);
    if (stored.isValid())
        KPSettings::setObject(KPSettingsKey::ParallelJobs, stored);
    QCOMPARE(KPSettings::parallelJobs(), jobs);
}

void TestSettings::visibleAcrossThreads()
{
    KPSettings::setFloat(KPSettingsKey::LimitWidth, 640.0f);
    float seen = -1.0f;
    std::unique_ptr<QThread> reader(QThread::create([&seen] {
        seen = KPSettings::floatForKey(KPSettingsKey::LimitWidth);
        KPSettings::setBool(KPSettingsKey::EnableConvertScale, true);
    }));
    reader->start();
    QVERIFY(reader->wait());
    QCOMPARE(seen, 640.0f);
    QCOMPARE(KPSettings::boolForKey(KPSettingsKey::EnableConvertScale), true);
}

void TestSettings::limitSize_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("segment");
    QTest::addColumn<quint64>("bytes");

    QTest::newRow("300 KB") << QStringLiteral("300") << int(KPSizeLimit::KB) << quint64(300000);
    QTest::newRow("5 MB") << QStringLiteral("5") << int(KPSizeLimit::MB) << quint64(5000000);
    QTest::newRow("leading zeros")
        << QStringLiteral("007") << int(KPSizeLimit::KB) << quint64(7000);
    QTest::newRow("empty") << QString() << int(KPSizeLimit::MB) << quint64(0);
    QTest::newRow("zero") << QStringLiteral("0") << int(KPSizeLimit::MB) << quint64(0);
    QTest::newRow("no segment") << QStringLiteral("5") << -1 << quint64(0);
    QTest::newRow("unknown segment") << QStringLiteral("5") << 2 << quint64(0);
    // The number is read as a 32-bit float first.
    QTest::newRow("float rounding")
        << QStringLiteral("16777217") << int(KPSizeLimit::KB) << quint64(16777216000);
    QTest::newRow("above 4 GB") << QStringLiteral("5000") << int(KPSizeLimit::MB)
                                << quint64(5000000000);
    // Beyond 64 bits the limit saturates instead of wrapping.
    QTest::newRow("15 digits of MB")
        << QStringLiteral("999999999999999") << int(KPSizeLimit::MB) << KPSizeLimit::MaxLimit;
    QTest::newRow("20 digits of KB")
        << QStringLiteral("99999999999999999999") << int(KPSizeLimit::KB) << KPSizeLimit::MaxLimit;
    QTest::newRow("60 digits") << QString(60, QLatin1Char('9')) << int(KPSizeLimit::KB)
                               << KPSizeLimit::MaxLimit;
    QTest::newRow("many zeros") << QString(60, QLatin1Char('0')) << int(KPSizeLimit::KB)
                                << quint64(0);
    QTest::newRow("just under 64 bits") << QStringLiteral("18000000000000") << int(KPSizeLimit::MB)
                                        << quint64(18000000319488000000ULL); // float rounding
}

void TestSettings::limitSize()
{
    QFETCH(QString, number);
    QFETCH(int, segment);
    QFETCH(quint64, bytes);
    QCOMPARE(KPSizeLimit::limitSize(number, segment), bytes);
}

void TestSettings::storedLimit_data()
{
    // An invalid QVariant means the key is absent.
    QTest::addColumn<QVariant>("number");
    QTest::addColumn<QVariant>("unit");
    QTest::addColumn<QString>("expectedNumber");
    QTest::addColumn<int>("expectedUnit");

    QTest::newRow("absent") << QVariant() << QVariant() << QStringLiteral("1")
                            << int(KPSizeLimit::MB);
    QTest::newRow("empty text, KB") << QVariant(QString(QLatin1String(""))) << QVariant(0)
                                    << QStringLiteral("0") << int(KPSizeLimit::KB);
    QTest::newRow("text kept as typed") << QVariant(QStringLiteral("007")) << QVariant(1)
                                        << QStringLiteral("007") << int(KPSizeLimit::MB);
}

void TestSettings::storedLimit()
{
    QFETCH(QVariant, number);
    QFETCH(QVariant, unit);
    QFETCH(QString, expectedNumber);
    QFETCH(int, expectedUnit);
    if (number.isValid())
        KPSettings::setObject(KPSettingsKey::LimitSize, number);
    if (unit.isValid())
        KPSettings::setObject(KPSettingsKey::LimitSizeUnit, unit);
    QCOMPARE(KPSizeLimit::storedNumber(), expectedNumber);
    QCOMPARE(KPSizeLimit::storedUnit(), expectedUnit);

    // Taking them as the limit field does and saving again stores the text and the
    // segment as shown.
    KPSizeLimit limit;
    limit.setNumber(KPSizeLimit::storedNumber());
    limit.setSegment(KPSizeLimit::storedUnit());
    QCOMPARE(limit.number(), expectedNumber);
    QCOMPARE(limit.segment(), expectedUnit);
    QSettings(QStringLiteral("Pictaro"), QStringLiteral("Pictaro")).clear();
    limit.saveLimitSize();
    QCOMPARE(KPSettings::stringForKey(KPSettingsKey::LimitSize), OptionalText(expectedNumber));
    QCOMPARE(KPSettings::integerForKey(KPSettingsKey::LimitSizeUnit), qint64(expectedUnit));
}

void TestSettings::expandTilde_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    const QString home = QDir::homePath();
    const passwd* root = getpwnam("root");

    QTest::newRow("home subfolder") << QStringLiteral("~/Out") << home + QStringLiteral("/Out");
    QTest::newRow("home alone") << QStringLiteral("~") << home;
    QTest::newRow("absolute") << QStringLiteral("/srv/out") << QStringLiteral("/srv/out");
    QTest::newRow("tilde inside") << QStringLiteral("/srv/~/out") << QStringLiteral("/srv/~/out");
    if (root)
        QTest::newRow("named user")
            << QStringLiteral("~root/x") << QFile::decodeName(root->pw_dir) + QStringLiteral("/x");
}

void TestSettings::expandTilde()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(KPExportFolder::expandTilde(path), expected);
}

void TestSettings::checkExPath_data()
{
    // "@" stands for a temporary folder, "~" for the same folder written from the home.
    QTest::addColumn<Prepare>("prepare");
    QTest::addColumn<QString>("path");
    QTest::addColumn<Check>("expected");

    QTest::newRow("existing folder from home")
        << Folder << QStringLiteral("~/out") << Check::Usable;
    QTest::newRow("existing folder") << Folder << QStringLiteral("@/out") << Check::Usable;
    QTest::newRow("created") << Nothing << QStringLiteral("~/out") << Check::Usable;
    QTest::newRow("missing parent")
        << Nothing << QStringLiteral("@/missing/out") << Check::CannotCreate;
    QTest::newRow("a file") << File << QStringLiteral("@/out") << Check::NotAFolder;
    QTest::newRow("empty") << Nothing << QString() << Check::Empty;
    QTest::newRow("read-only folder") << ReadOnly << QStringLiteral("@/out") << Check::NotWritable;
}

void TestSettings::checkExPath()
{
    QFETCH(Prepare, prepare);
    QFETCH(QString, path);
    QFETCH(Check, expected);
    if (prepare == ReadOnly && geteuid() == 0)
        QSKIP("root may write into any folder");

    QTemporaryDir base(QDir::homePath() + QStringLiteral("/export-XXXXXX"));
    QVERIFY(base.isValid());
    const QString target = base.filePath(QStringLiteral("out"));
    if (prepare == Folder || prepare == ReadOnly)
        QVERIFY(QDir().mkdir(target));
    if (prepare == ReadOnly)
        QVERIFY(::chmod(QFile::encodeName(target).constData(), 0555) == 0);
    // Writable again before the temporary folder is removed, however the row ends.
    const auto restore = qScopeGuard([&] {
        if (prepare == ReadOnly)
            ::chmod(QFile::encodeName(target).constData(), 0755);
    });
    if (prepare == File)
        QVERIFY(QFile(target).open(QIODevice::WriteOnly));
    path.replace(QLatin1Char('@'), base.path());
    path.replace(QLatin1Char('~'), QStringLiteral("~/") + QFileInfo(base.path()).fileName());

    // The terminal's check stores nothing; the window's stores the folder it accepts.
    QCOMPARE(KPExportFolder::check(path), expected);
    QVERIFY(!KPSettings::contains(KPSettingsKey::CurrentExportPath));
    QCOMPARE(KPExportFolder::checkExPathDetailed(path), expected);
    QCOMPARE(KPExportFolder::checkExPath(path), expected == Check::Usable);
    if (expected == Check::Usable) {
        QVERIFY(QFileInfo(target).isDir());
        QCOMPARE(KPSettings::stringForKey(KPSettingsKey::CurrentExportPath), OptionalText(target));
    } else {
        QVERIFY(!KPSettings::contains(KPSettingsKey::CurrentExportPath));
    }
    if (expected == Check::CannotCreate)
        QVERIFY(!QFileInfo::exists(base.filePath(QStringLiteral("missing"))));
}

void TestSettings::exportPath_data()
{
    QTest::addColumn<QString>("text");     // "~" stands for the temporary folder in the home
    QTest::addColumn<QString>("expected"); // relative to the temporary folder; "-" for none

    QTest::newRow("existing") << QStringLiteral("~") << QString();
    QTest::newRow("created") << QStringLiteral("~/new") << QStringLiteral("new");
    QTest::newRow("relative") << QStringLiteral("rel") << QStringLiteral("rel");
    QTest::newRow("missing parent") << QStringLiteral("~/a/b") << QStringLiteral("-");
    QTest::newRow("empty") << QString() << QStringLiteral("-");
}

void TestSettings::exportPath()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QTemporaryDir base(QDir::homePath() + QStringLiteral("/export-XXXXXX"));
    QVERIFY(base.isValid());
    text.replace(QLatin1Char('~'), QStringLiteral("~/") + QFileInfo(base.path()).fileName());
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(base.path()));

    KPExportFolder folder;
    folder.setText(text);
    const OptionalText result = folder.exportPath();
    QDir::setCurrent(previous);
    if (expected == QLatin1String("-"))
        QCOMPARE(result, OptionalText());
    else
        QCOMPARE(result, OptionalText(expected.isEmpty() ? base.path() : base.filePath(expected)));
}

void TestSettings::chooserFolder_data()
{
    QTest::addColumn<QString>("stored");   // under the temporary folder; "-": nothing stored
    QTest::addColumn<QString>("expected"); // under the temporary folder; "-": the first start's
    QTest::newRow("nothing stored") << QStringLiteral("-") << QStringLiteral("-");
    QTest::newRow("the folder stored") << QStringLiteral("sub") << QStringLiteral("sub");
    QTest::newRow("removed since: the nearest folder above")
        << QStringLiteral("sub/gone/deeper") << QStringLiteral("sub");
    QTest::newRow("a file in its place") << QStringLiteral("file") << QString();
    QTest::newRow("nothing left of it") << QStringLiteral("/no/such/place") << QStringLiteral("-");
}

// A chooser starts in the folder it last showed, or as near to it as there still is; a
// stored folder never sends it to the root folder.
void TestSettings::chooserFolder()
{
    QFETCH(QString, stored);
    QFETCH(QString, expected);
    QTemporaryDir base;
    QVERIFY(QDir(base.path()).mkpath(QStringLiteral("sub")));
    QFile file(base.filePath(QStringLiteral("file")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QString first = KPSettings::chooserFolder(KPSettingsKey::BrowseFolder);
    QVERIFY(QFileInfo(first).isDir());
    if (stored != QLatin1String("-"))
        KPSettings::setObject(KPSettingsKey::BrowseFolder,
                              stored.startsWith(QLatin1Char('/')) ? stored : base.filePath(stored));
    QCOMPARE(KPSettings::chooserFolder(KPSettingsKey::BrowseFolder),
             expected == QLatin1String("-") ? first : QDir::cleanPath(base.filePath(expected)));
    // Each chooser has its own.
    QCOMPARE(KPSettings::chooserFolder(KPSettingsKey::AddFilesFolder), first);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
