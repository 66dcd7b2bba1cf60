#include "engine/KPAtomicFile.h"
#include "engine/KPExportPlacement.h"
#include "engine/KPFitter.h"
#include "engine/KPPath.h"
#include "settings/KPSettings.h"
#include "support/KPFitSupport.h"
#include "support/KPTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <unistd.h>

// Where outputs go, and that no listed source is ever overwritten or removed.
class TestPlacement : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<KPTestSettings> m_settings;
    std::unique_ptr<KPTemporaryDir> m_dir;

    QString path(const QString& relative) const { return m_dir->filePath(relative); }

    QString picture(const QString& relative, const QImage& image, int quality = 95)
    {
        return KPTest::writePicture(image, path(relative), quality);
    }

    // Fits the jobs one after the other, as a run does, into `folder`.
    static void runJobs(const QList<KPImageDataPtr>& jobs, const QString& folder, quint64 limit)
    {
        KPTest::fitJobs(jobs, limit, {}, folder);
    }

    static KPImageDataPtr job(const QString& source) { return KPTest::job(source); }

    static QStringList hiddenLeftovers(const QString& folder)
    {
        return QDir(folder).entryList({QStringLiteral(".pictaro-*")}, QDir::Files | QDir::Hidden);
    }

private Q_SLOTS:
    void init()
    {
        m_settings = std::make_unique<KPTestSettings>();
        KPSettings::checkDefaultSetting();
        m_dir = std::make_unique<KPTemporaryDir>();
    }

    void baseName_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("base");
        QTest::newRow("plain") << QStringLiteral("/pics/holiday.png") << QStringLiteral("holiday");
        QTest::newRow("dots in the name")
            << QStringLiteral("/p/scan.2009.tiff") << QStringLiteral("scan.2009");
        QTest::newRow("upper-case extension")
            << QStringLiteral("/p/IMG_1.JPG") << QStringLiteral("IMG_1");
        QTest::newRow("dot only in a folder") << QStringLiteral("/p.q/readme") << QString();
    }
    void baseName()
    {
        QFETCH(QString, source);
        QFETCH(QString, base);
        const std::optional<QString> result = KPExportPlacement::baseName(source);
        QCOMPARE(result.value_or(QString()), base);
        QCOMPARE(result.has_value(), !base.isNull());
    }

    // Each row lists sources (relative to the test folder) and the output name each gets
    // in the folder "out", in list order.
    void distinctOutputs_data()
    {
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<QStringList>("outputs");
        QTest::newRow("same base, different types")
            << QStringList{QStringLiteral("in/a.png"), QStringLiteral("in/a.gif")}
            << QStringList{QStringLiteral("a.jpg"), QStringLiteral("a-2.jpg")};
        QTest::newRow("same name, different folders")
            << QStringList{QStringLiteral("in/a.jpg"), QStringLiteral("in/b/a.jpg"),
                           QStringLiteral("in/c/a.jpg")}
            << QStringList{QStringLiteral("a.jpg"), QStringLiteral("a-2.jpg"),
                           QStringLiteral("a-3.jpg")};
        QTest::newRow("output name is another listed source")
            << QStringList{QStringLiteral("out/a.png"), QStringLiteral("out/a.jpg")}
            << QStringList{QStringLiteral("a-2.jpg"), QStringLiteral("a.jpg")};
        QTest::newRow("letter-case variants")
            << QStringList{QStringLiteral("out/IMG_1.JPG"), QStringLiteral("out/IMG_1.jpg")}
            << QStringList{QStringLiteral("IMG_1-2.jpg"), QStringLiteral("IMG_1.jpg")};
        QTest::newRow("suffix taken by a listed source")
            << QStringList{QStringLiteral("in/a.png"), QStringLiteral("in/a.gif"),
                           QStringLiteral("out/a-2.jpg")}
            << QStringList{QStringLiteral("a.jpg"), QStringLiteral("a-3.jpg"),
                           QStringLiteral("a-2.jpg")};
        // Names that are no UTF-8 keep their bytes; a byte that is no text gives way on
        // its own when a name must shorten to fit 255 bytes.
        const QString latin = KPPath::fromNative("caf\xe9");
        QTest::newRow("Latin-1 names")
            << QStringList{QStringLiteral("in/") + latin + QStringLiteral(".png"),
                           QStringLiteral("in/b/") + latin + QStringLiteral(".bmp")}
            << QStringList{latin + QStringLiteral(".jpg"), latin + QStringLiteral("-2.jpg")};
        const QString longBase = QString(249, QLatin1Char('a')) + KPPath::fromNative("\xe9");
        QTest::newRow("Latin-1 name of 255 bytes")
            << QStringList{QStringLiteral("in/") + longBase + QStringLiteral(".tiff"),
                           QStringLiteral("in/b/") + longBase + QStringLiteral(".tiff")}
            << QStringList{longBase + QStringLiteral(".jpg"),
                           QString(249, QLatin1Char('a')) + QStringLiteral("-2.jpg")};
    }
    void distinctOutputs()
    {
        QFETCH(QStringList, sources);
        QFETCH(QStringList, outputs);
        QStringList full;
        for (const QString& source : sources)
            full.append(picture(source, KPTest::noisyImage(32, 24)));
        QDir().mkpath(path(QStringLiteral("out")));
        KPExportPlacement placement(full);
        for (qsizetype i = 0; i < full.size(); ++i) {
            const auto placed = placement.place(path(QStringLiteral("out")), full[i]);
            QVERIFY(placed);
            QCOMPARE(placed->outputPath, path(QStringLiteral("out/") + outputs[i]));
            QCOMPARE(placed->inPlace, placed->outputPath == full[i]);
        }
    }

    void sameFileByAnotherPathIsInPlace()
    {
        const QString source = picture(QStringLiteral("out/p.jpg"), KPTest::noisyImage(32, 24));
        const QString other = path(QStringLiteral("out//p.jpg"));
        KPExportPlacement placement({other});
        const auto placed = placement.place(path(QStringLiteral("out")), other);
        QVERIFY(placed);
        QVERIFY(placed->inPlace);
        QCOMPARE(placed->outputPath, source);
    }

    // Every source still exists afterwards: untouched, or replaced by its own converted
    // output when it was in place.
    void sourcesInTheExportFolderSurvive_data()
    {
        QTest::addColumn<quint64>("limit");
        QTest::addColumn<bool>("converts");
        QTest::newRow("converted") << quint64(60000) << true;
        QTest::newRow("failed") << quint64(50) << false;
    }
    void sourcesInTheExportFolderSurvive()
    {
        QFETCH(quint64, limit);
        QFETCH(bool, converts);
        const QString out = path(QStringLiteral("out"));
        const QImage image = KPTest::noisyImage(400, 300);
        const QStringList sources = {
            picture(QStringLiteral("out/a.png"), image),
            picture(QStringLiteral("out/a.jpg"), image, 100),
            picture(QStringLiteral("out/IMG_1.JPG"), image),
            picture(QStringLiteral("out/IMG_1.jpg"), image),
        };
        QList<QByteArray> before;
        QList<KPImageDataPtr> jobs;
        for (const QString& source : sources) {
            before.append(*KPAtomicFile::readAll(source));
            jobs.append(job(source));
        }
        runJobs(jobs, out, limit);

        for (qsizetype i = 0; i < sources.size(); ++i) {
            QVERIFY2(QFileInfo::exists(sources[i]), qPrintable(sources[i]));
            const bool inPlace = jobs[i]->exportPath() == sources[i];
            const QByteArray after = *KPAtomicFile::readAll(sources[i]);
            if (inPlace && converts)
                QVERIFY(after != before[i] && after.size() < qsizetype(limit));
            else
                QCOMPARE(after, before[i]);
            QCOMPARE(jobs[i]->is(KPProgress::Converted), converts);
        }
        QVERIFY(hiddenLeftovers(out).isEmpty());
        const QStringList expected =
            converts ? QStringList{QStringLiteral("IMG_1-2.jpg"), QStringLiteral("IMG_1.JPG"),
                                   QStringLiteral("IMG_1.jpg"),   QStringLiteral("a-2.jpg"),
                                   QStringLiteral("a.jpg"),       QStringLiteral("a.png")}
                     : QStringList{QStringLiteral("IMG_1.JPG"), QStringLiteral("IMG_1.jpg"),
                                   QStringLiteral("a.jpg"), QStringLiteral("a.png")};
        QCOMPARE(QDir(out).entryList(QDir::Files, QDir::Name), expected);
    }

    void earlierOutputIsReplaced()
    {
        const QString out = path(QStringLiteral("out"));
        QDir().mkpath(out);
        QFile stale(path(QStringLiteral("out/photo.jpg")));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("an output of an earlier run");
        stale.close();
        const KPImageDataPtr record =
            job(picture(QStringLiteral("in/photo.jpeg"), KPTest::noisyImage(64, 48)));
        runJobs({record}, out, 1000000);
        QCOMPARE(record->exportPath(), path(QStringLiteral("out/photo.jpg")));
        QCOMPARE(*KPAtomicFile::readAll(record->exportPath()),
                 *KPAtomicFile::readAll(record->path()));
    }

    void unreadableSourceFailsAndLeavesNothing()
    {
        if (::geteuid() == 0)
            QSKIP("root reads every file");
        const QString source = picture(QStringLiteral("in/locked.png"), KPTest::noisyImage(64, 48));
        QFile::setPermissions(source, QFileDevice::WriteOwner);
        const QString out = path(QStringLiteral("out"));
        QDir().mkpath(out);
        const KPImageDataPtr record = job(source);
        runJobs({record}, out, 1000000);
        QCOMPARE(record->progress(), qint32(KPProgress::Failed));
        QVERIFY(QDir(out).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPlacement)
#include "tst_placement.moc"
