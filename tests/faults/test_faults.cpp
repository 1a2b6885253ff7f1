// Every file operation of the program under an I/O fault injected at each of its writes,
// fsyncs, renames, closes and fstats in turn (support/faults.c): a full disk, a failing
// device, a device that drops data silently, a power cut right after the call. Each
// operation runs in a child process, so the walk is one program of its own.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QSettings>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <optional>

#include "console/DJPlayer.h"
#include "console/MediaFiles.h"
#include "console/MediaFiles_Jingles.h"
#include "console/RepCop.h"
#include "core/ApplicationFunctions.h"
#include "core/Globals.h"
#include "core/OpenSaveFiles.h"
#include "platform/FileSystem.h"
#include "platform/ProgramFolder.h"
#include "platform/Settings.h"
#include "script/ScriptsBox.h"
#include "support/AudioFiles.h"
#include "support/ConsoleHarness.h"
#include "support/Faults.h"
#include "support/TestEnv.h"
#include "support/TestFiles.h"

namespace {

using vb2test::cp1251;
using vb2test::crlf;
using vb2test::fileBytes;

}  // namespace

class TestFaults : public QObject {
    Q_OBJECT

    QTemporaryDir audio_;

    QString home(const QString &name) const { return ProgramFolder::file(name); }
    QString wav(const QString &name) { return vb2test::sineWavIn(audio_.path(), name); }

    // A file operation for the fault walk: the file it writes, what that file holds before
    // (none: it is not there), and the operation, run in a child process.
    using Bytes = std::optional<QByteArray>;
    struct Operation {
        const char *what;
        QString file;
        Bytes old;
        std::function<void()> run;
        bool readOnly = false;
        bool raises = true;  // a failed settings change keeps the settings and says nothing
    };
    struct Walked {
        int faults = 0, raised = 0, harmless = 0, cuts = 0;
    };
    Walked walked_;

    // Runs each operation once for every call it makes of each kind, with the fault at that
    // call: afterwards the file is the old one or the new one, whole: the old one when a
    // failure was raised, the new one when none was; the folder holds nothing more (but
    // after a power cut); a read-only file stays read-only.
    void walkFaults(const QList<Operation> &operations) {
        auto state = [](const QString &file) {
            return QFile::exists(file) ? Bytes(fileBytes(file)) : Bytes();
        };
        auto restore = [](const Operation &op) {
            if (QFile::exists(op.file))
                FileSystem::setReadOnly(op.file, false);
            QFile::remove(op.file);
            if (op.old)
                vb2test::writeBytes(op.file, *op.old);
            if (op.readOnly)
                FileSystem::setReadOnly(op.file, true);
        };
        // The folder's other entries, hidden ones included.
        auto others = [](const Operation &op) {
            QStringList names =
                QDir(QFileInfo(op.file).absolutePath())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            names.removeAll(QFileInfo(op.file).fileName());
            return names;
        };
        // A power cut after a close or an fstat is one after the call before it: they
        // change nothing on disk.
        const QMap<QString, QList<const char *>> modes = {
            {"write", {"enospc", "eio", "short", "lost", "crash"}},
            {"fsync", {"eio", "crash"}},
            {"rename", {"eio", "crash"}},
            {"close", {"eio"}},
            {"fstat", {"eio"}},
        };
        const QString root = vb2test::env()->root.path();
        for (const Operation &op : operations) {
            restore(op);
            const QStringList before = others(op);
            const vb2test::FaultRun clean = vb2test::underFault(root, QString(), op.run);
            QVERIFY2(clean.exit == 0, op.what);
            const Bytes fresh = state(op.file);
            QVERIFY2(fresh && fresh != op.old, op.what);
            QCOMPARE(others(op), before);
            // The file and its folder after a fault that did not end the process.
            auto judge = [&](int exit, bool fired) {
                vb2test::FaultVerdict v;
                v.outcome = !fired ? 0 : exit == 1 ? 1 : 2;
                const Bytes now = state(op.file);
                QByteArray problem;
                if (fired && exit != 0 && !(exit == 1 && op.raises))
                    problem = "exit code";
                else if (fired && exit == 1 && now != op.old)
                    problem = "an error was raised, but the file is not the old one";
                else if (exit == 0 && now != fresh && !(!op.raises && now == op.old))
                    problem = "no error was raised, but the file is not the new one";
                else if (now && op.readOnly && !FileSystem::isReadOnly(op.file))
                    problem = "the file is no longer read-only";
                else if (others(op) != before)
                    problem = "left in the folder: " + others(op).join(' ').toUtf8();
                qstrncpy(v.problem, problem.constData(), sizeof v.problem);
                return v;
            };
            QStringList batched, cuts;
            for (size_t k = 0; k < vb2test::kFaultKinds.size(); ++k)
                for (const char *mode : modes[vb2test::kFaultKinds[k]])
                    for (long n = 1; n <= clean.counts[k]; ++n)
                        (qstrcmp(mode, "crash") == 0 ? cuts : batched)
                            << QStringLiteral("%1:%2:%3").arg(vb2test::kFaultKinds[k]).arg(n).arg(mode);
            int raised = 0;
            const std::vector<vb2test::FaultVerdict> verdicts = vb2test::underFaults(
                root, batched, [&] { restore(op); }, op.run, judge);
            for (qsizetype i = 0; i < batched.size(); ++i) {
                const vb2test::FaultVerdict &v = verdicts[size_t(i)];
                const QByteArray where =
                    QStringLiteral("%1, %2: %3").arg(op.what, batched[i], v.problem).toUtf8();
                QVERIFY2(v.outcome >= 0 && v.problem[0] == '\0', where);
                if (v.outcome == 0)
                    continue;  // an earlier failure ended the operation before this call
                ++walked_.faults;
                ++(v.outcome == 1 ? walked_.raised : walked_.harmless);
                raised += v.outcome == 1;
            }
            // A power cut ends the process: one child each.
            for (const QString &fault : cuts) {
                restore(op);
                const vb2test::FaultRun run = vb2test::underFault(root, fault, op.run);
                const QByteArray where =
                    QStringLiteral("%1, %2: exit %3").arg(op.what, fault).arg(run.exit).toUtf8();
                if (!run.fired)
                    continue;
                ++walked_.faults;
                ++walked_.cuts;
                QVERIFY2(run.exit == 99, where);
                const Bytes now = state(op.file);
                QVERIFY2(now == op.old || now == fresh, where);
                for (const QString &left : others(op))  // what a crash may leave; safe to delete
                    if (!before.contains(left))
                        QFile::remove(QFileInfo(op.file).absolutePath() + "/" + left);
            }
            QVERIFY2(raised > 0 || !op.raises, op.what);
        }
        qInfo(
            "%d injected faults walked so far: %d raised an error and left the old file, %d raised none and "
            "left a whole file (the new one; the old or new settings), %d power cuts left the old or the new "
            "file",
            walked_.faults, walked_.raised, walked_.harmless, walked_.cuts);
    }

  private slots:
    // ---- before any window or thread exists: the children are forked from one thread ----

    // Each whole-file rewrite of the program under injected faults (see walkFaults).
    void rewritesSurviveEveryFault() {
        const QString shows = home("shows");
        QDir().mkpath(shows);
        const QStringList names{"Песня", "Café"};
        const QStringList paths{"/m/песня.mp3", "/m/café.wav"};
        ScriptsBox &box = ScriptsBoxInstance();
        box.Text1->setPlainText("Script\nСценарий");
        const QString sound = wav("faults/sound.wav");
        const QByteArray old = "old\r\n";
        QElapsedTimer clock;
        clock.start();
        walkFaults({
            {"playlist", home("A0.mxp"), old,
             [&] { OpenSaveFilesInstance().SavePlaylist("A", 0, names, paths); }},
            {"name list", home("ALLA.lap"), old, [&] { OpenSaveFilesInstance().SaveCombo(names, "A"); }},
            {"M3U", shows + "/PLAYLIST.m3u", old,
             [&] { ApplicationFunctionsInstance().ConvertToM3U(names, paths, shows + "/PLAYLIST.m3u"); }},
            {"PLAYLIST.log", shows + "/PLAYLIST.log", old,
             [&] { MediaFiles::SavePlaylistLog(shows + "/PLAYLIST.log", "1:02:03", "Утро"); }},
            {"script", shows + "/show.rtf", QByteArray("{\\rtf1 old}"),
             [&] { box.SaveTextFile(shows + "/show.rtf"); }},
            {"copy of a sound file", shows + "/copy.wav", old,
             [&] { FileSystem::copyFile(sound, shows + "/copy.wav"); }},
        });
        qInfo("in %lld ms", clock.elapsed());
    }

    // Appends (a name, a report line, the first line of a day's report) and the settings
    // under injected faults; jing.jin, which needs the console, is walked with the jingle
    // dialog's test.
    void appendsAndSettingsSurviveEveryFault() {
        const QString settings =
            QSettings(QSettings::NativeFormat, QSettings::UserScope, "Orsavine").fileName();
        Settings::save("Engineer", "Ann");
        const QDate day(2026, 9, 1);
        QDir().mkpath(QFileInfo(StatisticsReportPath(day)).absolutePath());
        OpenSaveFilesInstance().SaveStatisticsDate("Ann", "Bob", "Radio", "|10:00 | 03:00 | First", day);
        const QByteArray report = fileBytes(StatisticsReportPath(day));
        auto addLine = [](const QDate &date) {
            OpenSaveFilesInstance().SaveStatisticsDate("Ann", "Bob", "Radio", "|10:03 | 01:00 | Песня", date);
        };
        QElapsedTimer clock;
        clock.start();
        walkFaults({
            {"name added", home("ALLA.lap"), QByteArray("Рок\r\nPop\r"),
             [] { OpenSaveFiles::AppendComboName("A", "Джаз"); }},
            {"name added to a Windows-1251 list in UTF-8", home("ALLA.lap"), cp1251({"Рок"}),
             [] { OpenSaveFiles::AppendComboName("A", "日本"); }},
            {"report line", StatisticsReportPath(day), report, [&] { addLine(day); }, true},
            {"report of a new day", StatisticsReportPath(day.addDays(1)), std::nullopt,
             [&] { addLine(day.addDays(1)); }},
            {"settings", settings, fileBytes(settings), [] { Settings::save("Engineer", "Борис"); }, false,
             false},
        });
        qInfo("in %lld ms", clock.elapsed());
    }

    // ---- with the console ----

    // jing.jin, which the console's jingle buttons show; the last walk, so it also checks
    // how many faults were walked in all.
    void jingleSetSurvivesEveryFault() {
        vb2test::showConsole();
        const QString intro = wav("jingles/Intro.wav");
        QStringList lines(24);
        lines[3] = "Old B";
        walkFaults({{"jing.jin", home("jing.jin"), crlf(lines), [&] {
                         JinglePath[0] = intro;
                         JingleName[0] = "Сигнал";
                         MediaFiles::SaveJingles();
                     }}});
        QVERIFY(walked_.faults > 200);
    }
};

VB2_TEST_MAIN(TestFaults)
#include "test_faults.moc"
