// The console's jingles, "Jingle Custom", "Replace & Copy Files of Playlist" and the
// remote-control bar, driven through the real windows; and what the window manager is told
// of every fixed window (run under a real X server as test_console_dialogs_x11).
#include <xcb/xcb.h>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>

#include "app/Base.h"
#include "app/Begin.h"
#include "console/AddJingle.h"
#include "console/AutoSt.h"
#include "console/ConsoleGlobals.h"
#include "console/DJPlayer.h"
#include "console/DeleteLists.h"
#include "console/Faders.h"
#include "console/MediaFiles_Jingles.h"
#include "console/Property.h"
#include "console/Remote.h"
#include "console/RepCop.h"
#include "console/SelFol.h"
#include "core/Globals.h"
#include "core/HelpOfDay.h"
#include "core/OpenSaveFiles.h"
#include "core/UserInf.h"
#include "core/Warning.h"
#include "media/MediaPlayer.h"
#include "platform/FixedWindow.h"
#include "platform/ProgramFolder.h"
#include "platform/Settings.h"
#include "platform/TextFile.h"
#include "platform/TextPrompt.h"
#include "script/Stat.h"
#include "support/AudioFiles.h"
#include "support/ConsoleHarness.h"
#include "support/TestEnv.h"
#include "support/TestFiles.h"
#include "support/Widgets.h"

namespace {

// Acts on the modal windows of a test in order, from a timer: each step waits for its
// window to show and then runs. Every Warning's text is kept; a Warning no step expects
// is answered with OK so no test hangs.
class Modals : public QObject {
  public:
    using Step = std::function<void(QWidget *)>;
    Modals() {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
        timer_.start();
    }
    void on(const QString &window, Step step) { queue_.push_back({window, std::move(step)}); }
    void warning() {
        on("Warning", [](QWidget *w) { w->findChild<QPushButton *>("Command1(0)")->click(); });
    }
    bool done() const { return queue_.empty() && busy_ == 0; }
    QStringList texts;

  private:
    // Acts only on the innermost modal window; each step runs from its own zero timer, so
    // this poll goes on answering the windows that the step opens.
    void poll() {
        QWidget *top = QApplication::activeModalWidget();
        if (starting_ || !top || !top->isVisible() || top == last_)
            return;
        const bool warning = top->objectName() == QLatin1String("Warning");
        if (warning) {
            auto *label = top->findChild<QLabel *>(QStringLiteral("Label1"));
            texts << (label ? label->text() : QString());
        }
        if (!queue_.empty() && top->objectName() == queue_.front().first) {
            Step step = queue_.front().second;
            queue_.pop_front();
            starting_ = true;
            ++busy_;
            QTimer::singleShot(0, this, [this, step, top] {
                starting_ = false;
                step(top);
                --busy_;
            });
        } else if (warning) {
            top->findChild<QPushButton *>(QStringLiteral("Command1(0)"))->click();
        } else {
            return;
        }
        last_ = top;
        QTimer::singleShot(20, this, [this] { last_ = nullptr; });
    }
    QTimer timer_;
    std::deque<std::pair<QString, Step>> queue_;
    int busy_ = 0;
    bool starting_ = false;
    QWidget *last_ = nullptr;
};

using vb2test::crlf;
using vb2test::fileBytes;

using vb2test::child;

// A user's click on a file of the dialog's file list.
void clickFile(QWidget *dialog, const QString &name, bool twice = false) {
    auto *list = child<QListWidget>(dialog, "File1");
    const QList<QListWidgetItem *> found = list->findItems(name, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(name));
    list->setCurrentItem(found.first());
    emit list->itemClicked(found.first());
    if (twice)
        emit list->itemDoubleClicked(found.first());
}

// What an X11 window manager is told of a top-level window, read back from the X server,
// and what the window manager then allows (its _NET_WM_ALLOWED_ACTIONS).
struct WindowManagerView {
    bool motif = false;
    quint32 flags = 0, functions = 0, decorations = 0;
    bool minMax = false;
    QSize min, max;
    QStringList allowed;
};

QList<quint32> property(xcb_connection_t *c, xcb_window_t w, xcb_atom_t atom, quint32 length) {
    QList<quint32> values;
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, length), nullptr);
    if (reply && reply->format == 32) {
        const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply));
        for (int i = 0; i < xcb_get_property_value_length(reply) / 4; ++i)
            values << data[i];
    }
    std::free(reply);
    return values;
}

xcb_atom_t atom(xcb_connection_t *c, const char *name) {
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return a;
}

WindowManagerView windowManagerView(QWidget *window) {
    WindowManagerView v;
    xcb_connection_t *c = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const auto w = static_cast<xcb_window_t>(window->winId());
    const QList<quint32> motif = property(c, w, atom(c, "_MOTIF_WM_HINTS"), 5);
    if (motif.size() >= 3) {
        v.motif = true;
        v.flags = motif[0];
        v.functions = motif[1];
        v.decorations = motif[2];
    }
    // WM_SIZE_HINTS: flags, 4 obsolete fields, then the minimum and the maximum size.
    const QList<quint32> size = property(c, w, XCB_ATOM_WM_NORMAL_HINTS, 18);
    if (size.size() >= 9) {
        v.minMax = (size[0] & 16) && (size[0] & 32);
        v.min = QSize(int(size[5]), int(size[6]));
        v.max = QSize(int(size[7]), int(size[8]));
    }
    for (quint32 a : property(c, w, atom(c, "_NET_WM_ALLOWED_ACTIONS"), 32)) {
        xcb_get_atom_name_reply_t *name = xcb_get_atom_name_reply(c, xcb_get_atom_name(c, a), nullptr);
        if (name)
            v.allowed << QString::fromLatin1(xcb_get_atom_name_name(name),
                                             xcb_get_atom_name_name_length(name));
        std::free(name);
    }
    return v;
}

// What is wrong with how a shown window is told to be fixed; "" when nothing is. Waits until
// the window manager has taken the window on.
QString fixedWindowFaults(QWidget *window, bool closeBox) {
    using namespace FixedWindow::Motif;
    WindowManagerView v;
    for (int i = 0; i < 100 && v.allowed.isEmpty(); ++i) {
        QTest::qWait(20);
        v = windowManagerView(window);
    }
    QStringList faults;
    const auto fault = [&](bool bad, const char *what) {
        if (bad)
            faults << QLatin1String(what);
    };
    fault(!v.motif, "no Motif hints");
    fault(!(v.flags & FlagFunctions) || (v.functions & FuncAll), "Motif functions not limited");
    fault(v.functions & (FuncMinimize | FuncMaximize | FuncResize),
          "a minimise, maximise or resize function");
    fault(!(v.functions & FuncMove), "no move function");
    fault(bool(v.functions & FuncClose) != closeBox, closeBox ? "no close function" : "a close function");
    fault(!(v.flags & FlagDecorations) || (v.decorations & DecorAll), "Motif decorations not limited");
    fault(v.decorations & (DecorMinimize | DecorMaximize | DecorResize),
          "a minimise, maximise or resize button");
    fault(!(v.decorations & DecorTitle), "no title bar");
    fault(!v.minMax || v.min != v.max || v.min != window->size(), "not one size");
    // The window manager's answer: a window of one size cannot be maximised.
    fault(v.allowed.contains("_NET_WM_ACTION_MAXIMIZE_HORZ") || v.allowed.contains("_NET_WM_ACTION_RESIZE"),
          "the window manager offers maximise or resize");
    if (faults.isEmpty())
        return QString();
    return QStringLiteral("%1 \"%2\": %3 (Motif %4 %5 %6, size %7x%8..%9x%10, allowed %11)")
        .arg(window->objectName(), window->windowTitle(), faults.join(QStringLiteral(", ")))
        .arg(v.flags)
        .arg(v.functions)
        .arg(v.decorations)
        .arg(v.min.width())
        .arg(v.min.height())
        .arg(v.max.width())
        .arg(v.max.height())
        .arg(v.allowed.join(QLatin1Char(' ')));
}

// A window as the user sees it, with the window manager's frame, kept when asked (VB2_SHOTS
// names a folder).
void screenshot(QWidget *window, const QString &name) {
    const QString folder = qEnvironmentVariable("VB2_SHOTS");
    if (folder.isEmpty())
        return;
    const QRect r = window->frameGeometry().adjusted(-4, -4, 4, 4);
    QGuiApplication::primaryScreen()
        ->grabWindow(0, r.x(), r.y(), r.width(), r.height())
        .save(folder + "/" + name + ".png");
}

}  // namespace

class TestConsoleDialogs : public QObject {
    Q_OBJECT

    QTemporaryDir audio_;
    DJPlayer *w_ = nullptr;

    QString wav(const QString &folder, const QString &name, double seconds = 2.0) {
        QDir().mkpath(audio_.path() + "/" + folder);
        const QString path = audio_.path() + "/" + folder + "/" + name;
        if (!QFile::exists(path))
            vb2test::writeSineWav(path, seconds, 8000);
        return path;
    }
    QString jin() const { return ProgramFolder::file("jing.jin"); }

    // A playlist of player A written as files, put in the chooser and chosen.
    void choosePlaylistA(const QString &name, const QStringList &paths) {
        w_->Combo1->clear();
        QFile::remove(OpenSaveFiles::NameListPath("A"));
        OpenSaveFiles::AppendComboName("A", name);
        QStringList lines;
        for (const QString &p : paths)
            lines << QFileInfo(p).completeBaseName() << p;
        TextFile::writeLines(OpenSaveFiles::PlaylistPath("A", 0), lines);
        w_->Combo1->addItem(name);
        w_->Combo1->setCurrentIndex(0);
        emit w_->Combo1->activated(0);
    }

  private slots:
    void initTestCase() {
        QVERIFY(audio_.isValid());
        w_ = vb2test::showConsole();
        QVERIFY(w_->isVisible());
    }

    // The set on file enables the buttons with a path and names them; a click plays the
    // slot's file on the jingle player; a missing file gives the message and disables its
    // button until "Jingle Custom" closes (by Cancel too). With no file in slot A and no
    // folder used yet, the dialog opens in the user's music folder and shows the path from
    // the root down to it, then its subfolders.
    void jingleButtonsPlayAndFail() {
        const QString music = audio_.path() + "/Music";
        wav("Music/Station", "sting.wav");
        QFile dirs(vb2test::env()->config() + "/user-dirs.dirs");
        QVERIFY(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_MUSIC_DIR=\"" + music.toUtf8() + "\"\n");
        dirs.close();
        const QString tone = wav("j", "tone.wav");
        const QString gone = audio_.path() + "/j/gone.wav";
        QStringList lines(24);
        lines[1] = "Only a name";
        lines[4] = tone;  // "C" with an empty name
        lines[6] = gone;
        lines[7] = "Gone";
        TextFile::writeLines(jin(), lines.mid(0, 20));  // a short file: the rest are empty slots
        MediaFiles::LoadJingles();
        for (QPushButton *b : w_->Command11)
            b->setEnabled(false);
        w_->JingleCheck();
        QVERIFY(!w_->Command11[0]->isEnabled());
        QCOMPARE(w_->Command11[0]->toolTip(), QString("Only a name"));
        QVERIFY(w_->Command11[2]->isEnabled());
        QCOMPARE(w_->Command11[2]->toolTip(), QString());
        QVERIFY(!w_->Command11[11]->isEnabled());

        w_->Command11[2]->click();
        QCOMPARE(w_->MediaPlayer4->FileName(), tone);
        QVERIFY(w_->MediaPlayer4->isPlaying());
        QVERIFY(!w_->MediaPlayer1->isPlaying());

        {
            Modals m;
            m.warning();
            w_->Command11[3]->click();
            QVERIFY(m.done());
            QCOMPARE(m.texts, QStringList{"Error. File with jingle is not found."});
        }
        QVERIFY(!w_->Command11[3]->isEnabled());
        w_->MediaPlayer4->Stop();
        {
            Modals m;
            m.on("AddJingle", [&](QWidget *d) {
                auto *dialog = static_cast<AddJingle *>(d);
                QCOMPARE(dialog->Dir1->path(), music);
                QStringList shown;
                for (int i = 0; i < dialog->Dir1->count(); ++i)
                    shown << dialog->Dir1->item(i)->text();
                QCOMPARE(shown,
                         QStringList{"/"} + music.split('/', Qt::SkipEmptyParts) + QStringList{"Station"});
                QCOMPARE(dialog->Dir1->currentItem()->data(Qt::UserRole).toString(), music);
                // Any folder on the path opens with a double-click, as its subfolders do.
                emit dialog->Dir1->itemActivated(dialog->Dir1->item(1));
                QCOMPARE(dialog->Dir1->path(), "/" + music.split('/', Qt::SkipEmptyParts).first());
                child<QPushButton>(d, "Command2")->click();
            });
            w_->jnc->trigger();
            QVERIFY(m.done());
        }
        QVERIFY(w_->Command11[3]->isEnabled());
        QCOMPARE(fileBytes(jin()), crlf(lines.mid(0, 20)));  // Cancel writes nothing
    }

    // Picking files in the dialog: OK stores the pending pick and writes all 24 lines; a
    // pick left in another slot keeps its path with the old name; Cancel drops everything,
    // also slots already stored with "Add".
    void jingleCustomWritesTheWholeSet() {
        const QString a = wav("pick", "Intro.wav");
        const QString b = wav("pick", "Outro.WAV");
        wav("pick", "notes.txt");
        QStringList lines(24);
        lines[3] = "Old B";
        TextFile::writeLines(jin(), lines);
        MediaFiles::LoadJingles();
        Settings::save("LastDir", audio_.path() + "/pick");

        // Cancel after "Add" in slot B: nothing changes.
        {
            Modals m;
            m.on("AddJingle", [&](QWidget *d) {
                auto *dialog = static_cast<AddJingle *>(d);
                QCOMPARE(dialog->Dir1->path(), audio_.path() + "/pick");
                QCOMPARE(dialog->File1->count(), 2);  // the pattern is for audio, any case
                dialog->Option1[1]->click();
                clickFile(d, "Intro.wav");
                dialog->Command5->click();
                QCOMPARE(JinglePath[1], a);
                dialog->Command2->click();
            });
            w_->jnc_Click(13);
            QVERIFY(m.done());
        }
        QCOMPARE(fileBytes(jin()), crlf(lines));
        QCOMPARE(JinglePath[1], QString());

        // Slot A picks Intro, then slot B is chosen and OK stores the name box and Outro there.
        {
            Modals m;
            m.on("AddJingle", [&](QWidget *d) {
                auto *dialog = static_cast<AddJingle *>(d);
                QVERIFY(!dialog->Command1->isEnabled());
                clickFile(d, "Intro.wav");
                QCOMPARE(dialog->Text1->text(), QString("Intro"));
                QVERIFY(dialog->Command3->isEnabled() && dialog->Command5->isEnabled());
                dialog->Option1[1]->click();
                clickFile(d, "Outro.WAV");
                dialog->Text1->setText("Big finish");
                dialog->Command1->click();
            });
            w_->jnc_Click(13);
            QVERIFY(m.done());
        }
        lines[0] = a;
        lines[2] = b;
        lines[3] = "Big finish";
        QCOMPARE(fileBytes(jin()), crlf(lines));
        QCOMPARE(w_->Command11[1]->toolTip(), QString("Big finish"));
        QVERIFY(w_->Command11[0]->isEnabled() && w_->Command11[1]->isEnabled());

        // A slot whose file exists takes the browser to it; a double-click stores at once.
        Settings::save("LastDir", QDir::homePath());
        {
            Modals m;
            m.on("AddJingle", [&](QWidget *d) {
                auto *dialog = static_cast<AddJingle *>(d);
                QCOMPARE(dialog->Dir1->path(), audio_.path() + "/pick");
                QCOMPARE(dialog->File1->fileName(), QString("Intro.wav"));
                dialog->Option1[5]->click();
                clickFile(d, "Outro.WAV", true);
                QVERIFY(!dialog->Command5->isEnabled());
                dialog->Command1->click();
            });
            w_->jnc_Click(13);
            QVERIFY(m.done());
        }
        lines[10] = b;
        lines[11] = "Outro";
        QCOMPARE(fileBytes(jin()), crlf(lines));

        // With slot A empty the dialog opens where the last file was picked, before the
        // stored folder; slot A's file in another folder takes it there.
        const QString other = wav("other", "Sting.wav");
        for (const QString &slotA : {QString(), other}) {
            lines[0] = slotA;
            TextFile::writeLines(jin(), lines);
            MediaFiles::LoadJingles();
            Modals m;
            m.on("AddJingle", [&](QWidget *d) {
                auto *dialog = static_cast<AddJingle *>(d);
                QCOMPARE(dialog->Dir1->path(), QFileInfo(slotA.isEmpty() ? b : other).path());
                QCOMPARE(dialog->Dir1->currentItem()->text(),
                         slotA.isEmpty() ? QString("pick") : QString("other"));
                dialog->Command2->click();
            });
            w_->jnc_Click(13);
            QVERIFY(m.done());
        }
    }

    // Copy: the files are gathered beside PLAYLIST.m3u and PLAYLIST.log, the sources stay and
    // the playlist lists the copies; a missing file keeps its path. Replace: the sources go,
    // except a second file of a name already gathered, which stays where it was.
    void replaceAndCopyFiles() {
        const QString one = wav("src1", "one.wav");
        const QString two = wav("src1", "two.wav");
        const QString twin = wav("src2", "one.wav", 1.0);
        const QString missing = wav("src1", "missing.wav");
        const QString base = audio_.path() + "/shows";
        QDir().mkpath(base);
        Settings::save("ReplaceDir", base);
        Settings::save("Engineer", "Ann");
        Settings::remove("Manager");
        Settings::save("Organization", "Radio Вектор");
        choosePlaylistA("Morning", {one, missing, two});
        QFile::remove(missing);
        w_->Label11->setText("1:02:03");
        FocusPlayer = "A";
        {
            Modals m;
            m.on("RepCop", [&](QWidget *d) {
                QCOMPARE(child<QLineEdit>(d, "Text1")->text(), QString("Morning"));
                QCOMPARE(child<QLabel>(d, "Label5")->text(), base);
                QVERIFY(child<QRadioButton>(d, "Option1(1)")->isChecked());
                child<QPushButton>(d, "Command1")->click();
            });
            w_->rop->trigger();
            QVERIFY(m.done());
            QCOMPARE(m.texts, QStringList());
        }
        const QString dest = base + "/Morning";
        QVERIFY(QFile::exists(one) && QFile::exists(two));
        QCOMPARE(fileBytes(dest + "/one.wav"), fileBytes(one));
        QCOMPARE(fileBytes(OpenSaveFiles::PlaylistPath("A", 0)),
                 crlf({"one", dest + "/one.wav", "missing", missing, "two", dest + "/two.wav"}));
        QCOMPARE(w_->List3->item(0)->text(), dest + "/one.wav");
        QCOMPARE(fileBytes(dest + "/PLAYLIST.m3u"),
                 crlf({"#EXTM3U", "#EXTINF:0,one", "one.wav", "#EXTINF:0,missing", "missing.wav",
                       "#EXTINF:0,two", "two.wav"}));
        const QDate today = QDate::currentDate();
        const QByteArray log =
            crlf({"Information about the playlist Morning", "",
                  "               Date: " + DayMonthText(today) + " " + QString::number(today.year()),
                  "           Engineer: Ann", "       Main manager: Unknown",
                  "       Organization: Radio Вектор", "Total Playlist Time: 1:02:03"});
        QCOMPARE(fileBytes(dest + "/PLAYLIST.log"), log);

        // A second run into the same folder: everything is in place, the reports are rewritten.
        QFile::remove(dest + "/PLAYLIST.log");
        {
            Modals m;
            m.on("RepCop", [&](QWidget *d) { child<QPushButton>(d, "Command1")->click(); });
            w_->rep_Click(0);
            QVERIFY(m.done());
        }
        QCOMPARE(fileBytes(dest + "/PLAYLIST.log"), log);

        // Replace into "Evening": the twin of one.wav is not allowed to replace it.
        choosePlaylistA("Evening", {one, twin, two});
        const QByteArray twinBytes = fileBytes(twin);
        {
            Modals m;
            m.on("RepCop", [&](QWidget *d) {
                child<QRadioButton>(d, "Option1(0)")->click();
                child<QPushButton>(d, "Command1")->click();
            });
            m.warning();
            w_->rop_Click(0);
            QVERIFY(m.done());
            QCOMPARE(m.texts.size(), 1);
            QVERIFY(m.texts[0].contains(twin));
        }
        const QString eve = base + "/Evening";
        QVERIFY(!QFile::exists(one) && !QFile::exists(two));
        QCOMPARE(fileBytes(twin), twinBytes);
        QVERIFY(fileBytes(eve + "/one.wav") != twinBytes);
        QCOMPARE(fileBytes(OpenSaveFiles::PlaylistPath("A", 0)),
                 crlf({"one", eve + "/one.wav", "one", twin, "two", eve + "/two.wav"}));

        // Nor may it replace a file of the playlist that already lies there.
        const QByteArray gathered = fileBytes(eve + "/one.wav");
        choosePlaylistA("Evening", {twin, eve + "/one.wav"});
        {
            Modals m;
            m.on("RepCop", [&](QWidget *d) { child<QPushButton>(d, "Command1")->click(); });
            m.warning();
            w_->rop_Click(0);
            QVERIFY(m.done());
            QCOMPARE(m.texts, QStringList{"File with such name already copied: " + twin});
        }
        QCOMPARE(fileBytes(eve + "/one.wav"), gathered);

        // A folder name that is no folder name: a message, nothing written, the window stays.
        const QByteArray before = fileBytes(OpenSaveFiles::PlaylistPath("A", 0));
        {
            Modals m;
            m.on("RepCop", [&](QWidget *d) {
                child<QLineEdit>(d, "Text1")->setText("a/b");
                child<QPushButton>(d, "Command1")->click();
            });
            m.warning();
            m.on("RepCop", [&](QWidget *d) {
                QVERIFY(child<QPushButton>(d, "Command1")->isEnabled());
                child<QPushButton>(d, "Command2")->click();
            });
            w_->rop_Click(0);
            QVERIFY(m.done());
            QCOMPARE(m.texts, QStringList{"Unknown error in creating folder: " + base + "/a/b"});
        }
        QCOMPARE(fileBytes(OpenSaveFiles::PlaylistPath("A", 0)), before);
    }

    // Browse: "New folder..." creates a subfolder and stays; OK takes the chosen folder, which
    // is stored as ReplaceDir; a stored folder that is gone falls back to a volume's root.
    void selectFolder() {
        const QString base = audio_.path() + "/shows";
        Settings::save("ReplaceDir", base);
        choosePlaylistA("Morning", {});
        {
            Modals m;
            m.on("RepCop", [](QWidget *d) { child<QPushButton>(d, "Command3")->click(); });
            m.on("SelFol", [&](QWidget *d) {
                auto *dialog = static_cast<SelFol *>(d);
                QCOMPARE(dialog->Dir1->path(), base);
                QTimer::singleShot(0, [] {
                    for (QWidget *top : QApplication::topLevelWidgets())
                        if (top->objectName() == "InputBox" && top->isVisible())
                            if (auto *input = qobject_cast<QInputDialog *>(top)) {
                                input->setTextValue("Night");
                                input->accept();
                            }
                });
                dialog->Command1->click();
                QVERIFY(QFileInfo(base + "/Night").isDir());
                QCOMPARE(dialog->Dir1->path(), base);
                QVERIFY(!dialog->Dir1->findItems("Night", Qt::MatchExactly).isEmpty());
                dialog->Dir1->setPath(base + "/Night");
                dialog->Command2->click();
            });
            m.on("RepCop", [&](QWidget *d) {
                QCOMPARE(child<QLabel>(d, "Label5")->text(), base + "/Night");
                child<QPushButton>(d, "Command1")->click();  // an empty playlist: folder only
            });
            w_->rop_Click(0);
            QVERIFY(m.done());
        }
        QCOMPARE(Settings::get("ReplaceDir"), base + "/Night");
        QVERIFY(QFileInfo(base + "/Night/Morning").isDir());
        QVERIFY(!QFile::exists(base + "/Night/Morning/PLAYLIST.m3u"));

        Settings::save("ReplaceDir", base + "/gone");
        {
            Modals m;
            m.on("RepCop", [&](QWidget *d) {
                QCOMPARE(child<QLabel>(d, "Label5")->text(), DriveList::driveOf(QDir::currentPath()));
                child<QPushButton>(d, "Command2")->click();
            });
            w_->rop_Click(0);
            QVERIFY(m.done());
        }
    }

    // The remote drives the live player's list and transport, hides the console and gives
    // it back; the console's Stop puts out its lamp; the frame's command hides it.
    void remoteControl() {
        const QStringList files = {wav("r", "r1.wav", 5), wav("r", "r2.wav", 5), wav("r", "r3.wav", 5)};
        choosePlaylistA("Remote", files);
        w_->List1->setCurrentRow(0);
        w_->List1_Click();

        LivePlayer = "";
        w_->rct_Click(190);
        Remote &r = RemoteInstance();
        QTRY_VERIFY(r.isVisible());
        QTRY_VERIFY(r.isActiveWindow());
        QVERIFY(!w_->isVisible() || !w_->parentWidget()->isVisible());
        QCOMPARE(r.Label1->text() + " (" + r.Label5->text() + ")", QString("0 (0)"));
        QVERIFY(!r.Command1->isEnabled() && !r.Command3->isEnabled());
        r.Command6->click();
        QVERIFY(!r.isVisible());
        QVERIFY(w_->parentWidget()->isVisible());
        QCOMPARE(r.windowFlags() & Qt::WindowStaysOnTopHint, Qt::WindowStaysOnTopHint);

        LivePlayer = "A";
        w_->rct_Click(190);
        QTRY_COMPARE(r.Label5->text(), QString("3"));
        QCOMPARE(r.Label1->text() + " (" + r.Label5->text() + ")", QString("1 (3)"));
        QCOMPARE(r.Label2->text(), QString("r1"));
        QVERIFY(!w_->parentWidget()->isVisible());
        r.Command3->click();
        r.Command3->click();
        r.Command3->click();
        QCOMPARE(r.Label1->text(), QString("3"));
        QCOMPARE(w_->Label1->text(), QString("r3"));
        QCOMPARE(w_->List1->selectedItems().size(), 1);
        r.Command2->click();
        r.Command2->click();
        QCOMPARE(r.Label1->text(), QString("1"));
        QVERIFY(!r.Command2->isEnabled());

        r.Command1->click();
        QVERIFY(r.lampGreen());
        QVERIFY(w_->MediaPlayer1->isPlaying());
        QCOMPARE(w_->MediaPlayer1->FileName(), files[0]);
        QVERIFY(r.Command4->isEnabled() && r.Command5->isEnabled());
        r.Command1->click();  // green: nothing
        QVERIFY(w_->MediaPlayer1->isPlaying());
        r.Command5->click();
        QVERIFY(!r.lampGreen());
        QVERIFY(!w_->MediaPlayer1->isPlaying());
        r.Command1->click();
        w_->Command13_Click();
        QVERIFY(!r.lampGreen());
        QVERIFY(!r.Command4->isEnabled() && !r.Command5->isEnabled());

        // A shorter list after a playlist change: previous and next stay inside it.
        r.Command3->click();
        r.Command3->click();
        choosePlaylistA("Short", files.mid(0, 1));
        r.Command2->click();
        r.Command3->click();
        QCOMPARE(r.ItemIndexA, 0);

        BaseInstance().oppl_Click();
        QVERIFY(!r.isVisible());
        QVERIFY(w_->parentWidget()->isVisible());

        // A cued file that is gone: its message comes once, not again when the bar gets the
        // focus back from it.
        const QString gone = wav("r", "gone.wav");
        choosePlaylistA("Gone", {gone});
        QFile::remove(gone);
        {
            Modals m;
            w_->rct_Click(190);
            QTest::qWait(300);
            QCOMPARE(m.texts,
                     QStringList{"File is not found. Probably it is removed or moved to other folder."});
        }
        r.Command6->click();
    }

    // Every fixed window tells the window manager it has no minimise, maximise or resize
    // function or button and one size, so an ordinary window manager offers neither; the
    // message box has no close box either. Openbox, used here, keeps its own minimise
    // button on every window whatever it is told.
    void fixedWindowsTellTheWindowManager() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server with a window manager: run as test_console_dialogs_x11");
        const std::vector<std::pair<std::function<QWidget *()>, bool>> windows = {
            {[] { return new Warning; }, false},
            {[this] { return new HelpOfDay(w_); }, true},
            {[this] { return new UserInf(w_); }, true},
            {[this] { return new Begin(w_); }, true},
            {[this] { return new AutoSt(w_); }, true},
            {[this] { return new DeleteLists(*w_); }, true},
            {[this] { return new Property(*w_); }, true},
            {[this] { return new SelFol(QDir::homePath(), w_); }, true},
            {[this] { return new RepCop(*w_, w_); }, true},
            {[this] { return new AddJingle(w_); }, true},
            {[this] { return new Stat(false, w_); }, true},
            {[] { return &Faders::load(); }, true},
            {[] { return &RemoteInstance(); }, true},
        };
        for (const auto &[open, closeBox] : windows) {
            QWidget *window = open();
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            const QString faults = fixedWindowFaults(window, closeBox);
            screenshot(window, "fixed-" + window->objectName());
            window->hide();
            if (window != Faders::loaded() && window != &RemoteInstance())
                window->deleteLater();
            QVERIFY2(faults.isEmpty(), qPrintable(faults));
        }
        Faders::unload();

        // The input box is modal and lives only inside its call.
        QString faults = QStringLiteral("no input box");
        QTimer::singleShot(50, this, [&faults] {
            QWidget *box = QApplication::activeModalWidget();
            if (!box || !QTest::qWaitForWindowExposed(box))
                return;
            faults = fixedWindowFaults(box, true);
            screenshot(box, "fixed-InputBox");
            qobject_cast<QDialog *>(box)->reject();
        });
        TextPrompt::InputBox("Name of the new playlist:", "New Playlist", "Show", w_);
        QVERIFY2(faults.isEmpty(), qPrintable(faults));
    }
};

VB2_TEST_MAIN(TestConsoleDialogs)
#include "test_console_dialogs.moc"
