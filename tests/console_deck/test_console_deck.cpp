// The console's main road on both players: playlists, cueing, queues, the transport,
// the end of a file and the statistics lines, driven through the real window.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTime>
#include <QTimer>
#include <deque>
#include <functional>

#include "console/ConsoleGlobals.h"
#include "console/DJPlayer.h"
#include "console/Deck.h"
#include "core/OpenSaveFiles.h"
#include "media/MediaPlayer.h"
#include "platform/ProgramFolder.h"
#include "platform/TextFile.h"
#include "support/AudioFiles.h"
#include "support/ConsoleHarness.h"
#include "support/TestEnv.h"
#include "support/TestFiles.h"

namespace {

using vb2test::fileBytes;
using vb2test::Modals;
using vb2test::No;
using vb2test::OK;
using vb2test::reportLines;
using vb2test::Yes;

QStringList fileLines(const QString &path) {
    if (!QFile::exists(path))
        return {};
    return TextFile::readLines(path);
}

QString now() {
    return QTime::currentTime().toString(QStringLiteral("hh:mm"));
}

}  // namespace

class TestConsoleDeck : public QObject {
    Q_OBJECT

    QTemporaryDir audio_;
    DJPlayer *w_ = nullptr;
    std::function<QStringList(QWidget *)> realChooser_ = Deck::ChooseAudioFiles;

    QString wav(const QString &name, double seconds, int rate = 8000) {
        const QString path = audio_.path() + QLatin1Char('/') + name;
        if (!QFile::exists(path))
            vb2test::writeSineWav(path, seconds, rate);
        return path;
    }
    QString home(const QString &name) const { return ProgramFolder::file(name); }

    void choosePlaylist(int deck, const QString &name, const QStringList &paths) {
        vb2test::choosePlaylist(w_, deck, name, paths);
    }
    void clickRow(QListWidget *list, int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        vb2test::clickRow(list, row, mods);
    }
    QPushButton *button(const char *name) { return w_->findChild<QPushButton *>(name); }
    void press(const char *name) {
        QPushButton *b = button(name);
        QVERIFY2(b && b->isEnabled(), name);
        b->click();
    }
    void create(bool a) { a ? w_->plaa_Click(111) : w_->plab_Click(112); }
    void onAir(bool on) { w_->Command15->setProperty("Tag", on ? "Stop" : "Cancel"); }

  private slots:
    void initTestCase() {
        w_ = vb2test::showConsole();
        QVERIFY(w_->isVisible());
    }

    void init() {
        onAir(false);
        w_->Check1->setChecked(false);
        w_->Check2->setChecked(false);
        w_->Check3->setChecked(false);
        w_->Command13_Click();
        w_->Command14_Click();
        w_->Combo1->clear();
        w_->Combo2->clear();
        for (QListWidget *l : {w_->List1, w_->List2, w_->List3, w_->List4})
            l->clear();
        QueueA.clear();
        QueueB.clear();
        QueuePosA = QueuePosB = 0;
        QDir h(ProgramFolder::path());
        for (const QString &f :
             h.entryList({"*.mxp", "*.lap"}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFileInfo fi(h.filePath(f));
            fi.isDir() ? QDir(fi.filePath()).removeRecursively() : QFile::remove(fi.filePath());
        }
        QFileInfo stats(home("Statistics"));
        stats.isDir() ? QDir(stats.filePath()).removeRecursively() : QFile::remove(stats.filePath());
        QDir().mkpath(home("Statistics"));
        Deck::ChooseAudioFiles = realChooser_;
    }

    // Create: the name is trimmed, stored and chosen; a duplicate asks when the check is on.
    void createPlaylistOnBothPlayers() {
        for (int deck = 0; deck < 2; ++deck) {
            const bool a = deck == 0;
            QComboBox *combo = a ? w_->Combo1 : w_->Combo2;
            const QString lap = home(a ? "ALLA.lap" : "ALLB.lap");
            w_->dsc->setChecked(true);
            {
                Modals m;
                m.input("  Jazz  ");
                w_->findChild<QAction *>(a ? "plaa" : "plab")->trigger();
                QVERIFY(m.done());
            }
            QCOMPARE(combo->count(), 1);
            QCOMPARE(combo->itemText(0), QString("Jazz"));
            QCOMPARE(combo->currentIndex(), 0);
            QCOMPARE(fileBytes(lap), QByteArray("Jazz\r\n"));
            QVERIFY(QFile::exists(home(a ? "A0.mxp" : "B0.mxp")));
            QCOMPARE(fileBytes(home(a ? "A0.mxp" : "B0.mxp")), QByteArray());
            QVERIFY(button(a ? "Command1" : "Command3")->isEnabled());
            QVERIFY((a ? w_->List1 : w_->List2)->isEnabled());
            QCOMPARE((a ? w_->Label11 : w_->Label12)->text(), QString("0:00:00"));

            // A duplicate: No brings the prompt back, a cancelled prompt creates nothing.
            {
                Modals m;
                m.input("Jazz");
                m.warning(No);
                m.input("");
                create(a);
                QVERIFY(m.done());
                QCOMPARE(m.texts.value(0),
                         a ? QString("Playlist with such name already exists. Do you want to leave it?")
                           : QString("Playlist with such name alreade exists. Do you want to leave it?"));
            }
            QCOMPARE(combo->count(), 1);
            // Yes keeps the duplicate; another case is no duplicate; blanks only create nothing.
            {
                Modals m;
                m.input("Jazz");
                m.warning(Yes);
                m.input("jazz");
                m.input("   ");
                create(a);
                create(a);
                create(a);
                QVERIFY(m.done());
                QCOMPARE(m.texts.size(), 1);
            }
            QCOMPARE(combo->count(), 3);
            QCOMPARE(fileBytes(lap), QByteArray("Jazz\r\nJazz\r\njazz\r\n"));
            QCOMPARE(combo->currentIndex(), 2);
            QVERIFY(QFile::exists(home(a ? "A2.mxp" : "B2.mxp")));
            // The playlist file cannot be made: a message, and no name without its file.
            const QString next = home(a ? "A3.mxp" : "B3.mxp");
            QDir().mkpath(next + "/x");
            {
                Modals m;
                m.input("Blues");
                m.warning(OK);
                create(a);
                QCOMPARE(m.texts, QStringList({"Unknown error in writing file: " + next}));
            }
            QDir(next).removeRecursively();
            QCOMPARE(combo->count(), 3);
            QCOMPARE(fileBytes(lap), QByteArray("Jazz\r\nJazz\r\njazz\r\n"));
            w_->dsc->setChecked(false);
        }
    }

    // Add: one file, then several at once; the file and the total follow.
    void addFilesOneAndSeveral() {
        const QString intro = wav("Intro.wav", 1.0);
        const QString s1 = wav("s1.wav", 2.6), s2 = wav("s2.wav", 0.5), s3 = wav("s3.wav", 3.2);
        choosePlaylist(0, "Mix", {});
        QStringList chosen = {intro};
        Deck::ChooseAudioFiles = [&chosen](QWidget *) { return chosen; };
        press("Command1");
        QCOMPARE(w_->List1->count(), 1);
        QCOMPARE(w_->List1->item(0)->text(), QString("Intro"));
        QCOMPARE(w_->List3->item(0)->text(), intro);
        QCOMPARE(fileBytes(home("A0.mxp")), ("Intro\r\n" + intro + "\r\n").toUtf8());
        QCOMPARE(w_->Label11->text(), QString("0:00:01"));
        chosen = {s1, s2, s3};
        press("Command1");
        QCOMPARE(w_->List1->count(), 4);
        QCOMPARE(fileLines(home("A0.mxp")), QStringList({"Intro", intro, "s1", s1, "s2", s2, "s3", s3}));
        // Whole seconds of each file: 1 + 2 + 0 + 3.
        QCOMPARE(w_->Label11->text(), QString("0:00:06"));

        // A cancelled dialog changes nothing.
        chosen = {};
        press("Command1");
        QCOMPARE(w_->List1->count(), 4);

        // A name holding a line break cannot be stored: refused with the add message, file unchanged.
        const QString odd = wav("bad\nname.wav", 0.3);
        chosen = {odd};
        const QByteArray before = fileBytes(home("A0.mxp"));
        {
            Modals m;
            m.warning(OK);
            press("Command1");
            QCOMPARE(m.texts, QStringList({"Unknown error in opening file"}));
        }
        QCOMPARE(fileBytes(home("A0.mxp")), before);

        // Player B's message ends with a full stop.
        choosePlaylist(1, "B list", {});
        {
            Modals m;
            m.warning(OK);
            press("Command3");
            QCOMPARE(m.texts, QStringList({"Unknown error in opening file."}));
        }
    }

    // MP3, WMA, MIDI and WAV are added, measured, cued and played alike.
    void everyFormat() {
        const QString mid = audio_.path() + "/Four notes.mid";
        QVERIFY(vb2test::writeMidi(mid, 4));
        const QStringList files = {QString(VB2_TEST_DATA) + "/tone_xing.mp3",
                                   QString(VB2_TEST_DATA) + "/tone.wma", mid, wav("Two.wav", 2.0)};
        choosePlaylist(1, "Formats", {});
        Deck::ChooseAudioFiles = [&files](QWidget *) { return files; };
        press("Command3");
        QCOMPARE(w_->List2->count(), 4);
        QCOMPARE(w_->List2->item(2)->text(), QString("Four notes"));
        // Whole seconds summed: the WMA's sound lasts 1.997 s (its header says 2.042 with padding).
        QCOMPARE(w_->Label12->text(), QString("0:00:07"));
        for (int row = 0; row < 4; ++row) {
            clickRow(w_->List2, row);
            QCOMPARE(w_->Label8->text(), QString("00:02"));
            press("Command10");
            QVERIFY2(w_->MediaPlayer2->isPlaying(), qPrintable(files[row]));
            QCOMPARE(w_->Scrol2->maximum(), 2);
            press("Command14");
        }
    }

    // The add dialog itself: title, filter with all audio preselected, several files at once.
    void addDialogChoosesSeveralFiles() {
        const QString d1 = wav("d1.wav", 0.4), d2 = wav("d2.wav", 0.4);
        choosePlaylist(0, "Dialog", {});
        bool seen = false;
        QString title, filter;
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
        QTimer::singleShot(50, this, [&] {
            for (QWidget *top : QApplication::topLevelWidgets()) {
                auto *dialog = qobject_cast<QFileDialog *>(top);
                if (!dialog || top->objectName() != QLatin1String("CommonDialog1"))
                    continue;
                seen = true;
                title = dialog->windowTitle();
                filter = dialog->selectedNameFilter();
                mode = dialog->fileMode();
                dialog->setDirectory(audio_.path());
                if (auto *edit = dialog->findChild<QLineEdit *>("fileNameEdit"))
                    edit->setText("\"d1.wav\" \"d2.wav\"");
                static_cast<QDialog *>(dialog)->accept();
                if (dialog->isVisible())
                    dialog->reject();
            }
        });
        press("Command1");
        QVERIFY(seen);
        QCOMPARE(title, QString("Add audio file to Playlist"));
        QVERIFY2(filter.startsWith("All audio files (MP3, WAV, WMA, MIDI)"), qPrintable(filter));
        QCOMPARE(mode, QFileDialog::ExistingFiles);
        QCOMPARE(fileLines(home("A0.mxp")), QStringList({"d1", d1, "d2", d2}));
    }

    // Choose: missing files are dropped and the file is rewritten without them; an
    // unreadable playlist gives a message and is never written.
    void chooseDropsMissingFiles() {
        const QString a = wav("c1.wav", 1.2), b = wav("c2.wav", 2.0);
        const QString gone = audio_.path() + "/gone.wav";
        choosePlaylist(0, "Ten", {a, gone, b, gone});
        QCOMPARE(w_->List1->count(), 2);
        QCOMPARE(w_->List3->item(1)->text(), b);
        QCOMPARE(fileBytes(home("A0.mxp")), ("c1\r\n" + a + "\r\nc2\r\n" + b + "\r\n").toUtf8());
        QCOMPARE(w_->Label11->text(), QString("0:00:03"));
        QVERIFY(!button("Command2")->isEnabled());
        QVERIFY(button("Command1")->isEnabled());
        QVERIFY(!w_->Frame8->isEnabled());
        QVERIFY(w_->del->isEnabled());

        // The playlist file of the second entry is missing.
        OpenSaveFiles::AppendComboName("A", "Lost");
        w_->Combo1->addItem("Lost");
        w_->Combo1->setCurrentIndex(1);
        {
            Modals m;
            m.warning(OK);
            emit w_->Combo1->activated(1);
            QCOMPARE(m.texts, QStringList({"Unknown error in opening file: " + home("A1.mxp")}));
        }
        QCOMPARE(w_->List1->count(), 0);
        QVERIFY(!QFile::exists(home("A1.mxp")));
        QVERIFY(!button("Command1")->isEnabled());
        // No playlist stays chosen, so no later command writes the empty lists into its file.
        QCOMPARE(w_->Combo1->currentIndex(), -1);
        // Unreadable (here a folder where the file should be): the same, nothing written.
        QDir().mkpath(home("A1.mxp"));
        w_->Combo1->setCurrentIndex(1);
        {
            Modals m;
            m.warning(OK);
            emit w_->Combo1->activated(1);
            QCOMPARE(m.texts.size(), 1);
        }
        QVERIFY(QFileInfo(home("A1.mxp")).isDir());
    }

    // Delete: one selected item (not the current row), several, none; declining keeps all.
    void deleteItems() {
        QStringList files;
        for (int i = 0; i < 5; ++i)
            files << wav(QString("del%1.wav").arg(i), 1.0);
        choosePlaylist(1, "Del", files);
        QListWidget *l = w_->List2;
        // Row 3 selected alone while the current row is 0.
        l->setCurrentRow(0, QItemSelectionModel::NoUpdate);
        l->clearSelection();
        l->item(3)->setSelected(true);
        w_->List2_Click();
        QCOMPARE(w_->Label2->text(), QString("del3"));
        {
            Modals m;
            m.warning(No);
            press("Command4");
        }
        QCOMPARE(l->count(), 5);
        {
            Modals m;
            m.warning(Yes);
            press("Command4");
            QCOMPARE(m.texts, QStringList({"Are you sure you want to delete this item from playlist?"}));
        }
        QCOMPARE(l->count(), 4);
        QCOMPARE(fileLines(home("B0.mxp")),
                 QStringList({"del0", files[0], "del1", files[1], "del2", files[2], "del4", files[4]}));
        QCOMPARE(w_->Label2->text(), QString());
        QCOMPARE(w_->Label2->palette().color(QPalette::Window),
                 QApplication::palette().color(QPalette::Button));
        QCOMPARE(w_->Label8->text(), QString("00:00"));
        QVERIFY(!button("Command10")->isEnabled());
        QVERIFY(!button("Command4")->isEnabled());
        QVERIFY(!w_->Scrol2->isEnabled());
        QCOMPARE(w_->Label12->text(), QString("0:00:04"));

        // Several.
        clickRow(l, 0);
        clickRow(l, 2, Qt::ControlModifier);
        {
            Modals m;
            m.warning(Yes);
            press("Command4");
        }
        QCOMPARE(fileLines(home("B0.mxp")), QStringList({"del1", files[1], "del4", files[4]}));
        // None: nothing removed, the file still rewritten, the cue reset.
        clickRow(l, 0);
        l->clearSelection();
        QFile::remove(home("B0.mxp"));
        {
            Modals m;
            m.warning(Yes);
            press("Command4");
        }
        QCOMPARE(l->count(), 2);
        QCOMPARE(fileLines(home("B0.mxp")), QStringList({"del1", files[1], "del4", files[4]}));
        // Play with nothing cued does nothing.
        w_->Command10_Click();
        QVERIFY(!PlayerBInUse);
    }

    // Cue one item, then a queue; durations round halves to even; totals drop the fraction.
    void cueSingleAndQueue() {
        const QString h1 = wav("half1.wav", 59.5), h2 = wav("half2.wav", 60.5);
        const QString t1 = wav("t1.wav", 29.95), t2 = wav("t2.wav", 29.95);
        choosePlaylist(0, "Cue", {h1, t1, h2, t2});
        QCOMPARE(w_->Label11->text(), QString("0:02:57"));  // 59 + 29 + 60 + 29 (whole seconds each)
        QListWidget *l = w_->List1;
        clickRow(l, 0);
        QCOMPARE(w_->Label1->text(), QString("half1"));
        QCOMPARE(w_->Label3->text(), h1);
        QCOMPARE(w_->Label7->text(), QString("01:00"));
        QCOMPARE(w_->Label1->palette().color(QPalette::Window), QColor(255, 255, 192));
        QVERIFY(!w_->Frame8->isEnabled());
        QCOMPARE(w_->Label13->text(), QString("0:00:00"));
        QVERIFY(button("Command16")->isEnabled() && button("Command17")->isEnabled());
        QVERIFY(w_->rnma->isVisible() && w_->prps->isVisible() && w_->tttt->isVisible());
        QVERIFY(w_->Shape6->isVisible());
        QVERIFY(button("Command9")->isEnabled() && button("Command2")->isEnabled());
        clickRow(l, 2);
        QCOMPARE(w_->Label7->text(), QString("01:00"));
        QCOMPARE(PrevTitleA, QString("half1"));

        // Queue of rows 1 and 3, clicked on 3: cue row 1, the total of 59.9 s is 0:00:59.
        QueuePosA = 2;
        clickRow(l, 1);
        clickRow(l, 3, Qt::ControlModifier);
        QCOMPARE(QueueA.size(), std::size_t(3));
        QCOMPARE(QueueA[0], 1);
        QCOMPARE(QueueA[1], 3);
        QCOMPARE(QueuePosA, 0);  // a new queue on a stopped player starts at its first item
        QCOMPARE(w_->Label1->text(), QString("t1"));
        QCOMPARE(w_->Label7->text(), QString("00:30"));
        QVERIFY(w_->Frame8->isEnabled());
        QCOMPARE(w_->Label13->text(), QString("0:00:59"));
        QVERIFY(!button("Command16")->isEnabled());
        QVERIFY(!w_->rnma->isVisible() && !w_->prps->isVisible());

        // The cued file is gone: the message, and the cue stays.
        QFile::rename(h1, h1 + ".away");
        {
            Modals m;
            m.warning(OK);
            clickRow(l, 0);
            QCOMPARE(m.texts,
                     QStringList({"File is not found. Probably it is removed or moved to other folder."}));
        }
        QFile::rename(h1 + ".away", h1);
        QCOMPARE(w_->Label1->text(), QString("t1"));
        QVERIFY(!w_->rnma->isVisible());
    }

    // Play, pause, seek, resume, stop: captions, marks, light, clock and the player's position.
    void transport() {
        const QString f = wav("long.wav", 6.0);
        choosePlaylist(0, "Play", {f});
        clickRow(w_->List1, 0);
        press("Command9");
        QVERIFY(w_->MediaPlayer1->isPlaying());
        QCOMPARE(button("Command9")->text(), QString("Pause"));
        QVERIFY(PlayingA && PlayerAInUse);
        QCOMPARE(StartTimeA, now());
        QCOMPARE(w_->Scrol1->maximum(), 6);
        QVERIFY(w_->Line3[0]->isVisible() && !w_->Shape8[0]->isVisible() && !w_->Shape6->isVisible());
        QVERIFY(w_->Label9->isVisible());
        QVERIFY(w_->Timer4->isActive() && w_->Timer10->isActive());
        QVERIFY(button("Command13")->isEnabled() && !button("Command2")->isEnabled());

        // Running light: one lamp at a time.
        for (int i = 0; i < 3; ++i)
            w_->Timer10_Timer();
        for (int i = 0; i < 6; ++i)
            QCOMPARE(w_->Ind1[i]->isVisible(), i == 2);
        // The clock counts the slider up; the remaining time follows the player.
        w_->Timer4_Timer();
        QCOMPARE(w_->Scrol1->value(), 1);
        QVERIFY(w_->Label9->text() == "00:06" || w_->Label9->text() == "00:05");

        press("Command9");
        QCOMPARE(button("Command9")->text(), QString("Play"));
        QVERIFY(!PlayingA && PlayerAInUse);
        QVERIFY(w_->MediaPlayer1->isPaused());
        QVERIFY(!w_->Line3[0]->isVisible() && w_->Shape8[0]->isVisible() && w_->Shape8[1]->isVisible());
        QVERIFY(w_->Ind1[2]->isVisible());  // the last lamp stays lit
        QVERIFY(!w_->Timer4->isActive() && !w_->Timer10->isActive());

        // Values set by code never seek.
        const double held = w_->MediaPlayer1->CurrentPosition();
        w_->Scrol1->setValue(5);
        QCoreApplication::processEvents();
        QVERIFY(qAbs(w_->MediaPlayer1->CurrentPosition() - held) < 0.05);
        // The user's move does.
        w_->Scrol1->setValue(0);
        w_->Scrol1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        w_->Scrol1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        w_->Scrol1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QTRY_VERIFY(qAbs(w_->MediaPlayer1->CurrentPosition() - 3.0) < 0.05);

        // Resume from the slider's second.
        press("Command9");
        QVERIFY(PlayingA);
        QVERIFY(w_->MediaPlayer1->CurrentPosition() >= 2.95);
        QVERIFY(w_->Label9->text() == "00:03" || w_->Label9->text() == "00:02");
        w_->Timer10_Timer();
        QVERIFY(w_->Ind1[3]->isVisible());

        press("Command13");
        QCOMPARE(button("Command9")->text(), QString("Play"));
        QVERIFY(!PlayingA && !PlayerAInUse);
        QVERIFY(!w_->MediaPlayer1->isPlaying());
        QVERIFY(w_->Shape6->isVisible() && !w_->Line3[0]->isVisible() && !w_->Shape8[0]->isVisible());
        for (QLabel *lamp : w_->Ind1)
            QVERIFY(!lamp->isVisible());
        QVERIFY(!w_->Label9->isVisible());
        QVERIFY(!button("Command13")->isEnabled() && button("Command2")->isEnabled());
        QCOMPARE(w_->Scrol1->value(), 0);
        QCOMPARE(PositionA, 0.0);
        QVERIFY(reportLines().isEmpty());  // off the air nothing is written

        // Play with "Auto Crossing" ticked crosses toward the player; Play in emergency mode
        // leaves it first.
        w_->Check1->setChecked(true);
        QAction *alarm = w_->Toolbar1Button(QString("Alarm"));
        alarm->setChecked(true);
        CrossToA = false;
        press("Command9");
        QVERIFY(CrossToA && w_->Timer3->isActive());
        QVERIFY(!alarm->isChecked());
        press("Command13");
        w_->Timer3->stop();
        w_->Check1->setChecked(false);

        // Once the remote-control window exists, either player's Stop withdraws its Stop and
        // Pause and puts out its lamp.
        QWidget remote;
        remote.setObjectName("Remote");
        auto *stopKey = new QPushButton(&remote), *pauseKey = new QPushButton(&remote);
        stopKey->setObjectName("Command4");
        pauseKey->setObjectName("Command5");
        auto *lamp = new QLabel(&remote);
        lamp->setObjectName("Label3");
        QPalette red = lamp->palette();
        red.setColor(QPalette::Window, Qt::red);
        lamp->setPalette(red);
        w_->Command14_Click();
        QVERIFY(!stopKey->isEnabled() && !pauseKey->isEnabled());
        QCOMPARE(lamp->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Button));
    }

    // On the air: Stop writes one line; an idle Stop writes none; a switch during play
    // writes the played item's line, also when the item ends after another was cued.
    void statisticsOnAir() {
        const QString a = wav("Alpha.wav", 4.0), b = wav("Beta.wav", 0.4), c = wav("Gamma.wav", 2.0);
        choosePlaylist(1, "Air", {a, b, c});
        onAir(true);
        clickRow(w_->List2, 0);
        press("Command10");
        press("Command14");
        QCOMPARE(reportLines(), QStringList({"|" + StartTimeB + " | 00:04 | Alpha"}));
        w_->Command14_Click();  // idle
        QCOMPARE(reportLines().size(), 1);
        // A paused item is still on the air: its Stop writes its line.
        press("Command10");
        press("Command10");
        QVERIFY(!PlayingB && PlayerBInUse);
        press("Command14");
        QCOMPARE(reportLines().size(), 2);
        QCOMPARE(reportLines().value(1), "|" + StartTimeB + " | 00:04 | Alpha");
        // Paused, another item cued, Play: the new item starts from 0 and the paused one
        // gets no line.
        press("Command10");
        press("Command10");
        clickRow(w_->List2, 2);
        press("Command10");
        QCOMPARE(w_->MediaPlayer2->FileName(), c);
        QVERIFY(PlayingB && w_->MediaPlayer2->CurrentPosition() < 0.5);
        QCOMPARE(reportLines().size(), 2);
        press("Command14");
        QCOMPARE(reportLines().value(2), "|" + StartTimeB + " | 00:02 | Gamma");

        // Switch: Alpha plays, Gamma is cued, Play writes Alpha's line and starts Gamma.
        // Each line carries its item's start time, which a test run may see change minute.
        clickRow(w_->List2, 0);
        press("Command10");
        const QString alphaStart = StartTimeB;
        clickRow(w_->List2, 2);
        clickRow(w_->List2, 1);
        press("Command10");
        const QString betaStart = StartTimeB;
        QCOMPARE(w_->MediaPlayer2->FileName(), b);
        QCOMPARE(reportLines().value(3), "|" + alphaStart + " | 00:04 | Alpha");
        QCOMPARE(reportLines().size(), 4);
        // Beta plays (0.4 s); Alpha is cued during its play; its end writes Beta's line.
        clickRow(w_->List2, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!PlayerBInUse, 5000);
        QCOMPARE(reportLines().value(4), "|" + betaStart + " | 00:00 | Beta");
        QCOMPARE(reportLines().size(), 5);
        QCOMPARE(w_->Label2->text(), QString("Alpha"));  // the cue stays
        onAir(false);
    }

    // A queue of three on the air: three lines in order, the player never shows "Play"
    // in between, and it ends stopped with the first item cued.
    void queueRunsThrough() {
        const QString q1 = wav("Q one.wav", 0.3), q2 = wav("Q two.wav", 0.4), q3 = wav("Q three.wav", 0.3);
        choosePlaylist(0, "Queue", {q1, q2, q3});
        clickRow(w_->List1, 0);
        clickRow(w_->List1, 2, Qt::ShiftModifier);
        QCOMPARE(w_->List1->selectedItems().size(), 3);
        // Off the air the queue runs through and writes nothing.
        press("Command9");
        QTRY_VERIFY_WITH_TIMEOUT(!PlayerAInUse, 6000);
        QVERIFY(reportLines().isEmpty());
        QCOMPARE(w_->Label1->text(), QString("Q one"));

        onAir(true);
        press("Command9");
        bool showedPlay = false;
        QTRY_VERIFY_WITH_TIMEOUT(
            (showedPlay |= PlayerAInUse && button("Command9")->text() == "Play", !PlayerAInUse), 6000);
        QVERIFY(!showedPlay);
        const QStringList lines = reportLines();
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].endsWith(" | 00:00 | Q one"));
        QVERIFY(lines[1].endsWith(" | 00:00 | Q two"));
        QVERIFY(lines[2].endsWith(" | 00:00 | Q three"));
        QCOMPARE(QueuePosA, 0);
        QCOMPARE(w_->Label1->text(), QString("Q one"));
        QCOMPARE(w_->Label3->text(), q1);
        QCOMPARE(button("Command9")->text(), QString("Play"));
        onAir(false);
    }

    // Repeat restarts the cued item with a line for each end, and the queue does not move.
    void repeatRestarts() {
        const QString r = wav("Again.wav", 0.3);
        choosePlaylist(0, "Rep", {r});
        onAir(true);
        clickRow(w_->List1, 0);
        w_->Check2->setChecked(true);
        press("Command9");
        QTRY_VERIFY_WITH_TIMEOUT(reportLines().size() >= 1, 4000);
        QVERIFY(PlayerAInUse);
        QTRY_VERIFY(PlayingA && w_->MediaPlayer1->isPlaying());
        QCOMPARE(button("Command9")->text(), QString("Pause"));
        w_->Check2->setChecked(false);
        QTRY_VERIFY_WITH_TIMEOUT(!PlayerAInUse, 4000);
        const QStringList lines = reportLines();
        QVERIFY(lines.size() >= 2);
        for (const QString &line : lines)
            QVERIFY(line.endsWith(" | 00:00 | Again"));

        // The file is gone when its end comes round: one line, Play's message, and the
        // Stop that follows adds no second line for the same item.
        w_->Check2->setChecked(true);
        press("Command9");
        QFile::rename(r, r + ".away");
        {
            Modals m;
            m.warning(OK);
            QTRY_VERIFY_WITH_TIMEOUT(m.texts.size() == 1, 4000);
            QCOMPARE(m.texts[0], QString("Your computer have not any sound device."));
        }
        QFile::rename(r + ".away", r);
        w_->Check2->setChecked(false);
        QCOMPARE(reportLines().size(), lines.size() + 1);
        press("Command13");
        QCOMPARE(reportLines().size(), lines.size() + 1);
        onAir(false);
    }

    // A missing next file is skipped and taken out of the selection; with none left the
    // player stops without a second line; a file that will not start stops the player.
    void queueAdvanceFaults() {
        const QString m1 = wav("m1.wav", 0.3), m2 = wav("m2.wav", 0.3), m3 = wav("m3.wav", 0.3),
                      m4 = wav("m4.wav", 0.3);
        choosePlaylist(0, "Skip", {m1, m2, m3, m4});
        onAir(true);
        clickRow(w_->List1, 0);
        clickRow(w_->List1, 3, Qt::ShiftModifier);
        QFile::rename(m2, m2 + ".away");
        press("Command9");
        QTRY_VERIFY_WITH_TIMEOUT(!PlayerAInUse, 6000);
        QFile::rename(m2 + ".away", m2);
        QStringList lines = reportLines();
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].endsWith("| m1") && lines[1].endsWith("| m3") && lines[2].endsWith("| m4"));
        QVERIFY(!w_->List1->item(1)->isSelected());

        // None left after the missing one: one line only, stopped, the first item cued.
        clickRow(w_->List1, 2);
        clickRow(w_->List1, 3, Qt::ControlModifier);
        QFile::rename(m4, m4 + ".away");
        press("Command9");
        QTRY_VERIFY_WITH_TIMEOUT(!PlayerAInUse, 4000);
        QFile::rename(m4 + ".away", m4);
        QCOMPARE(reportLines().size(), 4);
        QCOMPARE(QueuePosA, 0);
        QCOMPARE(w_->Label1->text(), QString("m3"));

        // Off the air, the next file exists but cannot be played: Play's message, the player stopped.
        onAir(false);
        const QString junk = audio_.path() + "/junk.wav";
        {
            QFile j(junk);
            QVERIFY(j.open(QIODevice::WriteOnly));
            j.write("this is not audio at all");
        }
        choosePlaylist(0, "Junk", {m1, junk});
        QCOMPARE(w_->Label11->text(), QString("24:00:00"));
        clickRow(w_->List1, 0);
        clickRow(w_->List1, 1, Qt::ControlModifier);
        QCOMPARE(w_->Label13->text(), QString("0:00:00"));  // an unmeasurable file counts as 0
        {
            Modals m;
            m.warning(OK);
            press("Command9");
            QTRY_VERIFY_WITH_TIMEOUT(!PlayerAInUse, 4000);
            QTRY_COMPARE(m.texts, QStringList({"Your computer have not any sound device."}));
        }
        QCOMPARE(reportLines().size(), 4);
        QCOMPARE(button("Command9")->text(), QString("Play"));
        onAir(true);

        // An end on a queue whose entries point past the list stops the player.
        clickRow(w_->List1, 0);
        press("Command9");
        w_->List1->clearSelection();
        QueueA = {7, 9, 0};
        QueuePosA = 0;
        w_->MediaPlayer1_EndOfStream(0);
        QVERIFY(!PlayerAInUse);
        onAir(false);
    }

    // On the air a damaged file inside a queue is no dead air: One, then Two at once, a
    // line for each, and the message naming the damaged file only once Two sounds. With
    // nothing playable after One the player stops, with One's line alone.
    void damagedQueueItemSkippedOnTheAir() {
        QVERIFY(QDir(audio_.path()).mkpath("damaged"));
        const QString one = wav("damaged/One.wav", 0.3), two = wav("damaged/Two.wav", 0.6);
        const QString bad = audio_.path() + "/bad.mp3", worse = audio_.path() + "/worse.wma";
        vb2test::writeBytes(bad, vb2test::randomBytes(20000, 7));
        vb2test::writeBytes(worse, vb2test::randomBytes(30000, 8));
        choosePlaylist(0, "Damaged", {one, bad, two, worse});
        onAir(true);
        clickRow(w_->List1, 0);
        clickRow(w_->List1, 2, Qt::ShiftModifier);
        QStringList heard;  // the files the player sounded, in order
        bool stoppedBetween = false;
        auto watch = [&] {
            if (w_->MediaPlayer1->isPlaying() &&
                heard.value(heard.size() - 1) != w_->MediaPlayer1->FileName())
                heard << w_->MediaPlayer1->FileName();
            stoppedBetween |= PlayerAInUse && button("Command9")->text() == "Play";
            return !PlayerAInUse;
        };
        {
            Modals m;
            QString soundingAtMessage;
            m.seen = [&](const QString &) {
                if (w_->MediaPlayer1->isPlaying())
                    soundingAtMessage = w_->MediaPlayer1->FileName();
            };
            m.warning(OK);
            press("Command9");
            QTRY_VERIFY_WITH_TIMEOUT(watch(), 5000);
            QCOMPARE(heard, QStringList({one, two}));
            QVERIFY(!stoppedBetween);
            QCOMPARE(m.texts, QStringList({"Your computer have not any sound device.\n" + bad}));
            QCOMPARE(soundingAtMessage, two);
        }
        QStringList lines = reportLines();
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[0].endsWith(" | 00:00 | One") && lines[1].endsWith(" | 00:01 | Two"),
                 qPrintable(lines.join('/')));
        QVERIFY(!w_->List1->item(1)->isSelected());
        QCOMPARE(w_->Label1->text(), QString("One"));

        // Every item after One damaged: One's line, then stopped with One cued again.
        clickRow(w_->List1, 0);
        clickRow(w_->List1, 1, Qt::ControlModifier);
        clickRow(w_->List1, 3, Qt::ControlModifier);
        QCOMPARE(w_->List1->selectedItems().size(), 3);
        {
            Modals m;
            m.warning(OK);
            press("Command9");
            QTRY_VERIFY_WITH_TIMEOUT(!PlayerAInUse, 5000);
            QTRY_COMPARE(m.texts,
                         QStringList({"Your computer have not any sound device.\n" + bad + "\n" + worse}));
            QTest::qWait(20);
            QVERIFY(m.unexpected.isEmpty());
        }
        QCOMPARE(reportLines().size(), 3);
        QVERIFY(reportLines()[2].endsWith("| One"));
        QCOMPARE(QueuePosA, 0);
        QCOMPARE(w_->Label1->text(), QString("One"));
        QCOMPARE(button("Command9")->text(), QString("Play"));
        onAir(false);
    }

    // A report that cannot be written never stops a Stop; the failure is shown once after it.
    void failedReportWriteStillStops() {
        const QString f = wav("Fail.wav", 3.0);
        choosePlaylist(0, "Fail", {f});
        QDir(home("Statistics")).removeRecursively();
        {
            QFile blocker(home("Statistics"));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        onAir(true);
        clickRow(w_->List1, 0);
        press("Command9");
        {
            Modals m;
            m.warning(OK);
            press("Command13");
            QTRY_COMPARE(m.texts.size(), 1);
            QVERIFY(m.texts[0].startsWith("The statistics report could not be written"));
        }
        QVERIFY(!PlayerAInUse);
        QCOMPARE(button("Command9")->text(), QString("Play"));
        QVERIFY(!w_->MediaPlayer1->isPlaying());

        // The queue's advance goes on too; the message does not pile up.
        const QString s1 = wav("fs1.wav", 0.3), s2 = wav("fs2.wav", 0.3);
        choosePlaylist(0, "FailQ", {s1, s2});
        clickRow(w_->List1, 0);
        clickRow(w_->List1, 1, Qt::ShiftModifier);
        {
            Modals m;
            m.warning(OK);
            m.warning(OK);
            press("Command9");
            QTRY_VERIFY_WITH_TIMEOUT(!PlayerAInUse && m.texts.size() >= 1, 5000);
            QTest::qWait(50);
            QVERIFY(m.unexpected.isEmpty());
            QVERIFY(m.texts.size() <= 2);
        }
        QCOMPARE(w_->Label1->text(), QString("fs1"));
        QCOMPARE(QueuePosA, 0);
        onAir(false);
    }
};

VB2_TEST_MAIN(TestConsoleDeck)
#include "test_console_deck.moc"
