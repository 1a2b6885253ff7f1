// The shared services: path and time functions, the M3U writer, the playlist files,
// the name lists and the statistics report, with their files checked byte for byte.
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStringEncoder>
#include <cmath>
#include <limits>

#include "core/ApplicationFunctions.h"
#include "core/OpenSaveFiles.h"
#include "platform/FileSystem.h"
#include "platform/ProgramFolder.h"
#include "platform/VbError.h"
#include "support/TestEnv.h"
#include "support/TestFiles.h"

namespace {
QByteArray readBytes(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}
using vb2test::writeBytes;
QByteArray utf8(const QString &s) {
    return s.toUtf8();
}
QString home() {
    return ProgramFolder::path();
}
QString mxp(const QString &player, int n) {
    return OpenSaveFiles::PlaylistPath(player, n);
}
bool anyWriteBit(const QString &path) {
    return QFile(path).permissions() &
           (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther);
}
}  // namespace

class TestCoreServices : public QObject {
    Q_OBJECT
    ApplicationFunctions &af = ApplicationFunctionsInstance();
    OpenSaveFiles &osf = OpenSaveFilesInstance();

  private slots:
    void init() {
        // Every test starts from an empty program folder holding only Statistics, as after start-up.
        QDir dir(home());
        for (const QFileInfo &fi :
             dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)) {
            if (fi.isDir() && !fi.isSymLink())
                QDir(fi.filePath()).removeRecursively();
            else
                QFile::remove(fi.filePath());
        }
        QVERIFY(dir.mkdir("Statistics"));
        osf.Today = nullptr;
    }

    // ---- time forms and rounding ---------------------------------------------------------

    // "nn:ss" below an hour, whole minutes past 59 from an hour on, negatives reset in the caller's variable.
    void timeForm() {
        const QList<QPair<int, QString>> table = {{0, "00:00"},    {59, "00:59"},   {303, "05:03"},
                                                  {3599, "59:59"}, {3600, "60:00"}, {3725, "62:05"},
                                                  {6000, "100:00"}};
        for (const auto &[in, out] : table) {
            int s = in;
            QCOMPARE(af.TimeForm(s), out);
            QCOMPARE(s, in);
        }
        int negative = -5;
        QCOMPARE(af.TimeForm(negative), QString("00:00"));
        QCOMPARE(negative, 0);
    }

    // "h:mm:ss" of whole seconds inside one day; a day or more, or below zero, is a failure.
    void timeFormHour() {
        QCOMPARE(af.TimeFormHour(0), QString("0:00:00"));
        QCOMPARE(af.TimeFormHour(59.9), QString("0:00:59"));
        QCOMPARE(af.TimeFormHour(3725.5), QString("1:02:05"));
        QCOMPARE(af.TimeFormHour(86399.99), QString("23:59:59"));
        QVERIFY_THROWS_EXCEPTION(VbError, af.TimeFormHour(86400));
        QVERIFY_THROWS_EXCEPTION(VbError, af.TimeFormHour(-0.5));
        QVERIFY_THROWS_EXCEPTION(VbError, af.TimeFormHour(std::numeric_limits<double>::quiet_NaN()));
        QVERIFY_THROWS_EXCEPTION(VbError, af.TimeFormHour(1e300));
    }

    // Halves go to the even number; out-of-range values do not wrap.
    void roundSecondsHalfToEven() {
        QCOMPARE(RoundSeconds(0.5), 0);
        QCOMPARE(RoundSeconds(1.5), 2);
        QCOMPARE(RoundSeconds(2.5), 2);
        QCOMPARE(RoundSeconds(3.5), 4);
        QCOMPARE(RoundSeconds(2.4999), 2);
        QCOMPARE(RoundSeconds(-2.5), -2);
        QCOMPARE(RoundSeconds(1e12), std::numeric_limits<int>::max());
        QCOMPARE(RoundSeconds(std::numeric_limits<double>::quiet_NaN()), 0);
    }

    // ---- path and text functions ---------------------------------------------------------

    void pathAndTextFunctions() {
        QCOMPARE(af.OStrk("/media/Music"), QString("/media/Music/"));
        QCOMPARE(af.OStrk("/"), QString("/"));
        QCOMPARE(af.OStrk(""), QString("/"));
        QCOMPARE(af.FileNameOnly("show.rtf"), QString("show"));
        QCOMPARE(af.FileNameOnly("song.mpeg"), QString("song."));
        QCOMPARE(af.FileNameOnly(".mp3"), QString(""));
        QCOMPARE(af.FileNameOnly("Песня.mp3"), QString("Песня"));
        QVERIFY_THROWS_EXCEPTION(VbError, af.FileNameOnly("abc"));
        QCOMPARE(af.FileNameFromPath("track.mp3"), QString("track.mp3"));
        QCOMPARE(af.FileNameFromPath("/a/b/c.wav"), QString("c.wav"));
        QCOMPARE(af.FileNameFromPath("/a/b/"), QString(""));
        QCOMPARE(af.MinusToDigital("0"), QString("0"));
        QCOMPARE(af.MinusToDigital("42"), QString("-42"));
        QCOMPARE(af.ConvToPositiveNum(-3.5), 3.5);
        QStringList list{"x"};
        af.CopyListToList({"a", "b"}, list);
        QCOMPARE(list, QStringList({"x", "a", "b"}));
        af.CopyListToList(list, list);
        QCOMPARE(list, QStringList({"x", "a", "b", "x", "a", "b"}));
    }

    // An existing regular file or a link to one; folders, missing and dangling paths are not files.
    void checkIsFile() {
        const QString file = home() + "/a file.mp3";
        writeBytes(file, "x");
        QVERIFY(af.CheckIsFile(file));
        QVERIFY(QFile::link(file, home() + "/link.mp3"));
        QVERIFY(af.CheckIsFile(home() + "/link.mp3"));
        QVERIFY(QFile::link(home() + "/gone.mp3", home() + "/dangling.mp3"));
        QVERIFY(!af.CheckIsFile(home() + "/dangling.mp3"));
        writeBytes(home() + "/.hidden.mp3", "x");
        QVERIFY(af.CheckIsFile(home() + "/.hidden.mp3"));
        QVERIFY(!af.CheckIsFile(home()));
        QVERIFY(!af.CheckIsFile(home() + "/gone.mp3"));
        QVERIFY(!af.CheckIsFile(""));
        QVERIFY(!af.CheckIsFile(home() + "/*.mp3"));
        QVERIFY(!af.CheckIsFile(file + "/x"));
    }

    // ---- M3U -------------------------------------------------------------------------------

    void m3uBytes() {
        const QString path = home() + "/PLAYLIST.m3u";
        af.ConvertToM3U({}, {}, path);
        QCOMPARE(readBytes(path), QByteArray("#EXTM3U\r\n"));
        af.ConvertToM3U({"Rock, Pop", "Песня", "Café 日本"},
                        {"/m/Rock.mp3", "/m/Песня.mp3", "Café 日本.wav", "/m/extra.mp3"}, path);
        QCOMPARE(readBytes(path), utf8("#EXTM3U\r\n#EXTINF:0,Rock, Pop\r\nRock.mp3\r\n#EXTINF:0,Песня\r\n"
                                       "Песня.mp3\r\n#EXTINF:0,Café 日本\r\nCafé 日本.wav\r\n"));
    }

    // A failed export leaves the previous file whole and raises an error the caller can catch.
    void m3uFailureKeepsOldFile() {
        const QString path = home() + "/PLAYLIST.m3u";
        af.ConvertToM3U({"a"}, {"/m/a.mp3"}, path);
        const QByteArray before = readBytes(path);
        QVERIFY_THROWS_EXCEPTION(VbError, af.ConvertToM3U({"a", "b"}, {"/m/a.mp3"}, path));
        QVERIFY_THROWS_EXCEPTION(VbError, af.ConvertToM3U({"a\r\nb"}, {"/m/a.mp3"}, path));
        QCOMPARE(readBytes(path), before);
        writeBytes(home() + "/notafolder", "x");
        QVERIFY_THROWS_EXCEPTION(VbError, af.ConvertToM3U({}, {}, home() + "/notafolder/PLAYLIST.m3u"));
    }

    // ---- playlist files --------------------------------------------------------------------

    // Cyrillic and names Windows-1251 cannot hold are written as UTF-8 with CR LF and read back unchanged.
    void playlistRoundTrip() {
        const QStringList names{"Песня", "Rock, Pop \"live\"", "Café 日本", ""};
        const QStringList paths{"/m/Музыка/Песня.mp3", "/m/rock.mp3", "/m/Café 日本.wav", "/m/x.wav"};
        QCOMPARE(osf.SavePlaylist("A", 3, names, paths), 3);
        QCOMPARE(readBytes(home() + "/A3.mxp"),
                 utf8("Песня\r\n/m/Музыка/Песня.mp3\r\nRock, Pop \"live\"\r\n/m/rock.mp3\r\n"
                      "Café 日本\r\n/m/Café 日本.wav\r\n\r\n/m/x.wav\r\n"));
        QStringList n{"kept"}, p{"/kept.mp3"};
        QCOMPARE(osf.OpenPlaylist(3, "A", n, p), false);
        QCOMPARE(n, QStringList{"kept"} + names);
        QCOMPARE(p, QStringList{"/kept.mp3"} + paths);

        QCOMPARE(osf.SavePlaylist("B", 0, {}, {}), 0);
        QCOMPARE(readBytes(home() + "/B0.mxp"), QByteArray());
        n.clear();
        p.clear();
        osf.OpenPlaylist(0, "B", n, p);
        QVERIFY(n.isEmpty() && p.isEmpty());
    }

    // Files of the Windows program (Windows-1251), LF-only files and odd line counts load as parallel lists.
    void playlistLegacyAndOddFiles() {
        QStringEncoder cp1251("windows-1251");
        writeBytes(mxp("A", 0), QByteArray(cp1251.encode(QString("Песня\r\n/m/Песня.mp3\r\n"))));
        QStringList n, p;
        osf.OpenPlaylist(0, "A", n, p);
        QCOMPARE(n, QStringList{"Песня"});
        QCOMPARE(p, QStringList{"/m/Песня.mp3"});

        writeBytes(mxp("A", 1), "one\n/m/one.mp3\ntwo\n/m/two.mp3");
        n.clear();
        p.clear();
        osf.OpenPlaylist(1, "A", n, p);
        QCOMPARE(n, QStringList({"one", "two"}));
        QCOMPARE(p, QStringList({"/m/one.mp3", "/m/two.mp3"}));

        writeBytes(mxp("A", 2), "one\r\n/m/one.mp3\r\norphan\r\n");
        n = QStringList{"x"};
        p = QStringList{"/x"};
        osf.OpenPlaylist(2, "A", n, p);
        QCOMPARE(n, QStringList({"x", "one"}));
        QCOMPARE(p, QStringList({"/x", "/m/one.mp3"}));
    }

    // No chooser selection (-1) or a missing file is an error; the lists stay untouched.
    void playlistMissing() {
        QStringList n{"x"}, p{"/x"};
        QVERIFY_THROWS_EXCEPTION(VbError, osf.OpenPlaylist(-1, "A", n, p));
        QVERIFY_THROWS_EXCEPTION(VbError, osf.OpenPlaylist(7, "A", n, p));
        QCOMPARE(n, QStringList{"x"});
        QCOMPARE(p, QStringList{"/x"});
        QCOMPARE(mxp("A", -1), home() + "/A-1.mxp");
    }

    // A save that cannot be completed leaves the old playlist whole.
    void savePlaylistFailureKeepsOldFile() {
        osf.SavePlaylist("A", 0, {"a"}, {"/m/a.mp3"});
        const QByteArray before = readBytes(mxp("A", 0));
        QVERIFY_THROWS_EXCEPTION(VbError, osf.SavePlaylist("A", 0, {"a", "b"}, {"/m/a.mp3"}));
        QVERIFY_THROWS_EXCEPTION(VbError, osf.SavePlaylist("A", 0, {"a"}, {"/m/a\nb.mp3"}));
        QCOMPARE(readBytes(mxp("A", 0)), before);
        QVERIFY(QDir(home()).mkdir("A1.mxp"));
        QVERIFY_THROWS_EXCEPTION(VbError, osf.SavePlaylist("A", 1, {"a"}, {"/m/a.mp3"}));
    }

    // Five playlists: deleting 3 (count 5) and then 1 (count 4) leaves A0, old A2 as A1, old A4 as A2.
    void deleteRenumbers() {
        for (int k = 0; k < 5; ++k)
            osf.SavePlaylist("A", k, {QString("item%1").arg(k)}, {QString("/m/%1.mp3").arg(k)});
        QCOMPARE(osf.DeleteCheckedFiles(5, 3, "A"), false);
        QCOMPARE(osf.DeleteCheckedFiles(4, 1, "A"), false);
        QCOMPARE(readBytes(mxp("A", 0)), QByteArray("item0\r\n/m/0.mp3\r\n"));
        QCOMPARE(readBytes(mxp("A", 1)), QByteArray("item2\r\n/m/2.mp3\r\n"));
        QCOMPARE(readBytes(mxp("A", 2)), QByteArray("item4\r\n/m/4.mp3\r\n"));
        QVERIFY(!QFile::exists(mxp("A", 3)));
        QVERIFY(!QFile::exists(mxp("A", 4)));

        // The last playlist: nothing is renamed.
        osf.DeleteCheckedFiles(3, 2, "A");
        QCOMPARE(QDir(home()).entryList({"A*.mxp"}, QDir::Files, QDir::Name),
                 QStringList({"A0.mxp", "A1.mxp"}));
    }

    // A playlist file already gone counts as deleted, and the later files still move down.
    void deleteMissingStillRenumbers() {
        for (int k = 0; k < 3; ++k)
            osf.SavePlaylist("B", k, {QString("item%1").arg(k)}, {QString("/m/%1.mp3").arg(k)});
        QFile::remove(mxp("B", 0));
        osf.DeleteCheckedFiles(3, 0, "B");
        QCOMPARE(readBytes(mxp("B", 0)), QByteArray("item1\r\n/m/1.mp3\r\n"));
        QCOMPARE(readBytes(mxp("B", 1)), QByteArray("item2\r\n/m/2.mp3\r\n"));
        QVERIFY(!QFile::exists(mxp("B", 2)));
    }

    // A missing file among the later ones leaves its slot empty and the rest still move down.
    void deleteSkipsMissingLaterFile() {
        osf.SavePlaylist("A", 0, {"zero"}, {"/0"});
        osf.SavePlaylist("A", 2, {"two"}, {"/2"});
        osf.SavePlaylist("A", 3, {"three"}, {"/3"});
        osf.DeleteCheckedFiles(4, 0, "A");
        QVERIFY(!QFile::exists(mxp("A", 0)));
        QCOMPARE(readBytes(mxp("A", 1)), QByteArray("two\r\n/2\r\n"));
        QCOMPARE(readBytes(mxp("A", 2)), QByteArray("three\r\n/3\r\n"));
        QVERIFY(!QFile::exists(mxp("A", 3)));
    }

    // A rename never overwrites: something in the way stops the renumbering with an error and stays.
    void deleteNeverOverwrites() {
        osf.SavePlaylist("A", 1, {"one"}, {"/1"});
        osf.SavePlaylist("A", 2, {"two"}, {"/2"});
        QVERIFY(QDir(home()).mkdir("A0.mxp"));
        writeBytes(home() + "/A0.mxp/keep", "x");
        QVERIFY_THROWS_EXCEPTION(VbError, osf.DeleteCheckedFiles(3, 0, "A"));
        QCOMPARE(readBytes(home() + "/A0.mxp/keep"), QByteArray("x"));
        QCOMPARE(readBytes(mxp("A", 1)), QByteArray("one\r\n/1\r\n"));
        QCOMPARE(readBytes(mxp("A", 2)), QByteArray("two\r\n/2\r\n"));
    }

    // ---- name lists ------------------------------------------------------------------------

    // First start: the missing name list is created empty and the chooser stays empty.
    void openComboCreatesMissingList() {
        QStringList combo;
        osf.OpenCombo(combo, "A");
        QVERIFY(combo.isEmpty());
        QCOMPARE(readBytes(home() + "/ALLA.lap"), QByteArray());
    }

    // Names with commas, quotes, Cyrillic and empty names survive a save and a load; the combo is not
    // cleared.
    void comboRoundTrip() {
        const QStringList names{"Rock, Pop", "\"Live\" set", "Утро", "", "Ünïcode 音楽"};
        osf.SaveCombo(names, "B");
        QCOMPARE(readBytes(home() + "/ALLB.lap"),
                 utf8("Rock, Pop\r\n\"Live\" set\r\nУтро\r\n\r\nÜnïcode 音楽\r\n"));
        QStringList combo{"first"};
        osf.OpenCombo(combo, "B");
        QCOMPARE(combo, QStringList{"first"} + names);
        osf.SaveCombo({}, "B");
        QCOMPARE(readBytes(home() + "/ALLB.lap"), QByteArray());
    }

    // A Windows-1251 list loads unchanged; a list that cannot be read is an error and is never emptied.
    void comboLegacyAndUnreadable() {
        QStringEncoder cp1251("windows-1251");
        writeBytes(home() + "/ALLA.lap", QByteArray(cp1251.encode(QString("Вечер\r\nНочь\r\n"))));
        QStringList combo;
        osf.OpenCombo(combo, "A");
        QCOMPARE(combo, QStringList({"Вечер", "Ночь"}));

        QVERIFY(QDir(home()).mkdir("ALLB.lap"));
        QVERIFY_THROWS_EXCEPTION(VbError, osf.OpenCombo(combo, "B"));
        QVERIFY(QFileInfo(home() + "/ALLB.lap").isDir());
        QVERIFY(QFile::link(home() + "/nowhere/ALLx.lap", home() + "/ALLC.lap"));
        QVERIFY_THROWS_EXCEPTION(VbError, osf.OpenCombo(combo, "C"));
    }

    // Appending to a list whose last line lacks its CR LF does not glue two names together.
    void appendComboName() {
        writeBytes(home() + "/ALLA.lap", "One\r\nTwo");
        OpenSaveFiles::AppendComboName("A", "Три");
        QCOMPARE(readBytes(home() + "/ALLA.lap"), utf8("One\r\nTwo\r\nТри\r\n"));
        OpenSaveFiles::AppendComboName("B", "First");
        QCOMPARE(readBytes(home() + "/ALLB.lap"), QByteArray("First\r\n"));
        QVERIFY_THROWS_EXCEPTION(VbError, OpenSaveFiles::AppendComboName("B", "a\nb"));
        QCOMPARE(readBytes(home() + "/ALLB.lap"), QByteArray("First\r\n"));
    }

    // ---- statistics report -----------------------------------------------------------------
    // The report's month name is the system locale's long name in its day-number form; the expected
    // texts below are composed with the same QLocale::system() call, so any locale passes.

    void reportPath() {
        const QDate d(2024, 5, 3);
        const QString month = QLocale::system().monthName(5, QLocale::LongFormat);
        QCOMPARE(DayMonthText(d), "3 " + month);
        QCOMPARE(StatisticsReportPath(d), home() + "/Statistics/2024/3 " + month + ".txt");
    }

    // The first line of the day makes the file with its eight heading lines; later lines follow it
    // without a new heading; the file is read-only (no write bit) after every write.
    void reportHeadingAndLines() {
        const QDate day(2024, 5, 3);
        QVERIFY(QDir(home() + "/Statistics").mkdir("2024"));
        osf.Today = [day] { return day; };
        osf.SaveStatisticsDate("Иван", "Мария", "Радио Север", "|09:05 | 03:25 | Песня | live");
        const QString path = StatisticsReportPath(day);
        const QString heading = QString(
                                    "Статистические данные об аудио материалах, прозвучавших в программе "
                                    "вещания от %1 2024 года.\r\n\r\nОрганизация: Радио Север\r\n"
                                    "Ответственный редактор: Мария\r\nЗвукорежиссер: Иван\r\n\r\n"
                                    "|Начало|Длител.| Название аудио материала\r\n\r\n")
                                    .arg(DayMonthText(day));
        QCOMPARE(readBytes(path), utf8(heading + "|09:05 | 03:25 | Песня | live\r\n"));
        QVERIFY(!anyWriteBit(path));

        // Later lines: no new heading, even with other user information; writable by hand is no obstacle.
        osf.SaveStatisticsDate("X", "Y", "Z", "|09:09 | 60:00 | Long");
        QVERIFY(!anyWriteBit(path));
        FileSystem::setReadOnly(path, false);
        osf.SaveStatisticsDate("X", "Y", "Z", "|10:00 | 00:01 | Short");
        QVERIFY(!anyWriteBit(path));
        QCOMPARE(
            readBytes(path),
            utf8(heading +
                 "|09:05 | 03:25 | Песня | live\r\n|09:09 | 60:00 | Long\r\n|10:00 | 00:01 | Short\r\n"));
    }

    // Empty user information leaves each label with its colon and space.
    void reportEmptyUserInformation() {
        const QDate day(2025, 1, 9);
        QVERIFY(QDir(home() + "/Statistics").mkdir("2025"));
        osf.SaveStatisticsDate("", "", "", "|00:00 | 00:00 | x", day);
        const QByteArray bytes = readBytes(StatisticsReportPath(day));
        QVERIFY(bytes.contains(
            utf8("\r\n\r\nОрганизация: \r\nОтветственный редактор: \r\nЗвукорежиссер: \r\n\r\n")));
    }

    // The first line of a new year makes the year folder, then the file with its heading.
    void reportNewYearFolder() {
        const QDate day(2026, 1, 1);
        QVERIFY(!QFileInfo::exists(home() + "/Statistics/2026"));
        osf.SaveStatisticsDate("E", "M", "O", "|00:01 | 00:30 | First", day);
        QVERIFY(QFileInfo(home() + "/Statistics/2026").isDir());
        const QByteArray bytes = readBytes(StatisticsReportPath(day));
        QVERIFY(bytes.startsWith(utf8("Статистические данные")));
        QVERIFY(bytes.endsWith("\r\n\r\n|00:01 | 00:30 | First\r\n"));
    }

    // The date is taken once per call: a clock that moves to the next day mid-call does not split
    // the line from its heading, and the next call starts the new day's own file.
    void reportMidnight() {
        QDate now(2024, 12, 31);
        int reads = 0;
        osf.Today = [&] {
            ++reads;
            const QDate d = now;
            now = now.addDays(1);
            return d;
        };
        osf.SaveStatisticsDate("E", "M", "O", "|23:59 | 01:00 | Old year");
        QCOMPARE(reads, 1);
        const QByteArray old = readBytes(StatisticsReportPath(QDate(2024, 12, 31)));
        QVERIFY(old.contains(utf8(DayMonthText(QDate(2024, 12, 31)) + " 2024 года.")));
        QVERIFY(old.endsWith("|23:59 | 01:00 | Old year\r\n"));
        osf.SaveStatisticsDate("E", "M", "O", "|00:00 | 00:10 | New year");
        const QByteArray fresh = readBytes(StatisticsReportPath(QDate(2025, 1, 1)));
        QVERIFY(fresh.contains(utf8(DayMonthText(QDate(2025, 1, 1)) + " 2025 года.")));
        QVERIFY(fresh.endsWith("\r\n\r\n|00:00 | 00:10 | New year\r\n"));
        QVERIFY(!old.contains("New year"));
    }

    // Where no folder can be made, even for root, the failure reaches the caller as VbError.
    void reportUnwritableFolder() {
        const QDate day(2024, 2, 2);
        QVERIFY(QDir(home() + "/Statistics").removeRecursively());
        QVERIFY_THROWS_EXCEPTION(VbError, osf.SaveStatisticsDate("E", "M", "O", "|x", day));
        writeBytes(home() + "/Statistics", "not a folder");
        QVERIFY_THROWS_EXCEPTION(VbError, osf.SaveStatisticsDate("E", "M", "O", "|x", day));
        QFile::remove(home() + "/Statistics");
        QVERIFY(QDir(home()).mkdir("Statistics"));
        writeBytes(home() + "/Statistics/2024", "not a folder");
        QVERIFY_THROWS_EXCEPTION(VbError, osf.SaveStatisticsDate("E", "M", "O", "|x", day));
        // The day's name taken by a folder: neither created nor appended, an error.
        QFile::remove(home() + "/Statistics/2024");
        QVERIFY(QDir().mkpath(StatisticsReportPath(day)));
        QVERIFY_THROWS_EXCEPTION(VbError, osf.SaveStatisticsDate("E", "M", "O", "|x", day));
    }
};

VB2_TEST_MAIN_CORE(TestCoreServices)
#include "test_core_services.moc"
