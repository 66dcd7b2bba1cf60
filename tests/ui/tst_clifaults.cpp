#include "support/KPFaultSupport.h"
#include "support/KPTestSupport.h"
#include "ui/KPBatchFrontEnd.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <csignal>
#include <sys/stat.h>

// `pictaro --batch` under hostile conditions: killed in the middle of a job, started
// with a broken preferences store, given paths that look like options.
class TestCliFaults : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString& relative) const { return m_dir->filePath(relative); }

    // Started in the folder of the sources.
    void start(QProcess& process, const QStringList& arguments, const QString& config)
    {
        KPTest::startPictaro(process, arguments, config, path(QStringLiteral("in")));
    }

    // Runs to the end; the exit code and standard output.
    QPair<int, QString> pictaro(const QStringList& arguments, const QString& config = QString())
    {
        const KPTest::PictaroResult result = KPTest::runPictaro(
            arguments, config.isEmpty() ? path(QStringLiteral("config")) : config,
            path(QStringLiteral("in")));
        return {result.exitCode, result.out};
    }

    QStringList pictures(int count, int width)
    {
        return KPTest::writePictures(path(QStringLiteral("in")), count, width,
                                     QStringLiteral("jpg"));
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY2(!qgetenv("PICTARO_BINARY").isEmpty(),
                 "PICTARO_BINARY names the program under test");
        m_dir = std::make_unique<QTemporaryDir>();
        QDir().mkpath(path(QStringLiteral("in")));
    }

    // Killed (SIGKILL) while a job's working file is in the export folder: the next run
    // over the same folders removes what the killed one left, takes none of it for a
    // picture or an output, and brings every picture under the limit. A source the killed
    // run replaced in place is whole: its old bytes or its new output.
    void killedInTheMiddleOfAJob_data()
    {
        QTest::addColumn<bool>("inPlace");
        QTest::newRow("separate export folder") << false;
        QTest::newRow("export folder is the source folder") << true;
    }
    void killedInTheMiddleOfAJob()
    {
        QFETCH(bool, inPlace);
        const quint64 limit = 100000;
        const QStringList sources = pictures(4, 1600);
        const auto before = KPFault::snapshot(path(QStringLiteral("in")));
        const QString out = path(inPlace ? QStringLiteral("in") : QStringLiteral("out"));
        QStringList arguments = {QStringLiteral("--batch"),
                                 QStringLiteral("--limit"),
                                 QStringLiteral("100KB"),
                                 QStringLiteral("--export"),
                                 out,
                                 path(QStringLiteral("in"))};
        if (inPlace)
            arguments.append(QStringLiteral("--replace-originals"));
        QProcess killed;
        start(killed, arguments, path(QStringLiteral("config")));
        QVERIFY(killed.waitForStarted());
        QElapsedTimer waited;
        waited.start();
        while (KPFault::leftovers(out).isEmpty() && waited.elapsed() < 120000)
            QTest::qSleep(5);
        killed.kill();
        QVERIFY(killed.waitForFinished());
        QVERIFY(!KPFault::leftovers(out).isEmpty()); // it was killed in the middle of a job

        auto sourcesWhole = [&] {
            for (const QString& source : sources) {
                const QByteArray now = KPAtomicFile::readAll(source).value_or(QByteArray());
                if (now != before[source] && !(inPlace && KPFault::isJpegUnder(source, limit)))
                    return false;
            }
            return true;
        };
        QVERIFY(sourcesWhole());

        const auto [exitCode, report] = pictaro(arguments);
        QCOMPARE(exitCode, 0);
        QVERIFY2(report.contains(QStringLiteral("4 converted, 0 failed")), qPrintable(report));
        QVERIFY(!report.contains(QLatin1String(KPAtomicFile::TempPrefix)));
        QCOMPARE(KPFault::leftovers(out), QStringList());
        QVERIFY(sourcesWhole());
        const QStringList outputs = QDir(out).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(outputs.size(), 4);
        for (const QString& output : outputs)
            QVERIFY2(KPFault::isJpegUnder(QDir(out).filePath(output), limit), qPrintable(output));
    }

    // Ctrl+C, SIGTERM, a closed terminal or a reader gone away in the middle of a long job:
    // the job is cut short (no waiting for its remaining encodings), fails as stopped, and
    // leaves nothing behind; an earlier run's output of its name stays as it was.
    void stoppedInTheMiddleOfAJob_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("earlierOutput");
        QTest::newRow("Ctrl+C") << int(SIGINT) << false;
        QTest::newRow("SIGTERM") << int(SIGTERM) << false;
        QTest::newRow("Ctrl+C, an earlier output there") << int(SIGINT) << true;
        QTest::newRow("SIGTERM, an earlier output there") << int(SIGTERM) << true;
        QTest::newRow("SIGHUP") << int(SIGHUP) << false;
        QTest::newRow("SIGPIPE, an earlier output there") << int(SIGPIPE) << true;
    }
    void stoppedInTheMiddleOfAJob()
    {
        QFETCH(int, signal);
        QFETCH(bool, earlierOutput);
        const QStringList sources = pictures(2, 4000);
        const QString out = path(QStringLiteral("out"));
        const QString earlier = path(QStringLiteral("out/p0.jpg"));
        const QByteArray earlierBytes("the output of an earlier run");
        if (earlierOutput)
            KPTest::writeEarlierFile(earlier, earlierBytes, true);
        QProcess process;
        start(process,
              {QStringLiteral("--batch"), QStringLiteral("--stepwise"), QStringLiteral("--limit"),
               QStringLiteral("20KB"), QStringLiteral("--export"), out, sources[0], sources[1]},
              path(QStringLiteral("config")));
        QVERIFY(process.waitForStarted());
        QElapsedTimer waited;
        waited.start();
        while (KPFault::leftovers(out).isEmpty() && waited.elapsed() < 120000)
            QTest::qSleep(5);
        QVERIFY(!KPFault::leftovers(out).isEmpty()); // the first job is under way
        ::kill(pid_t(process.processId()), signal);
        QVERIFY(process.waitForFinished(120000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        const QString printed = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY2(
            printed.contains(QStringLiteral("FAILED  %1: the run was stopped\n").arg(sources[0])),
            qPrintable(printed));
        QVERIFY2(printed.contains(QStringLiteral("0 converted, 1 failed, 1 not converted")),
                 qPrintable(printed));
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden),
                 earlierOutput ? QStringList{QStringLiteral("p0.jpg")} : QStringList());
        if (earlierOutput)
            QCOMPARE(KPAtomicFile::readAll(earlier).value_or(QByteArray()), earlierBytes);
    }

    // The terminal applies the defaults (scaling on) whatever state the store is in.
    void brokenPreferenceStore_data()
    {
        QTest::addColumn<QString>("store");
        QTest::newRow("a folder in its place") << QStringLiteral("folder");
        QTest::newRow("configuration folder is a file") << QStringLiteral("file");
        QTest::newRow("wrong types") << QStringLiteral("wrong types");
    }
    void brokenPreferenceStore()
    {
        QFETCH(QString, store);
        const QString config = path(QStringLiteral("config"));
        const QString file = path(QStringLiteral("config/Pictaro/Pictaro.conf"));
        if (store == QStringLiteral("folder")) {
            QVERIFY(QDir().mkpath(file));
        } else if (store == QStringLiteral("file")) {
            QFile plain(config);
            QVERIFY(plain.open(QIODevice::WriteOnly));
        } else {
            QDir().mkpath(QFileInfo(file).absolutePath());
            QFile conf(file);
            QVERIFY(conf.open(QIODevice::WriteOnly));
            conf.write(
                "[General]\nEnableConvertScale=maybe\nLimitWidth=wide\nCompressionFactor=-3\n");
        }
        pictures(1, 800);
        const auto [exitCode, report] = pictaro(
            {QStringLiteral("--batch"), QStringLiteral("--limit"), QStringLiteral("60KB"),
             QStringLiteral("--export"), path(QStringLiteral("out")), path(QStringLiteral("in"))});
        QCOMPARE(exitCode, 0);
        // Scaled, at no quality below the default floor of 60.
        static const QRegularExpression detail(QStringLiteral("quality (\\d+), (\\d+)x(\\d+)"));
        const QRegularExpressionMatch match = detail.match(report);
        QVERIFY2(match.hasMatch(), qPrintable(report));
        QVERIFY2(match.captured(1).toInt() >= 60 && match.captured(2).toInt() < 800,
                 qPrintable(report));
    }

    // Names that look like options are taken as paths after "--".
    void pathsThatLookLikeOptions()
    {
        for (const char* name : {"-x.png", "--batch.png", "--limit=1KB.png"})
            KPTest::save(KPTest::noisyImage(64, 48),
                         path(QStringLiteral("in/") + QLatin1String(name)));
        const auto [exitCode, report] =
            pictaro({QStringLiteral("--batch"), QStringLiteral("--limit"), QStringLiteral("1MB"),
                     QStringLiteral("--export"), path(QStringLiteral("out")), QStringLiteral("--"),
                     QStringLiteral("-x.png"), QStringLiteral("--batch.png"),
                     QStringLiteral("--limit=1KB.png")});
        QCOMPARE(exitCode, 0);
        QStringList outputs =
            QDir(path(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden);
        outputs.sort();
        QCOMPARE(outputs,
                 (QStringList{QStringLiteral("--batch.jpg"), QStringLiteral("--limit=1KB.jpg"),
                              QStringLiteral("-x.jpg")}));
    }

    // A path named on the command line that is not taken says why, on a line of its own,
    // without waiting on a pipe or reading a device; and a run that converted nothing,
    // or left out a named path, does not end as a success.
    void namedPathsNotTaken_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason"); // empty: no line
        QTest::addColumn<bool>("withAPicture");
        QTest::newRow("named pipe")
            << QStringLiteral("pipe.jpg") << QStringLiteral("not a regular file") << false;
        QTest::newRow("link to /dev/zero")
            << QStringLiteral("zero.jpg") << QStringLiteral("not a regular file") << false;
        QTest::newRow("hidden file")
            << QStringLiteral(".h.jpg") << QStringLiteral("hidden file") << false;
        QTest::newRow("not a picture type")
            << QStringLiteral("notes.txt") << QStringLiteral("not a picture type Pictaro reads")
            << false;
        QTest::newRow("folder without pictures") << QStringLiteral("empty") << QString() << false;
        QTest::newRow("named pipe beside a picture")
            << QStringLiteral("pipe.jpg") << QStringLiteral("not a regular file") << true;
    }
    void namedPathsNotTaken()
    {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        QFETCH(bool, withAPicture);
        const QString named = path(QStringLiteral("in/") + name);
        if (name == QStringLiteral("pipe.jpg"))
            QVERIFY(::mkfifo(QFile::encodeName(named).constData(), 0600) == 0);
        else if (name == QStringLiteral("zero.jpg"))
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), named));
        else if (name == QStringLiteral("empty"))
            QVERIFY(QDir().mkpath(named));
        else
            KPTest::save(KPTest::noisyImage(64, 48), named, "png");
        QStringList arguments = {QStringLiteral("--batch"),   QStringLiteral("--limit"),
                                 QStringLiteral("1MB"),       QStringLiteral("--export"),
                                 path(QStringLiteral("out")), named};
        if (withAPicture)
            arguments += pictures(1, 64);
        const KPTest::PictaroResult result = KPTest::runPictaro(
            arguments, path(QStringLiteral("config")), path(QStringLiteral("in")));
        QCOMPARE(result.exitCode, 1);
        const QString line = QStringLiteral("pictaro: skipped %1: %2\n").arg(named, reason);
        QCOMPARE(result.err, reason.isEmpty() ? QString() : line);
        QVERIFY2(result.out.endsWith(withAPicture ? QStringLiteral("1 converted, 0 failed\n")
                                                  : QStringLiteral("No pictures found.\n"
                                                                   "0 converted, 0 failed\n")),
                 qPrintable(result.out));
    }

    // Ctrl+C after the run has ended, before the program has: nothing more is printed
    // and the end is not announced twice.
    void stopAfterTheEndChangesNothing()
    {
        KPTestSettings settings;
        KPBatchFrontEnd::Options options;
        options.limitBytes = 1000000;
        options.exportFolder = path(QStringLiteral("out"));
        QDir().mkpath(options.exportFolder);
        options.paths = pictures(1, 64);
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        KPBatchFrontEnd frontEnd(options, outStream, errStream);
        QSignalSpy finished(&frontEnd, &KPBatchFrontEnd::finished);
        frontEnd.start();
        QVERIFY(finished.wait(60000));
        const QString printed = out + err;
        frontEnd.stop();
        QTest::qWait(300);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(out + err, printed);
        QCOMPARE(out.count(QStringLiteral("1 converted, 0 failed")), 1);
    }
};

QTEST_GUILESS_MAIN(TestCliFaults)
#include "tst_clifaults.moc"
