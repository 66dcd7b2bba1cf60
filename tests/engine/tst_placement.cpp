#include "engine/KPAtomicFile.h"
#include "engine/KPExportPlacement.h"
#include "engine/KPFitter.h"
#include "engine/KPPath.h"
#include "settings/KPSettings.h"
#include "support/KPFaultSupport.h"
#include "support/KPFitSupport.h"
#include "support/KPTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/xattr.h>
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
    static void runJobs(const QList<KPImageDataPtr>& jobs, const QString& folder, quint64 limit,
                        bool replaceOriginals = false)
    {
        KPFitOptions options;
        options.replaceOriginals = replaceOriginals;
        KPTest::fitJobs(jobs, limit, options, folder);
    }

    static bool carriesMark(const QString& file)
    {
        return ::getxattr(QFile::encodeName(file).constData(), "user.pictaro.output", nullptr, 0) >=
               0;
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
    void cleanup() { KPAtomicFile::setMarksUnsupported(false); }

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
    // Sources under their own outputs' names are replaced only when the run was asked to
    // replace originals; otherwise their outputs go beside them.
    void distinctOutputs_data()
    {
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<bool>("replaceOriginals");
        QTest::addColumn<QStringList>("outputs");
        QTest::addColumn<int>("inTheWay"); // originals a run that replaces them writes over
        QTest::newRow("same base, different types")
            << QStringList{QStringLiteral("in/a.png"), QStringLiteral("in/a.gif")} << false
            << QStringList{QStringLiteral("a.jpg"), QStringLiteral("a-2.jpg")} << 0;
        QTest::newRow("same name, different folders")
            << QStringList{QStringLiteral("in/a.jpg"), QStringLiteral("in/b/a.jpg"),
                           QStringLiteral("in/c/a.jpg")}
            << false
            << QStringList{QStringLiteral("a.jpg"), QStringLiteral("a-2.jpg"),
                           QStringLiteral("a-3.jpg")}
            << 0;
        for (const bool replace : {true, false}) {
            const char* how = replace ? "replacing originals" : "beside the originals";
            QTest::addRow("output name is another listed source, %s", how)
                << QStringList{QStringLiteral("out/a.png"), QStringLiteral("out/a.jpg")} << replace
                << QStringList{QStringLiteral("a-2.jpg"),
                               replace ? QStringLiteral("a.jpg") : QStringLiteral("a-3.jpg")}
                << 1;
            QTest::addRow("letter-case variants, %s", how)
                << QStringList{QStringLiteral("out/IMG_1.JPG"), QStringLiteral("out/IMG_1.jpg")}
                << replace
                << QStringList{QStringLiteral("IMG_1-2.jpg"), replace
                                                                  ? QStringLiteral("IMG_1.jpg")
                                                                  : QStringLiteral("IMG_1-3.jpg")}
                << 1;
            QTest::addRow("suffix taken by a listed source, %s", how)
                << QStringList{QStringLiteral("in/a.png"), QStringLiteral("in/a.gif"),
                               QStringLiteral("out/a-2.jpg")}
                << replace
                << QStringList{QStringLiteral("a.jpg"), QStringLiteral("a-3.jpg"),
                               replace ? QStringLiteral("a-2.jpg") : QStringLiteral("a-2-2.jpg")}
                << 1;
        }
        // Names that are no UTF-8 keep their bytes; a byte that is no text gives way on
        // its own when a name must shorten to fit 255 bytes.
        const QString latin = KPPath::fromNative("caf\xe9");
        QTest::newRow("Latin-1 names")
            << QStringList{QStringLiteral("in/") + latin + QStringLiteral(".png"),
                           QStringLiteral("in/b/") + latin + QStringLiteral(".bmp")}
            << false
            << QStringList{latin + QStringLiteral(".jpg"), latin + QStringLiteral("-2.jpg")} << 0;
        const QString longBase = QString(249, QLatin1Char('a')) + KPPath::fromNative("\xe9");
        QTest::newRow("Latin-1 name of 255 bytes")
            << QStringList{QStringLiteral("in/") + longBase + QStringLiteral(".tiff"),
                           QStringLiteral("in/b/") + longBase + QStringLiteral(".tiff")}
            << false
            << QStringList{longBase + QStringLiteral(".jpg"),
                           QString(249, QLatin1Char('a')) + QStringLiteral("-2.jpg")}
            << 0;
    }
    void distinctOutputs()
    {
        QFETCH(QStringList, sources);
        QFETCH(bool, replaceOriginals);
        QFETCH(QStringList, outputs);
        QFETCH(int, inTheWay);
        QStringList full;
        for (const QString& source : sources)
            full.append(picture(source, KPTest::noisyImage(32, 24)));
        QDir().mkpath(path(QStringLiteral("out")));
        QCOMPARE(KPExportPlacement::originalsInTheWay(full, path(QStringLiteral("out"))), inTheWay);
        KPExportPlacement placement(full, replaceOriginals);
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
        QCOMPARE(KPExportPlacement::originalsInTheWay({other}, path(QStringLiteral("out"))), 1);
        // Only a source under its output's own name is in the way: a WebP run writes p.webp.
        const QString webp = picture(QStringLiteral("out/q.webp"), KPTest::noisyImage(32, 24));
        QCOMPARE(KPExportPlacement::originalsInTheWay({other, webp}, path(QStringLiteral("out")),
                                                      QStringLiteral("webp")),
                 1);
        KPExportPlacement placement({other}, true);
        const auto placed = placement.place(path(QStringLiteral("out")), other);
        QVERIFY(placed);
        QVERIFY(placed->inPlace);
        QCOMPARE(placed->outputPath, source);
        // A hard link elsewhere is the same original: a run that was not asked to replace
        // originals writes beside it.
        const QString linked = path(QStringLiteral("in/p.jpg"));
        QVERIFY(QDir().mkpath(path(QStringLiteral("in"))));
        QCOMPARE(
            ::link(QFile::encodeName(source).constData(), QFile::encodeName(linked).constData()),
            0);
        QCOMPARE(KPExportPlacement::originalsInTheWay({linked}, path(QStringLiteral("out"))), 1);
        KPExportPlacement beside({linked});
        const auto besidePlaced = beside.place(path(QStringLiteral("out")), linked);
        QVERIFY(besidePlaced && !besidePlaced->inPlace);
        QCOMPARE(besidePlaced->outputPath, path(QStringLiteral("out/p-2.jpg")));
    }

    // Every source still exists afterwards: untouched, or replaced by its own converted
    // output when it was in place, which only a run asked to replace originals does.
    void sourcesInTheExportFolderSurvive_data()
    {
        QTest::addColumn<quint64>("limit");
        QTest::addColumn<bool>("converts");
        QTest::addColumn<bool>("replaceOriginals");
        for (const bool replace : {true, false}) {
            const char* how = replace ? "replacing originals" : "beside the originals";
            QTest::addRow("converted, %s", how) << quint64(60000) << true << replace;
            QTest::addRow("failed, %s", how) << quint64(50) << false << replace;
        }
    }
    void sourcesInTheExportFolderSurvive()
    {
        QFETCH(quint64, limit);
        QFETCH(bool, converts);
        QFETCH(bool, replaceOriginals);
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
        runJobs(jobs, out, limit, replaceOriginals);

        for (qsizetype i = 0; i < sources.size(); ++i) {
            QVERIFY2(QFileInfo::exists(sources[i]), qPrintable(sources[i]));
            const bool inPlace = jobs[i]->exportPath() == sources[i];
            QVERIFY(!inPlace || replaceOriginals);
            const QByteArray after = *KPAtomicFile::readAll(sources[i]);
            if (inPlace && converts)
                QVERIFY(after != before[i] && after.size() < qsizetype(limit));
            else
                QCOMPARE(after, before[i]);
            QCOMPARE(jobs[i]->is(KPProgress::Converted), converts);
        }
        QVERIFY(hiddenLeftovers(out).isEmpty());
        QStringList expected = {QStringLiteral("IMG_1.JPG"), QStringLiteral("IMG_1.jpg"),
                                QStringLiteral("a.jpg"), QStringLiteral("a.png")};
        if (converts)
            expected +=
                replaceOriginals
                    ? QStringList{QStringLiteral("IMG_1-2.jpg"), QStringLiteral("a-2.jpg")}
                    : QStringList{QStringLiteral("IMG_1-2.jpg"), QStringLiteral("IMG_1-3.jpg"),
                                  QStringLiteral("a-2.jpg"), QStringLiteral("a-3.jpg")};
        expected.sort();
        QCOMPARE(QDir(out).entryList(QDir::Files, QDir::Name), expected);
    }

    // What lies under the output's name: only Pictaro's own earlier output (a plain file
    // with the mark) is replaced by a converted job and removed by a failed one. Anything
    // else stays as it was, and a converted job writes beside it. Where the mark cannot be
    // read, a file is never taken for Pictaro's.
    void whatIsInTheWay_data()
    {
        QTest::addColumn<QString>("occupant");
        QTest::addColumn<bool>("converts");
        QTest::addColumn<QString>("output"); // the name a converted job writes
        const struct
        {
            const char* occupant;
            const char* output;
        } cases[] = {
            {"earlier output", "photo.jpg"},
            {"file of the user's", "photo-2.jpg"},
            {"earlier output, marks not readable", "photo-2.jpg"},
            {"earlier output on a ramfs", "photo-2.jpg"},
            {"folder", "photo-2.jpg"},
            {"link to an earlier output", "photo-2.jpg"},
        };
        for (const auto& entry : cases) {
            for (const bool converts : {true, false})
                QTest::addRow("%s, %s", entry.occupant, converts ? "converted" : "failed")
                    << QString::fromLatin1(entry.occupant) << converts
                    << QString::fromLatin1(entry.output);
        }
    }
    void whatIsInTheWay()
    {
        QFETCH(QString, occupant);
        QFETCH(bool, converts);
        QFETCH(QString, output);
        const QString out = path(QStringLiteral("out"));
        QDir().mkpath(out);
        std::unique_ptr<KPFault::Tmpfs> ramfs;
        if (occupant.endsWith(QStringLiteral("ramfs"))) {
            ramfs = std::make_unique<KPFault::Tmpfs>(out, "4m", "ramfs");
            if (!ramfs->mounted())
                QSKIP("cannot mount a ramfs here (not root); the unreadable-marks rows cover it");
            QVERIFY(!KPAtomicFile::markAsOutput(out)); // it keeps no extended attributes
        }
        const bool unreadable = occupant.endsWith(QStringLiteral("not readable"));
        KPAtomicFile::setMarksUnsupported(unreadable);
        const QString there = path(QStringLiteral("out/photo.jpg"));
        const QByteArray earlier("an earlier picture");
        if (occupant == QStringLiteral("folder")) {
            QVERIFY(QDir().mkpath(there));
        } else if (occupant.startsWith(QStringLiteral("link"))) {
            KPTest::writeEarlierFile(path(QStringLiteral("elsewhere/photo.jpg")), earlier, true);
            QVERIFY(QFile::link(path(QStringLiteral("elsewhere/photo.jpg")), there));
        } else {
            // On the ramfs the mark cannot be set: the file is as a user would leave it.
            KPTest::writeEarlierFile(there, earlier,
                                     occupant != QStringLiteral("file of the user's") && !ramfs);
        }
        const KPImageDataPtr record =
            job(picture(QStringLiteral("in/photo.png"), KPTest::noisyImage(64, 48)));
        runJobs({record}, out, converts ? 1000000 : 50);

        QCOMPARE(record->is(KPProgress::Converted), converts);
        QCOMPARE(record->exportPath(), path(QStringLiteral("out/") + output));
        const bool replaceable = output == QStringLiteral("photo.jpg");
        if (converts) {
            QVERIFY(QImage(record->exportPath()).size() == QSize(64, 48));
            QCOMPARE(carriesMark(record->exportPath()), !unreadable && !ramfs);
        }
        if (replaceable) {
            QCOMPARE(QFileInfo::exists(there), converts); // removed by the failed job
        } else if (occupant == QStringLiteral("folder")) {
            QVERIFY(QFileInfo(there).isDir());
        } else {
            QCOMPARE(*KPAtomicFile::readAll(there), earlier);
            QCOMPARE(QFileInfo(there).isSymLink(), occupant.startsWith(QStringLiteral("link")));
        }
        QStringList expected = {QStringLiteral("photo.jpg")};
        if (converts && !replaceable)
            expected.append(output);
        if (replaceable && !converts)
            expected.clear();
        expected.sort();
        QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                     QDir::NoDotAndDotDot),
                 expected);
    }

    // With the folders kept, a picture found under an added folder goes under the same
    // folders in the export folder, starting with the added folder's name; a file added
    // alone goes to the export folder itself. Names are made unique in each subfolder, a
    // file of the user's there is never replaced, and a link planted where a subfolder
    // belongs is refused, so nothing is written outside the export folder.
    void keptFolders_data()
    {
        QTest::addColumn<QStringList>("sources"); // under "in"; "2024/..." found by a scan
        QTest::addColumn<QString>("planted");     // what the export folder holds already
        QTest::addColumn<QStringList>("outputs"); // under "out"; empty where the job fails
        const QStringList tree = {QStringLiteral("2024/trip/a.png"),
                                  QStringLiteral("2024/home/a.png"), QStringLiteral("b.png")};
        QTest::newRow("same names in two subfolders, a file alone")
            << tree << QString()
            << QStringList{QStringLiteral("2024/trip/a.jpg"), QStringLiteral("2024/home/a.jpg"),
                           QStringLiteral("b.jpg")};
        QTest::newRow("same base in one subfolder")
            << QStringList{QStringLiteral("2024/trip/a.png"), QStringLiteral("2024/trip/a.gif")}
            << QString()
            << QStringList{QStringLiteral("2024/trip/a.jpg"), QStringLiteral("2024/trip/a-2.jpg")};
        QTest::newRow("a file of the user's in a subfolder")
            << tree << QStringLiteral("user file")
            << QStringList{QStringLiteral("2024/trip/a-2.jpg"), QStringLiteral("2024/home/a.jpg"),
                           QStringLiteral("b.jpg")};
        QTest::newRow("a link planted for a subfolder")
            << tree << QStringLiteral("link")
            << QStringList{QString(), QString(), QStringLiteral("b.jpg")};
        QTest::newRow("a link planted deeper")
            << tree << QStringLiteral("deep link")
            << QStringList{QString(), QStringLiteral("2024/home/a.jpg"), QStringLiteral("b.jpg")};
    }
    void keptFolders()
    {
        QFETCH(QStringList, sources);
        QFETCH(QString, planted);
        QFETCH(QStringList, outputs);
        const QString out = path(QStringLiteral("out"));
        const QString elsewhere = path(QStringLiteral("elsewhere"));
        QVERIFY(QDir().mkpath(out) && QDir().mkpath(elsewhere));
        const QByteArray users("the user's own picture");
        if (planted == QStringLiteral("user file"))
            KPTest::writeEarlierFile(path(QStringLiteral("out/2024/trip/a.jpg")), users, false);
        if (planted == QStringLiteral("link"))
            QVERIFY(QFile::link(elsewhere, path(QStringLiteral("out/2024"))));
        if (planted == QStringLiteral("deep link")) {
            QVERIFY(QDir().mkpath(path(QStringLiteral("out/2024"))));
            QVERIFY(QFile::link(elsewhere, path(QStringLiteral("out/2024/trip"))));
        }
        QList<KPImageDataPtr> jobs;
        for (const QString& source : sources) {
            jobs.append(job(picture(QStringLiteral("in/") + source, KPTest::noisyImage(64, 48))));
            if (source.startsWith(QStringLiteral("2024/")))
                jobs.last()->setRoot(path(QStringLiteral("in/2024")));
        }
        KPFitOptions options;
        options.keepFolders = true;
        KPTest::fitJobs(jobs, 1000000, options, out);
        for (qsizetype i = 0; i < jobs.size(); ++i) {
            if (outputs[i].isEmpty()) {
                QCOMPARE(jobs[i]->failure(), KPFailure::FolderInTheWay);
                continue;
            }
            QVERIFY2(jobs[i]->is(KPProgress::Converted), qPrintable(sources[i]));
            QCOMPARE(jobs[i]->exportPath(), path(QStringLiteral("out/") + outputs[i]));
            QVERIFY(QFileInfo::exists(jobs[i]->exportPath()));
        }
        QVERIFY(QDir(elsewhere).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        if (planted == QStringLiteral("user file"))
            QCOMPARE(*KPAtomicFile::readAll(path(QStringLiteral("out/2024/trip/a.jpg"))), users);
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
