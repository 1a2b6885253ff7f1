// A first start as a new user has it: no VANTELBROOK2_HOME, a fresh home folder.
// The user's files go to the data folder, nothing is written beside the executable,
// and the shipped files come from where the build or install put them.
#include <QAction>
#include <QCheckBox>
#include <QDateTime>
#include <QDirIterator>
#include <QLabel>
#include <QPushButton>

#include "app/About.h"
#include "console/DJPlayer.h"
#include "core/HelpOfDay.h"
#include "platform/ProgramFolder.h"
#include "support/ConsoleHarness.h"
#include "support/TestEnv.h"
#include "support/TestFiles.h"
#include "support/Widgets.h"

namespace {

// Every file and folder below the folder with its size and time of change.
QStringList snapshot(const QString &folder) {
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        entries << QString("%1 %2 %3")
                       .arg(info.filePath())
                       .arg(info.isDir() ? -1 : info.size())
                       .arg(info.lastModified().toMSecsSinceEpoch());
    }
    entries.sort();
    return entries;
}

// The lines of a text file, without their ends.
QStringList textLines(const QString &path) {
    return QString::fromUtf8(vb2test::fileBytes(path)).split(QRegularExpression("\r?\n"), Qt::SkipEmptyParts);
}

QString dataHome() {
    return vb2test::env()->root.path() + "/data";
}

}  // namespace

class TestProgramFolder : public QObject {
    Q_OBJECT
  private slots:
    // As a new user starts it: no program folder named, a home of its own.
    void initTestCase() {
        const QString root = vb2test::env()->root.path();
        qunsetenv("VANTELBROOK2_HOME");
        qunsetenv("VANTELBROOK2_SHARE");
        QVERIFY(QDir().mkpath(root + "/user"));
        qputenv("HOME", (root + "/user").toUtf8());
        qputenv("XDG_DATA_HOME", dataHome().toUtf8());
        qputenv("XDG_CACHE_HOME", (root + "/cache").toUtf8());
    }

    // The folder is the user's data folder, with or without XDG_DATA_HOME, whatever
    // the executable is called; VANTELBROOK2_HOME wins when set and not empty.
    void folderOfTheUser() {
        const QString home = vb2test::env()->root.path() + "/user";
        QCOMPARE(ProgramFolder::path(), dataHome() + "/Vantelbrook2");
        QCOMPARE(ProgramFolder::file("ALLA.lap"), dataHome() + "/Vantelbrook2/ALLA.lap");
        qunsetenv("XDG_DATA_HOME");
        QCOMPARE(ProgramFolder::path(), home + "/.local/share/Vantelbrook2");
        qputenv("VANTELBROOK2_HOME", "");
        QCOMPARE(ProgramFolder::path(), home + "/.local/share/Vantelbrook2");
        qputenv("VANTELBROOK2_HOME", "/srv/station/");
        QCOMPARE(ProgramFolder::file("jing.jin"), QString("/srv/station/jing.jin"));
        qunsetenv("VANTELBROOK2_HOME");
        qputenv("XDG_DATA_HOME", dataHome().toUtf8());
    }

    // First start: the folder is made with its Statistics folder, the tip of the day is
    // one of the tips shipped with the build, a new playlist lands in the data folder,
    // and not one byte beside the executable changes.
    void firstStartKeepsUserFilesInTheDataFolder() {
        const QString exeDir = QCoreApplication::applicationDirPath();
        const QString shippedTips = ProgramFolder::shippedFile("Tips.tps");
        QCOMPARE(shippedTips, exeDir + "/Tips.tps");
        const QStringList tips = textLines(shippedTips);
        QVERIFY(tips.size() > 3);
        const QStringList before = snapshot(exeDir);
        QVERIFY(!QDir(dataHome()).exists());

        QString tipText;
        vb2test::Modals modals;
        modals.window("HelpOfDay", [&](QWidget *tip) {
            tipText = vb2test::child<QLabel>(tip, "lblTipText")->text();
            vb2test::child<QPushButton>(tip, "cmdOK")->click();
        });
        About about;
        about.Form_Load();
        QVERIFY(modals.done());
        QVERIFY2(tips.contains(tipText), qPrintable(tipText));

        const QString folder = dataHome() + "/Vantelbrook2";
        QVERIFY(QFileInfo(folder + "/Statistics").isDir());
        modals.input("Evening show");
        vb2test::child<QAction>(&DJPlayerInstance(), "plaa")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(modals.done(), 5000);
        QVERIFY(modals.unexpected.isEmpty());
        QVERIFY(textLines(folder + "/ALLA.lap").contains("Evening show"));

        QCOMPARE(snapshot(exeDir), before);
    }

    // A station's own copy in the program folder wins over the shipped one; with
    // neither, the place named is the program folder's, where the user can put one.
    void stationCopyWins() {
        const QString own = ProgramFolder::file("Tips.tps");
        vb2test::writeBytes(own, "Our own tip\r\n");
        QCOMPARE(ProgramFolder::shippedFile("Tips.tps"), own);
        QCOMPARE(ProgramFolder::shippedFile("NoSuch.htm"), ProgramFolder::file("NoSuch.htm"));
        QFile::remove(own);
    }
};

VB2_TEST_MAIN(TestProgramFolder)
#include "test_program_folder.moc"
