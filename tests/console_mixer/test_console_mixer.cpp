// The mixer and the talk keys through the real console: what the players' Volume and
// Mute become after a slider move, a crossing step or a talk fade step (timers are
// driven by calling their handlers), the speed and talk-level menus, the popups and
// the talk-level window.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>

#include "app/Base.h"
#include "console/ConsoleGlobals.h"
#include "console/DJPlayer.h"
#include "console/Faders.h"
#include "console/Mixer.h"
#include "core/OpenSaveFiles.h"
#include "media/MediaPlayer.h"
#include "platform/Settings.h"
#include "platform/TextFile.h"
#include "support/AudioFiles.h"
#include "support/ConsoleHarness.h"
#include "support/TestEnv.h"

class TestConsoleMixer : public QObject {
    Q_OBJECT

    DJPlayer *w_ = nullptr;
    QTemporaryDir audio_;

    QAction *menuItem(const QString &name) { return w_->findChild<QAction *>(name); }
    void rightRelease(QWidget *w, Qt::MouseButton button = Qt::RightButton) {
        QTest::mouseRelease(w, button, Qt::NoModifier, w->rect().center());
    }
    void closePopups() {
        for (QMenu *m : {w_->sla, w_->cross})
            m->close();
    }
    // Ticks a timer's handler until the timer stops; the number of ticks (-1 when it runs on).
    int runOut(QTimer *timer, void (DJPlayer::*tick)()) {
        for (int n = 1; n <= 200; ++n) {
            (w_->*tick)();
            if (!timer->isActive())
                return n;
        }
        return -1;
    }
    // A playlist of one file, chosen and its item cued.
    void cue(int deck, const QString &file) {
        const QString letter = deck == 0 ? "A" : "B";
        QComboBox *combo = deck == 0 ? w_->Combo1 : w_->Combo2;
        QListWidget *list = deck == 0 ? w_->List1 : w_->List2;
        const int n = combo->count();
        OpenSaveFiles::AppendComboName(letter, "Mix");
        TextFile::writeLines(OpenSaveFiles::PlaylistPath(letter, n),
                             {QFileInfo(file).completeBaseName(), file});
        combo->addItem("Mix");
        combo->setCurrentIndex(n);
        emit combo->activated(n);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(0)).center());
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

  private slots:
    void initTestCase() {
        w_ = vb2test::showConsole();
        QVERIFY(w_->isVisible());
    }

    void init() {
        for (QTimer *t : {w_->Timer1, w_->Timer2, w_->Timer3})
            t->stop();
        w_->Check1->setChecked(false);
        TalkOnA = TalkOnB = false;
        TalkSavedLevelA = TalkSavedLevelB = 0;
        LastFaderIsB = 0;
        Settings::remove("LastFadeLevel");
        w_->Slider1->setValue(0);
        w_->Slider2->setValue(0);
        w_->Slider3->setValue(42);
        for (MediaPlayer *p : {w_->MediaPlayer1, w_->MediaPlayer2}) {
            p->setMute(false);
            p->setVolume(0);
        }
        w_->Label5->setVisible(false);
        w_->Label6->setVisible(false);
        closePopups();
    }

    // The laws at their edges.
    void laws() {
        // The crossfader's edges: one side only, down to 84 dB.
        const Mixer::CrossEffect toA = Mixer::crossFaderLaw(0, 0, 42), toB = Mixer::crossFaderLaw(84, 12, 0);
        QVERIFY(!toA.volumeA && !toB.volumeB);
        QCOMPARE(toA.volumeB, -8400);
        QCOMPARE(toB.volumeA, -5400);
        QCOMPARE(Mixer::crossFaderLaw(30, 0, 6).volumeB, -1800);

        // A stored talk level that is not a whole number 0..42 counts as 18.
        QCOMPARE(Mixer::talkLevelFromText("0"), 0);
        QCOMPARE(Mixer::talkLevelFromText(" 42 "), 42);
        for (const char *bad : {"43", "-1", "abc", "", "18.5", "99999999999"})
            QCOMPARE(Mixer::talkLevelFromText(bad), 18);
    }

    // Level 42 mutes without "MUTE"; "M" and the label toggle each on their own.
    void levelSlidersAndMuteKeys() {
        MediaPlayer *a = w_->MediaPlayer1;
        w_->Slider1->setValue(12);
        QCOMPARE(a->Volume(), -1200);
        w_->Slider1->setValue(42);
        QVERIFY(a->Mute());
        QCOMPARE(a->Volume(), -1200);
        QVERIFY(w_->Label5->isHidden());
        w_->Slider1->setValue(41);
        QVERIFY(!a->Mute());
        QCOMPARE(a->Volume(), -4100);

        w_->Slider1->setValue(42);
        w_->Command5->click();  // unmutes at the level it had, shows "MUTE"
        QVERIFY(!a->Mute());
        QCOMPARE(a->Volume(), -4100);
        QVERIFY(!w_->Label5->isHidden());
        QCOMPARE(w_->Label5->text(), QString("MUTE"));
        w_->Slider1->setValue(5);
        QVERIFY(!a->Mute() && w_->Label5->isHidden());
        QCOMPARE(a->Volume(), -500);

        w_->Command6->click();
        QVERIFY(w_->MediaPlayer2->Mute() && !w_->Label6->isHidden());
        QVERIFY(!w_->MediaPlayer1->Mute());
        w_->Command6->click();
        QVERIFY(!w_->MediaPlayer2->Mute() && w_->Label6->isHidden());
    }

    // The crossfader attenuates only the player away from it; a level move drops that.
    void crossFader() {
        w_->Slider1->setValue(3);
        w_->Slider2->setValue(6);
        w_->Slider3->setValue(50);
        QCOMPARE(w_->MediaPlayer1->Volume(), -1100);
        QCOMPARE(w_->MediaPlayer2->Volume(), -600);
        w_->Slider3->setValue(35);
        QCOMPARE(w_->MediaPlayer2->Volume(), -1300);
        QCOMPARE(w_->MediaPlayer1->Volume(), -1100);
        w_->Slider3->setValue(42);
        QCOMPARE(w_->MediaPlayer1->Volume(), -300);
        QCOMPARE(w_->MediaPlayer2->Volume(), -600);

        w_->Slider3->setValue(60);
        w_->Slider1->setValue(2);
        QCOMPARE(w_->MediaPlayer1->Volume(), -200);
        w_->Slider3->setValue(61);
        QCOMPARE(w_->MediaPlayer1->Volume(), -2100);

        // A player muted by its level stays muted under the crossfader.
        w_->Slider2->setValue(42);
        w_->Slider3->setValue(0);
        QVERIFY(w_->MediaPlayer2->Mute());
        QCOMPARE(w_->MediaPlayer2->Volume(), -8400);
    }

    // Play with "Auto Crossing" crosses to that player and stops the other at the end;
    // unchecking jumps to the centre and the crossing goes on from there.
    void autoCrossing() {
        QVERIFY(audio_.isValid());
        const QString file = audio_.filePath("Tone.wav");
        QVERIFY(vb2test::writeSineWav(file, 20.0, 8000));
        cue(0, file);
        cue(1, file);
        w_->Command9_Click();
        QVERIFY(PlayerAInUse);

        w_->Check1->setChecked(true);
        w_->Slider1->setValue(4);
        w_->Command10_Click();
        QVERIFY(PlayerBInUse && !CrossToA && w_->Timer3->isActive());
        QCOMPARE(runOut(w_->Timer3, &DJPlayer::Timer3_Timer), 42);
        QCOMPARE(w_->Slider3->value(), 84);
        QCOMPARE(w_->MediaPlayer1->Volume(), -100 * (42 + 4));
        QVERIFY(!PlayerAInUse && !w_->MediaPlayer1->isPlaying());
        QVERIFY(PlayerBInUse);

        w_->Command9_Click();
        QVERIFY(CrossToA && w_->Timer3->isActive());
        for (int n = 0; n < 64; ++n)
            w_->Timer3_Timer();
        QCOMPARE(w_->Slider3->value(), 20);
        w_->Check1->setChecked(false);
        QCOMPARE(w_->Slider3->value(), 42);
        QCOMPARE(w_->MediaPlayer1->Volume(), -400);
        QVERIFY(w_->Timer3->isActive());
        QCOMPARE(runOut(w_->Timer3, &DJPlayer::Timer3_Timer), 42);
        QCOMPARE(w_->Slider3->value(), 0);
        QVERIFY(!PlayerBInUse && PlayerAInUse);

        // A crossing that starts at its own end ends at its first tick.
        CrossToA = true;
        w_->Timer3->start();
        QCOMPARE(runOut(w_->Timer3, &DJPlayer::Timer3_Timer), 1);
        QCOMPARE(w_->Slider3->value(), 0);
        w_->Command13_Click();
        QVERIFY(!PlayerAInUse);
    }

    // Fade and crossing speeds from the Options menu and the popups.
    void speedMenus() {
        menuItem("ft(222)")->trigger();
        QCOMPARE(w_->Timer1->interval(), 80);
        QCOMPARE(w_->Timer2->interval(), 80);
        QCOMPARE(w_->Slider1->toolTip(), QString("Fade Speed: Slow"));
        QCOMPARE(w_->Slider2->toolTip(), QString("Fade Speed: Slow"));
        menuItem("fta(525)")->trigger();
        QCOMPARE(w_->Timer1->interval(), 10);
        QCOMPARE(w_->Slider2->toolTip(), QString("Fade Speed: Very Fast"));
        menuItem("croa(65)")->trigger();
        QCOMPARE(w_->Timer3->interval(), 10);
        QCOMPARE(w_->Slider3->toolTip(), QString("Crossing Speed: Very Fast"));
        menuItem("cro(231)")->trigger();
        QCOMPARE(w_->Timer3->interval(), 160);
        QCOMPARE(w_->Slider3->toolTip(), QString("Crossing Speed: Very Slow"));
        w_->ft_Click(226);
        QCOMPARE(w_->Timer1->interval(), 10);
        w_->ft_Click(223);
        w_->cro_Click(233);
        QCOMPARE(w_->Timer2->interval(), 40);
        QCOMPARE(w_->Timer3->interval(), 40);
    }

    // Talk fades down to the talk level and back, one dB a tick, through the level law.
    void talkFades() {
        w_->Command7->click();
        QVERIFY(TalkOnA && w_->Timer1->isActive());
        QCOMPARE(runOut(w_->Timer1, &DJPlayer::Timer1_Timer), 18);
        QCOMPARE(w_->Slider1->value(), 18);
        QCOMPARE(w_->MediaPlayer1->Volume(), -1800);
        w_->Command7->click();
        QVERIFY(!TalkOnA && w_->Timer1->isActive());
        QCOMPARE(runOut(w_->Timer1, &DJPlayer::Timer1_Timer), 18);
        QCOMPARE(w_->MediaPlayer1->Volume(), 0);

        // Reversed during the fade down: back to the saved level.
        w_->Command7_Click();
        for (int n = 0; n < 5; ++n)
            w_->Timer1_Timer();
        w_->Command7_Click();
        QCOMPARE(runOut(w_->Timer1, &DJPlayer::Timer1_Timer), 5);
        QCOMPARE(w_->Slider1->value(), 0);

        // Already at or below the talk level: nothing starts, the saved level is taken.
        w_->Slider1->setValue(20);
        w_->Command7_Click();
        QVERIFY(!TalkOnA && !w_->Timer1->isActive());
        QCOMPARE(TalkSavedLevelA, 20);

        // The talk level lowered during a fade ends it at the next tick.
        w_->Slider2->setValue(0);
        w_->Command8_Click();
        for (int n = 0; n < 5; ++n)
            w_->Timer2_Timer();
        Settings::save("LastFadeLevel", "3");
        QCOMPARE(runOut(w_->Timer2, &DJPlayer::Timer2_Timer), 1);
        QCOMPARE(w_->Slider2->value(), 6);
        QCOMPARE(w_->MediaPlayer2->Volume(), -600);
        w_->Command8_Click();
        runOut(w_->Timer2, &DJPlayer::Timer2_Timer);

        // A damaged talk level fades to 18 and stops; a drag to 42 mid-fade ends it there.
        Settings::save("LastFadeLevel", "99");
        w_->Slider1->setValue(0);
        w_->Command7_Click();
        QCOMPARE(runOut(w_->Timer1, &DJPlayer::Timer1_Timer), 18);
        w_->Command7_Click();
        runOut(w_->Timer1, &DJPlayer::Timer1_Timer);
        w_->Command7_Click();
        w_->Timer1_Timer();
        w_->Slider1->setValue(42);
        QCOMPARE(runOut(w_->Timer1, &DJPlayer::Timer1_Timer), 1);
        QVERIFY(w_->MediaPlayer1->Mute());
    }

    // "Default", "Hold Level", the popups and the talk keys' tool tips.
    void talkLevelMenus() {
        menuItem("dB(211)")->setChecked(false);
        menuItem("dBA(511)")->setChecked(false);
        Settings::save("LastFadeLevel", "0");
        w_->CheckLevel();
        QVERIFY(!menuItem("dB(211)")->isChecked());
        menuItem("dB(211)")->trigger();
        QCOMPARE(Settings::get("LastFadeLevel"), QString("18"));
        QVERIFY(menuItem("dB(211)")->isChecked() && menuItem("dBA(511)")->isChecked());
        QCOMPARE(w_->Command7->toolTip(), QString("Level -18dB"));
        menuItem("dBA(511)")->trigger();
        QVERIFY(menuItem("dB(211)")->isChecked() && menuItem("dBA(511)")->isChecked());

        // Right-click on B's level slider, then "Hold Level": B talks at 25, no fade runs.
        rightRelease(w_->Slider2);
        QVERIFY(w_->sla->isVisible());
        QCOMPARE(LastFaderIsB, 1);
        closePopups();
        w_->Slider2->setValue(25);
        menuItem("dBA(513)")->trigger();
        QCOMPARE(Settings::get("LastFadeLevel"), QString("25"));
        QVERIFY(!menuItem("dB(211)")->isChecked() && !menuItem("dBA(511)")->isChecked());
        QVERIFY(TalkOnB && !w_->Timer2->isActive());
        QVERIFY(Faders::loaded() && !Faders::loaded()->isVisible());
        QCOMPARE(Faders::loaded()->Slider1->value(), 25);
        QCOMPARE(w_->Command8->toolTip(), QString("Level -25dB"));
        w_->Command8->click();
        QCOMPARE(runOut(w_->Timer2, &DJPlayer::Timer2_Timer), 25);
        QCOMPARE(w_->MediaPlayer2->Volume(), 0);

        // A talk key's popup leaves the last slider's choice; a left button pops nothing.
        rightRelease(w_->Slider1);
        closePopups();
        rightRelease(w_->Command8);
        QVERIFY(w_->sla->isVisible());
        QCOMPARE(LastFaderIsB, 0);
        closePopups();
        rightRelease(w_->Slider2, Qt::LeftButton);
        QVERIFY(!w_->sla->isVisible());
        QCOMPARE(LastFaderIsB, 0);
        rightRelease(w_->Slider3);
        QVERIFY(w_->cross->isVisible());
        closePopups();
        Faders::unload();
    }

    // "Custom..." shows the window on top; its slider stores the level when a move ends;
    // "OK" unloads it, and so does the frame's Exit.
    void talkLevelWindow() {
        Settings::save("LastFadeLevel", "18");
        menuItem("dB(211)")->trigger();
        w_->Toolbar1_ButtonClick("Talk");
        QVERIFY(!menuItem("dB(211)")->isChecked() && !menuItem("dBA(511)")->isChecked());
        Faders *f = Faders::loaded();
        QVERIFY(f && f->isVisible());
        QCOMPARE(f->objectName(), QString("Faders"));
        QCOMPARE(f->windowTitle(), QString("Talk Level"));
        QVERIFY(f->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(f->Label1->text(), QString("-18dB"));

        f->Slider1->setSliderDown(true);
        f->Slider1->setSliderPosition(30);
        QCOMPARE(f->Label1->text(), QString("-30dB"));
        QCOMPARE(Settings::get("LastFadeLevel"), QString("18"));
        f->Slider1->setSliderDown(false);
        QCOMPARE(Settings::get("LastFadeLevel"), QString("30"));
        QCOMPARE(w_->Command7->toolTip(), QString("Level -30dB"));
        f->Slider1->setValue(0);
        QCOMPARE(f->Label1->text(), QString("0dB"));
        QCOMPARE(w_->Command8->toolTip(), QString("Level 0dB"));
        QVERIFY(!menuItem("dB(211)")->isChecked());

        QPointer<Faders> guard = f;
        f->findChild<QPushButton *>("Command1")->click();
        QVERIFY(!Faders::loaded());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(guard.isNull());

        // The frame's Exit unloads the window before asking the console.
        w_->dB_Click(213);
        guard = Faders::loaded();
        QVERIFY(guard);
        BaseInstance().ext_Click();
        QVERIFY(!Faders::loaded());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(guard.isNull());
    }
};

VB2_TEST_MAIN(TestConsoleMixer)
#include "test_console_mixer.moc"
