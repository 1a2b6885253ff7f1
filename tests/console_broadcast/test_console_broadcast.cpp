// The broadcast strip, the time boxes, the auto start options and emergency mode,
// driven through the real console with a settable clock of the day.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>

#include "app/Base.h"
#include "console/AutoSt.h"
#include "console/Broadcast.h"
#include "console/ConsoleGlobals.h"
#include "console/DJPlayer.h"
#include "core/OpenSaveFiles.h"
#include "media/MediaPlayer.h"
#include "platform/ProgramFolder.h"
#include "platform/Settings.h"
#include "platform/TextFile.h"
#include "support/AudioFiles.h"
#include "support/ConsoleHarness.h"
#include "support/TestEnv.h"

namespace {

// Answers the modal windows of a test from a timer, in order: the Warning and the
// critical box with OK (their texts kept), the auto start dialog with a click on a
// playlist (or none) and OK or Cancel, the file dialog with a file.
class Modals : public QObject {
  public:
    struct AutoStAnswer {
        QString list;  // "List1", "List2" or "" for no click
        int row = 0;
        bool ok = true;
    };
    Modals() {
        connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
        timer_.start(5);
    }
    void autoSt(const AutoStAnswer &a) { autoSt_.push_back(a); }
    void file(const QString &path) { files_.push_back(path); }
    QStringList texts;
    QStringList captions;  // of the auto start dialogs answered
    bool done() const { return autoSt_.empty() && files_.empty(); }

  private:
    void poll() {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (!top->isVisible())
                continue;
            if (top->objectName() == QLatin1String("Warning")) {
                auto *label = top->findChild<QLabel *>(QStringLiteral("Label1"));
                texts << (label ? label->text() : QString());
                if (auto *ok = top->findChild<QPushButton *>(QStringLiteral("Command1(0)")))
                    ok->click();
                return;
            }
            if (auto *box = qobject_cast<QMessageBox *>(top)) {
                texts << box->text();
                QCOMPARE(box->windowTitle(), QString("Vantelbrook2"));
                QCOMPARE(box->icon(), QMessageBox::Critical);
                box->button(QMessageBox::Ok)->click();
                return;
            }
            if (top->objectName() == QLatin1String("AutoSt") && !autoSt_.empty()) {
                const AutoStAnswer a = autoSt_.front();
                autoSt_.pop_front();
                captions << top->windowTitle();
                if (!a.list.isEmpty()) {
                    auto *list = top->findChild<QListWidget *>(a.list);
                    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                      list->visualItemRect(list->item(a.row)).center());
                }
                top->findChild<QPushButton *>(a.ok ? "Command1" : "Command2")->click();
                return;
            }
            if (auto *dialog = qobject_cast<QFileDialog *>(top); dialog && !files_.empty()) {
                dialog->selectFile(files_.front());
                files_.pop_front();
                static_cast<QDialog *>(dialog)->accept();
                return;
            }
        }
    }
    QTimer timer_;
    std::deque<AutoStAnswer> autoSt_;
    std::deque<QString> files_;
};

using vb2test::reportLines;

int fakeNow = 0;

}  // namespace

class TestConsoleBroadcast : public QObject {
    Q_OBJECT

    QTemporaryDir audio_;
    DJPlayer *w_ = nullptr;

    QString wav(const QString &name, double seconds) {
        const QString path = audio_.path() + QLatin1Char('/') + name;
        if (!QFile::exists(path))
            vb2test::writeSineWav(path, seconds, 8000);
        return path;
    }
    // A playlist of the player as files, added to its chooser (not chosen).
    void addPlaylist(int deck, const QString &name, const QStringList &paths) {
        const QString letter = deck == 0 ? "A" : "B";
        QComboBox *combo = deck == 0 ? w_->Combo1 : w_->Combo2;
        OpenSaveFiles::AppendComboName(letter, name);
        QStringList lines;
        for (const QString &p : paths)
            lines << QFileInfo(p).completeBaseName() << p;
        TextFile::writeLines(OpenSaveFiles::PlaylistPath(letter, combo->count()), lines);
        combo->addItem(name);
    }
    void clickRow(QListWidget *list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    QString panel(int n) { return BaseInstance().panelText(n); }
    QString tag(QWidget *b) { return b->property("Tag").toString(); }
    int lampStyle() { return w_->Shape3->property("BackStyle").toInt(); }
    unsigned lampColor() { return w_->Shape3->property("BackColor").toUInt(); }

  private slots:
    void initTestCase() {
        Broadcast::SecondsOfDay = [] { return fakeNow; };
        w_ = vb2test::showConsole();
        QDir().mkpath(ProgramFolder::file("Statistics"));
        QVERIFY(wav("Alpha.wav", 5.0).size() > 0);
        addPlaylist(0, "Morning", {wav("Alpha.wav", 5.0), wav("Beta.wav", 5.0)});
        addPlaylist(1, "Evening", {wav("Gamma.wav", 5.0)});
    }

    void init() {
        // Stop, then Cancel: a broadcast still up after that is a fault, not a reason to wait.
        for (int i = 0; i < 2 && w_->Command15->isEnabled(); ++i)
            w_->Command15_Click();
        QVERIFY2(!w_->Command15->isEnabled(), "the broadcast does not go back to idle");
        LivePlayer.clear();
        w_->Check4->setChecked(false);
        w_->Command13_Click();
        w_->Command14_Click();
        w_->Timer6->stop();
        w_->Timer7->stop();
        w_->Timer8->stop();
        w_->Check5->setChecked(false);
        BeginSeconds = LimitSeconds = 0;
        QFile::remove(StatisticsReportPath(QDate::currentDate()));
    }

    void clockArithmetic() {
        // The countdown goes to the next day's begin once today's has passed.
        QCOMPARE(Broadcast::remaining(8 * 3600, 9 * 3600), 23 * 3600);
        QCOMPARE(Broadcast::remaining(0, 86399), 1);
        QCOMPARE(Broadcast::remaining(0, 0), 0);
        // The begin second is found on the tick that reaches it, late or not, once.
        QVERIFY(Broadcast::beginReached(999, 1000, 1000));
        QVERIFY(Broadcast::beginReached(999, 1001, 1000));    // late tick skipped 1000
        QVERIFY(!Broadcast::beginReached(1000, 1000, 1000));  // early tick: same second again
        QVERIFY(!Broadcast::beginReached(1000, 1001, 1000));
        QVERIFY(!Broadcast::beginReached(998, 999, 1000));
        QVERIFY(Broadcast::beginReached(86399, 1, 0));        // over midnight
        QVERIFY(!Broadcast::beginReached(2000, 1999, 1000));  // the clock set back
        QVERIFY(!Broadcast::beginReached(900, 1100, 1000));   // the clock set forward
        QVERIFY(Broadcast::beginReached(-1, 1000, 1000));
        QVERIFY(!Broadcast::beginReached(-1, 1001, 1000));
        // A day or more on the air goes on counting.
        QCOMPARE(Broadcast::clockForm(3725), QString("1:02:05"));
        QCOMPARE(Broadcast::clockForm(86400), QString("24:00:00"));
        QCOMPARE(Broadcast::clockForm(90061), QString("25:01:01"));
        // Bounds compared as strings; anything but digits is refused.
        for (const char *ok : {"", "0", "1", "2", "00", "09", "23"})
            QVERIFY2(!Broadcast::timeTextInvalid(ok, "23"), ok);
        for (const char *bad : {"3", "9", "24", "99", "1a", " 1", "-1"})
            QVERIFY2(Broadcast::timeTextInvalid(bad, "23"), bad);
        QVERIFY(Broadcast::timeTextInvalid("6", "59"));
        QVERIFY(!Broadcast::timeTextInvalid("59", "59"));
    }

    // The strip shows and hides from the menu and from the toolbar, each keeping the
    // other in step; emergency mode uses the same band and locks both.
    void stripAndBand() {
        QAction *strip = w_->Toolbar1Button(8);
        QAction *alarm = w_->Toolbar1Button(12);
        QCOMPARE(strip->objectName(), QString("Broadcon"));
        const int base = w_->height();
        w_->bctrl->trigger();
        QCOMPARE(w_->height(), base + 45);
        QVERIFY(strip->isChecked() && w_->bctrl->isChecked());
        strip->trigger();  // the button toggles itself, then BroadC
        QCOMPARE(w_->height(), base);
        QVERIFY(!strip->isChecked() && !w_->bctrl->isChecked());
        strip->trigger();
        QCOMPARE(w_->height(), base + 45);
        w_->bctrl->trigger();
        QVERIFY(!strip->isChecked());

        // Emergency with the strip hidden grows the window and shrinks it back.
        alarm->trigger();
        QCOMPARE(w_->height(), base + 45);
        QVERIFY(!strip->isEnabled() && !w_->bctrl->isEnabled());
        alarm->trigger();
        QCOMPARE(w_->height(), base);
        QVERIFY(strip->isEnabled() && w_->bctrl->isEnabled());
        // With the strip shown the height stays.
        strip->trigger();
        alarm->trigger();
        QCOMPARE(w_->height(), base + 45);
        alarm->trigger();
        QCOMPARE(w_->height(), base + 45);
        strip->trigger();
        QCOMPARE(w_->height(), base);
    }

    // Prepare, Cancel, On Air, the lamp, the clock, overtime and the automatic stop.
    void states() {
        QPushButton *onAir = w_->Command12, *stop = w_->Command15;
        onAir->click();
        QVERIFY(tag(onAir) == "A" && stop->isEnabled() && tag(stop) == "Cancel" && w_->Timer8->isActive());
        QVERIFY(w_->Label21->text() == "Prepare" && lampStyle() == 1);
        QVERIFY(!w_->Text1[0]->isEnabled() && w_->Text2[1]->isEnabled());
        fakeNow = 9 * 3600;
        BeginSeconds = 8 * 3600;
        w_->Timer8_Timer();
        QCOMPARE(panel(1), QString(" Prepare Time: 23:00:00"));

        stop->click();  // Cancel
        QVERIFY(tag(onAir) == "E" && !stop->isEnabled() && !w_->Timer8->isActive());
        QVERIFY(lampStyle() == 0 && w_->Label21->text().isEmpty() && w_->Text1[0]->isEnabled());
        QCOMPARE(panel(1), QString(" Prepare Time: 0:00:00"));

        // Going on air unchecks and locks Auto Start; the limit boxes lock.
        LivePlayer = "A";
        w_->Label1->setText("Alpha");
        {
            Modals m;
            m.autoSt({"", 0, false});
            w_->Check4->setChecked(true);  // the dialog, cancelled: LivePlayer stays, so does the tick
            QVERIFY(m.done());
        }
        QVERIFY(w_->Check4->isChecked());
        onAir->click();
        onAir->click();
        QVERIFY(tag(stop) == "Stop" && stop->text() == "Stop" && !onAir->isEnabled());
        QVERIFY(w_->Label21->text() == "On Air" && w_->Label21->font().bold() && lampColor() == 0x000000FFu);
        QCOMPARE(w_->Label21->palette().color(QPalette::WindowText), QColor(Qt::white));
        QVERIFY(!w_->Check4->isChecked() && !w_->Check4->isEnabled() && !w_->Text1[1]->isEnabled());
        QVERIFY(w_->Timer6->isActive() && w_->Timer7->isActive() && !w_->Timer8->isActive());
        w_->Timer6->stop();
        w_->Timer7->stop();
        const int lamp = lampStyle();
        w_->Timer6_Timer();
        QCOMPARE(lampStyle(), 1 - lamp);

        // Limit 2 s: overtime from the third second; Auto Stop on the next tick past it.
        LimitSeconds = 2;
        w_->OnAirSeconds = 0;
        w_->Timer7_Timer();
        w_->Timer7_Timer();
        QCOMPARE(panel(2), QString(" Current Time: 0:00:02"));
        QCOMPARE(panel(3), QString(" Overtime: 0:00:00"));
        w_->Timer7_Timer();
        QCOMPARE(panel(3), QString(" Overtime: 0:00:01"));
        w_->Check5->setChecked(true);
        w_->Timer7_Timer();
        QVERIFY(tag(stop) == "Cancel" && !stop->isEnabled() && onAir->isEnabled() && tag(onAir) == "E");
        QVERIFY(w_->Check4->isEnabled() && w_->Text1[0]->isEnabled() && w_->Text1[1]->isEnabled());
        QVERIFY(!w_->Label21->font().bold() && lampStyle() == 0 && lampColor() == 0x00C0FFFFu);
        QVERIFY(panel(2) == " Current Time: 0:00:00" && panel(3) == " Overtime: 0:00:00");
        QVERIFY(w_->OnAirSeconds == 0 && !w_->Timer6->isActive() && !w_->Timer7->isActive());
        LivePlayer.clear();
        w_->Label1->clear();
    }

    // Prepare, then Play: the player takes the broadcast on the air; Stop stops it and
    // writes its line. A live player not ready refuses On Air but lets Play start.
    void playGoesOnAirAndStopWritesLine() {
        w_->Combo1->setCurrentIndex(0);
        w_->Combo1_Click();
        w_->Combo2->setCurrentIndex(0);
        w_->Combo2_Click();
        w_->Command12->click();
        clickRow(w_->List1, 0);
        w_->Command9->click();
        QVERIFY(PlayingA);
        QCOMPARE(tag(w_->Command15), QString("Stop"));
        clickRow(w_->List2, 0);
        w_->Command10->click();
        QVERIFY(PlayingB);
        w_->Command15->click();
        // Only player A is stopped, and its item is in the report.
        QVERIFY(!PlayerAInUse && PlayingB);
        QCOMPARE(reportLines(), QStringList({"|" + StartTimeA + " | 00:05 | Alpha"}));
        QCOMPARE(tag(w_->Command15), QString("Cancel"));
        w_->Command14_Click();  // off the air: no line
        QCOMPARE(reportLines().size(), 1);

        // LivePlayer "B" with nothing cued on B: On Air refuses, player A still plays.
        LivePlayer.clear();
        w_->Command12->click();
        QCOMPARE(tag(w_->Command12), QString("A"));
        LivePlayer = "B";
        w_->Label2->clear();
        {
            Modals m;
            w_->Command9->click();
            QCOMPARE(m.texts, QStringList({"Selected Player is not ready. Select items from Playlist."}));
        }
        QVERIFY(PlayingA);
        QVERIFY(w_->Command15->isEnabled() && tag(w_->Command15) == "Cancel");

        // A report that cannot be written does not keep the broadcast on the air: Stop
        // finishes, then says so once.
        LivePlayer.clear();
        w_->Command12->click();
        QDir(ProgramFolder::file("Statistics")).removeRecursively();
        QFile blocker(ProgramFolder::file("Statistics"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        {
            Modals m;
            w_->Command15->click();
            QVERIFY(!PlayerAInUse && tag(w_->Command15) == "Cancel" && w_->Command12->isEnabled());
            QTRY_COMPARE(m.texts.size(), 1);
            QVERIFY(m.texts[0].startsWith("The statistics report could not be written"));
        }
        QFile::remove(ProgramFolder::file("Statistics"));
        QDir().mkpath(ProgramFolder::file("Statistics"));
    }

    // The auto start dialog chooses the live player and loads its playlist; at the begin
    // time the live player's selected item plays and the broadcast goes on the air, once,
    // even when the tick comes late.
    void autoStart() {
        // OK with no playlist ever clicked: no live player, the box unticks itself.
        {
            Modals m;
            m.autoSt({"", 0, true});
            w_->Check4->setChecked(true);
            QVERIFY(m.done());
        }
        QVERIFY(LivePlayer.isEmpty() && !w_->Check4->isChecked());

        w_->Combo1->setCurrentIndex(-1);
        w_->List1->clear();
        {
            Modals m;
            m.autoSt({"List1", 0, true});
            w_->Check4->setChecked(true);
            QVERIFY(m.done());
            QCOMPARE(m.captions, QStringList({"Auto Start Options"}));
        }
        QCOMPARE(LivePlayer, QString("A"));
        QVERIFY(w_->Check4->isChecked());
        QCOMPARE(w_->Combo1->currentIndex(), 0);
        QCOMPARE(w_->List1->count(), 2);

        clickRow(w_->List1, 1);
        BeginSeconds = 1000;
        fakeNow = 998;
        w_->Command12->click();
        fakeNow = 999;
        w_->Timer8_Timer();
        QCOMPARE(panel(1), QString(" Prepare Time: 0:00:01"));
        QVERIFY(!PlayerAInUse);
        fakeNow = 1001;  // the tick of second 1000 came late
        w_->Timer8_Timer();
        QVERIFY(PlayingA);
        QCOMPARE(w_->MediaPlayer1->FileName(), wav("Beta.wav", 5.0));
        QCOMPARE(tag(w_->Command15), QString("Stop"));
        QCOMPARE(panel(1), QString(" Prepare Time: 0:00:00"));
        // Asked once: the countdown has stopped, and a tick already on its way presses
        // nothing more (a second Play would pause the show).
        QVERIFY(!w_->Timer8->isActive());
        fakeNow = 1002;
        w_->Timer8_Timer();
        QVERIFY(PlayingA && w_->MediaPlayer1->isPlaying());
        w_->Command15->click();
        QCOMPARE(reportLines().size(), 1);

        // A live player with nothing to play: the broadcast would go on the air at the begin,
        // but On Air refuses; an early tick seeing the begin second twice asks only once.
        for (QListWidget *l : {w_->List2, w_->List4})
            l->clear();
        w_->Label4->clear();
        LivePlayer.clear();
        fakeNow = 1998;
        BeginSeconds = 2000;
        w_->Command12->click();
        LivePlayer = "B";
        w_->Label2->clear();
        {
            Modals m;
            m.autoSt({"", 0, false});
            w_->Check4->setChecked(true);
            QVERIFY(m.done() && w_->Check4->isChecked());
            for (int now : {1999, 2000, 2000, 2001}) {
                fakeNow = now;
                w_->Timer8_Timer();
            }
            QCOMPARE(m.texts, QStringList({"Selected Player is not ready. Select items from Playlist."}));
        }
        QVERIFY(!PlayerBInUse && tag(w_->Command15) == "Cancel");
        w_->Command15->click();
        LivePlayer.clear();
        w_->Check4->setChecked(false);
        // A carried-over choice whose playlist is gone counts as nothing chosen.
        AutoSt::SelPlayer = "B";
        AutoSt::SelIndex = 7;
        {
            Modals m;
            m.autoSt({"", 0, true});
            w_->Check4->setChecked(true);
        }
        QVERIFY(LivePlayer.isEmpty() && !w_->Check4->isChecked());
    }

    // Auto Start unticked: the begin time passes and nothing happens by itself. The players
    // stay idle and the broadcast stays in Prepare, counting down to the next day's begin.
    void beginPassesWithoutAutoStart() {
        w_->Combo1->setCurrentIndex(0);
        w_->Combo1_Click();
        clickRow(w_->List1, 0);
        LivePlayer = "A";  // chosen in the dialog once; the box unticked since
        QVERIFY(!w_->Check4->isChecked());
        BeginSeconds = 1000;
        fakeNow = 998;
        w_->Command12->click();
        for (int now : {999, 1000, 1001, 1002}) {
            fakeNow = now;
            w_->Timer8_Timer();
        }
        QVERIFY(!PlayerAInUse && !PlayerBInUse);
        QVERIFY(!w_->MediaPlayer1->isPlaying() && !w_->MediaPlayer2->isPlaying());
        QCOMPARE(w_->Command9->text(), QString("Play"));
        QCOMPARE(w_->Label21->text(), QString("Prepare"));
        QCOMPARE(tag(w_->Command15), QString("Cancel"));
        QVERIFY(w_->Command12->isEnabled() && tag(w_->Command12) == "A");
        QVERIFY(w_->Timer8->isActive() && !w_->Timer7->isActive());
        QCOMPARE(panel(1), QString(" Prepare Time: 23:59:58"));
        QCOMPARE(panel(2), QString(" Current Time: 0:00:00"));
        QVERIFY(reportLines().isEmpty());
    }

    // Auto Stop with a 2 s limit: still on the air after the tick at exactly 2 s, off the
    // air on the next one, with the playing item stopped and its line written.
    void autoStopOneTickPastTheLimit() {
        w_->Combo1->setCurrentIndex(0);
        w_->Combo1_Click();
        clickRow(w_->List1, 0);
        w_->Check5->setChecked(true);
        LimitSeconds = 2;
        w_->Command12->click();
        w_->Command9->click();
        QVERIFY(PlayingA);
        QCOMPARE(tag(w_->Command15), QString("Stop"));
        w_->Timer6->stop();  // the clock ticks by hand
        w_->Timer7->stop();
        QCOMPARE(w_->OnAirSeconds, 0);
        w_->Timer7_Timer();
        w_->Timer7_Timer();
        QCOMPARE(panel(2), QString(" Current Time: 0:00:02"));
        QVERIFY2(tag(w_->Command15) == "Stop" && w_->Label21->text() == "On Air",
                 "stopped at the limit itself");
        QVERIFY(PlayingA && w_->MediaPlayer1->isPlaying());
        QVERIFY(reportLines().isEmpty());
        w_->Timer7_Timer();
        QVERIFY2(tag(w_->Command15) == "Cancel" && !w_->Command15->isEnabled(),
                 "still on the air past the limit");
        QVERIFY(w_->Label21->text().isEmpty() && w_->Command12->isEnabled() && tag(w_->Command12) == "E");
        QVERIFY(!PlayerAInUse && !w_->MediaPlayer1->isPlaying());
        QCOMPARE(reportLines(), QStringList({"|" + StartTimeA + " | 00:05 | Alpha"}));
        QCOMPARE(panel(2), QString(" Current Time: 0:00:00"));
    }

    // Typed keys are filtered, each change is checked, leaving a box sets the seconds.
    void timeBoxes() {
        QLineEdit *h = w_->Text1[0], *m = w_->Text2[0], *s = w_->Text3[1];
        Modals modal;
        // The user clicks into a box (the message boxes take the focus away).
        auto enter = [this](QLineEdit *box) {
            QApplication::setActiveWindow(w_->window());
            box->setFocus(Qt::MouseFocusReason);
            QTRY_VERIFY(box->hasFocus());
        };
        enter(h);
        h->clear();
        QTest::keyClicks(h, "3");
        QCOMPARE(h->text(), QString("00"));
        h->clear();
        QTest::keyClicks(h, "2 4");  // the space does nothing; 24 is refused
        QCOMPARE(h->text(), QString("00"));
        h->clear();
        enter(h);
        QTest::keyClick(h, Qt::Key_Return);
        QTest::keyClicks(h, "03");
        QCOMPARE(h->text(), QString("03"));
        enter(m);  // leaving the box
        QTRY_COMPARE(BeginSeconds, 3.0 * 3600);
        m->clear();
        QTest::keyClicks(m, "4x");
        QCOMPARE(m->text(), QString("00"));
        enter(m);
        m->clear();
        enter(s);  // an empty box comes back as 00
        QTRY_COMPARE(m->text(), QString("00"));
        s->setText("a");  // pasted text
        QCOMPARE(s->text(), QString("00"));
        s->setText("59");
        enter(s);
        enter(h);
        QTRY_COMPARE(LimitSeconds, 59.0);
        QCOMPARE(modal.texts, QStringList({"Invalid valid Hours.", "Invalid valid Hours.",
                                           "Invalid valid Minutes.", "Invalid valid Secunds."}));
        h->setText("00");
        s->setText("00");
        m->setFocus();
    }

    // Emergency: both players stop (a line only for the one in use on the air), the
    // chosen file plays on the jingle player, the banner blinks, jingles are locked;
    // Play of a player ends it.
    void emergency() {
        const QString siren = wav("Siren.wav", 5.0);
        {
            Modals m;
            m.file(siren);
            w_->alc->trigger();
            QVERIFY(m.done());
        }
        QCOMPARE(Settings::get("EmergencyFile"), siren);

        w_->Combo1->setCurrentIndex(0);
        w_->Combo1_Click();
        w_->Command12->click();
        clickRow(w_->List1, 0);
        w_->Command9->click();
        QCOMPARE(tag(w_->Command15), QString("Stop"));
        QAction *alarm = w_->Toolbar1Button("Alarm");
        alarm->trigger();
        QVERIFY(!PlayerAInUse && !PlayerBInUse);
        QCOMPARE(reportLines(), QStringList({"|" + StartTimeA + " | 00:05 | Alpha"}));
        QCOMPARE(tag(w_->Command15), QString("Stop"));  // still on the air
        QCOMPARE(w_->MediaPlayer4->FileName(), siren);
        QVERIFY(w_->MediaPlayer4->isPlaying());
        QVERIFY(!w_->Frame10->isHidden() && w_->Timer9->isActive() && !w_->Frame4->isEnabled());
        w_->Timer9->stop();
        const bool shown = !w_->Label22[0]->isHidden();
        w_->Timer9_Timer();
        for (QLabel *l : w_->Label22)
            QCOMPARE(l->isHidden(), shown);  // all six blink together

        // Play of player A ends the mode before the player starts.
        w_->Command9->click();
        QVERIFY(PlayingA && !alarm->isChecked());
        QVERIFY(!w_->MediaPlayer4->isPlaying());
        QVERIFY(w_->Frame10->isHidden() && !w_->Timer9->isActive() && w_->Frame4->isEnabled());
        w_->Command15->click();

        // A file that is gone: the rest of the mode still takes effect.
        Settings::save("EmergencyFile", audio_.path() + "/gone.wav");
        alarm->trigger();
        QVERIFY(!w_->Frame10->isHidden() && !w_->MediaPlayer4->isPlaying());
        alarm->trigger();
        QVERIFY(w_->Frame10->isHidden());
    }
};

VB2_TEST_MAIN(TestConsoleBroadcast)
#include "test_console_broadcast.moc"
