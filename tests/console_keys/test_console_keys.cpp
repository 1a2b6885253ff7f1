// Keys pressed in the players' playlists, with Qt's assertions on: keys that are no
// character (modifiers, arrows, Delete, function and media keys) do what they do and
// never stop the program.
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>

#include "app/Base.h"
#include "console/ConsoleGlobals.h"
#include "console/DJPlayer.h"
#include "support/AudioFiles.h"
#include "support/ConsoleHarness.h"
#include "support/TestEnv.h"

class TestConsoleKeys : public QObject {
    Q_OBJECT
    QTemporaryDir audio_;
    DJPlayer *w_ = nullptr;

  private slots:
    void initTestCase() {
        // The library is linked as an ordinary archive here (so this test's own key codes
        // are taken): name the frame so it is linked in and registered.
        BaseInstance();
        w_ = vb2test::showConsole();
        for (int deck = 0; deck < 2; ++deck) {
            QStringList paths;
            for (const char *name : {"First", "Second", "Third"}) {
                paths << audio_.filePath(QStringLiteral("%1%2.wav").arg(name).arg(deck));
                QVERIFY(vb2test::writeSineWav(paths.back(), 0.5, 8000));
            }
            vb2test::choosePlaylist(w_, deck, QStringLiteral("Keys"), paths);
        }
    }

    void nonCharacterKeysInBothPlaylists() {
        const Qt::Key quiet[] = {Qt::Key_Shift,    Qt::Key_Control,   Qt::Key_Alt,     Qt::Key_Meta,
                                 Qt::Key_AltGr,    Qt::Key_CapsLock,  Qt::Key_NumLock, Qt::Key_Escape,
                                 Qt::Key_Insert,   Qt::Key_F5,        Qt::Key_F12,     Qt::Key_Menu,
                                 Qt::Key_VolumeUp, Qt::Key_MediaPlay, Qt::Key_unknown};
        for (int deck = 0; deck < 2; ++deck) {
            QListWidget *list = deck == 0 ? w_->List1 : w_->List2;
            QLabel *title = deck == 0 ? w_->Label1 : w_->Label2;
            const QString n = QString::number(deck);
            list->setFocus();
            vb2test::clickRow(list, 0);
            QCOMPARE(title->text(), "First" + n);
            vb2test::Modals m;
            // As the keyboard sends them: no text (QTest refuses to make some of these).
            for (Qt::Key key : quiet) {
                for (Qt::KeyboardModifiers mods :
                     {Qt::KeyboardModifiers(), Qt::ShiftModifier | Qt::ControlModifier}) {
                    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                        QKeyEvent event(type, key, mods);
                        QApplication::sendEvent(list, &event);
                    }
                }
            }
            QCOMPARE(list->count(), 3);
            QCOMPARE(title->text(), "First" + n);
            // The arrows move the cue, Shift with an arrow widens the selection.
            QTest::keyClick(list, Qt::Key_Down);
            QTRY_COMPARE(title->text(), "Second" + n);
            QTest::keyClick(list, Qt::Key_End);
            QTRY_COMPARE(title->text(), "Third" + n);
            QTest::keyClick(list, Qt::Key_Up, Qt::ShiftModifier);
            QTRY_COMPARE(list->selectedItems().size(), 2);
            for (Qt::Key key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Home, Qt::Key_PageDown, Qt::Key_PageUp})
                QTest::keyClick(list, key);
            // Delete asks before it takes the selected item away; No keeps it.
            vb2test::clickRow(list, 1);
            m.warning(vb2test::No);
            QTest::keyClick(list, Qt::Key_Delete);
            QTRY_COMPARE(m.texts, QStringList({"Are you sure you want to delete this item from playlist?"}));
            QCOMPARE(list->count(), 3);
            QVERIFY2(m.unexpected.isEmpty(), qPrintable(m.unexpected.join('/')));
        }
    }
};

VB2_TEST_MAIN(TestConsoleKeys)
#include "test_console_keys.moc"
