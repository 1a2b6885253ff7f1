// The frame, start-up and the small windows of the core, driven as a user
// would: by object names, clicks and keys, with modal windows answered from timers.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdlib>
#include <functional>

#include "app/About.h"
#include "app/Base.h"
#include "console/ConsoleGlobals.h"
#include "console/DJPlayer.h"
#include "core/Globals.h"
#include "core/HelpOfDay.h"
#include "core/MdiChild.h"
#include "core/UserInf.h"
#include "core/Warning.h"
#include "core/WarningWindows.h"
#include "platform/Settings.h"
#include "support/TestEnv.h"
#include "support/TestFiles.h"
#include "support/Widgets.h"

namespace {

// Runs action on the first shown top-level window of type T that matches, as
// soon as it appears (polled, so it also works inside nested modal loops).
template <typename T>
void whenShown(std::function<void(T *)> action, std::function<bool(T *)> matches = {}) {
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action, matches] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *t = qobject_cast<T *>(w);
            if (t && t->isVisible() && (!matches || matches(t))) {
                timer->stop();
                timer->deleteLater();
                action(t);
                return;
            }
        }
    });
    timer->start();
}

using vb2test::child;

void click(QWidget *w, const QString &name) {
    child<QPushButton>(w, name)->click();
}

QStringList visibleButtons(Warning *w) {
    QStringList shown;
    for (int i = 0; i < 8; ++i) {
        auto *b = child<QPushButton>(w, QString("Command1(%1)").arg(i));
        if (b->isVisible())
            shown << QString("%1:%2@%3").arg(b->objectName(), b->text()).arg(b->x());
    }
    return shown;
}

// A child window that may refuse to close.
class FakeChild : public MdiChild {
  public:
    FakeChild() {
        menu = new QMenu("Fake", this);
        menu->setObjectName("fakeMenu");
        resize(200, 150);
    }
    QList<QMenu *> childMenus() const override { return {menu}; }
    bool QueryUnload() override {
        ++asked;
        return !refuse;
    }
    QMenu *menu;
    bool refuse = true;
    int asked = 0;
};

QStringList menuBarTexts() {
    QStringList texts;
    for (QAction *a : BaseInstance().menuBar()->actions())
        texts << a->text();
    return texts;
}

using vb2test::writeBytes;

}  // namespace

class TestCoreWindows : public QObject {
    Q_OBJECT
  private slots:
    // First start on an empty program folder and settings store: "Unknown" three
    // times, Statistics made, the tip window comes up after the console; the
    // missing Tips.tps gives the explanation, and the tip's box stores "1".
    void firstStart() {
        const QString home = vb2test::env()->home();
        QVERIFY(!QDir(home + "/Statistics").exists());
        bool tipShown = false, consoleShownFirst = false, splashGone = false;
        QString tipText;
        whenShown<HelpOfDay>([&](HelpOfDay *tip) {
            tipShown = true;
            consoleShownFirst = DJPlayerInstance().isVisible() && BaseInstance().isVisible();
            splashGone = true;
            for (QWidget *w : QApplication::topLevelWidgets())
                if (qobject_cast<About *>(w) && w->isVisible())
                    splashGone = false;
            tipText = child<QLabel>(tip, "lblTipText")->text();
            QVERIFY(child<QCheckBox>(tip, "chkLoadTipsAtStartup")->isChecked());
            click(tip, "cmdOK");
        });
        About about;
        about.Form_Load();
        QVERIFY(tipShown);
        QVERIFY(consoleShownFirst);
        QVERIFY(splashGone);
        QCOMPARE(about.lblVersion->text(), QString("Version 1.0.1"));
        QCOMPARE(UserEngineer, QString("Unknown"));
        QCOMPARE(UserManager, QString("Unknown"));
        QCOMPARE(UserOrganization, QString("Unknown"));
        QVERIFY(QDir(home + "/Statistics").exists());
        QVERIFY(
            tipText.startsWith("That the Tips.tps file was not found? \r\n\r\nCreate a text file named "
                               "Tips.tps using NotePad with 1 tip per line. "));
        QCOMPARE(Settings::find("Show Tips"), std::optional<QString>("1"));
        QVERIFY(!about.isVisible());
    }

    // Later starts: an existing Statistics folder is no error, stored empty
    // names stay empty, and "0" or a value that is no number shows no tip.
    void laterStarts() {
        Settings::save("Engineer", "");
        Settings::save("Manager", "Ann Lee");
        for (const QString &value : {QString("0"), QString("yes")}) {
            Settings::save("Show Tips", value);
            bool somethingShown = false;
            auto *watch = new QTimer;
            connect(watch, &QTimer::timeout, [&] {
                for (QWidget *w : QApplication::topLevelWidgets())
                    if ((qobject_cast<HelpOfDay *>(w) || qobject_cast<Warning *>(w)) && w->isVisible()) {
                        somethingShown = true;
                        static_cast<QDialog *>(w)->reject();
                    }
            });
            watch->start(5);
            About about;
            about.Form_Load();
            QTest::qWait(30);
            delete watch;
            QVERIFY2(!somethingShown, qPrintable(value));
            QCOMPARE(UserEngineer, QString(""));
            QCOMPARE(UserManager, QString("Ann Lee"));
            QCOMPARE(UserOrganization, QString("Unknown"));
        }
        Settings::remove("Engineer");
        Settings::remove("Manager");
    }

    // The frame: caption, status-bar panels, its own menus while no child is
    // shown and the console's menus while the console is.
    void frameStatusBarAndMenus() {
        Base &base = BaseInstance();
        QCOMPARE(base.windowTitle(), QString("Vantelbrook2"));
        QCOMPARE(base.panelText(1), QString(" Prepare Time: 0:00:00"));
        QCOMPARE(base.panelText(2), QString(" Current Time: 0:00:00"));
        QCOMPARE(base.panelText(3), QString(" Overtime: 0:00:00"));
        base.setPanelText(2, " Current Time: 0:12:34");
        QCOMPARE(child<QLabel>(&base, "Panels(2)")->text(), QString(" Current Time: 0:12:34"));
        base.setPanelText(2, " Current Time: 0:00:00");

        DJPlayerInstance().Show();
        QTest::qWait(10);
        QList<QAction *> consoleBar;
        for (QMenu *m : DJPlayerInstance().childMenus())
            consoleBar << m->menuAction();
        QCOMPARE(base.menuBar()->actions(), consoleBar);

        DJPlayerInstance().HideConsole();
        QTest::qWait(10);
        QCOMPARE(menuBarTexts(), QStringList({"File", "Process", "Help"}));
        auto captions = [&](const char *menu) {
            QStringList items;
            for (QAction *a : child<QMenu>(&base, menu)->actions())
                items << a->objectName() + "=" + (a->isSeparator() ? "-" : a->text());
            return items;
        };
        QCOMPARE(captions("FF"),
                 QStringList({"scf=Open Script File", "opss=Open Statistics", "w=-", "Ext=Exit"}));
        QCOMPARE(captions("pr"), QStringList({"oppl=Players && DJ Mixpad", "opsc=Script Box"}));
        QCOMPARE(captions("Help"), QStringList({"cnt=Contents", "Tp=Tips", "sep=-", "Abo=About..."}));
        QCOMPARE(child<QAction>(&base, "scf")->shortcut(), QKeySequence("Ctrl+O"));
        QCOMPARE(child<QAction>(&base, "Ext")->shortcut(), QKeySequence("Ctrl+F4"));
        QCOMPARE(child<QAction>(&base, "cnt")->shortcut(), QKeySequence(Qt::Key_F1));

        // "Players && DJ Mixpad" brings the console back, and its menus with it.
        child<QAction>(&base, "oppl")->trigger();
        QTest::qWait(10);
        QVERIFY(DJPlayerInstance().isVisible());
        QCOMPARE(base.menuBar()->actions(), consoleBar);

        // Help > Contents with no help page: a plain message, and the program goes on.
        DJPlayerInstance().HideConsole();
        QString message;
        QStringList buttons;
        whenShown<Warning>([&](Warning *w) {
            message = child<QLabel>(w, "Label1")->text();
            buttons = visibleButtons(w);
            click(w, "Command1(0)");
        });
        child<QAction>(&base, "cnt")->trigger();
        QCOMPARE(message, "Help file not found: " + vb2test::env()->home() + "/VLB2HELP.htm");
        QCOMPARE(buttons, QStringList({"Command1(0):OK@120"}));
    }

    // Each type shows its banner and buttons at their places and answers by the
    // button pressed.
    void messageBoxTypes_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("press");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<bool>("question");
        QTest::addColumn<int>("answer");
        const QStringList t1{"Command1(1):OK@64", "Command1(2):Cancel@176"};
        const QStringList t2{"Command1(3):Yes@64", "Command1(4):No@176"};
        const QStringList t3{"Command1(5):Yes@16", "Command1(6):No@120", "Command1(7):Cancel@224"};
        QTest::newRow("0 OK") << 0 << "Command1(0)" << QStringList{"Command1(0):OK@120"} << false << 0;
        QTest::newRow("1 OK") << 1 << "Command1(1)" << t1 << false << 0;
        QTest::newRow("1 Cancel") << 1 << "Command1(2)" << t1 << false << 1;
        QTest::newRow("2 Yes") << 2 << "Command1(3)" << t2 << true << 2;
        QTest::newRow("2 No") << 2 << "Command1(4)" << t2 << true << 3;
        QTest::newRow("3 Yes") << 3 << "Command1(5)" << t3 << true << 2;
        QTest::newRow("3 No") << 3 << "Command1(6)" << t3 << true << 3;
        QTest::newRow("3 Cancel") << 3 << "Command1(7)" << t3 << true << 1;
        QTest::newRow("9 acts as 0") << 9 << "Command1(0)" << QStringList{"Command1(0):OK@120"} << false << 0;
    }
    void messageBoxTypes() {
        QFETCH(int, type);
        QFETCH(QString, press);
        QFETCH(QStringList, buttons);
        QFETCH(bool, question);
        QFETCH(int, answer);
        QStringList shown;
        bool image1 = false, image2 = false;
        QString caption;
        whenShown<Warning>([&](Warning *w) {
            shown = visibleButtons(w);
            image1 = child<QLabel>(w, "Image1")->isVisible();
            image2 = child<QLabel>(w, "Image2")->isVisible();
            // The banners are the program's own pictures, 320 x 64.
            QCOMPARE(w->Image1->pixmap().size(), QSize(320, 64));
            QCOMPARE(w->Image2->pixmap().size(), QSize(320, 64));
            caption = w->windowTitle();
            click(w, press);
        });
        QCOMPARE(WarningWindows("Delete the playlist?", type), answer);
        QCOMPARE(shown, buttons);
        QCOMPARE(image1, !question);
        QCOMPARE(image2, question);
        QCOMPARE(caption, QString("Vantelbrook2"));
    }

    // Escape or closing the window answers the safe choice of the type, never a
    // stale answer of an earlier call; Enter in the OK/Cancel set is OK.
    void messageBoxKeysAndClose() {
        whenShown<Warning>([](Warning *w) { click(w, "Command1(3)"); });
        QCOMPARE(WarningWindows("first", 2), 2);  // a "Yes" that must not carry over

        const int safe[4] = {0, 1, 3, 1};
        for (int type = 0; type < 4; ++type) {
            whenShown<Warning>([](Warning *w) { QTest::keyClick(w, Qt::Key_Escape); });
            QCOMPARE(WarningWindows("escape", type), safe[type]);
            whenShown<Warning>([](Warning *w) { w->close(); });
            QCOMPARE(WarningWindows("closed", type), safe[type]);
        }
        whenShown<Warning>([](Warning *w) { QTest::keyClick(w, Qt::Key_Return); });
        QCOMPARE(WarningWindows("enter", 1), 0);

        // Two calls in a row start alike: the second shows only its own buttons.
        QStringList second;
        whenShown<Warning>([](Warning *w) { click(w, "Command1(7)"); });
        WarningWindows("one", 3);
        whenShown<Warning>([&](Warning *w) {
            second = visibleButtons(w);
            click(w, "Command1(0)");
        });
        WarningWindows("two", 0);
        QCOMPARE(second, QStringList({"Command1(0):OK@120"}));
    }

    // A short text keeps the designed window; a long one wraps and the window grows to
    // hold it, a word wider than the text area (a path) widening it, up to the screen. The
    // text keeps its place, the buttons theirs under the banner; text is shown literally.
    void messageBoxText() {
        QSize size;
        QRect label, button;
        QString text;
        bool wraps = false;
        whenShown<Warning>([&](Warning *w) {
            size = w->size();
            auto *l = child<QLabel>(w, "Label1");
            label = l->geometry();
            button = child<QPushButton>(w, "Command1(0)")->geometry();
            text = l->text();
            wraps = l->wordWrap() && l->textFormat() == Qt::PlainText;
            click(w, "Command1(0)");
        });
        WarningWindows("Short", 0);
        QCOMPARE(size, QSize(320, 104));
        QCOMPARE(label, QRect(80, 16, 225, 33));
        QCOMPARE(button, QRect(120, 72, 81, 25));

        const QString longText =
            QString("Unknown error in opening file: /media/show/") + QString(300, 'x') + " & <b>not bold</b>";
        whenShown<Warning>([&](Warning *w) {
            size = w->size();
            auto *l = child<QLabel>(w, "Label1");
            label = l->geometry();
            button = child<QPushButton>(w, "Command1(0)")->geometry();
            text = l->text();
            wraps = l->wordWrap() && l->textFormat() == Qt::PlainText;
            click(w, "Command1(0)");
        });
        WarningWindows(longText, 0);
        const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
        QCOMPARE(label.topLeft(), QPoint(80, 16));
        QVERIFY2(size.width() > 320 && size.height() > 104 && size.width() <= screen.width() &&
                     size.height() <= screen.height(),
                 qPrintable(QString("%1 x %2").arg(size.width()).arg(size.height())));
        QVERIFY(label.width() > 225 && label.height() > 33);
        // The OK button stays in the middle, under the text.
        QVERIFY(std::abs(button.center().x() - size.width() / 2) <= 1);
        QVERIFY(button.top() > label.bottom());
        QCOMPARE(text, longText);
        QVERIFY(wraps);
    }

    // A message raised while another is shown opens its own window on top and
    // each call returns its own answer.
    void nestedMessage() {
        int inner = -1;
        whenShown<Warning>(
            [&](Warning *outer) {
                whenShown<Warning>([](Warning *w) { click(w, "Command1(7)"); },
                                   [](Warning *w) { return w->Label1->text() == "inner"; });
                inner = WarningWindows("inner", 3);
                QVERIFY(outer->isVisible());
                click(outer, "Command1(3)");
            },
            [](Warning *w) { return w->Label1->text() == "outer"; });
        QCOMPARE(WarningWindows("outer", 2), 2);
        QCOMPARE(inner, 1);
    }

    // Tips walk the file in order and wrap; a later showing goes on after the
    // last tip shown; the box stores the start-up choice.
    void tipsWalkAndSetting() {
        const QString tips = vb2test::env()->home() + "/Tips.tps";
        writeBytes(tips, QString("First tip\r\nВторой совет\r\nThird tip\r\n").toUtf8());
        Settings::remove("Show Tips");
        QStringList seen;
        whenShown<HelpOfDay>([&](HelpOfDay *w) {
            auto *label = child<QLabel>(w, "lblTipText");
            seen << label->text();
            click(w, "cmdNextTip");
            seen << label->text();
            click(w, "cmdOK");
        });
        HelpOfDay::ShowModal();
        QCOMPARE(seen, QStringList({"First tip", "Второй совет"}));

        seen.clear();
        bool ticked = false;
        whenShown<HelpOfDay>([&](HelpOfDay *w) {
            auto *label = child<QLabel>(w, "lblTipText");
            seen << label->text();
            click(w, "cmdNextTip");
            seen << label->text();
            auto *box = child<QCheckBox>(w, "chkLoadTipsAtStartup");
            ticked = box->isChecked();
            box->click();  // untick
            QTest::keyClick(w, Qt::Key_Escape);
        });
        HelpOfDay::ShowModal();
        QCOMPARE(seen, QStringList({"Third tip", "First tip"}));
        QVERIFY(ticked);
        QCOMPARE(Settings::find("Show Tips"), std::optional<QString>("0"));
        QVERIFY(!HelpOfDay::ShowTipsSetting());

        // Opened from the menu after unticking: the box shows unticked. The keyboard starts
        // on OK, so Enter presses it even where the desktop lets Enter press the focused
        // control (GNOME's theme would tick the box instead).
        bool enterOnOk = false;
        whenShown<HelpOfDay>([&](HelpOfDay *w) {
            ticked = child<QCheckBox>(w, "chkLoadTipsAtStartup")->isChecked();
            enterOnOk = w->focusWidget() == child<QPushButton>(w, "cmdOK");
            QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, Qt::Key_Return);
        });
        child<QAction>(&BaseInstance(), "Tp")->trigger();
        QVERIFY(!ticked);
        QVERIFY(enterOnOk);
        QCOMPARE(Settings::find("Show Tips"), std::optional<QString>("0"));

        // An existing empty file at the start of a run: the label stays empty.
        HelpOfDay::TipList.clear();
        HelpOfDay::TipIndex = 0;
        writeBytes(tips, {});
        HelpOfDay empty;
        QCOMPARE(empty.lblTipText->text(), QString());
        QFile::remove(tips);
    }

    // "OK" stores the boxes without leading and trailing spaces, empty boxes
    // included; the close box stores nothing.
    void userInformation() {
        Settings::remove("Engineer");
        Settings::remove("Manager");
        Settings::remove("Organization");
        QStringList loaded;
        whenShown<UserInf>([&](UserInf *w) {
            for (const char *box : {"Text1", "Text2", "Text3"})
                loaded << child<QLineEdit>(w, box)->text();
            child<QLineEdit>(w, "Text1")->setText("  Иван  Петров ");
            child<QLineEdit>(w, "Text2")->setText("Ann Lee");
            click(w, "Command1");
        });
        UserInf::ShowModal();
        QCOMPARE(loaded, QStringList({"", "", ""}));
        QCOMPARE(Settings::find("Engineer"), std::optional<QString>("Иван  Петров"));
        QCOMPARE(Settings::find("Manager"), std::optional<QString>("Ann Lee"));
        QCOMPARE(Settings::find("Organization"), std::optional<QString>(""));
        QCOMPARE(UserEngineer, QString("Иван  Петров"));
        QCOMPARE(UserManager, QString("Ann Lee"));
        QCOMPARE(UserOrganization, QString(""));

        whenShown<UserInf>([&](UserInf *w) {
            QCOMPARE(child<QLineEdit>(w, "Text1")->text(), QString("Иван  Петров"));
            child<QLineEdit>(w, "Text1")->setText("Someone else");
            w->close();
        });
        UserInf::ShowModal();
        QCOMPARE(Settings::find("Engineer"), std::optional<QString>("Иван  Петров"));
        QCOMPARE(UserEngineer, QString("Иван  Петров"));
    }

    // Tiling places the shown children stacked or side by side.
    void arrange() {
        Base &base = BaseInstance();
        FakeChild *fake = new FakeChild;
        fake->refuse = false;
        base.addChild(fake);
        fake->show();
        DJPlayerInstance().Show();
        QTest::qWait(10);
        QMdiSubWindow *a = DJPlayerInstance().findChild<QMdiSubWindow *>();
        Q_UNUSED(a);
        QList<QMdiSubWindow *> subs;
        for (QMdiSubWindow *s : base.mdiArea()->subWindowList(QMdiArea::CreationOrder))
            if (s->isVisible())
                subs << s;
        QCOMPARE(subs.size(), 2);
        base.Arrange(1);
        QCOMPARE(subs[0]->y(), 0);
        QVERIFY(subs[1]->y() >= subs[0]->height());
        QCOMPARE(subs[0]->x(), subs[1]->x());
        base.Arrange(2);
        QCOMPARE(subs[0]->x(), 0);
        QVERIFY(subs[1]->x() >= subs[0]->width());
        QCOMPARE(subs[0]->y(), subs[1]->y());
        delete fake;
    }

    // Exit unloads the registered windows first, then asks every child; one
    // refusal keeps the frame, otherwise the frame goes.
    void exitAsksChildren() {
        Base &base = BaseInstance();
        int unloaded = 0;
        base.addUnloadFirst([&] { ++unloaded; });

        // The console refuses while player A is in use; the frame stays.
        DJPlayerInstance().Show();
        PlayerAInUse = true;
        QString refusal;
        whenShown<Warning>([&](Warning *w) {
            refusal = w->Label1->text();
            click(w, "Command1(0)");
        });
        QVERIFY(!base.ext_Click());
        PlayerAInUse = false;
        QCOMPARE(refusal, QString("Player A in use. Program can't be closed."));
        QCOMPARE(unloaded, 1);
        QVERIFY(base.isVisible());
        QVERIFY(DJPlayerInstance().isVisible());

        auto *fake = new FakeChild;
        base.addChild(fake);
        fake->show();
        QTest::qWait(10);
        QCOMPARE(menuBarTexts(), QStringList({"Fake"}));
        QVERIFY(!base.ext_Click());
        QCOMPARE(unloaded, 2);
        QCOMPARE(fake->asked, 1);
        QVERIFY(base.isVisible());

        fake->refuse = false;
        QVERIFY(base.ext_Click());
        QCOMPARE(unloaded, 3);
        QCOMPARE(fake->asked, 2);
        QVERIFY(!base.isVisible());
    }
};

VB2_TEST_MAIN(TestCoreWindows)
#include "test_core_windows.moc"
