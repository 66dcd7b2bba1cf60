#include "engine/KPAtomicFile.h"
#include "engine/KPBatchRun.h"
#include "engine/KPPath.h"
#include "list/KPListView.h"
#include "settings/KPExportFolder.h"
#include "settings/KPSettings.h"
#include "support/KPFaultSupport.h"
#include "support/KPTestSupport.h"
#include "ui/KPBatchFrontEnd.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QTest>
#include <QTextStream>

#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Runs under hostile conditions: a full or vanishing export folder, sources that change
// under the run, the export folder being the source folder, awkward names and trees,
// and Stop and Resize pressed at bad moments. Whatever happens, no source is touched,
// no working file stays behind and every result is accounted for.
class TestFaults : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<KPTestSettings> m_settings;
    std::unique_ptr<KPTemporaryDir> m_dir;
    KPExportFolder m_export;

    QString path(const QString& relative) const { return m_dir->filePath(relative); }

    QString picture(const QString& relative, int width = 200, quint32 seed = 1, int quality = 95)
    {
        return KPTest::writePicture(KPTest::noisyImage(width, width * 3 / 4, seed), path(relative),
                                    quality);
    }

    // Runs `pictaro --batch` over the paths into the folder `m_export` names, in this
    // process so that the write-fault hook reaches it; its exit status, or -1 when it did
    // not end.
    int runTerminal(const QStringList& paths, quint64 limit, QString& printed)
    {
        KPBatchFrontEnd::Options options;
        options.limitBytes = limit;
        options.exportFolder = *m_export.exportPath();
        options.paths = paths;
        QString errors;
        QTextStream out(&printed);
        QTextStream err(&errors);
        KPBatchFrontEnd frontEnd(options, out, err);
        QSignalSpy finished(&frontEnd, &KPBatchFrontEnd::finished);
        frontEnd.start();
        if (!QTest::qWaitFor([&] { return finished.count() == 1; }, 120000))
            return -1;
        return finished.at(0).at(0).toInt();
    }

    QStringList pictures(int count, int width = 200)
    {
        return KPTest::writePictures(path(QStringLiteral("in")), count, width);
    }

    struct Hooks
    {
        std::function<void(int done)> afterJob; // in the report hand-off of each job
        std::function<void(int index)> midJob;  // in a job's first hand-off while it converts
    };

    // One run over the list into the folder `m_export` names, as the window runs it.
    bool runOnce(KPListView& list, quint64 limit, const Hooks& hooks = {},
                 bool replaceOriginals = false)
    {
        KPBatchRun run;
        KPFitOptions options;
        options.replaceOriginals = replaceOriginals;
        run.setFitOptions(options);
        run.setLimitSizeSource([limit] { return limit; });
        run.setExportPathSource([this] { return m_export.exportPath(); });
        connect(&run, &KPBatchRun::imageReportRefresh, this, [&](const KPNotification& note) {
            const auto done =
                note.userInfo.value(KPMessage::ReportOK).value<KPImageDataList>().size() +
                note.userInfo.value(KPMessage::ReportError).value<KPImageDataList>().size();
            if (hooks.afterJob)
                hooks.afterJob(int(done));
        });
        QSet<const KPImageData*> started;
        connect(&run, &KPBatchRun::imageLogRefresh, this, [&](const KPNotification& note) {
            const auto job = note.userInfo.value(KPMessage::CurrentImage).value<KPImageDataPtr>();
            if (hooks.midJob && job && job->is(KPProgress::Converting) &&
                !started.contains(job.get())) {
                started.insert(job.get());
                hooks.midJob(int(list.memberMAr().indexOf(job)));
            }
        });
        QSignalSpy ended(&run, &KPBatchRun::runEnded);
        run.resize(list.memberMAr());
        return QTest::qWaitFor([&] { return ended.count() == 1 && run.isIdle(); }, 120000);
    }

    // A job either converted, with a whole JPEG under the limit at its output, or failed
    // with nothing at its output path (or its own source there, untouched: in place).
    static bool settledCleanly(const KPImageDataPtr& job, quint64 limit)
    {
        if (job->is(KPProgress::Converted))
            return KPFault::isJpegUnder(job->exportPath(), limit);
        const QString output = job->exportPath();
        return job->is(KPProgress::Failed) &&
               (output.isEmpty() || output == job->path() || !QFileInfo::exists(output));
    }

    static QByteArray pngBytes(int width, quint32 seed)
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        KPTest::noisyImage(width, width * 3 / 4, seed).save(&buffer, "PNG");
        return bytes;
    }

private Q_SLOTS:
    void init()
    {
        m_settings = std::make_unique<KPTestSettings>();
        KPSettings::checkDefaultSetting();
        m_dir = std::make_unique<KPTemporaryDir>();
        QDir().mkpath(path(QStringLiteral("out")));
        m_export.setText(path(QStringLiteral("out")));
    }
    void cleanup()
    {
        KPAtomicFile::setWriteFault({});
        // A failed check may leave a folder or file without permissions behind.
        for (const char* name : {"out", "in/p1.png"})
            QFile::setPermissions(path(QLatin1String(name)), QFileDevice::ReadOwner |
                                                                 QFileDevice::WriteOwner |
                                                                 QFileDevice::ExeOwner);
    }

    // The disk fills up between two jobs or in the middle of one: on a real small file
    // system when this may mount one, and through the write-fault hook always.
    void fullDisk_data()
    {
        QTest::addColumn<bool>("tmpfs");
        QTest::addColumn<bool>("midJob");
        QTest::addColumn<bool>("spaceReturns");
        QTest::addColumn<int>("width");
        for (const bool tmpfs : {true, false}) {
            for (const bool midJob : {false, true}) {
                for (const bool returns : {true, false}) {
                    QTest::addRow("%s, %s, %s", tmpfs ? "tmpfs" : "write fault",
                                  midJob ? "in a job" : "between jobs",
                                  returns ? "space returns" : "stays full")
                        << tmpfs << midJob << returns << 200;
                }
            }
        }
        // Pictures larger than the smallest box get scaling passes. With the disk full after
        // the copy (a tmpfs with room for the second copy only, or every write refused in the
        // middle of the job), each pass used to draw the picture decoded from the last file
        // that was written, the same picture every time, for ever.
        for (const bool returns : {true, false}) {
            QTest::addRow("tmpfs, room for one copy, large, %s",
                          returns ? "space returns" : "stays full")
                << true << false << returns << 800;
            QTest::addRow("write fault, in a job, large, %s",
                          returns ? "space returns" : "stays full")
                << false << true << returns << 800;
        }
    }
    void fullDisk()
    {
        QFETCH(bool, tmpfs);
        QFETCH(bool, midJob);
        QFETCH(bool, spaceReturns);
        QFETCH(int, width);
        const bool large = width > 200;
        const quint64 limit = large ? 120000 : 30000;
        const QString out = path(QStringLiteral("out"));
        std::unique_ptr<KPFault::Tmpfs> disk;
        if (tmpfs) {
            disk = std::make_unique<KPFault::Tmpfs>(out, large ? "6m" : "400k");
            if (!disk->mounted())
                QSKIP("cannot mount a tmpfs here (not root); the write-fault rows cover this");
        }
        std::atomic<bool> full{false};
        KPAtomicFile::setWriteFault([&full](const QString&, qint64) { return !full.load(); });
        const QStringList listed = pictures(4, width);
        auto fillUp = [&] {
            // A large row leaves room for the second picture's copy and a few pages, less
            // than any of its encodings takes.
            if (tmpfs)
                QVERIFY(KPFault::fill(out, large ? *KPAtomicFile::fileSize(listed[1]) + 12288 : 0));
            else
                full = true;
        };

        const auto sources = KPFault::snapshot(path(QStringLiteral("in")));
        KPListView list;
        list.addMember(listed);
        Hooks hooks;
        hooks.afterJob = [&](int done) {
            if (done == 1 && !midJob)
                fillUp();
            if (done == 2 && spaceReturns) {
                full = false;
                QFile::remove(QDir(out).filePath(QStringLiteral("filler.bin")));
            }
        };
        hooks.midJob = [&](int index) {
            if (index == 1 && midJob)
                fillUp();
        };
        QVERIFY(runOnce(list, limit, hooks));

        const KPImageDataList& jobs = list.memberMAr();
        QVERIFY(jobs[0]->is(KPProgress::Converted));
        QVERIFY(jobs[1]->is(KPProgress::Failed));
        QCOMPARE(jobs[1]->failure(), KPFailure::DiskFull);
        for (const KPImageDataPtr& job : jobs) {
            QVERIFY2(settledCleanly(job, limit), qPrintable(job->path()));
            if (spaceReturns)
                QVERIFY(job == jobs[1] || job->is(KPProgress::Converted));
        }
        QCOMPARE(KPFault::leftovers(out), QStringList());
        QCOMPARE(KPFault::snapshot(path(QStringLiteral("in"))), sources);
    }

    // The disk refuses one write of the first picture's job after the other (its copy, each
    // encoding, the rename that puts the output in place), once or from then on. Every time
    // the terminal run ends with status 1, says why the picture failed, and leaves only
    // whole outputs.
    void fullDiskAtEachWrite_data()
    {
        QTest::addColumn<bool>("spaceReturns");
        QTest::newRow("space comes back") << true;
        QTest::newRow("disk stays full") << false;
    }
    void fullDiskAtEachWrite()
    {
        QFETCH(bool, spaceReturns);
        const quint64 limit = 120000;
        const QString out = path(QStringLiteral("out"));
        const QStringList listed = {picture(QStringLiteral("in/p0.png"), 800, 1),
                                    picture(QStringLiteral("in/p1.png"), 200, 2)};
        std::atomic<int> writes{0};
        KPAtomicFile::setWriteFault([&writes](const QString&, qint64) {
            ++writes;
            return true;
        });
        QString printed;
        QCOMPARE(runTerminal({listed[0]}, limit, printed), 0);
        const int firstJobWrites = writes.load();
        QVERIFY2(firstJobWrites >= 4, qPrintable(printed)); // a copy, encodings, a rename

        for (int refused = 1; refused <= firstJobWrites; ++refused) {
            QVERIFY(QDir(out).removeRecursively() && QDir().mkpath(out));
            writes = 0;
            KPAtomicFile::setWriteFault([&writes, refused, spaceReturns](const QString&, qint64) {
                const int write = ++writes;
                return spaceReturns ? write != refused : write < refused;
            });
            printed.clear();
            QCOMPARE(runTerminal(listed, limit, printed), 1);
            const QString failed = QStringLiteral("FAILED  %1: %2")
                                       .arg(listed[0], KPFailureText::text(KPFailure::DiskFull));
            QVERIFY2(printed.contains(failed), qPrintable(printed));
            QCOMPARE(printed.contains(QStringLiteral("OK      ") + listed[1]), spaceReturns);
            QCOMPARE(KPFault::leftovers(out), QStringList());
            const QStringList outputs = QDir(out).entryList(QDir::Files | QDir::Hidden);
            QCOMPARE(outputs, spaceReturns ? QStringList{QStringLiteral("p1.jpg")} : QStringList());
            for (const QString& name : outputs)
                QVERIFY(KPFault::isJpegUnder(QDir(out).filePath(name), limit));
        }
    }

    // The export folder goes away or turns read-only between two jobs or in the middle of
    // one. A missing folder is made again for the next job (as the window's check does);
    // a read-only one fails every job that follows.
    void exportFolderChanges_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("midJob");
        for (const char* change : {"deleted", "renamed", "read-only"}) {
            QTest::addRow("%s between jobs", change) << QString::fromLatin1(change) << false;
            QTest::addRow("%s in a job", change) << QString::fromLatin1(change) << true;
        }
    }
    void exportFolderChanges()
    {
        QFETCH(QString, change);
        QFETCH(bool, midJob);
        const quint64 limit = 30000;
        const QString out = path(QStringLiteral("out"));
        const QString moved = path(QStringLiteral("out-moved"));
        const bool readOnly = change == QStringLiteral("read-only");
        // Root writes into any folder: only a read-only mount stops it.
        std::unique_ptr<KPFault::Tmpfs> mount;
        if (readOnly && ::geteuid() == 0) {
            mount = std::make_unique<KPFault::Tmpfs>(out, "2m");
            if (!mount->mounted())
                QSKIP("root cannot be kept out of a folder without a read-only mount");
        }
        auto apply = [&] {
            if (change == QStringLiteral("deleted"))
                QVERIFY(QDir(out).removeRecursively());
            else if (change == QStringLiteral("renamed"))
                QVERIFY(QDir().rename(out, moved));
            else if (mount)
                QVERIFY(mount->setReadOnly(true));
            else
                QVERIFY(QFile::setPermissions(out, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        };

        const QStringList listed = pictures(4);
        const auto sources = KPFault::snapshot(path(QStringLiteral("in")));
        KPListView list;
        list.addMember(listed);
        Hooks hooks;
        hooks.afterJob = [&](int done) {
            if (done == 1 && !midJob)
                apply();
        };
        hooks.midJob = [&](int index) {
            if (index == 1 && midJob)
                apply();
        };
        QVERIFY(runOnce(list, limit, hooks));

        const KPImageDataList& jobs = list.memberMAr();
        QVERIFY(jobs[0]->is(KPProgress::Converted));
        QCOMPARE(jobs[1]->is(KPProgress::Failed), midJob || readOnly);
        if (jobs[1]->is(KPProgress::Failed))
            QCOMPARE(jobs[1]->failure(), KPFailure::ExportFolder);
        for (qsizetype i = 2; i < jobs.size(); ++i)
            QCOMPARE(jobs[i]->is(KPProgress::Converted), !readOnly);
        for (const KPImageDataPtr& job : jobs.mid(1)) // the first output went with the folder
            QVERIFY2(settledCleanly(job, limit), qPrintable(job->path()));
        if (change == QStringLiteral("renamed"))
            QVERIFY(KPFault::isJpegUnder(QDir(moved).filePath(QStringLiteral("p0.jpg")), limit));
        QCOMPARE(KPFault::snapshot(path(QStringLiteral("in"))), sources);
        QCOMPARE(KPFault::leftovers(moved), QStringList());
        if (readOnly && midJob) {
            // A file cannot be removed from a read-only folder. The working file carries
            // this process's id, so the first run there after it ends removes it.
            const QString owner = QStringLiteral(".pictaro-%1-").arg(::getpid());
            for (const QString& name : KPFault::leftovers(out))
                QVERIFY2(name.startsWith(owner), qPrintable(name));
            if (mount)
                QVERIFY(mount->setReadOnly(false));
        } else {
            QCOMPARE(KPFault::leftovers(out), QStringList());
        }
    }

    // The second source changes after it was listed, while the first job's report is
    // being shown; the run goes on with what is there when its turn comes.
    void sourceChanges_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("converts");
        QTest::addColumn<KPFailure>("reason");
        QTest::newRow("removed") << QStringLiteral("removed") << false
                                 << KPFailure::SourceUnreadable;
        QTest::newRow("unreadable")
            << QStringLiteral("unreadable") << false << KPFailure::SourceUnreadable;
        QTest::newRow("replaced by a folder")
            << QStringLiteral("folder") << false << KPFailure::SourceUnreadable;
        QTest::newRow("replaced by a named pipe")
            << QStringLiteral("pipe") << false << KPFailure::SourceUnreadable;
        QTest::newRow("replaced by a link to unreadable memory")
            << QStringLiteral("memory") << false << KPFailure::SourceUnreadable;
        QTest::newRow("replaced by text") << QStringLiteral("text") << false << KPFailure::Damaged;
        QTest::newRow("replaced by a sparse file of 100 GB")
            << QStringLiteral("huge") << false << KPFailure::TooLargeToDecode;
        QTest::newRow("replaced by another picture")
            << QStringLiteral("picture") << true << KPFailure::None;
    }
    void sourceChanges()
    {
        QFETCH(QString, change);
        QFETCH(bool, converts);
        QFETCH(KPFailure, reason);
        if (change == QStringLiteral("unreadable") && ::geteuid() == 0)
            QSKIP("root reads every file; the folder and pipe rows cover a source that cannot be "
                  "read");
        const quint64 limit = 30000;
        const QStringList sources = pictures(3);
        const QString changed = sources[1];
        QHash<QString, QByteArray> afterChange;
        KPListView list;
        list.addMember(sources);
        Hooks hooks;
        hooks.afterJob = [&](int done) {
            if (done != 1)
                return;
            if (change != QStringLiteral("unreadable"))
                QVERIFY(QFile::remove(changed));
            if (change == QStringLiteral("unreadable"))
                QVERIFY(QFile::setPermissions(changed, QFileDevice::WriteOwner));
            else if (change == QStringLiteral("folder"))
                QVERIFY(QDir().mkdir(changed));
            else if (change == QStringLiteral("pipe"))
                QCOMPARE(::mkfifo(QFile::encodeName(changed).constData(), 0644), 0);
            else if (change == QStringLiteral("memory"))
                QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), changed));
            else if (change == QStringLiteral("text")) {
                QFile text(changed);
                QVERIFY(text.open(QIODevice::WriteOnly) && text.write("not a picture") > 0);
            } else if (change == QStringLiteral("huge")) {
                QFile huge(changed);
                QVERIFY(huge.open(QIODevice::WriteOnly) && huge.write("\xff\xd8\xff\xe0", 4) == 4);
                QVERIFY(huge.resize(qint64(100) << 30)); // sparse: takes no room on the disk
            } else if (change == QStringLiteral("picture"))
                QVERIFY(KPTest::save(KPTest::noisyImage(300, 100, 99), changed));
            afterChange = KPFault::snapshot(path(QStringLiteral("in")));
        };
        // An output of an earlier run under the changed picture's name: a job that fails
        // leaves nothing under its name, not this.
        KPTest::writeEarlierFile(path(QStringLiteral("out/p1.jpg")), "an earlier output", true);
        QVERIFY(runOnce(list, limit, hooks));

        const KPImageDataList& jobs = list.memberMAr();
        QVERIFY(jobs[0]->is(KPProgress::Converted));
        QVERIFY(jobs[2]->is(KPProgress::Converted));
        QCOMPARE(jobs[1]->is(KPProgress::Converted), converts);
        QCOMPARE(jobs[1]->failure(), reason);
        for (const KPImageDataPtr& job : jobs)
            QVERIFY2(settledCleanly(job, limit), qPrintable(job->path()));
        if (converts) // the picture that was there when the job began
            QCOMPARE(QImage(jobs[1]->exportPath()).width() * 100 /
                         QImage(jobs[1]->exportPath()).height(),
                     300);
        QCOMPARE(KPFault::snapshot(path(QStringLiteral("in"))), afterChange);
        QCOMPARE(KPFault::leftovers(path(QStringLiteral("out"))), QStringList());
    }

    // The user adds the export folder itself, twice in a row, so the second run also
    // lists the first run's outputs. Every listed source survives each run: unchanged,
    // or replaced by its own converted output.
    void exportFolderIsTheSourceFolder_data()
    {
        QTest::addColumn<quint64>("limit");
        QTest::addColumn<bool>("replaceOriginals");
        for (const bool replace : {true, false}) {
            const char* how = replace ? "replacing originals" : "beside the originals";
            QTest::addRow("jobs convert, %s", how) << quint64(30000) << replace;
            QTest::addRow("jobs fail, %s", how) << quint64(300) << replace;
        }
    }
    void exportFolderIsTheSourceFolder()
    {
        QFETCH(quint64, limit);
        QFETCH(bool, replaceOriginals);
        const QString folder = path(QStringLiteral("out"));
        for (const char* name : {"a.png", "a.jpg", "a.bmp", "IMG_1.JPG", "IMG_1.jpg", "b.jpeg"})
            picture(QStringLiteral("out/") + QLatin1String(name), 200,
                    quint32(qHash(QByteArray(name))), 100);
        KPTest::save(KPTest::flatImage(40, 30, Qt::blue), path(QStringLiteral("out/small.jpg")),
                     nullptr, 50);

        for (int round = 0; round < 2; ++round) {
            const auto before = KPFault::snapshot(folder);
            KPListView list;
            list.addMemberByFolder({folder});
            QVERIFY(runOnce(list, limit, {}, replaceOriginals));
            const auto after = KPFault::snapshot(folder);
            QSet<QString> outputs;
            for (const KPImageDataPtr& job : list.memberMAr()) {
                const QString source = job->path();
                QVERIFY2(after.contains(source), qPrintable(source));
                QVERIFY2(settledCleanly(job, limit), qPrintable(source));
                if (job->is(KPProgress::Converted)) {
                    QVERIFY(!outputs.contains(job->exportPath()));
                    outputs.insert(job->exportPath());
                }
                QVERIFY(replaceOriginals || job->exportPath() != source);
                if (job->is(KPProgress::Converted) && job->exportPath() == source)
                    QVERIFY(after[source] == before[source] || KPFault::isJpegUnder(source, limit));
                else
                    QVERIFY2(after[source] == before[source], qPrintable(source));
            }
            for (auto it = before.cbegin(); it != before.cend(); ++it)
                QVERIFY2(after.contains(it.key()), qPrintable(it.key()));
            QCOMPARE(KPFault::leftovers(folder), QStringList());
        }
    }

    // File names that trip up shells, parsers and fixed-size buffers. Qt keeps paths as
    // UTF-16, so a name that is not UTF-8 cannot be opened through it: that picture fails
    // and nothing is written for it.
    void awkwardNames_data()
    {
        QTest::addColumn<QByteArrayList>("names");
        QTest::addColumn<QByteArrayList>("outputs"); // empty: the picture fails
        const QByteArray longBase(251, 'L');
        QByteArray wideBase;
        for (int i = 0; i < 125; ++i)
            wideBase += "\xc3\xa9"; // é
        QTest::newRow("spaces and quotes")
            << QByteArrayList{"a 'b' \"c\".png"} << QByteArrayList{"a 'b' \"c\".jpg"};
        QTest::newRow("newline") << QByteArrayList{"new\nline.png"}
                                 << QByteArrayList{"new\nline.jpg"};
        QTest::newRow("leading dashes")
            << QByteArrayList{"-x.png", "--batch.png"} << QByteArrayList{"-x.jpg", "--batch.jpg"};
        QTest::newRow("255 bytes")
            << QByteArrayList{longBase + ".png"} << QByteArrayList{longBase + ".jpg"};
        QTest::newRow("255 bytes, a second type")
            << QByteArrayList{longBase + ".png", longBase + ".bmp"}
            << QByteArrayList{longBase + ".jpg", longBase.left(249) + "-2.jpg"};
        QTest::newRow("255 bytes of two-byte letters, a second type")
            << QByteArrayList{wideBase + "x.png", wideBase + "x.bmp"}
            << QByteArrayList{wideBase + "x.jpg", wideBase.left(248) + "-2.jpg"};
        QTest::newRow("not UTF-8")
            << QByteArrayList{"caf\xe9.png"} << QByteArrayList{"caf\xe9.jpg"};
    }
    void awkwardNames()
    {
        QFETCH(QByteArrayList, names);
        QFETCH(QByteArrayList, outputs);
        const quint64 limit = 30000;
        const QByteArray in = QFile::encodeName(path(QStringLiteral("in")));
        const QByteArray out = QFile::encodeName(path(QStringLiteral("out")));
        QDir().mkpath(path(QStringLiteral("in")));
        for (qsizetype i = 0; i < names.size(); ++i) {
            // Written by byte name: not every one of them survives a trip through QString.
            const QByteArray data = pngBytes(200, quint32(i + 1));
            const int fd =
                ::open((in + '/' + names[i]).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            QVERIFY(fd >= 0);
            QCOMPARE(::write(fd, data.constData(), size_t(data.size())), ssize_t(data.size()));
            ::close(fd);
        }
        const auto sources = KPFault::snapshot(path(QStringLiteral("in")));
        KPListView list;
        list.addMemberByFolder({path(QStringLiteral("in"))});
        QCOMPARE(list.memberMAr().size(), names.size());
        QVERIFY(runOnce(list, limit));

        QByteArrayList written;
        for (const KPImageDataPtr& job : list.memberMAr()) {
            QVERIFY2(settledCleanly(job, limit), qPrintable(job->path()));
            if (job->is(KPProgress::Converted))
                written.append(KPPath::toNative(job->exportPath()));
        }
        QByteArrayList expected;
        for (const QByteArray& output : outputs) {
            if (!output.isEmpty())
                expected.append(out + '/' + output);
        }
        std::sort(written.begin(), written.end());
        std::sort(expected.begin(), expected.end());
        QCOMPARE(written, expected);
        QCOMPARE(KPTest::namesIn(path(QStringLiteral("out"))).size(), expected.size());
        QCOMPARE(KPFault::snapshot(path(QStringLiteral("in"))), sources);
    }

    // A tree 100 folders deep, with a link back up to its top and a link to a folder
    // outside: the scan follows neither and ends; both pictures in the tree convert.
    void deepTreeWithLinks()
    {
        QString deep = path(QStringLiteral("in"));
        for (int level = 1; level <= 100; ++level) {
            deep += QStringLiteral("/level-%1").arg(level);
            if (level == 50)
                QVERIFY(QDir().mkpath(deep) &&
                        QFile::link(path(QStringLiteral("in")), deep + QStringLiteral("/loop")));
        }
        picture(deep.mid(m_dir->path().size() + 1) + QStringLiteral("/deep.png"));
        picture(QStringLiteral("in/top.png"), 200, 2);
        picture(QStringLiteral("elsewhere/far.png"), 200, 3);
        QVERIFY(QFile::link(path(QStringLiteral("elsewhere")),
                            path(QStringLiteral("in/level-1/away"))));

        KPListView list;
        list.addMemberByFolder({path(QStringLiteral("in"))});
        QStringList listed;
        for (const KPImageDataPtr& job : list.memberMAr())
            listed.append(QFileInfo(job->path()).fileName());
        listed.sort();
        QCOMPARE(listed, (QStringList{QStringLiteral("deep.png"), QStringLiteral("top.png")}));
        QVERIFY(runOnce(list, 30000));
        for (const KPImageDataPtr& job : list.memberMAr())
            QVERIFY(job->is(KPProgress::Converted));
    }

    // Stop, then Resize at once, while the last job of the list is still being reported:
    // the stopped run must not end as if it had run through (no end message, no idle
    // toolbar while the new run works), and the new run reports each job once.
    void stopAndResizeDuringTheLastJob()
    {
        KPListView list;
        list.addMember(pictures(2));
        KPBatchRun run;
        run.setLimitSizeSource([] { return quint64(1000000); });
        run.setExportPathSource([this] { return m_export.exportPath(); });
        QSignalSpy states(&run, &KPBatchRun::controllerState);
        QSignalSpy ended(&run, &KPBatchRun::runEnded);
        QList<int> reported;
        connect(&run, &KPBatchRun::imageReportRefresh, this, [&](const KPNotification& note) {
            reported.append(
                int(note.userInfo.value(KPMessage::ReportOK).value<KPImageDataList>().size()));
            if (reported.size() == 2) {
                run.resize(list.memberMAr()); // Stop
                run.resize(list.memberMAr()); // Resize
            }
        });
        run.resize(list.memberMAr());
        QVERIFY(QTest::qWaitFor([&] { return ended.count() >= 1 && run.isIdle(); }, 60000));
        QTest::qWait(2 * KPBatchRun::PollMs);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(reported, (QList<int>{1, 2, 1, 2}));
        QList<bool> seen;
        for (const QList<QVariant>& state : states)
            seen.append(state.at(0).toBool());
        QCOMPARE(seen, (QList<bool>{true, false, true, false}));
        QCOMPARE(run.okImgMAr().size(), 2);
    }

    // Resize/Stop pressed several times in a row while a job is being reported: an odd
    // count leaves the run stopped, an even one ends with one run going; either way no
    // job runs twice and no result is lost.
    void stopPressedRepeatedly_data()
    {
        QTest::addColumn<int>("presses");
        for (const int presses : {1, 2, 3, 6})
            QTest::addRow("%d", presses) << presses;
    }
    void stopPressedRepeatedly()
    {
        QFETCH(int, presses);
        KPListView list;
        list.addMember(pictures(4));
        KPBatchRun run;
        run.setLimitSizeSource([] { return quint64(30000); });
        run.setExportPathSource([this] { return m_export.exportPath(); });
        QSignalSpy ended(&run, &KPBatchRun::runEnded);
        QList<int> reported;
        connect(&run, &KPBatchRun::imageReportRefresh, this, [&](const KPNotification& note) {
            const auto ok = note.userInfo.value(KPMessage::ReportOK).value<KPImageDataList>();
            reported.append(int(ok.size()));
            if (reported.size() == 2) {
                for (int i = 0; i < presses; ++i)
                    run.resize(list.memberMAr());
            }
        });
        run.resize(list.memberMAr());
        QVERIFY(QTest::qWaitFor([&] { return !run.resizeFlag() && run.isIdle(); }, 60000));
        QTest::qWait(2 * KPBatchRun::PollMs);
        const bool stopped = presses % 2 == 1;
        QCOMPARE(ended.count(), stopped ? 0 : 1);
        const KPImageDataList ok = run.okImgMAr();
        QSet<const KPImageData*> distinct;
        for (const KPImageDataPtr& job : ok)
            distinct.insert(job.get());
        QCOMPARE(distinct.size(), ok.size());
        QCOMPARE(ok.size(), stopped ? 2 : 4);
        if (!stopped)
            QCOMPARE(reported.mid(reported.size() - 4), (QList<int>{1, 2, 3, 4}));
        for (const KPImageDataPtr& job : list.memberMAr()) {
            QVERIFY(job->is(KPProgress::Converted) || (stopped && job->is(KPProgress::Waiting)));
            QVERIFY(!job->is(KPProgress::Converted) ||
                    KPFault::isJpegUnder(job->exportPath(), 30000));
        }
        QCOMPARE(KPFault::leftovers(path(QStringLiteral("out"))), QStringList());
    }

    // Scaling is switched off in the middle of the first job: that job keeps what it read
    // when it began, the later ones follow the change.
    void preferencesChangedDuringARun()
    {
        KPListView list;
        list.addMember(pictures(3, 800));
        Hooks hooks;
        hooks.midJob = [](int index) {
            if (index == 0)
                KPSettings::setBool(KPSettingsKey::EnableConvertScale, false);
        };
        QVERIFY(runOnce(list, 60000, hooks));
        const KPImageDataList& jobs = list.memberMAr();
        QVERIFY(jobs[0]->is(KPProgress::Converted));
        QVERIFY(jobs[1]->is(KPProgress::Failed));
        QVERIFY(jobs[2]->is(KPProgress::Failed));
        QCOMPARE(KPFault::leftovers(path(QStringLiteral("out"))), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
