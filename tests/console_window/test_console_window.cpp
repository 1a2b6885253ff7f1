// The console window as the engineer meets it: start-up on a fresh program
// folder, its controls, menus, toolbar and timers, the close guard and the
// commands of the window itself.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <map>

#include "console/ConsoleGlobals.h"
#include "console/DJPlayer.h"
#include "core/Globals.h"
#include "platform/Settings.h"
#include "support/AudioFiles.h"
#include "support/ConsoleHarness.h"
#include "support/TestEnv.h"
#include "support/TestFiles.h"

namespace {

// Answers every message window with its first button and keeps the texts shown.
class MessageCatcher : public QObject {
  public:
    MessageCatcher() {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, [this] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (w->objectName() != "Warning" || !w->isVisible() || answered_.contains(w))
                    continue;
                answered_.append(w);
                if (auto *label = w->findChild<QLabel *>("Label1"))
                    texts << label->text();
                if (auto *ok = w->findChild<QPushButton *>("Command1(0)"))
                    QMetaObject::invokeMethod(ok, "click", Qt::QueuedConnection);
            }
        });
        timer_.start();
    }
    QStringList texts;

  private:
    QTimer timer_;
    QList<QWidget *> answered_;
};

using vb2test::writeBytes;

QString home(const QString &name) {
    return vb2test::env()->home() + "/" + name;
}

}  // namespace

class TestConsoleWindow : public QObject {
    Q_OBJECT
    DJPlayer *c = nullptr;

    template <class T>
    T *find(const QString &name) {
        T *w = c->findChild<T *>(name);
        if (!w)
            qWarning() << "missing" << name;
        return w;
    }
    void resetCombos() {
        c->Combo1->clear();
        c->Combo2->clear();
        c->NameListUnreadableA = c->NameListUnreadableB = false;
    }

  private slots:
    // A first start: no jingle set, no name lists, no settings. The console comes
    // up working and silent.
    void startUpOnEmptyFolderIsSilent() {
        MessageCatcher messages;
        c = &DJPlayerInstance();
        c->Show();
        QVERIFY(messages.texts.isEmpty());
        QVERIFY(c->isLoaded());
        QVERIFY(c->isVisible());
        QCOMPARE(c->Combo1->count(), 0);
        QCOMPARE(c->Combo2->count(), 0);
        QCOMPARE(c->Combo1->currentIndex(), -1);
        for (QPushButton *b : c->Command11)
            QVERIFY(!b->isEnabled());
        for (const QString &p : JinglePath)
            QVERIFY(p.isEmpty());
        QVERIFY(!c->dsc->isChecked());
        // Talk level 18 by default: the Default items are ticked and the talk keys say so.
        QVERIFY(c->dB[211]->isChecked());
        QVERIFY(c->dBA[511]->isChecked());
        QCOMPARE(c->Command7->toolTip(), QString("Level -18dB"));
        QCOMPARE(c->Command8->toolTip(), QString("Level -18dB"));
        // No jingle file is written by the load.
        QVERIFY(!QFile::exists(home("jing.jin")));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        // The console is a child of the frame, without minimise and maximise buttons.
        auto *sub = qobject_cast<QMdiSubWindow *>(c->parentWidget());
        QVERIFY(sub);
        QVERIFY(!(sub->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(sub->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(c->windowTitle(), QString("Players & DJ Mixpad"));
    }

    // The jingle set, the name lists and the settings as stored reach the controls.
    void loadReadsJinglesNameListsAndSettings() {
        QStringList lines;
        for (int k = 0; k < 24; ++k)
            lines << "";
        lines[1] = "Name only";              // "A": a name without a path stays off
        lines[4] = "/music/jingles/c.mp3";   // "C": a path with an empty name
        lines[22] = "/music/jingles/l.mp3";  // "L"
        // Line 24, the name of "L", as the Windows program stored it (Windows-1251).
        QByteArray bytes;
        for (int k = 0; k < 24; ++k) {
            if (k == 23)
                bytes += QByteArray("\xC7\xE0\xF1\xF2\xE0\xE2\xEA\xE0");
            else
                bytes += lines[k].toUtf8();
            bytes += "\r\n";
        }
        writeBytes(home("jing.jin"), bytes);
        writeBytes(home("ALLA.lap"), "Morning\r\nEvening\r\n");
        writeBytes(home("ALLB.lap"), "News");
        Settings::save("DisName", "True");
        Settings::save("LastFadeLevel", "0");
        c->dB[211]->setChecked(false);
        c->dBA[511]->setChecked(false);
        resetCombos();

        MessageCatcher messages;
        c->Form_Load();
        QVERIFY(messages.texts.isEmpty());
        QVERIFY(!c->Command11[0]->isEnabled());
        QCOMPARE(c->Command11[0]->toolTip(), QString("Name only"));
        QVERIFY(c->Command11[2]->isEnabled());
        QCOMPARE(c->Command11[2]->toolTip(), QString());
        QVERIFY(c->Command11[11]->isEnabled());
        QCOMPARE(JingleName[11], QString::fromUtf8("Заставка"));
        QCOMPARE(c->Command11[11]->toolTip(), QString::fromUtf8("Заставка"));
        QCOMPARE(JinglePath[11], QString("/music/jingles/l.mp3"));
        QCOMPARE(c->Combo1->count(), 2);
        QCOMPARE(c->Combo1->itemText(1), QString("Evening"));
        QCOMPARE(c->Combo2->count(), 1);
        QCOMPARE(c->Combo1->currentIndex(), -1);
        QCOMPARE(c->Combo2->currentIndex(), -1);
        QVERIFY(c->dsc->isChecked());
        QVERIFY(!c->dB[211]->isChecked());
        QCOMPARE(c->Command7->toolTip(), QString("Level 0dB"));

        // A shorter jingle file: the missing slots are empty.
        writeBytes(home("jing.jin"), "/a.mp3\r\nA\r\n");
        c->Form_Load();
        QCOMPARE(JinglePath[0], QString("/a.mp3"));
        QVERIFY(JinglePath[11].isEmpty());
        QFile::remove(home("jing.jin"));
        QFile::remove(home("ALLA.lap"));
        QFile::remove(home("ALLB.lap"));
        Settings::remove("DisName");
        Settings::remove("LastFadeLevel");
    }

    // A name list that cannot be read: one message, an empty chooser, the rest of the
    // load done, and the list never rewritten.
    void unreadableNameListIsReportedAndKept() {
        QVERIFY(QDir(vb2test::env()->home()).mkpath("ALLB.lap"));
        writeBytes(home("ALLA.lap"), "Morning\r\n");
        Settings::save("DisName", "True");
        resetCombos();
        c->dsc->setChecked(false);
        MessageCatcher messages;
        c->Form_Load();
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY(messages.texts[0].contains("ALLB.lap"));
        QCOMPARE(c->Combo1->count(), 1);
        QCOMPARE(c->Combo2->count(), 0);
        QVERIFY(c->NameListUnreadableB);
        QVERIFY(!c->NameListUnreadableA);
        QVERIFY(c->dsc->isChecked());  // later steps still ran
        QVERIFY(QFileInfo(home("ALLB.lap")).isDir());
        QVERIFY(QDir(home("ALLB.lap")).removeRecursively());
        QFile::remove(home("ALLA.lap"));
        Settings::remove("DisName");
        resetCombos();
    }

    void playerControlsStartAsDesigned() {
        for (const QString &p : {QString("A"), QString("B")}) {
            const bool a = p == "A";
            auto name = [a](const char *na, const char *nb) { return QString(a ? na : nb); };
            QCOMPARE(find<QGroupBox>(name("Frame1", "Frame2"))->title(), "Player " + p);
            QVERIFY(!find<QListWidget>(name("List1", "List2"))->isEnabled());
            QCOMPARE(find<QListWidget>(name("List1", "List2"))->selectionMode(),
                     QAbstractItemView::ExtendedSelection);
            QVERIFY(find<QListWidget>(name("List3", "List4"))->isHidden());
            struct B {
                const char *a, *b, *caption, *tip;
            };
            for (const B &b : {B{"Command1", "Command3", "Add", "Добавить пункт в плейлист"},
                               B{"Command2", "Command4", "Delete", "Удалить пункт из плейлиста"},
                               B{"Command9", "Command10", "Play", "Воспроизведение"},
                               B{"Command13", "Command14", "Stop", "Остановка"},
                               B{"Command16", "Command18", "", "Пункт вверх"},
                               B{"Command17", "Command19", "", "Пункт вниз"}}) {
                auto *button = find<QPushButton>(name(b.a, b.b));
                QVERIFY(button);
                QCOMPARE(button->text(), QString::fromUtf8(b.caption));
                QCOMPARE(button->toolTip(), QString::fromUtf8(b.tip));
                QVERIFY(!button->isEnabled());
            }
            auto *repeat = find<QCheckBox>(name("Check2", "Check3"));
            QCOMPARE(repeat->text(), QString("Repeat"));
            QCOMPARE(repeat->toolTip(), QString::fromUtf8("Повтор"));
            QVERIFY(!repeat->isChecked());
            QCOMPARE(find<QLabel>(name("Label1", "Label2"))->text(), QString());
            QCOMPARE(find<QLabel>(name("Label3", "Label4"))->text(), name("Label3", "Label4"));
            QVERIFY(find<QLabel>(name("Label3", "Label4"))->isHidden());
            QCOMPARE(find<QLabel>(name("Label7", "Label8"))->text(), QString("00:00"));
            QVERIFY(find<QLabel>(name("Label9", "Label10"))->isHidden());
            QCOMPARE(find<QGroupBox>(name("Frame6", "Frame7"))->title(), QString("Total"));
            QCOMPARE(find<QLabel>(name("Label11", "Label12"))->text(), QString("0:00:00"));
            QVERIFY(!find<QGroupBox>(name("Frame8", "Frame9"))->isEnabled());
            QCOMPARE(find<QLabel>(name("Label13", "Label14"))->text(), QString("0:00:00"));
            auto *mute = find<QLabel>(name("Label5", "Label6"));
            QCOMPARE(mute->text(), QString("MUTE"));
            QVERIFY(mute->font().bold());
            QVERIFY(mute->isHidden());
            for (int k = 0; k < 6; ++k)
                QVERIFY(find<QLabel>(QString("%1(%2)").arg(name("Ind1", "Ind2")).arg(k))->isHidden());
            for (int k = 0; k < 3; ++k)
                QVERIFY(find<QWidget>(QString("%1(%2)").arg(name("Line3", "Line4")).arg(k))->isHidden());
            for (int k = 0; k < 2; ++k)
                QVERIFY(find<QWidget>(QString("%1(%2)").arg(name("Shape8", "Shape9")).arg(k))->isHidden());
            QVERIFY(find<QWidget>(name("Shape6", "Shape7"))->isHidden());
            QVERIFY(!find<QWidget>(name("Shape4", "Shape5"))->isHidden());
            QVERIFY(!find<QWidget>(a ? "Shape10(0)" : "Shape10(1)")->isHidden());
            auto *pos = find<QSlider>(name("Scrol1", "Scrol2"));
            QCOMPARE(pos->orientation(), Qt::Horizontal);
            QCOMPARE(pos->maximum(), 32768);
            QCOMPARE(pos->value(), 0);
            QVERIFY(pos->isEnabled());
            QCOMPARE(c->findChild<QObject *>(name("MediaPlayer1", "MediaPlayer2")),
                     a ? (QObject *)c->MediaPlayer1 : (QObject *)c->MediaPlayer2);
        }
        // Layout: twips / 15.
        QCOMPARE(c->Frame1->geometry(), QRect(8, 48, 233, 340));
        QCOMPARE(c->Frame2->geometry().topLeft(), QPoint(448, 48));
        QCOMPARE(c->List1->geometry(), QRect(8, 48, 193, 173));
        QCOMPARE(c->Scrol1->geometry().topLeft(), QPoint(64, 318));
    }

    void mixerJinglesAndBroadcastPanelStartAsDesigned() {
        for (QSlider *s : {c->Slider1, c->Slider2}) {
            QCOMPARE(s->orientation(), Qt::Vertical);
            QCOMPARE(s->minimum(), 0);
            QCOMPARE(s->maximum(), 42);
            QCOMPARE(s->value(), 0);
            QCOMPARE(s->tickPosition(), QSlider::TicksBothSides);
            QCOMPARE(s->tickInterval(), 6);
        }
        QCOMPARE(c->Slider3->maximum(), 84);
        QCOMPARE(c->Slider3->value(), 42);
        QCOMPARE(c->Slider3->tickPosition(), QSlider::NoTicks);
        QCOMPARE(c->Frame5->title(), QString("Cross Fader"));
        QCOMPARE(c->Frame3->title(), QString("DJ Mixpad"));
        QCOMPARE(c->Command5->text(), QString("M"));
        QCOMPARE(c->Command6->toolTip(), QString::fromUtf8("Отключить звук плеера B"));
        QCOMPARE(c->Command7->text(), QString("Tlk"));
        QCOMPARE(c->Check1->text(), QString("Auto Crossing"));
        QCOMPARE(c->Check1->toolTip(), QString::fromUtf8("Автоматическое сведение"));
        QVERIFY(!c->Check1->isChecked());

        QCOMPARE(c->Frame4->title(), QString("Jingles"));
        const QString letters = "ABCDEFGHIJKL";
        for (int k = 0; k < 12; ++k) {
            auto *b = find<QPushButton>(QString("Command11(%1)").arg(k));
            QCOMPARE(b->text(), QString(letters[k]));
        }
        // Rows of four: A B C D, E F G H, I J K L.
        QCOMPARE(c->Command11[4]->x(), c->Command11[0]->x());
        QVERIFY(c->Command11[4]->y() > c->Command11[3]->y());
        QCOMPARE(c->Command11[3]->y(), c->Command11[0]->y());

        QCOMPARE(c->Label15->text(), QString("Begin Time:"));
        QCOMPARE(c->Label16->text(), QString("Limit Time:"));
        for (int k = 0; k < 2; ++k)
            for (const char *n : {"Text1", "Text2", "Text3"}) {
                auto *e = find<QLineEdit>(QString("%1(%2)").arg(n).arg(k));
                QCOMPARE(e->text(), QString("00"));
                QCOMPARE(e->toolTip(), QString(k == 0 ? "Custom Begin Time" : "Custom Limit Time"));
            }
        QCOMPARE(c->Command12->text(), QString("On Air"));
        QCOMPARE(c->Command12->property("Tag").toString(), QString("E"));
        QCOMPARE(c->Command15->text(), QString("Cancel"));
        QVERIFY(!c->Command15->isEnabled());
        QCOMPARE(c->Command15->property("Tag").toString(), QString("Cancel"));
        QCOMPARE(c->Check4->text(), QString("Auto Start"));
        QCOMPARE(c->Check5->text(), QString("Auto Stop"));
        QCOMPARE(c->Label21->text(), QString());
        QVERIFY(c->Frame10->isHidden());
        // The banner's designed band, reaching up over the row's taller buttons.
        QCOMPARE(c->Frame10->geometry(), QRect(8, 405, 673, 28));
        for (int k = 0; k < 6; ++k)
            QCOMPARE(find<QLabel>(QString("Label22(%1)").arg(k))->text(), QString("Emergency"));
        // The strip lies below the designed area.
        QCOMPARE(c->size(), QSize(688, 397));
        QVERIFY(c->Command12->y() >= 397);
    }

    void menusHoldTheirItemsInOrder() {
        auto texts = [](QMenu *m) {
            QStringList out;
            for (QAction *a : m->actions())
                out << (a->isSeparator() ? "-" : a->text()) + (a->isVisible() ? "" : "!hidden");
            return out;
        };
        QCOMPARE(c->childMenus().size(), 5);
        QStringList titles;
        for (QMenu *m : c->childMenus())
            titles << m->title();
        QCOMPARE(titles, QStringList({"&File", "&Process", "&Options", "&Window", "&Help"}));
        QCOMPARE(texts(c->fil), QStringList({"Open Script File", "Open Statistics", "-", "Close"}));
        QCOMPARE(find<QAction>("opsf")->shortcut(), QKeySequence("Ctrl+O"));
        QCOMPARE(find<QAction>("ext")->shortcut(), QKeySequence("Ctrl+F4"));
        QCOMPARE(find<QAction>("cnt")->shortcut(), QKeySequence("F1"));
        QCOMPARE(texts(c->pla),
                 QStringList({"Create New Playlist", "Delite Playlist", "-", "Jingle Custom...",
                              "Broadcast Control", "Scripts Box", "Remote Control"}));
        QCOMPARE(texts(find<QMenu>("cre")), QStringList({"Player A", "Player B"}));
        QVERIFY(!find<QAction>("del")->isEnabled());
        QCOMPARE(texts(c->opt),
                 QStringList({"Talk Level", "Fade Speed", "Cross Fade Speed", "Emergency File...",
                              "User Information...", "-", "Check repetition of names"}));
        QCOMPARE(texts(find<QMenu>("tlk")), QStringList({"Default", "-", "Custom..."}));
        QCOMPARE(find<QAction>("ft(221)")->text(), QString("Very Slow"));
        QCOMPARE(find<QAction>("cro(235)")->text(), QString("Very Fast"));
        QVERIFY(!find<QAction>("ft(223)")->isCheckable());
        QCOMPARE(texts(c->win),
                 QStringList({"Tile Horizontally", "Tile Vertically", "Cascade", "Arrange Icons"}));
        QCOMPARE(find<QAction>("wn(31)")->text(), QString("Tile Horizontally"));
        QCOMPARE(texts(c->hlp), QStringList({"Contents", "Tips", "-", "About..."}));
        QVERIFY(find<QAction>("w")->isSeparator());
        QVERIFY(find<QAction>("i")->isSeparator());

        QCOMPARE(texts(c->sla), QStringList({"Talk Level", "Fade Speed"}));
        QCOMPARE(texts(find<QMenu>("tlka")), QStringList({"Default", "-", "Hold Level"}));
        QCOMPARE(texts(c->cross), QStringList({"Very Slow", "Slow", "Normal", "Fast", "Very Fast"}));
        QCOMPARE(find<QAction>("croa(61)")->text(), QString("Very Slow"));
        QCOMPARE(texts(c->edd),
                 QStringList({"Copy Playlist to Player B", "Replace Playlist to Player B", "Rename Playlist",
                              "-", "Replace/Copy Files to...", "-", "Select All", "-!hidden",
                              "Rename Item!hidden", "Properties!hidden"}));
        QCOMPARE(texts(c->eddd),
                 QStringList({"Copy Playlist to Player A", "Replace Playlist to Player A", "Rename Playlist",
                              "-", "Replace/Copy Files to...", "-", "Select All", "-!hidden",
                              "Rename Item!hidden", "Properties!hidden"}));
        QVERIFY(find<QAction>("rnmb"));
        QVERIFY(find<QAction>("ssel"));
    }

    void timersStartStoppedAtTheirIntervals() {
        const int intervals[12] = {0, 40, 40, 40, 1000, 1000, 333, 1000, 1000, 250, 200, 200};
        for (int k = 1; k <= 11; ++k) {
            auto *t = find<QTimer>(QString("Timer%1").arg(k));
            QVERIFY(t);
            QVERIFY(!t->isActive());
            QCOMPARE(t->interval(), intervals[k]);
            QCOMPARE(t->timerType(), Qt::PreciseTimer);
        }
    }

    void toolbarHasItsButtonsInPlace() {
        QVERIFY(c->Toolbar1->parentWidget() == c);
        const QStringList keys = {"script",   "Remote", "",     "NewA", "NewB",  "jin", "Delete",
                                  "Broadcon", "",       "Talk", "",     "Alarm", "",    "Help"};
        for (int pos = 1; pos <= 14; ++pos) {
            QAction *a = c->Toolbar1Button(pos);
            QVERIFY(a);
            QCOMPARE(a->isSeparator(), keys[pos - 1].isEmpty());
            if (!a->isSeparator())
                QCOMPARE(a->objectName(), keys[pos - 1]);
        }
        QVERIFY(!c->Toolbar1Button(2)->isVisible());
        QVERIFY(!c->Toolbar1Button(7)->isEnabled());
        QVERIFY(c->Toolbar1Button(8)->isCheckable());
        QVERIFY(c->Toolbar1Button(12)->isCheckable());
        QCOMPARE(c->Toolbar1Button("Broadcon")->toolTip(), QString::fromUtf8("Контроль времени вещания"));
        QCOMPARE(c->Toolbar1Button("script")->toolTip(), QString::fromUtf8("Открыть Окно сценариев"));
        QVERIFY(c->Toolbar1->findChild<QToolButton *>("NewA"));
        // Each shown button carries its own picture of the image list.
        const std::map<QString, QString> pictures = {
            {"script", "tb_script"}, {"NewA", "tb_newa"},     {"NewB", "tb_newb"},
            {"jin", "tb_jingles"},   {"Delete", "tb_delete"}, {"Broadcon", "tb_broadcast"},
            {"Talk", "tb_talk"},     {"Alarm", "tb_alarm"},   {"Help", "tb_help"}};
        for (const auto &[key, picture] : pictures) {
            const QImage shown = c->Toolbar1Button(key)->icon().pixmap(24, 24).toImage();
            const QImage own = QPixmap(":/images/" + picture + ".png").toImage();
            QVERIFY2(!own.isNull() && shown.convertToFormat(QImage::Format_ARGB32) ==
                                          own.convertToFormat(QImage::Format_ARGB32),
                     qPrintable(key));
        }
    }

    // "Help" on the toolbar runs the help command: with no help page in the program
    // folder that is one message. A key the toolbar does not have does nothing.
    void toolbarDispatchesByKey() {
        MessageCatcher messages;
        c->Toolbar1_ButtonClick("Nothing");
        QTRY_VERIFY_WITH_TIMEOUT(messages.texts.isEmpty(), 50);
        c->Toolbar1->findChild<QToolButton *>("Help")->click();
        QTRY_COMPARE_WITH_TIMEOUT(messages.texts.size(), 1, 2000);
        QVERIFY(messages.texts[0].contains("VLB2HELP", Qt::CaseInsensitive) ||
                messages.texts[0].contains("help", Qt::CaseInsensitive));
    }

    // The close guard: only the first reason is shown; a paused player counts as in
    // use; Prepare does not block; the state is unchanged after a refusal.
    void closeGuardRefusesWhilePlayersOrBroadcastAreInUse() {
        c->Show();
        struct Case {
            bool a, b;
            QString tag;
            bool cancelEnabled;
            QString message;
        };
        const QList<Case> cases = {
            {true, true, "Cancel", false, "Player A in use. Program can't be closed."},
            {false, true, "Cancel", false, "Player B in use. Program can't be closed."},
            {false, false, "Stop", true, "Broadcast in use. Program can't be closed."},
            {false, false, "Cancel", true, ""},  // Prepare
        };
        for (const Case &k : cases) {
            c->Show();
            PlayerAInUse = k.a;
            PlayerBInUse = k.b;
            c->Command15->setProperty("Tag", k.tag);
            c->Command15->setEnabled(k.cancelEnabled);
            MessageCatcher messages;
            const bool allowed = c->QueryUnload();
            QCOMPARE(allowed, k.message.isEmpty());
            QCOMPARE(messages.texts, k.message.isEmpty() ? QStringList() : QStringList{k.message});
            QCOMPARE(PlayerAInUse, k.a);
            QCOMPARE(PlayerBInUse, k.b);
            QCOMPARE(c->Command15->property("Tag").toString(), k.tag);
            // Asking changes nothing on the screen; the console hides when the close goes on.
            QVERIFY(c->parentWidget()->isVisible());
        }
        PlayerAInUse = PlayerBInUse = false;
        c->Command15->setProperty("Tag", QString("Cancel"));
        c->Command15->setEnabled(false);
    }

    // "Close" and the close box hide the console; it comes back as it was.
    void closeHidesAndKeepsState() {
        c->Show();
        c->Label1->setText("Overture");
        c->Timer4->start();
        c->ext->trigger();
        QVERIFY(!c->parentWidget()->isVisible());
        QVERIFY(c->Timer4->isActive());
        c->Show();
        QVERIFY(c->parentWidget()->isVisible());
        QCOMPARE(c->Label1->text(), QString("Overture"));
        QVERIFY(static_cast<QMdiSubWindow *>(c->parentWidget())->close() == false ||
                !c->parentWidget()->isVisible());
        QVERIFY(!c->parentWidget()->isVisible());
        QCOMPARE(&DJPlayerInstance(), c);
        QCOMPARE(c->Label1->text(), QString("Overture"));
        c->Show();
        c->Timer4->stop();
        c->Label1->clear();
    }

    // The Window menu lists the frame's shown child windows below its commands.
    void windowMenuListsShownChildren() {
        c->Show();
        emit c->win->aboutToShow();
        QStringList items;
        for (QAction *a : c->win->actions())
            if (!a->isSeparator())
                items << a->text();
        QVERIFY(items.contains("&1 Players && DJ Mixpad"));
        QCOMPARE(items.mid(0, 4),
                 QStringList({"Tile Horizontally", "Tile Vertically", "Cascade", "Arrange Icons"}));
        // Opening it again does not pile up the list.
        emit c->win->aboutToShow();
        int listed = 0;
        for (QAction *a : c->win->actions())
            listed += a->text() == "&1 Players && DJ Mixpad";
        QCOMPARE(listed, 1);
    }

    // Ctrl+F4 in the frame hides the console and nothing else.
    void ctrlF4HidesTheConsole() {
        c->Show();
        QWidget *frame = c->window();
        frame->show();
        frame->activateWindow();
        QApplication::setActiveWindow(frame);
        QVERIFY(QTest::qWaitForWindowActive(frame));
        c->Combo1->setFocus();
        QTest::keyClick(c->Combo1, Qt::Key_F4, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(!c->parentWidget()->isVisible(), 1000);
        QVERIFY(frame->isVisible());
        c->Show();
    }

    void checkRepetitionOfNamesToggledTwiceEndsAsItBegan() {
        Settings::remove("DisName");
        c->dsc->setChecked(false);
        c->dsc->trigger();
        QVERIFY(c->dsc->isChecked());
        QCOMPARE(Settings::get("DisName"), QString("True"));
        c->dsc->trigger();
        QVERIFY(!c->dsc->isChecked());
        QCOMPARE(Settings::get("DisName"), QString("False"));
    }

    // A name list and a playlist saved as UTF-8 with a byte-order mark, as Windows editors
    // save them: the first names read without the mark, and the first item is found.
    void byteOrderMarkIsNoPartOfTheFirstName() {
        const QByteArray bom("\xEF\xBB\xBF");
        const QString song = home(QString::fromUtf8("Утро.wav"));
        QVERIFY(vb2test::writeSineWav(song, 1.0, 8000));
        writeBytes(home("ALLA.lap"), bom + QString::fromUtf8("Утро\r\nEvening\r\n").toUtf8());
        writeBytes(home("A0.mxp"), bom + QString::fromUtf8("Утро\r\n").toUtf8() + song.toUtf8() + "\r\n");
        resetCombos();
        MessageCatcher messages;
        c->Form_Load();
        QCOMPARE(c->Combo1->itemText(0), QString::fromUtf8("Утро"));
        c->Combo1->setCurrentIndex(0);
        emit c->Combo1->activated(0);
        QCOMPARE(c->List1->count(), 1);
        QCOMPARE(c->List1->item(0)->text(), QString::fromUtf8("Утро"));
        vb2test::clickRow(c->List1, 0);
        QCOMPARE(c->Label1->text(), QString::fromUtf8("Утро"));
        QCOMPARE(c->Label3->text(), song);
        QCOMPARE(c->Label7->text(), QString("00:01"));
        QVERIFY(messages.texts.isEmpty());
        for (const char *f : {"ALLA.lap", "A0.mxp"})
            QFile::remove(home(f));
    }
};

VB2_TEST_MAIN(TestConsoleWindow)
#include "test_console_window.moc"
