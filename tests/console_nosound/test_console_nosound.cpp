// The console on a machine with no sound output at all (no server, no device,
// no dummy driver): Play and the jingle keys say so with Play's message, and
// nothing is shown as playing.
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include "console/ConsoleGlobals.h"
#include "console/DJPlayer.h"
#include "core/Globals.h"
#include "core/OpenSaveFiles.h"
#include "media/MediaPlayer.h"
#include "platform/TextFile.h"
#include "support/AudioFiles.h"
#include "support/ConsoleHarness.h"
#include "support/TestEnv.h"

using vb2test::Modals;
using vb2test::OK;

class TestConsoleNoSound : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    DJPlayer *w_ = nullptr;

  private slots:
    void initTestCase() {
        // Nothing may answer: no dummy driver, no server, no ALSA device, no JACK.
        qunsetenv("SDL_AUDIODRIVER");
        qputenv("PULSE_SERVER", (dir_.path() + "/none/native").toUtf8());
        qputenv("PIPEWIRE_RUNTIME_DIR", (dir_.path() + "/none").toUtf8());
        QFile(dir_.filePath("asound.conf")).open(QIODevice::WriteOnly);
        qputenv("ALSA_CONFIG_PATH", dir_.filePath("asound.conf").toUtf8());
        qputenv("JACK_NO_START_SERVER", "1");
        w_ = vb2test::showConsole();
    }

    // Play of a cued item: the message, "Play" stays, PlayingA stays false and
    // the player is not playing; Stop returns the deck to Stopped.
    void playSaysThereIsNoSound() {
        const QString wav = dir_.filePath("one.wav");
        QVERIFY(vb2test::writeSineWav(wav, 1.0));
        const int n = w_->Combo1->count();
        OpenSaveFiles::AppendComboName("A", "NoSound");
        TextFile::writeLines(OpenSaveFiles::PlaylistPath("A", n), {QFileInfo(wav).completeBaseName(), wav});
        w_->Combo1->addItem("NoSound");
        w_->Combo1->setCurrentIndex(n);
        emit w_->Combo1->activated(n);
        QListWidget *list = w_->List1;
        QCOMPARE(list->count(), 1);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        auto *play = w_->findChild<QPushButton *>("Command9");
        QTRY_VERIFY(play->isEnabled());
        {
            Modals m;
            m.warning(OK);
            play->click();
            QTRY_COMPARE(m.texts, QStringList({"Your computer have not any sound device."}));
        }
        QVERIFY(!PlayingA);
        QCOMPARE(play->text(), QString("Play"));
        QVERIFY(!w_->MediaPlayer1->isPlaying());
        w_->findChild<QPushButton *>("Command13")->click();
        QVERIFY(!PlayerAInUse);
    }

    // A jingle key: the same message, and the key stays usable (its file is fine).
    void jingleSaysThereIsNoSound() {
        const QString wav = dir_.filePath("jingle.wav");
        QVERIFY(vb2test::writeSineWav(wav, 0.5));
        JinglePath[0] = wav;
        w_->JingleCheck();
        auto *key = w_->findChild<QPushButton *>("Command11(0)");
        QVERIFY(key->isEnabled());
        {
            Modals m;
            m.warning(OK);
            key->click();
            QTRY_COMPARE(m.texts, QStringList({"Your computer have not any sound device."}));
        }
        QVERIFY(key->isEnabled());
        QVERIFY(!w_->MediaPlayer4->isPlaying());
    }
};

VB2_TEST_MAIN(TestConsoleNoSound)
#include "test_console_nosound.moc"
