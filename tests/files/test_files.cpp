// What the program's files look like after a write that could not finish: a full disk (a
// child process with a file size limit, or a filled tmpfs under the console), a process
// killed while it rewrites, a file that cannot be replaced. Every file is either the old
// one or the new one, whole; names, playlists and audio files stay in step; and a file
// made by the Windows program keeps one encoding.
#include <sys/wait.h>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSet>
#include <QSettings>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <csignal>

#include "console/AddJingle.h"
#include "console/ConsoleGlobals.h"
#include "console/DJPlayer.h"
#include "console/ItemTexts.h"
#include "console/MediaFiles.h"
#include "console/MediaFiles_Jingles.h"
#include "console/RepCop.h"
#include "core/ApplicationFunctions.h"
#include "core/Globals.h"
#include "core/OpenSaveFiles.h"
#include "core/UserInf.h"
#include "platform/FileSystem.h"
#include "platform/ProgramFolder.h"
#include "platform/Settings.h"
#include "platform/TextFile.h"
#include "support/AudioFiles.h"
#include "support/ConsoleHarness.h"
#include "support/FullDisk.h"
#include "support/TestEnv.h"
#include "support/TestFiles.h"

namespace {

using vb2test::clickLater;
using vb2test::cp1251;
using vb2test::crlf;
using vb2test::fileBytes;
using vb2test::inLimitedChild;
using vb2test::Modals;
using vb2test::OK;
using vb2test::Yes;

// Files a failed write may have left in a folder besides the ones named.
QStringList leftovers(const QString &folder) {
    return QDir(folder).entryList({".*vb2new*"}, QDir::Files | QDir::Hidden);
}

}  // namespace

class TestFiles : public QObject {
    Q_OBJECT

    QTemporaryDir audio_;
    DJPlayer *w_ = nullptr;

    QString home(const QString &name) const { return ProgramFolder::file(name); }
    QString wav(const QString &name) { return vb2test::sineWavIn(audio_.path(), name); }
    // Playlists "<letter>-list<i>" of two items each, in the chooser, nothing chosen.
    QStringList makePlaylists(const QString &letter, int count) {
        return vb2test::makePlaylists(w_, letter, count, 2, [this](const QString &n) { return wav(n); });
    }
    void choose(int deck, int n) { vb2test::choosePlaylistAt(w_, deck, n); }
    void selectRow(QListWidget *list, int row) {
        list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    // Every list and playlist file of the program folder, by name.
    QMap<QString, QByteArray> playlistFiles() const {
        QMap<QString, QByteArray> out;
        const QDir dir(ProgramFolder::path());
        for (const QString &name : dir.entryList({"*.mxp", "*.lap"}, QDir::Files))
            out[name] = fileBytes(dir.filePath(name));
        return out;
    }

  private slots:
    // ---- the write path itself, in child processes (before any window or thread exists) ----

    // A rewrite that runs out of room raises and leaves the old file byte for byte; one with
    // room leaves the new file whole. Each writer of a whole file goes this way.
    void rewritesAreWholeOrNotAtAll() {
        const QString folder = audio_.path() + "/rewrite";
        QDir().mkpath(folder);
        const QString file = folder + "/A0.mxp";
        const QStringList names{"Песня", "Café", "日本"};
        const QStringList paths{"/m/1.mp3", "/m/é.wav", "/m/日本.wav"};
        const QString big = wav("big.wav");
        struct Writer {
            const char *what;
            QString path;
            std::function<void()> write;
        };
        const QList<Writer> writers = {
            {"text lines", file, [&] { TextFile::writeLines(file, names + paths); }},
            {"playlist", OpenSaveFiles::PlaylistPath("A", 0),
             [&] { OpenSaveFilesInstance().SavePlaylist("A", 0, names, paths); }},
            {"name list", OpenSaveFiles::NameListPath("A"),
             [&] { OpenSaveFilesInstance().SaveCombo(names + names, "A"); }},
            {"M3U", folder + "/PLAYLIST.m3u",
             [&] { ApplicationFunctionsInstance().ConvertToM3U(names, paths, folder + "/PLAYLIST.m3u"); }},
            {"playlist report", folder + "/PLAYLIST.log",
             [&] { MediaFiles::SavePlaylistLog(folder + "/PLAYLIST.log", "1:02:03", "Утро"); }},
            {"copy", folder + "/copy.wav", [&] { FileSystem::copyFile(big, folder + "/copy.wav"); }},
        };
        for (const Writer &wr : writers) {
            const QByteArray old = "old\r\n";
            vb2test::writeBytes(wr.path, old);
            QCOMPARE(inLimitedChild(old.size() + 3, wr.write), 1);
            QVERIFY2(fileBytes(wr.path) == old, wr.what);
            QVERIFY2(leftovers(QFileInfo(wr.path).absolutePath()).isEmpty(), wr.what);
            QCOMPARE(inLimitedChild(1 << 24, wr.write), 0);
            QVERIFY2(fileBytes(wr.path).size() > old.size(), wr.what);
        }
        QCOMPARE(fileBytes(folder + "/copy.wav"), fileBytes(big));
        // A new file on a full disk is not there at all afterwards.
        QCOMPARE(inLimitedChild(0, [&] { TextFile::createLines(folder + "/new.txt", names); }), 1);
        QVERIFY(!QFile::exists(folder + "/new.txt"));
        // A link is written through: the link stays and its file gets the lines.
        QVERIFY(QFile::link(file, folder + "/link.mxp"));
        TextFile::writeLines(folder + "/link.mxp", {"via link"});
        QVERIFY(QFileInfo(folder + "/link.mxp").isSymLink());
        QCOMPARE(fileBytes(file), crlf({"via link"}));
        // A read-only file is refused and kept.
        FileSystem::setReadOnly(file, true);
        QVERIFY_THROWS_EXCEPTION(VbError, TextFile::writeLines(file, {"x"}));
        QCOMPARE(fileBytes(file), crlf({"via link"}));
    }

    // An append that runs out of room is cut back to the old bytes and keeps the file's
    // permission bits; the statistics report, a new name and the first line of a day alike.
    void appendsAreWholeOrNotAtAll() {
        OpenSaveFiles &osf = OpenSaveFilesInstance();
        const QDate day(2026, 3, 8);
        QDir().mkpath(ProgramFolder::file("Statistics"));
        const QString report = StatisticsReportPath(day);
        osf.SaveStatisticsDate("Ann", "Bob", "Radio", "|10:00 | 03:00 | First", day);
        const QByteArray before = fileBytes(report);
        QVERIFY(FileSystem::isReadOnly(report));
        const QString line = "|10:03 | 04:00 | " + QString(200, QChar(u'Ж'));
        QCOMPARE(inLimitedChild(before.size() + 10,
                                [&] { osf.SaveStatisticsDate("Ann", "Bob", "Radio", line, day); }),
                 1);
        QCOMPARE(fileBytes(report), before);
        QVERIFY(FileSystem::isReadOnly(report));
        osf.SaveStatisticsDate("Ann", "Bob", "Radio", line, day);
        QCOMPARE(TextFile::readLines(report).last(), line);
        QVERIFY(FileSystem::isReadOnly(report));

        // The first line of a day on a full disk leaves no report at all (not a heading alone).
        const QDate next = day.addDays(1);
        QCOMPARE(inLimitedChild(100, [&] { osf.SaveStatisticsDate("Ann", "Bob", "Radio", line, next); }), 1);
        QVERIFY(!QFile::exists(StatisticsReportPath(next)));

        // A name appended to a name list whose last line lacks its end.
        const QString lap = OpenSaveFiles::NameListPath("B");
        vb2test::writeBytes(lap, "Rock\r\nPop");
        QCOMPARE(inLimitedChild(12, [] { OpenSaveFiles::AppendComboName("B", "Jazz"); }), 1);
        QCOMPARE(fileBytes(lap), QByteArray("Rock\r\nPop"));
        OpenSaveFiles::AppendComboName("B", "Jazz");
        QCOMPARE(fileBytes(lap), crlf({"Rock", "Pop", "Jazz"}));
        QFile::remove(lap);
    }

    // A process killed at any moment of a rewrite of a 5,000-item playlist leaves the old or
    // the new playlist, whole.
    void killedRewriteLeavesOldOrNew() {
        const QString folder = audio_.path() + "/kill";
        QDir().mkpath(folder);
        const QString file = folder + "/A0.mxp";
        QStringList versions[2];
        for (int v = 0; v < 2; ++v)
            for (int i = 0; i < 5000; ++i)
                versions[v]
                    << QStringLiteral("Item %1 version %2").arg(i).arg(v)
                    << QStringLiteral("/home/show/music/folder %1/track %2-%3.mp3").arg(v).arg(i).arg(v);
        const QByteArray bytes[2] = {crlf(versions[0]), crlf(versions[1])};
        TextFile::writeLines(file, versions[0]);
        QElapsedTimer clock;
        clock.start();
        // How long one rewrite takes here: the kills fall anywhere within a few of them.
        TextFile::writeLines(file, versions[1]);
        TextFile::writeLines(file, versions[0]);
        const qint64 oneRewrite = std::max<qint64>(1, clock.nsecsElapsed() / 2000);  // µs
        QRandomGenerator random(20261209);
        int sawOld = 0, sawNew = 0;
        for (int round = 0; round < 200; ++round) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                for (int v = 1;; v ^= 1)
                    TextFile::writeLines(file, versions[v]);
            }
            QVERIFY(pid > 0);
            ::usleep(static_cast<useconds_t>(random.bounded(static_cast<quint32>(2 * oneRewrite + 1))));
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            const QByteArray now = fileBytes(file);
            for (const QString &left : leftovers(folder))  // the killed writer's unfinished file
                QFile::remove(folder + "/" + left);
            QVERIFY2(now == bytes[0] || now == bytes[1],
                     qPrintable(QString("round %1: %2 bytes").arg(round).arg(now.size())));
            (now == bytes[0] ? sawOld : sawNew)++;
        }
        QVERIFY(sawOld > 0 && sawNew > 0);
        qInfo("200 kills in %lld ms (one rewrite %lld µs): old %d, new %d", clock.elapsed(), oneRewrite,
              sawOld, sawNew);
    }

    // A name list and a report made by the Windows program stay Windows-1251 when a line is
    // added and read back unchanged; a line it cannot hold turns the whole file into UTF-8.
    void windows1251FilesStayReadable() {
        const QString lap = OpenSaveFiles::NameListPath("B");
        vb2test::writeBytes(lap, cp1251({"Рок", "Pop"}));
        OpenSaveFiles::AppendComboName("B", "Джаз");
        QCOMPARE(fileBytes(lap), cp1251({"Рок", "Pop", "Джаз"}));
        QStringList names;
        OpenSaveFilesInstance().OpenCombo(names, "B");
        QCOMPARE(names, QStringList({"Рок", "Pop", "Джаз"}));
        OpenSaveFiles::AppendComboName("B", "Café 日本");
        QCOMPARE(fileBytes(lap), crlf({"Рок", "Pop", "Джаз", "Café 日本"}));
        QFile::remove(lap);

        const QDate day(2026, 5, 1);
        const QString report = StatisticsReportPath(day);
        QDir().mkpath(QFileInfo(report).absolutePath());
        OpenSaveFilesInstance().SaveStatisticsDate("Иван", "Пётр", "Радио", "|09:00 | 01:00 | Утро", day);
        const QStringList heading = TextFile::readLines(report);
        FileSystem::setReadOnly(report, false);
        vb2test::writeBytes(report, cp1251(heading));
        FileSystem::setReadOnly(report, true);
        OpenSaveFilesInstance().SaveStatisticsDate("Иван", "Пётр", "Радио", "|09:01 | 02:00 | Песня", day);
        QCOMPARE(fileBytes(report), cp1251(heading + QStringList{"|09:01 | 02:00 | Песня"}));
        QVERIFY(FileSystem::isReadOnly(report));
        OpenSaveFilesInstance().SaveStatisticsDate("Иван", "Пётр", "Радио", "|09:03 | 02:00 | Ü 日本", day);
        QCOMPARE(TextFile::readLines(report),
                 heading + QStringList({"|09:01 | 02:00 | Песня", "|09:03 | 02:00 | Ü 日本"}));
        QVERIFY(FileSystem::isReadOnly(report));
    }

    // The settings store on a full disk keeps every setting; and each change reads back
    // at once, even two of the same size within one clock tick.
    void settingsSurviveFullDisk() {
        Settings::save("Engineer", "Ann");
        Settings::save("Organization", QString(3000, QLatin1Char('o')));
        const QString path = QSettings(QSettings::NativeFormat, QSettings::UserScope, "Orsavine").fileName();
        const QByteArray before = fileBytes(path);
        QCOMPARE(inLimitedChild(100, [] { Settings::save("Manager", "Bob"); }), 0);
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(Settings::get("Engineer"), QString("Ann"));
        for (int i = 0; i < 20; ++i) {
            Settings::save("Manager", QString::number(i % 10));
            QCOMPARE(Settings::get("Manager"), QString::number(i % 10));
        }
        QCOMPARE(QDir(QFileInfo(path).absolutePath()).entryList({"*vb2*"}, QDir::Files | QDir::Hidden),
                 QStringList());
    }

    // ---- the console on a full disk ----

    void init() {
        // The console (and its threads) exists only after the tests that fork.
        static const QSet<QByteArray> forking{"rewritesAreWholeOrNotAtAll", "appendsAreWholeOrNotAtAll",
                                              "killedRewriteLeavesOldOrNew", "windows1251FilesStayReadable",
                                              "settingsSurviveFullDisk"};
        if (forking.contains(QTest::currentTestFunction()))
            return;
        if (!w_)
            w_ = vb2test::showConsole();
        w_->Command13_Click();
        w_->Command14_Click();
        for (QListWidget *l : {w_->List1, w_->List2, w_->List3, w_->List4})
            l->clear();
        const QDir h(ProgramFolder::path());
        for (const QString &f : h.entryList({"*.mxp", "*.lap", ".*.vb2old"}, QDir::Files | QDir::Hidden))
            QFile::remove(h.filePath(f));
        w_->Combo1->clear();
        w_->Combo2->clear();
    }

    // Items up, item and playlist renames, added files and a new playlist on a full disk:
    // every file as it was, a message each time, and the lists show what the files hold.
    void editingOnFullDisk() {
        makePlaylists("A", 2);
        // The name list ends where a disk block does: one more name needs a block of its own.
        const QString pad(4096 - 2 - 9, QLatin1Char('p'));
        TextFile::writeLines(home("ALLA.lap"), {"A-list0", pad});
        w_->Combo1->setItemText(1, pad);
        choose(0, 0);
        const QStringList chooser = comboTexts(w_->Combo1);
        const QMap<QString, QByteArray> files = playlistFiles();
        vb2test::FullProgramFolder full;
        QCOMPARE(playlistFiles(), files);
        const QString writeA0 = "Unknown error in writing file: " + home("A0.mxp");
        Modals m;

        selectRow(w_->List1, 1);
        m.warning(OK);
        w_->Command16_Click();
        QCOMPARE(listTexts(w_->List1), QStringList({"A0-0", "A0-1"}));

        m.input("Renamed");
        m.warning(OK);
        selectRow(w_->List1, 1);
        w_->rnma_Click(0);
        QCOMPARE(listTexts(w_->List1), QStringList({"A0-0", "A0-1"}));

        m.input("New name");
        m.warning(OK);
        w_->cor_Click(3);
        QCOMPARE(comboTexts(w_->Combo1), chooser);

        m.input("Fresh");
        m.warning(OK);
        w_->plaa_Click(111);
        QCOMPARE(comboTexts(w_->Combo1), chooser);

        QTRY_VERIFY_WITH_TIMEOUT(m.done(), 5000);
        const QStringList expected{writeA0, writeA0, "Unknown error in writing file: " + home("ALLA.lap"),
                                   "Unknown error in writing file: " + home("ALLA.lap")};
        QCOMPARE(m.texts, expected);
        QVERIFY(m.unexpected.isEmpty());
        QCOMPARE(playlistFiles(), files);
        QVERIFY(leftovers(ProgramFolder::path()).isEmpty());
    }

    // Deleting, copying and moving playlists on a full disk, and with a name list that
    // cannot be replaced after the files have moved: no name without its file, no file
    // without its name, nothing renumbered half way, the deleted playlist back.
    void playlistsOnFullDisk() {
        makePlaylists("A", 3);
        makePlaylists("B", 1);
        const QMap<QString, QByteArray> files = playlistFiles();
        auto deleteSecond = [&] {
            Modals m;
            m.window("DeleteLists", [](QWidget *top) {
                top->findChild<QListWidget *>("List1")->item(1)->setCheckState(Qt::Checked);
                clickLater(top->findChild<QPushButton *>("Command1"));
            });
            m.warning(Yes);
            m.warning(OK);
            w_->del_Click(12);
            QTRY_VERIFY_WITH_TIMEOUT(m.done(), 5000);
            QCOMPARE(m.texts.value(1), "Unknown error in writing file: " + home("ALLA.lap"));
            QCOMPARE(playlistFiles(), files);
            QCOMPARE(w_->Combo1->count(), 3);
        };
        auto send = [&](int index, int messages) {
            Modals m;
            for (int k = 0; k < messages; ++k)
                m.warning(OK);
            choose(0, 1);
            w_->cor_Click(index);
            QTRY_VERIFY_WITH_TIMEOUT(m.done(), 5000);
            QCOMPARE(m.texts.size(), messages);
            QCOMPARE(playlistFiles(), files);
            QCOMPARE(comboTexts(w_->Combo2), QStringList({"B-list0"}));
            QCOMPARE(w_->Combo1->count(), 3);
        };
        {
            vb2test::FullProgramFolder full;
            QCOMPARE(playlistFiles(), files);
            deleteSecond();
            send(1, 2);  // choosing rewrites the playlist too
            send(2, 2);
            QVERIFY(leftovers(ProgramFolder::path()).isEmpty());
        }
        FileSystem::setReadOnly(home("ALLA.lap"), true);
        deleteSecond();
        send(2, 1);
        FileSystem::setReadOnly(home("ALLA.lap"), false);
        QCOMPARE(QDir(ProgramFolder::path()).entryList({".*.vb2old"}, QDir::Files | QDir::Hidden),
                 QStringList());
    }

    // Replace mode moves a file only once the playlist names its new place: on a full disk,
    // and with a playlist file that cannot be replaced, every file stays where the playlist
    // says it is. A file listed under two paths (one a link) is moved once and both items
    // follow it.
    void gatheringKeepsFilesWhereThePlaylistSays() {
        const QString p1 = wav("gather/p1.wav");
        const QString p2 = wav("gather/p2.wav");
        const QString link = audio_.path() + "/gather/p1-link.wav";
        QVERIFY(QFile::link(p1, link));
        auto gather = [&](const QString &base, const QString &name, QStringList *texts) {
            Settings::save("ReplaceDir", base);
            FocusPlayer = "A";
            Modals m;
            m.window("RepCop", [&](QWidget *d) {
                d->findChild<QLineEdit *>("Text1")->setText(name);
                d->findChild<QRadioButton *>("Option1(0)")->click();
                clickLater(d->findChild<QPushButton *>("Command1"));
            });
            if (texts)
                m.warning(OK);
            w_->rop_Click(0);
            QTRY_VERIFY_WITH_TIMEOUT(m.done(), 5000);
            if (texts)
                *texts = m.texts;
        };
        auto playlist = [&](const QStringList &paths) {
            QStringList lines;
            for (const QString &p : paths)
                lines << QFileInfo(p).baseName() << p;
            TextFile::writeLines(home("A0.mxp"), lines);
            TextFile::writeLines(home("ALLA.lap"), {"Show"});
            w_->Combo1->clear();
            w_->Combo1->addItem("Show");
            choose(0, 0);
            return fileBytes(home("A0.mxp"));
        };

        // A playlist file that cannot be replaced; a file of the same name already waits in
        // the destination and is there again afterwards.
        QByteArray before = playlist({p1, p2});
        QDir().mkpath(audio_.path() + "/out1");
        vb2test::writeBytes(audio_.path() + "/out1/p1.wav", "earlier");
        FileSystem::setReadOnly(home("A0.mxp"), true);
        QStringList texts;
        gather(audio_.path(), "out1", &texts);
        FileSystem::setReadOnly(home("A0.mxp"), false);
        QCOMPARE(texts.size(), 1);
        QVERIFY(texts[0].contains("Unknown error in saving playlist"));
        QCOMPARE(fileBytes(home("A0.mxp")), before);
        QVERIFY(QFile::exists(p1) && QFile::exists(p2));
        QCOMPARE(fileBytes(audio_.path() + "/out1/p1.wav"), QByteArray("earlier"));
        QCOMPARE(QDir(audio_.path() + "/out1").entryList(QDir::Files | QDir::Hidden),
                 QStringList({"p1.wav"}));
        QCOMPARE(listTexts(w_->List3), QStringList({p1, p2}));

        // A full disk under the destination and the program folder.
        before = playlist({p1, p2});
        {
            vb2test::FullProgramFolder full;
            const QString base = full.folder("shows");
            gather(base, "out2", &texts);
            QVERIFY(!texts.isEmpty());
            QCOMPARE(fileBytes(home("A0.mxp")), before);
            QVERIFY(QFile::exists(p1) && QFile::exists(p2));
            QVERIFY(!QFile::exists(base + "/out2/p1.wav"));
        }

        // A folder in the way, named like one of the files, stays as it is: that item is
        // reported and stays where it was; the other one moves.
        playlist({p1, p2});
        const QString out4 = audio_.path() + "/out4";
        QDir().mkpath(out4 + "/p1.wav");
        vb2test::writeBytes(out4 + "/p1.wav/inside.txt", "mine");
        gather(audio_.path(), "out4", &texts);
        QCOMPARE(texts, QStringList({"Unknown error in copying file: " + p1}));
        QVERIFY(QFileInfo(out4 + "/p1.wav").isDir());
        QCOMPARE(fileBytes(out4 + "/p1.wav/inside.txt"), QByteArray("mine"));
        QStringList inOut4 = QDir(out4).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        inOut4.sort();
        QCOMPARE(inOut4, QStringList({"PLAYLIST.log", "PLAYLIST.m3u", "p1.wav", "p2.wav"}));
        QVERIFY(QFile::exists(p1) && !QFile::exists(p2));
        QCOMPARE(listTexts(w_->List3), QStringList({p1, out4 + "/p2.wav"}));
        QCOMPARE(TextFile::readLines(home("A0.mxp")), QStringList({"p1", p1, "p2", out4 + "/p2.wav"}));
        QFile::rename(out4 + "/p2.wav", p2);

        // The same file twice, once through a link.
        playlist({p1, link, p2});
        const QByteArray sound = fileBytes(p1);
        gather(audio_.path(), "out3", nullptr);
        const QString dest = audio_.path() + "/out3";
        QCOMPARE(listTexts(w_->List3), QStringList({dest + "/p1.wav", dest + "/p1.wav", dest + "/p2.wav"}));
        QCOMPARE(TextFile::readLines(home("A0.mxp")),
                 QStringList({"p1", dest + "/p1.wav", "p1-link", dest + "/p1.wav", "p2", dest + "/p2.wav"}));
        QCOMPARE(fileBytes(dest + "/p1.wav"), sound);
        QVERIFY(!QFile::exists(p1) && !QFile::exists(p2));
    }

    // The jingle dialog's OK on a full disk keeps jing.jin and the dialog; Cancel then
    // discards, also when jing.jin cannot be read back.
    void jingleDialogDiscardsWhatWasNotSaved() {
        const QString intro = wav("jingles/Intro.wav");
        Settings::save("LastDir", QFileInfo(intro).absolutePath());
        QStringList lines(24);
        lines[3] = "Old B";
        TextFile::writeLines(home("jing.jin"), lines);
        MediaFiles::LoadJingles();
        w_->JingleCheck();
        QVERIFY(!w_->Command11[0]->isEnabled());
        auto pickAndSave = [&](QWidget *d) {
            auto *dialog = static_cast<AddJingle *>(d);
            auto *list = dialog->findChild<QListWidget *>("File1");
            const auto found = list->findItems("Intro.wav", Qt::MatchExactly);
            QVERIFY(!found.isEmpty());
            list->setCurrentItem(found.first());
            emit list->itemClicked(found.first());
            clickLater(dialog->Command1);
        };
        auto cancel = [](QWidget *d) { clickLater(static_cast<AddJingle *>(d)->Command2); };
        {
            vb2test::FullProgramFolder full;
            Modals m;
            m.window("AddJingle", pickAndSave);
            m.warning(OK);
            m.window("AddJingle", cancel);
            w_->jnc_Click(13);
            QTRY_VERIFY_WITH_TIMEOUT(m.done(), 5000);
            QCOMPARE(m.texts, QStringList({"Error. Jingle file cannot be saved."}));
            QCOMPARE(fileBytes(home("jing.jin")), crlf(lines));
        }
        QVERIFY(!w_->Command11[0]->isEnabled());
        QCOMPARE(JinglePath[0], QString());

        // A jing.jin that cannot be read: the set in force stays, button A stays off.
        QFile::remove(home("jing.jin"));
        QDir().mkpath(home("jing.jin"));
        {
            Modals m;
            m.window("AddJingle", pickAndSave);
            m.warning(OK);
            m.window("AddJingle", cancel);
            m.warning(OK);
            w_->jnc_Click(13);
            QTRY_VERIFY_WITH_TIMEOUT(m.done(), 5000);
            QCOMPARE(m.texts, QStringList({"Error. Jingle file cannot be saved.",
                                           "Unknown error in opening file: " + home("jing.jin")}));
        }
        QDir(home("jing.jin")).removeRecursively();
        QVERIFY(!w_->Command11[0]->isEnabled());
        QCOMPARE(JinglePath[0], QString());
        QCOMPARE(JingleName[1], QString("Old B"));
    }

    // Names pasted with a line break are stored on one line, so the report's heading keeps
    // its eight lines.
    void userInformationIsOneLineEach() {
        UserInf dialog;
        dialog.findChild<QLineEdit *>("Text1")->setText(" Ivan\r\nPetrov ");
        dialog.findChild<QLineEdit *>("Text2")->setText("Anna\nK.");
        dialog.findChild<QLineEdit *>("Text3")->setText("Radio\r1");
        dialog.Command1_Click();
        QCOMPARE(Settings::get("Engineer"), QString("IvanPetrov"));
        QCOMPARE(UserEngineer, QString("IvanPetrov"));
        QCOMPARE(UserManager, QString("AnnaK."));
        QCOMPARE(UserOrganization, QString("Radio1"));
        const QDate day(2026, 7, 1);
        QDir().mkpath(QFileInfo(StatisticsReportPath(day)).absolutePath());
        OpenSaveFilesInstance().SaveStatisticsDate(UserEngineer, UserManager, UserOrganization,
                                                   "|10:00 | 01:00 | Song", day);
        const QStringList report = TextFile::readLines(StatisticsReportPath(day));
        QCOMPARE(report.size(), 9);
        QCOMPARE(report[4], QString("Звукорежиссер: IvanPetrov"));
        QCOMPARE(report[6], QString("|Начало|Длител.| Название аудио материала"));
    }

    // Create New Playlist with a name list made by the Windows program: the list stays
    // Windows-1251 and the new name reads back as typed.
    void newPlaylistInWindowsNameList() {
        vb2test::writeBytes(home("ALLA.lap"), cp1251({"Рок", "Pop"}));
        TextFile::writeLines(home("A0.mxp"), {});
        TextFile::writeLines(home("A1.mxp"), {});
        w_->Combo1->addItems({"Рок", "Pop"});
        {
            Modals m;
            m.input("Джаз");
            w_->plaa_Click(111);
            QTRY_VERIFY_WITH_TIMEOUT(m.done(), 5000);
        }
        QCOMPARE(fileBytes(home("ALLA.lap")), cp1251({"Рок", "Pop", "Джаз"}));
        QStringList names;
        OpenSaveFilesInstance().OpenCombo(names, "A");
        QCOMPARE(names, QStringList({"Рок", "Pop", "Джаз"}));
        QVERIFY(QFile::exists(home("A2.mxp")));

        // A playlist of the Windows program chosen with a missing item is rewritten without
        // it, in Windows-1251 still; Rename Item with a name it cannot hold turns it UTF-8.
        const QString song = wav("Песни/Утро.wav");
        vb2test::writeBytes(home("A0.mxp"), cp1251({"Утро", song, "Нет", "/нет/такого.wav"}));
        choose(0, 0);
        QCOMPARE(listTexts(w_->List1), QStringList({"Утро"}));
        QCOMPARE(fileBytes(home("A0.mxp")), cp1251({"Утро", song}));
        Modals rename;
        rename.input("Café");
        selectRow(w_->List1, 0);
        w_->rnma_Click(0);
        QTRY_VERIFY_WITH_TIMEOUT(rename.done(), 5000);
        QCOMPARE(fileBytes(home("A0.mxp")), crlf({"Café", song}));
    }
};

VB2_TEST_MAIN(TestFiles)
#include "test_files.moc"
