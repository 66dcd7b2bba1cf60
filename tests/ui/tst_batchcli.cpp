#include "engine/KPAtomicFile.h"
#include "engine/KPPath.h"
#include "support/KPFaultSupport.h"
#include "support/KPTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

// `pictaro --batch` as a user runs it: arguments, exit codes and the files it leaves.
class TestBatchCli : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<KPTemporaryDir> m_dir;
    QStringList m_storeChangedBy; // the runs that changed the preferences store

    using Result = KPTest::PictaroResult;

    // Every run, whatever it is asked and however it ends, leaves the window's preferences
    // store as it found it: absent stays absent, a file keeps its bytes (see cleanup()).
    Result pictaro(const QStringList& arguments)
    {
        const QString config = m_dir->filePath(QStringLiteral("config"));
        const QHash<QString, QByteArray> before = KPFault::snapshot(config);
        Result result = KPTest::runPictaro(arguments, config);
        if (KPFault::snapshot(config) != before)
            m_storeChangedBy.append(arguments.join(QLatin1Char(' ')));
        return result;
    }

    QString path(const QString& relative) const { return m_dir->filePath(relative); }

    static QByteArray bytesOf(const QString& file)
    {
        return KPAtomicFile::readAll(file).value_or(QByteArray());
    }

    // A PNG whose header claims a picture of the given size, with no pixels.
    static QByteArray pngClaiming(quint32 width, quint32 height)
    {
        auto bigEndian = [](QByteArray& bytes, quint32 value) {
            for (int shift = 24; shift >= 0; shift -= 8)
                bytes.append(char((value >> shift) & 0xff));
        };
        auto chunk = [&bigEndian](QByteArray& png, const QByteArray& type, const QByteArray& data) {
            bigEndian(png, quint32(data.size()));
            const QByteArray body = type + data;
            png.append(body);
            bigEndian(png, KPTest::crc32(body));
        };
        QByteArray header;
        bigEndian(header, width);
        bigEndian(header, height);
        header.append("\x08\x02\x00\x00\x00", 5); // 8-bit RGB
        QByteArray png("\x89PNG\r\n\x1a\n", 8);
        chunk(png, "IHDR", header);
        chunk(png, "IDAT", QByteArray("\x78\x9c\x03\x00\x00\x00\x00\x01", 8)); // nothing
        chunk(png, "IEND", {});
        return png;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY2(!qgetenv("PICTARO_BINARY").isEmpty(),
                 "PICTARO_BINARY names the program under test");
        m_dir = std::make_unique<KPTemporaryDir>();
        m_storeChangedBy.clear();
        QDir().mkpath(path(QStringLiteral("in")));
        KPTest::save(KPTest::noisyImage(320, 240), path(QStringLiteral("in/a.png")));
    }
    void cleanup()
    {
        QVERIFY2(m_storeChangedBy.isEmpty(),
                 qPrintable(QStringLiteral("the preferences store changed by pictaro ") +
                            m_storeChangedBy.join(QStringLiteral("; pictaro "))));
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("says");
        const QString in = QStringLiteral("IN");
        QTest::newRow("no paths") << QStringList{QStringLiteral("--limit"), QStringLiteral("500KB"),
                                                 QStringLiteral("--export"), QStringLiteral("OUT")}
                                  << QStringLiteral("no pictures");
        QTest::newRow("limit of 0")
            << QStringList{QStringLiteral("--limit"), QStringLiteral("0KB"),
                           QStringLiteral("--export"), QStringLiteral("OUT"), in}
            << QStringLiteral("greater than 0");
        QTest::newRow("limit beyond 64 bits")
            << QStringList{QStringLiteral("--limit"), QStringLiteral("99999999999999999999KB"),
                           QStringLiteral("--export"), QStringLiteral("OUT"), in}
            << QStringLiteral("larger than any file");
        QTest::newRow("unknown unit")
            << QStringList{QStringLiteral("--limit"), QStringLiteral("5GB"),
                           QStringLiteral("--export"), QStringLiteral("OUT"), in}
            << QStringLiteral("unknown unit");
        QTest::newRow("no unit") << QStringList{QStringLiteral("--limit=500"),
                                                QStringLiteral("--export"), QStringLiteral("OUT"),
                                                in}
                                 << QStringLiteral("no unit");
        QTest::newRow("no limit") << QStringList{QStringLiteral("--export"), QStringLiteral("OUT"),
                                                 in}
                                  << QStringLiteral("no size limit");
        QTest::newRow("no export folder")
            << QStringList{QStringLiteral("--limit"), QStringLiteral("1MB"), in}
            << QStringLiteral("no export folder");
        QTest::newRow("export parent missing")
            << QStringList{QStringLiteral("--limit"), QStringLiteral("1MB"),
                           QStringLiteral("--export"), QStringLiteral("MISSING/OUT"), in}
            << QStringLiteral("cannot be created");
        QTest::newRow("export is a file")
            << QStringList{QStringLiteral("--limit"), QStringLiteral("1MB"),
                           QStringLiteral("--export"), QStringLiteral("IN/a.png"), in}
            << QStringLiteral("not a folder");
        QTest::newRow("missing path")
            << QStringList{QStringLiteral("--limit"), QStringLiteral("1MB"),
                           QStringLiteral("--export"), QStringLiteral("OUT"),
                           QStringLiteral("IN/none.jpg")}
            << QStringLiteral("no such file");
        QTest::newRow("bad quality floor") << QStringList{QStringLiteral("--quality-floor"),
                                                          QStringLiteral("120"),
                                                          QStringLiteral("--limit"),
                                                          QStringLiteral("1MB"),
                                                          QStringLiteral("--export"),
                                                          QStringLiteral("OUT"),
                                                          in}
                                           << QStringLiteral("0 to 100");
        QTest::newRow("bad box") << QStringList{QStringLiteral("--min-box"),
                                                QStringLiteral("320"),
                                                QStringLiteral("--limit"),
                                                QStringLiteral("1MB"),
                                                QStringLiteral("--export"),
                                                QStringLiteral("OUT"),
                                                in}
                                 << QStringLiteral("WIDTHxHEIGHT");
        QTest::newRow("unknown format")
            << QStringList{QStringLiteral("--format"),
                           QStringLiteral("gif"),
                           QStringLiteral("--limit"),
                           QStringLiteral("1MB"),
                           QStringLiteral("--export"),
                           QStringLiteral("OUT"),
                           in}
            << QStringLiteral("--format takes jpeg, webp or avif, not \"gif\"");
        for (const char* jobs : {"0", "17", "two"}) {
            QTest::addRow("--jobs %s", jobs) << QStringList{QStringLiteral("--jobs"),
                                                            QString::fromLatin1(jobs),
                                                            QStringLiteral("--limit"),
                                                            QStringLiteral("1MB"),
                                                            QStringLiteral("--export"),
                                                            QStringLiteral("OUT"),
                                                            in}
                                             << QStringLiteral("1 to 16");
        }
        // The upload rules: a largest box below the smallest, and a limit given both ways.
        QTest::newRow("largest box below the smallest")
            << QStringList{QStringLiteral("--max-box"),
                           QStringLiteral("640x200"),
                           QStringLiteral("--min-box"),
                           QStringLiteral("320x240"),
                           QStringLiteral("--limit"),
                           QStringLiteral("1MB"),
                           QStringLiteral("--export"),
                           QStringLiteral("OUT"),
                           in}
            << QStringLiteral("smaller than the smallest box");
        QTest::newRow("bad largest box") << QStringList{QStringLiteral("--max-box"),
                                                        QStringLiteral("0x100"),
                                                        QStringLiteral("--limit"),
                                                        QStringLiteral("1MB"),
                                                        QStringLiteral("--export"),
                                                        QStringLiteral("OUT"),
                                                        in}
                                         << QStringLiteral("at least 1 pixel");
        QTest::newRow("--limit and --total") << QStringList{QStringLiteral("--total"),
                                                            QStringLiteral("3MB"),
                                                            QStringLiteral("--limit"),
                                                            QStringLiteral("1MB"),
                                                            QStringLiteral("--export"),
                                                            QStringLiteral("OUT"),
                                                            in}
                                             << QStringLiteral("cannot be given together");
        QTest::newRow("total of 0")
            << QStringList{QStringLiteral("--total"), QStringLiteral("0MB"),
                           QStringLiteral("--export"), QStringLiteral("OUT"), in}
            << QStringLiteral("greater than 0");
        QTest::newRow("bad metadata choice") << QStringList{QStringLiteral("--metadata"),
                                                            QStringLiteral("none"),
                                                            QStringLiteral("--limit"),
                                                            QStringLiteral("1MB"),
                                                            QStringLiteral("--export"),
                                                            QStringLiteral("OUT"),
                                                            in}
                                             << QStringLiteral("keep, no-location or strip");
        QTest::newRow("unknown option")
            << QStringList{QStringLiteral("--fast"), QStringLiteral("--limit"),
                           QStringLiteral("1MB"),    QStringLiteral("--export"),
                           QStringLiteral("OUT"),    in}
            << QStringLiteral("unknown option");
        const QStringList run = {QStringLiteral("--limit"), QStringLiteral("1MB"),
                                 QStringLiteral("--export"), QStringLiteral("OUT")};
        QTest::newRow("a word after one dash")
            << QStringList{QStringLiteral("-limit"), QStringLiteral("1MB"),
                           QStringLiteral("--export"), QStringLiteral("OUT"), in}
            << QStringLiteral("unknown option -limit\n");
        QTest::newRow("a value for an option without one")
            << (run + QStringList{QStringLiteral("--best=yes"), in})
            << QStringLiteral("unknown option --best=yes\n");
        QTest::newRow("no value at the end")
            << (QStringList{in} + run.first(3)) << QStringLiteral("--export needs a value\n");
        QTest::newRow("a dash is a path") << (run + QStringList{QStringLiteral("-")})
                                          << QStringLiteral("no such file or folder: -\n");
        QTest::newRow("--help after --")
            << (run + QStringList{QStringLiteral("--"), QStringLiteral("--help")})
            << QStringLiteral("no such file or folder: --help\n");
    }
    void badArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, says);
        for (QString& argument : arguments) {
            // MISSING first: it holds "IN".
            argument.replace(QStringLiteral("MISSING"), path(QStringLiteral("missing")));
            argument.replace(QStringLiteral("IN"), path(QStringLiteral("in")));
            argument.replace(QStringLiteral("OUT"), path(QStringLiteral("out")));
        }
        const Result result = pictaro(QStringList{QStringLiteral("--batch")} + arguments);
        QCOMPARE(result.exitCode, 2);
        QVERIFY2(result.err.contains(says), qPrintable(result.err));
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("missing"))));
        QVERIFY(result.out.isEmpty());
    }

    void versionAndHelp()
    {
        const Result version = pictaro({QStringLiteral("--version")});
        QCOMPARE(version.exitCode, 0);
        QVERIFY(version.out.contains(QStringLiteral("2.2")));
        const Result help = pictaro({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains(QStringLiteral("--limit")));
        // Asked for, help wins over what else is given.
        const Result helpFirst =
            pictaro({QStringLiteral("--batch"), QStringLiteral("--fast"), QStringLiteral("-h")});
        QCOMPARE(helpFirst.exitCode, 0);
        QCOMPARE(helpFirst.out, help.out);
    }

    void convertsAFolderUnderTheLimit()
    {
        const QStringList photos = KPTest::realPhotos();
        if (photos.isEmpty())
            QSKIP("the mate-backgrounds photos are not installed");
        const QString out = path(QStringLiteral("out"));
        const Result result = pictaro({QStringLiteral("--batch"), QStringLiteral("--limit"),
                                       QStringLiteral("200KB"), QStringLiteral("--export"), out,
                                       photos.first(), photos.last(), path(QStringLiteral("in"))});
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.out.contains(QStringLiteral("3 converted, 0 failed")),
                 qPrintable(result.out));
        const QFileInfoList outputs = QDir(out).entryInfoList(QDir::Files | QDir::Hidden);
        QCOMPARE(outputs.size(), 3);
        for (const QFileInfo& output : outputs) {
            QVERIFY(output.size() < 200000);
            QCOMPARE(output.suffix(), QStringLiteral("jpg"));
        }
    }

    // Any failure exits with 1, and each failed picture says why on its line.
    void anyFailureExitsWithOne_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<qint64>("length"); // the file's size, `bytes` followed by a hole
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QString>("reason");
        const QStringList oneMB = {QStringLiteral("--limit"), QStringLiteral("1MB")};
        const QStringList oneKB = {QStringLiteral("--limit"), QStringLiteral("1KB")};
        QTest::newRow("damaged") << QStringLiteral("broken.jpg") << QByteArray("not a picture")
                                 << oneMB << qint64(0) << QStringLiteral("broken.jpg")
                                 << QStringLiteral(
                                        "the file is damaged or is not a picture of its type");
        QTest::newRow("too large to decode")
            << QStringLiteral("huge.png") << pngClaiming(60000, 60000) << oneMB << qint64(0)
            << QStringLiteral("huge.png") << QStringLiteral("the picture is too large to decode");
        // Never read: not for the copy, nor for the memory two pictures at once may take.
        QTest::newRow("a sparse file of 100 GB")
            << QStringLiteral("sparse.jpg") << QByteArray("\xff\xd8\xff\xe0", 4)
            << (oneMB + QStringList{QStringLiteral("--jobs"), QStringLiteral("2")})
            << (qint64(100) << 30) << QStringLiteral("sparse.jpg")
            << QStringLiteral("the picture is too large to decode");
        QTest::newRow("no fit without scaling")
            << QString() << QByteArray() << (oneKB + QStringList{QStringLiteral("--no-scale")})
            << qint64(0) << QStringLiteral("a.png")
            << QStringLiteral("does not fit under 1 KB even at the lowest quality");
        // The reason names the box that stopped the scaling, and where it is set.
        QTest::newRow("no fit at the smallest size")
            << QString() << QByteArray() << oneKB << qint64(0) << QStringLiteral("a.png")
            << QStringLiteral("does not fit under 1 KB even at the lowest quality and the "
                              "smallest size, 320 x 240 (set in Preferences, or with --min-box "
                              "in the terminal)");
        QTest::newRow("no fit at the box of --min-box")
            << QString() << QByteArray()
            << (oneKB + QStringList{QStringLiteral("--min-box"), QStringLiteral("200x150")})
            << qint64(0) << QStringLiteral("a.png")
            << QStringLiteral("does not fit under 1 KB even at the lowest quality and the "
                              "smallest size, 200 x 150 (set in Preferences, or with --min-box "
                              "in the terminal)");
        // One budget for the set: nothing is written when it cannot fit.
        QTest::newRow("the set over its total")
            << QString() << QByteArray()
            << QStringList{QStringLiteral("--total"), QStringLiteral("1KB"),
                           QStringLiteral("--no-scale")}
            << qint64(0) << QStringLiteral("a.png")
            << QStringLiteral("not written: the pictures together do not fit under 1 KB even at "
                              "the lowest quality and the smallest size");
    }
    void anyFailureExitsWithOne()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, options);
        QFETCH(qint64, length);
        QFETCH(QString, failing);
        QFETCH(QString, reason);
        if (!file.isEmpty()) {
            QFile broken(path(QStringLiteral("in/") + file));
            QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write(bytes) == bytes.size());
            QVERIFY(length == 0 || broken.resize(length));
        }
        const QString out = path(QStringLiteral("out"));
        const Result result =
            pictaro(QStringList{QStringLiteral("--batch")} + options +
                    QStringList{QStringLiteral("--export"), out, path(QStringLiteral("in"))});
        QCOMPARE(result.exitCode, 1);
        const QString line =
            QStringLiteral("FAILED  %1: %2\n").arg(path(QStringLiteral("in/") + failing), reason);
        QVERIFY2(result.out.contains(line), qPrintable(result.out));
        const bool aConverts = failing != QStringLiteral("a.png");
        QVERIFY(result.out.contains(aConverts ? QStringLiteral("1 converted, 1 failed")
                                              : QStringLiteral("0 converted, 1 failed")));
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden),
                 aConverts ? QStringList{QStringLiteral("a.jpg")} : QStringList());
    }

    // The export folder holds the pictures: without --replace-originals a JPEG under its
    // output's name is kept and its output written beside it, which a line of its own says;
    // with it the JPEG is replaced.
    void originalsInTheExportFolder_data()
    {
        QTest::addColumn<bool>("replaceOriginals");
        QTest::newRow("beside the originals") << false;
        QTest::newRow("--replace-originals") << true;
    }
    void originalsInTheExportFolder()
    {
        QFETCH(bool, replaceOriginals);
        const QString in = path(QStringLiteral("in"));
        QVERIFY(KPTest::save(KPTest::noisyImage(640, 480, 2), path(QStringLiteral("in/b.jpg"))));
        const QByteArray original = bytesOf(path(QStringLiteral("in/b.jpg")));
        QStringList arguments = {QStringLiteral("--batch"),
                                 QStringLiteral("--limit"),
                                 QStringLiteral("%1KB").arg(original.size() / 2000),
                                 QStringLiteral("--export"),
                                 in,
                                 in};
        if (replaceOriginals)
            arguments.append(QStringLiteral("--replace-originals"));
        const Result result = pictaro(arguments);
        QVERIFY2(result.exitCode == 0, qPrintable(result.out + result.err));
        const QString told = QStringLiteral(
            "pictaro: 1 picture is in the export folder under its JPEG's name: keeping the "
            "original and writing the JPEG beside it (--replace-originals replaces it)\n");
        QCOMPARE(result.err.contains(told), !replaceOriginals);
        const QString written =
            path(replaceOriginals ? QStringLiteral("in/b.jpg") : QStringLiteral("in/b-2.jpg"));
        QVERIFY2(result.out.contains(QStringLiteral(" -> %1 (").arg(written)),
                 qPrintable(result.out));
        QCOMPARE(bytesOf(path(QStringLiteral("in/b.jpg"))) == original, !replaceOriginals);
        QVERIFY(QFileInfo(written).size() < original.size() / 2);
        QStringList expected = {QStringLiteral("a.jpg"), QStringLiteral("a.png"),
                                QStringLiteral("b.jpg")};
        if (!replaceOriginals)
            expected.append(QStringLiteral("b-2.jpg"));
        expected.sort();
        QCOMPARE(QDir(in).entryList(QDir::Files | QDir::Hidden), expected);
    }

    // Any name converts, named or found in a folder, and its output keeps the name's bytes.
    // The terminal shows each name on its line with its control characters, bytes that
    // are no UTF-8 and text direction overrides escaped, so that no name can forge a line.
    void namesOfAnyBytes_data()
    {
        QTest::addColumn<QByteArray>("folder"); // below "in", named instead of the file
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("shownName");
        QTest::addColumn<QString>("shownOutput");
        QTest::newRow("Latin-1, named")
            << QByteArray() << QByteArray("caf\xe9.png") << QStringLiteral("caf\\xe9.png")
            << QStringLiteral("caf\\xe9.jpg");
        QTest::newRow("Latin-1, in a Latin-1 folder")
            << QByteArray("M\xfcnchen") << QByteArray("caf\xe9.png")
            << QStringLiteral("M\\xfcnchen/caf\\xe9.png") << QStringLiteral("caf\\xe9.jpg");
        QTest::newRow("a newline forging a line")
            << QByteArray() << QByteArray("x\nOK      forged.png")
            << QStringLiteral("x\\nOK      forged.png") << QStringLiteral("x\\nOK      forged.jpg");
        QTest::newRow("an escape sequence, an override and a backslash")
            << QByteArray() << QByteArray("e\x1b[31mred\xe2\x80\xae\\.png")
            << QStringLiteral("e\\x1b[31mred\\u202e\\\\.png")
            << QStringLiteral("e\\x1b[31mred\\u202e\\\\.jpg");
    }
    void namesOfAnyBytes()
    {
        QFETCH(QByteArray, folder);
        QFETCH(QByteArray, name);
        QFETCH(QString, shownName);
        QFETCH(QString, shownOutput);
        const QString in = path(QStringLiteral("in/")) +
                           (folder.isEmpty() ? QString() : KPPath::fromNative(folder + '/'));
        const QString source =
            KPTest::writePicture(KPTest::noisyImage(64, 48), in + KPPath::fromNative(name));
        QFile::remove(path(QStringLiteral("in/a.png")));
        const QString out = path(QStringLiteral("out"));
        const QString named = folder.isEmpty() ? source : in.chopped(1);
        const Result result =
            pictaro({QStringLiteral("--batch"), QStringLiteral("--limit"), QStringLiteral("1MB"),
                     QStringLiteral("--export"), out, named});
        QCOMPARE(result.exitCode, 0);
        const QString line = QStringLiteral("OK      %1 -> %2/%3 (")
                                 .arg(path(QStringLiteral("in/")) + shownName, out, shownOutput);
        QVERIFY2(result.out.startsWith(line), qPrintable(result.out));
        QCOMPARE(result.out.count(QLatin1Char('\n')), 2); // its line and the summary
        QVERIFY(!result.out.contains(QChar(0x1b)) && !result.out.contains(QChar(0x202e)));
        QByteArray output = name;
        output.replace(".png", ".jpg");
        QCOMPARE(KPTest::namesIn(out), QStringList{KPPath::fromNative(output)});
    }

    void optionsOverrideThePreferences()
    {
        KPTest::save(KPTest::noisyImage(1600, 1200), path(QStringLiteral("in/big.png")));
        QFile::remove(path(QStringLiteral("in/a.png")));
        const QString out = path(QStringLiteral("out"));
        // Without scaling, the limit cannot be met; with a large box, scaling stops early.
        const Result noScale = pictaro(
            {QStringLiteral("--batch"), QStringLiteral("--no-scale"), QStringLiteral("--limit"),
             QStringLiteral("50KB"), QStringLiteral("--export"), out, path(QStringLiteral("in"))});
        QCOMPARE(noScale.exitCode, 1);
        const Result boxed = pictaro(
            {QStringLiteral("--batch"), QStringLiteral("--min-box"), QStringLiteral("800x600"),
             QStringLiteral("--quality-floor"), QStringLiteral("90"), QStringLiteral("--limit"),
             QStringLiteral("200KB"), QStringLiteral("--export"), out, path(QStringLiteral("in"))});
        QVERIFY2(boxed.out.contains(QStringLiteral("800x600")), qPrintable(boxed.out));
    }

    // --best and --stepwise choose the fitting whatever the preferences say; the line of
    // each picture tells the quality and pixel size chosen.
    void fittingModeOptions_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("storedBest");
        QTest::addColumn<bool>("stats"); // --stats as well
        QTest::addColumn<QByteArray>("storedFormat");
        QTest::addColumn<QString>("output");
        const QString jpg = QStringLiteral("b.jpg");
        QTest::newRow("--best") << QStringLiteral("--best") << false << false << QByteArray()
                                << jpg;
        QTest::newRow("--stepwise over a stored best")
            << QStringLiteral("--stepwise") << true << false << QByteArray() << jpg;
        QTest::newRow("--jobs=2 with a stored best")
            << QStringLiteral("--jobs=2") << true << false << QByteArray() << jpg;
        QTest::newRow("--best --stats")
            << QStringLiteral("--best") << false << true << QByteArray() << jpg;
        QTest::newRow("--stepwise --stats")
            << QStringLiteral("--stepwise") << true << true << QByteArray() << jpg;
        QTest::newRow("--format=webp --stats") << QStringLiteral("--format=webp") << false << true
                                               << QByteArray() << QStringLiteral("b.webp");
        QTest::newRow("a stored avif") << QStringLiteral("--jobs=1") << false << false
                                       << QByteArray("avif") << QStringLiteral("b.avif");
        QTest::newRow("--format=jpeg over a stored webp")
            << QStringLiteral("--format=jpeg") << false << false << QByteArray("webp") << jpg;
    }
    void fittingModeOptions()
    {
        QFETCH(QString, option);
        QFETCH(bool, storedBest);
        QFETCH(bool, stats);
        QFETCH(QByteArray, storedFormat);
        QFETCH(QString, output);
        QFile config(path(QStringLiteral("config/Pictaro/Pictaro.conf")));
        QVERIFY(QDir().mkpath(QFileInfo(config).absolutePath()));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(storedBest ? "[General]\nBestQualityFit=true\n"
                                : "[General]\nBestQualityFit=false\n");
        if (!storedFormat.isEmpty())
            config.write("OutputFormat=" + storedFormat + "\n");
        config.close();
        const QString out = path(QStringLiteral("out"));
        KPTest::save(KPTest::noisyImage(800, 600), path(QStringLiteral("in/b.png")));
        QStringList arguments{QStringLiteral("--batch"),       option,
                              QStringLiteral("--limit"),       QStringLiteral("60KB"),
                              QStringLiteral("--export"),      out,
                              path(QStringLiteral("in/b.png"))};
        if (stats)
            arguments.append(QStringLiteral("--stats"));
        const Result result = pictaro(arguments);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(KPTest::namesIn(out), QStringList{output});
        QVERIFY(QFileInfo(out + QLatin1Char('/') + output).size() < 60000);
        std::optional<KPOutputFormat> held;
        QVERIFY(!KPTest::readOutput(out + QLatin1Char('/') + output, &held).isNull());
        QCOMPARE(output.endsWith(QLatin1String(".jpg")), held == KPOutputFormat::Jpeg);
        // The counts of the run's own work; the estimates' line only where they chose.
        const QRegularExpression codec(QStringLiteral("^codec: ([1-9]\\d*) encodings [\\d.]+ ms, "
                                                      "([1-9]\\d*) decodings [\\d.]+ ms$"),
                                       QRegularExpression::MultilineOption);
        QCOMPARE(codec.match(result.err).hasMatch(), stats);
        const bool best = option == QStringLiteral("--best");
        QCOMPARE(result.err.contains(QRegularExpression(
                     QStringLiteral("^estimates: [1-9]\\d* analyses [\\d.]+ ms, [1-9]\\d* sizes "
                                    "[\\d.]+ ms; error at the quality written: mean [\\d.]+ %, "
                                    "largest [\\d.]+ % \\(1 pictures\\)$"),
                     QRegularExpression::MultilineOption)),
                 stats && best);
        QCOMPARE(result.err.contains(
                     QRegularExpression(QStringLiteral("^sources: 1 decoded in [\\d.]+ ms$"),
                                        QRegularExpression::MultilineOption)),
                 stats);
        const QRegularExpression line(QStringLiteral("quality (\\d+), (\\d+)x(\\d+)"));
        const QRegularExpressionMatch match = line.match(result.out);
        QVERIFY2(match.hasMatch(), qPrintable(result.out));
        // The stepwise descent only visits 100, 97, 94 and so on.
        const int quality = match.captured(1).toInt();
        if (option == QStringLiteral("--stepwise"))
            QCOMPARE((100 - quality) % 3, 0);
    }

    // --metadata chooses for the run whatever the preferences say.
    void metadataOption_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("make");
        QTest::addColumn<bool>("position");
        QTest::newRow("strip over a stored keep") << 0 << QStringLiteral("strip") << false << false;
        QTest::newRow("keep over a stored strip") << 2 << QStringLiteral("keep") << true << true;
        QTest::newRow("no-location over a stored keep")
            << 0 << QStringLiteral("no-location") << true << false;
    }
    void metadataOption()
    {
        QFETCH(int, stored);
        QFETCH(QString, option);
        QFETCH(bool, make);
        QFETCH(bool, position);
        QFile config(path(QStringLiteral("config/Pictaro/Pictaro.conf")));
        QVERIFY(QDir().mkpath(QFileInfo(config).absolutePath()));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write("[General]\nMetadataPolicy=" + QByteArray::number(stored) + "\n");
        config.close();
        const QString source = path(QStringLiteral("in/a.png"));
        QVERIFY(KPTest::exifWrite(source, {QStringLiteral("-IFD0:Make=PictaroCam"),
                                           QStringLiteral("-GPS:GPSLatitude=48.8566"),
                                           QStringLiteral("-GPS:GPSLatitudeRef=N")}));
        const Result result =
            pictaro({QStringLiteral("--batch"), QStringLiteral("--metadata"), option,
                     QStringLiteral("--limit"), QStringLiteral("1MB"), QStringLiteral("--export"),
                     path(QStringLiteral("out")), source});
        QCOMPARE(result.exitCode, 0);
        const QJsonObject tags = KPTest::exifTags(path(QStringLiteral("out/a.jpg")));
        QCOMPARE(tags.contains(QStringLiteral("IFD0:Make")), make);
        QCOMPARE(tags.contains(QStringLiteral("GPS:GPSLatitude")), position);
    }
};

QTEST_GUILESS_MAIN(TestBatchCli)
#include "tst_batchcli.moc"
