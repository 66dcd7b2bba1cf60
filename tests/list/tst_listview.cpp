#include "engine/KPNotification.h"
#include "engine/KPPath.h"
#include "list/KPListPresenter.h"
#include "list/KPListView.h"
#include "support/KPTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <sys/stat.h>

namespace {
// Stands in for the picture table: keeps a selection and hands back the selected jobs.
class FakePresenter : public KPListPresenter
{
public:
    void setPicData(const KPImageDataList* jobs) override { data = jobs; }
    void refreshData() override { ++refreshCalls; }
    KPImageDataList delData() override
    {
        QList<int> rows = selection;
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        KPImageDataList jobs;
        for (int row : rows)
            jobs.append(data->at(row));
        selection.clear();
        return jobs;
    }
    int selectedRow() const override { return selection.isEmpty() ? -1 : selection.last(); }
    void selectRow(int row) override { selection = {row}; }

    const KPImageDataList* data = nullptr;
    int refreshCalls = 0;
    QList<int> selection; // in the order the rows were selected
};

using Batches = QList<QStringList>;
using Totals = QList<quint64>;
using Rows = QList<int>;

bool writeFile(const QString& path, const QByteArray& content)
{
    return KPTest::writeNative(path, content);
}

QStringList names(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* text : texts)
        list.append(QString::fromUtf8(text));
    return list;
}

QStringList jobPaths(const KPListView& list)
{
    QStringList paths;
    for (const KPImageDataPtr& job : list.memberMAr())
        paths.append(job->path());
    return paths;
}
} // namespace

class TestListView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        connect(KPNotificationCenter::defaultCenter(), &KPNotificationCenter::posted, this,
                [this](const KPNotification& note) { m_posts.append(note); });
    }
    void init() { m_posts.clear(); }

    void scanAcceptsExtension_data();
    void scanAcceptsExtension();
    void everyExtensionHasADesktopMimeType();
    void scanTree();
    void scanOrder_data();
    void scanOrder();
    void newJobs();
    void additions_data();
    void additions();
    void addPaths();
    void removal_data();
    void removal();
    void selectionAfterAddition();

private:
    QList<KPNotification> m_posts;
};

void TestListView::scanAcceptsExtension_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    const QString accepted = QStringLiteral(
        "BMP bmp ICO ico PSD psd RAW raw icns ICNS TIFF tiff GIF gif JPEG jpeg JPG jpg PNG png "
        "tif TIF webp WEBP heic HEIC heif HEIF avif AVIF jfif JFIF jpe JPE dng DNG cr2 CR2 cr3 "
        "CR3 crw CRW nef NEF nrw NRW arw ARW srf SRF sr2 SR2 raf RAF orf ORF rw2 RW2 pef PEF "
        "srw SRW x3f X3F 3fr 3FR iiq IIQ erf ERF kdc KDC mrw MRW mos MOS rwl RWL");
    for (const QString& extension : accepted.split(QLatin1Char(' ')))
        QTest::addRow("%s", qPrintable(extension)) << QStringLiteral("a.") + extension << true;
    QTest::newRow("mixed case") << QStringLiteral("a.Jpg") << false;
    QTest::newRow("mixed case, phone photo") << QStringLiteral("a.Heic") << false;
    QTest::newRow("mixed case, camera raw") << QStringLiteral("a.Cr2") << false;
    QTest::newRow("jpeg 2000") << QStringLiteral("a.jp2") << false;
    QTest::newRow("no extension") << QStringLiteral("a") << false;
    QTest::newRow("trailing dot") << QStringLiteral("a.") << false;
    QTest::newRow("picture name, other extension") << QStringLiteral("a.jpg.txt") << false;
}

void TestListView::scanAcceptsExtension()
{
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(name), "x"));
    QStringList found;
    KPListView::enumAllFile({dir.path()}, found, true);
    QCOMPARE(found, accepted ? QStringList{dir.path() + QLatin1Char('/') + name} : QStringList{});
}

// File managers offer Pictaro for the MIME types of its desktop entry; a picture type the
// list takes but the entry leaves out could not be opened with Pictaro from them.
void TestListView::everyExtensionHasADesktopMimeType()
{
    const QStringList listed = QStringLiteral(PICTARO_MIME_TYPES).split(QLatin1Char(' '));
    const QMimeDatabase database;
    for (const QString& extension : KPListView::imageExtensions()) {
        const QMimeType type = database.mimeTypeForFile(QStringLiteral("a.") + extension,
                                                        QMimeDatabase::MatchExtension);
        // A name the system's MIME database does not know (some camera raws, .JFIF) is
        // handed to programs as plain bytes: no desktop entry can claim it.
        if (type.isDefault())
            continue;
        const QStringList names = QStringList{type.name()} + type.aliases();
        const bool found = std::any_of(names.begin(), names.end(), [&listed](const QString& name) {
            return listed.contains(name);
        });
        QVERIFY2(found,
                 qPrintable(QStringLiteral(".%1 is %2, which resources/mime_types.cmake lacks")
                                .arg(extension, type.name())));
    }
}

void TestListView::scanTree()
{
    QTemporaryDir dir;
    const QString photos = dir.filePath(QStringLiteral("photos"));
    for (const char* name : {"a.jpg", "sub/deeper/b.png", ".cache/c.jpg", ".d.jpg", "notes.txt",
                             "e", "outside.dir/f.gif"})
        QVERIFY(writeFile(photos + QLatin1Char('/') + QLatin1String(name), "pic"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("elsewhere/x.jpg")), "pic"));
    // Links: back up to the scanned folder, out to another folder, and to a picture.
    QVERIFY(QFile::link(photos, photos + QStringLiteral("/sub/loop")));
    QVERIFY(
        QFile::link(dir.filePath(QStringLiteral("elsewhere")), photos + QStringLiteral("/away")));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("elsewhere/x.jpg")),
                        photos + QStringLiteral("/link.jpg")));

    const auto scan = [](const QString& folder) {
        QStringList found;
        KPListView::enumAllFile({folder}, found, true);
        found.sort();
        return found;
    };
    QStringList expected;
    for (const char* sub :
         {".cache/c.jpg", ".d.jpg", "a.jpg", "link.jpg", "outside.dir/f.gif", "sub/deeper/b.png"})
        expected.append(photos + QLatin1Char('/') + QLatin1String(sub));
    QCOMPARE(scan(photos), expected);

    // Found paths are the folder text as given, "/" and the path below it.
    QVERIFY(
        scan(photos + QLatin1Char('/')).contains(photos + QStringLiteral("//sub/deeper/b.png")));

    // A link to a folder that the user names is scanned as that folder, its pictures named
    // below the link; the links inside it are still not followed.
    const QString photosLink = dir.filePath(QStringLiteral("photos-link"));
    QVERIFY(QFile::link(photos, photosLink));
    QStringList throughLink = expected;
    throughLink.replaceInStrings(photos, photosLink);
    QCOMPARE(scan(photosLink), throughLink);

    // Adding the folder drops the hidden file but keeps files in hidden folders.
    KPListView list;
    QVERIFY(list.addMemberByFolder({photos}));
    QStringList listed = jobPaths(list);
    listed.sort();
    expected.removeOne(photos + QStringLiteral("/.d.jpg"));
    QCOMPARE(listed, expected);

    // A folder without an accepted file adds nothing and announces nothing.
    QVERIFY(writeFile(dir.filePath(QStringLiteral("texts/notes.txt")), "text"));
    m_posts.clear();
    list.addMemberByFolder({dir.filePath(QStringLiteral("texts"))});
    QCOMPARE(list.memberMAr().size(), expected.size());
    QVERIFY(m_posts.isEmpty());
}

// A folder's pictures come in natural name order whatever order the file system keeps;
// paths handed over directly keep the order given.
void TestListView::scanOrder_data()
{
    QTest::addColumn<QStringList>("files");    // written in this order
    QTest::addColumn<QStringList>("given");    // handed to the scan; empty: the folder itself
    QTest::addColumn<QStringList>("expected"); // relative to the folder
    QTest::newRow("numbers by value")
        << names({"IMG_10.jpg", "IMG_2.jpg", "IMG_1.jpg", "IMG_100.jpg"}) << QStringList{}
        << names({"IMG_1.jpg", "IMG_2.jpg", "IMG_10.jpg", "IMG_100.jpg"});
    QTest::newRow("letter case ignored")
        << names({"b.jpg", "a2.jpg", "A10.jpg", "B1.png"}) << QStringList{}
        << names({"a2.jpg", "A10.jpg", "b.jpg", "B1.png"});
    QTest::newRow("equal by collation, fixed by text")
        << names({"x7.jpg", "X7.jpg", "x07.jpg"}) << QStringList{}
        << names({"X7.jpg", "x07.jpg", "x7.jpg"});
    QTest::newRow("folder by folder")
        << names({"a b/1.jpg", "a/10.jpg", "a/2.jpg", "a10/1.jpg", "a2/1.jpg"}) << QStringList{}
        << names({"a/2.jpg", "a/10.jpg", "a b/1.jpg", "a2/1.jpg", "a10/1.jpg"});
    QTest::newRow("files as given")
        << names({"IMG_2.jpg", "IMG_10.jpg"}) << names({"IMG_10.jpg", "IMG_2.jpg"})
        << names({"IMG_10.jpg", "IMG_2.jpg"});
    // Latin-1 names: each byte that is no UTF-8 kept, in the folder's name and the file's.
    const auto native = [](std::initializer_list<const char*> texts) {
        QStringList list;
        for (const char* text : texts)
            list.append(KPPath::fromNative(text));
        return list;
    };
    QTest::newRow("names that are no UTF-8")
        << native({"M\xfcnchen/b.jpg", "M\xfcnchen/caf\xe9.jpg", "M\xfcnchen/a\xff.png"})
        << QStringList{}
        << native({"M\xfcnchen/a\xff.png", "M\xfcnchen/b.jpg", "M\xfcnchen/caf\xe9.jpg"});
    QTest::newRow("no UTF-8, given")
        << native({"caf\xe9.jpg", "x.jpg"}) << native({"x.jpg", "caf\xe9.jpg"})
        << native({"x.jpg", "caf\xe9.jpg"});
}

void TestListView::scanOrder()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, given);
    QFETCH(QStringList, expected);
    KPTemporaryDir dir;
    for (const QString& name : std::as_const(files))
        QVERIFY(writeFile(dir.filePath(name), "pic"));
    QStringList paths;
    for (const QString& name : std::as_const(given))
        paths.append(dir.filePath(name));
    if (paths.isEmpty())
        paths.append(dir.path());
    QStringList found;
    KPListView::enumAllFile(paths, found, true);
    for (QString& path : found)
        path.remove(0, dir.path().size() + 1);
    QCOMPARE(found, expected);
}

void TestListView::newJobs()
{
    QTemporaryDir dir;
    const QString notes = dir.filePath(QStringLiteral("notes.txt"));
    const QString missing = dir.filePath(QStringLiteral("missing.jpg"));
    QVERIFY(writeFile(notes, QByteArray(1234, 'n')));

    KPListView list;
    QVERIFY(list.addMember({notes, missing}));
    QCOMPARE(jobPaths(list), (QStringList{notes, missing}));
    for (const KPImageDataPtr& job : list.memberMAr())
        QCOMPARE(job->progress(), qint32(KPProgress::Waiting));
    QCOMPARE(list.memberMAr().at(0)->size(), std::optional<quint64>(1234));
    QVERIFY(!list.memberMAr().at(1)->size().has_value());
}

void TestListView::additions_data()
{
    // Each batch is one addFileMember call with names inside a temporary folder.
    QTest::addColumn<Batches>("batches");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("duplicates"); // after the last batch
    QTest::addColumn<Totals>("totals");          // one per call that posted

    const QString a = QStringLiteral("a.jpg"), b = QStringLiteral("b.jpg");
    const QString c = QStringLiteral("c.jpg"), hidden = QStringLiteral(".h.jpg");
    QTest::newRow("insertion order")
        << Batches{{c, a}, {b}} << QStringList{c, a, b} << QStringList{} << Totals{2, 3};
    QTest::newRow("already listed")
        << Batches{{a}, {b, a}} << QStringList{a, b} << QStringList{a} << Totals{1, 2};
    QTest::newRow("twice in one call")
        << Batches{{a, b, a}} << QStringList{a, b} << QStringList{a} << Totals{2};
    QTest::newRow("cleared by next addition")
        << Batches{{a}, {a}, {b}} << QStringList{a, b} << QStringList{} << Totals{1, 1, 2};
    QTest::newRow("cleared by empty addition")
        << Batches{{a}, {a}, {}} << QStringList{a} << QStringList{} << Totals{1, 1};
    QTest::newRow("only hidden still posts")
        << Batches{{hidden}} << QStringList{} << QStringList{} << Totals{0};
    QTest::newRow("empty addition posts nothing")
        << Batches{{}} << QStringList{} << QStringList{} << Totals{};
}

void TestListView::additions()
{
    QFETCH(Batches, batches);
    QFETCH(QStringList, listed);
    QFETCH(QStringList, duplicates);
    QFETCH(Totals, totals);

    QTemporaryDir dir;
    const auto absolute = [&dir](const QStringList& names) {
        QStringList paths;
        for (const QString& name : names)
            paths.append(dir.filePath(name));
        return paths;
    };
    KPListView list;
    for (const QStringList& batch : batches) {
        for (const QString& path : absolute(batch))
            QVERIFY(writeFile(path, "pic"));
        list.addFileMember(absolute(batch));
    }
    QCOMPARE(jobPaths(list), absolute(listed));
    QCOMPARE(list.dupPathArray(), absolute(duplicates));

    // Each posted total is the job count as a quint64, the only value sent.
    Totals postedTotals;
    for (const KPNotification& note : std::as_const(m_posts)) {
        QCOMPARE(note.name, KPMessage::ImageReportRefresh);
        QCOMPARE(note.object.data(), &list);
        QCOMPARE(note.userInfo.keys(), QStringList{KPMessage::Total});
        const QVariant total = note.userInfo.value(KPMessage::Total);
        QCOMPARE(total.metaType(), QMetaType::fromType<quint64>());
        postedTotals.append(total.value<quint64>());
    }
    QCOMPARE(postedTotals, totals);

    // The duplicate notice opens only when the latest addition refused paths.
    QSignalSpy notice(&list, &KPListView::showDupPanel);
    list.showDupPathPanel();
    QCOMPARE(notice.size(), duplicates.isEmpty() ? 0 : 1);
    if (!duplicates.isEmpty())
        QCOMPARE(notice.at(0).at(0).toStringList(), absolute(duplicates));
}

// One addition of files, folders and links, as a drop or a command line makes it: every
// path it refused is kept for the notice, whichever group it came in, and every path named
// that it did not take is told with the reason.
void TestListView::addPaths()
{
    KPTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.jpg"));
    const QString pics = dir.filePath(QStringLiteral("pics"));
    const QString linked = dir.filePath(QStringLiteral("linked"));
    const QString notes = dir.filePath(QStringLiteral("notes.txt"));
    const QString empty = dir.filePath(QStringLiteral("empty"));
    const QString hidden = dir.filePath(QStringLiteral(".h.jpg"));
    const QString pipe = dir.filePath(QStringLiteral("pipe.jpg"));
    const QString zero = dir.filePath(QStringLiteral("zero.jpg"));
    const QString missing = dir.filePath(QStringLiteral("missing.txt"));
    const QString latin = dir.filePath(KPPath::fromNative("caf\xe9.jpg"));
    const QString munich = dir.filePath(KPPath::fromNative("M\xfcnchen"));
    QVERIFY(writeFile(a, "pic") && writeFile(pics + QStringLiteral("/b.jpg"), "pic") &&
            writeFile(notes, "text") && QDir().mkpath(empty) && writeFile(hidden, "pic") &&
            writeFile(latin, "latin") && writeFile(munich + QStringLiteral("/m.jpg"), "munich"));
    QVERIFY(QFile::link(pics, linked));
    QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), zero));

    KPListView list;
    const KPListView::Addition addition = list.addPaths(
        {a, a, empty, pics, notes, pics, linked, hidden, pipe, zero, missing, latin, munich});
    QCOMPARE(jobPaths(list),
             (QStringList{a, pics + QStringLiteral("/b.jpg"), linked + QStringLiteral("/b.jpg"),
                          latin, munich + QStringLiteral("/m.jpg")}));
    QCOMPARE(list.dupPathArray(), (QStringList{a, pics + QStringLiteral("/b.jpg")}));
    using Why = KPListView::Refusal::Why;
    QCOMPARE(addition.refused, (QList<KPListView::Refusal>{{notes, Why::NotAPicture},
                                                           {hidden, Why::Hidden},
                                                           {pipe, Why::NotPlainFile},
                                                           {zero, Why::NotPlainFile},
                                                           {missing, Why::Missing}}));
    // Each job knows the added folder it was found under; a file added alone has none.
    QStringList roots;
    for (const KPImageDataPtr& job : list.memberMAr())
        roots.append(job->root());
    QCOMPARE(roots, (QStringList{QString(), pics, linked, QString(), munich}));
    // Found by their bytes: each job knows its file's size.
    QCOMPARE(list.memberMAr().at(3)->size(), std::optional<quint64>(5));
    QCOMPARE(list.memberMAr().at(4)->size(), std::optional<quint64>(6));
    QSignalSpy notice(&list, &KPListView::showDupPanel);
    list.showDupPathPanel();
    QCOMPARE(notice.size(), 1);
}

void TestListView::removal_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<Rows>("selection"); // the last one is the selected row
    QTest::addColumn<Rows>("remaining");
    QTest::addColumn<int>("selectedAfter");

    QTest::newRow("nothing selected") << 3 << Rows{} << Rows{0, 1, 2} << -1;
    QTest::newRow("rows 2 and 3 of five, 3 last") << 5 << Rows{2, 3} << Rows{0, 1, 4} << 2;
    QTest::newRow("rows 3 and 1 of five, 1 last") << 5 << Rows{3, 1} << Rows{0, 2, 4} << 1;
    QTest::newRow("first of three") << 3 << Rows{0} << Rows{1, 2} << 0;
    QTest::newRow("last of three") << 3 << Rows{2} << Rows{0, 1} << 1;
    QTest::newRow("all rows") << 3 << Rows{0, 1, 2} << Rows{} << -1;
}

void TestListView::removal()
{
    QFETCH(int, count);
    QFETCH(Rows, selection);
    QFETCH(Rows, remaining);
    QFETCH(int, selectedAfter);

    QStringList paths; // removal needs no files on disk
    for (int i = 0; i < count; ++i)
        paths.append(QStringLiteral("photos/p%1.jpg").arg(i));
    FakePresenter fake;
    KPListView list;
    list.setPresenter(&fake);
    list.setListViewType(KPListView::PictureList);
    QCOMPARE(fake.data, &list.memberMAr());
    QVERIFY(list.addMember(paths));

    fake.selection = selection;
    m_posts.clear();
    const int refreshesBefore = fake.refreshCalls;
    list.delMember();

    QStringList expected;
    for (int row : remaining)
        expected.append(paths.at(row));
    QCOMPARE(jobPaths(list), expected);
    QCOMPARE(fake.selectedRow(), selectedAfter);
    QCOMPARE(m_posts.size(), selection.isEmpty() ? 0 : remaining.isEmpty() ? 2 : 1);
    if (selection.isEmpty())
        return;
    QVERIFY(fake.refreshCalls > refreshesBefore);
    QCOMPARE(m_posts.at(0).name, KPMessage::ImageReportRefresh);
    QCOMPARE(m_posts.at(0).userInfo.value(KPMessage::Total), QVariant(quint64(remaining.size())));
    if (remaining.isEmpty()) { // an emptied list also clears the log, with no values
        QCOMPARE(m_posts.at(1).name, KPMessage::ImageLogRefresh);
        QVERIFY(m_posts.at(1).userInfo.isEmpty());
    }

    // Removed paths may be listed again.
    list.addMember(paths);
    QCOMPARE(list.memberMAr().size(), count);
    QCOMPARE(list.dupPathArray().size(), remaining.size());
}

void TestListView::selectionAfterAddition()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("sub/c.jpg")), "c"));
    FakePresenter fake;
    KPListView list;
    list.setPresenter(&fake);
    list.setListViewType(KPListView::PictureList);

    list.addMember({dir.filePath(QStringLiteral("a.jpg")), dir.filePath(QStringLiteral("b.jpg"))});
    QCOMPARE(fake.selectedRow(), 0);
    fake.selection = {1}; // a selection the user made stays
    list.addMemberByFolder({dir.filePath(QStringLiteral("sub"))});
    QCOMPARE(fake.selectedRow(), 1);
    fake.selection.clear(); // with nothing selected, row 0 is selected again
    list.addMemberByFolder({dir.filePath(QStringLiteral("sub"))});
    QCOMPARE(fake.selectedRow(), 0);
    QCOMPARE(list.memberMAr().size(), 3);
}

QTEST_GUILESS_MAIN(TestListView)
#include "tst_listview.moc"
