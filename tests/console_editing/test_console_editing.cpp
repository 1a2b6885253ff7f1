// Editing the players' playlists through the real console: items up and down, copying,
// moving and renaming playlists, renaming items, the list's keys and popup, the
// "Delete Playlist" dialog and the item's "Property" window. Files are checked byte for byte.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>

#include "console/ConsoleGlobals.h"
#include "console/DJPlayer.h"
#include "console/ItemTexts.h"
#include "console/Property.h"
#include "core/OpenSaveFiles.h"
#include "platform/ProgramFolder.h"
#include "platform/TextFile.h"
#include "support/AudioFiles.h"
#include "support/ConsoleHarness.h"
#include "support/TestEnv.h"
#include "support/TestFiles.h"

namespace {

using vb2test::clickLater;
using vb2test::crlf;
using vb2test::fileBytes;
using vb2test::Modals;
using vb2test::No;
using vb2test::OK;
using vb2test::Yes;

}  // namespace

class TestConsoleEditing : public QObject {
    Q_OBJECT

    QTemporaryDir audio_;
    DJPlayer *w_ = nullptr;

    QString home(const QString &name) const { return ProgramFolder::file(name); }
    QString wav(const QString &name, double seconds = 0.3) {
        const QString path = audio_.path() + QLatin1Char('/') + name;
        if (!QFile::exists(path))
            vb2test::writeSineWav(path, seconds, 8000);
        return path;
    }
    // Playlist files of a player: playlist i is named "<letter>-list<i>" and holds items
    // "<letter><i>-<j>"; the chooser is filled from them with nothing chosen.
    QStringList makePlaylists(const QString &letter, int count, int items = 2) {
        return vb2test::makePlaylists(w_, letter, count, items, [this](const QString &n) { return wav(n); });
    }
    void choose(int deck, int n) { vb2test::choosePlaylistAt(w_, deck, n); }
    void clickRow(QListWidget *list, int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, mods,
                          list->visualItemRect(list->item(row)).center());
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    // Every playlist file of a player, by number, as bytes.
    QList<QByteArray> playlistFiles(const QString &letter) {
        QList<QByteArray> out;
        for (int i = 0; QFile::exists(OpenSaveFiles::PlaylistPath(letter, i)); ++i)
            out << fileBytes(OpenSaveFiles::PlaylistPath(letter, i));
        return out;
    }

  private slots:
    void initTestCase() {
        w_ = vb2test::showConsole();
        QVERIFY(w_->isVisible());
    }

    void init() {
        w_->Command13_Click();
        w_->Command14_Click();
        for (QListWidget *l : {w_->List1, w_->List2, w_->List3, w_->List4})
            l->clear();
        QDir h(ProgramFolder::path());
        for (const QString &f :
             h.entryList({"*.mxp", "*.lap"}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFileInfo fi(h.filePath(f));
            fi.isDir() ? QDir(fi.filePath()).removeRecursively() : QFile::remove(fi.filePath());
        }
        w_->Combo1->clear();
        w_->Combo2->clear();
    }

    // Up and down trade an item with its neighbour in both lists and write the file at once;
    // at either end nothing moves but the file is still written.
    void itemUpAndDown() {
        makePlaylists("A", 1, 5);
        choose(0, 0);
        const QStringList paths = listTexts(w_->List3);
        clickRow(w_->List1, 2);
        QVERIFY(w_->Command16->isEnabled());
        w_->Command16->click();
        QCOMPARE(listTexts(w_->List1), QStringList({"A0-0", "A0-2", "A0-1", "A0-3", "A0-4"}));
        QCOMPARE(listTexts(w_->List3), QStringList({paths[0], paths[2], paths[1], paths[3], paths[4]}));
        QCOMPARE(w_->List1->currentRow(), 1);
        QVERIFY(w_->List1->item(1)->isSelected());
        QVERIFY(!w_->List1->item(2)->isSelected());
        QCOMPARE(fileBytes(home("A0.mxp")), crlf({"A0-0", paths[0], "A0-2", paths[2], "A0-1", paths[1],
                                                  "A0-3", paths[3], "A0-4", paths[4]}));
        w_->Command17->click();
        w_->Command17->click();
        QCOMPARE(listTexts(w_->List1), QStringList({"A0-0", "A0-1", "A0-3", "A0-2", "A0-4"}));
        QCOMPARE(w_->List1->currentRow(), 3);

        // The ends: nothing moves, the file is written again with the same content.
        const QByteArray before = fileBytes(home("A0.mxp"));
        clickRow(w_->List1, 4);
        QFile::remove(home("A0.mxp"));
        w_->Command17->click();
        QCOMPARE(fileBytes(home("A0.mxp")), before);
        clickRow(w_->List1, 0);
        QFile::remove(home("A0.mxp"));
        w_->Command16->click();
        QCOMPARE(fileBytes(home("A0.mxp")), before);

        // A file that cannot be written: a message, and the lists keep the file's order.
        clickRow(w_->List1, 1);
        QFile::remove(home("A0.mxp"));
        QDir().mkpath(home("A0.mxp") + "/x");
        {
            Modals m;
            m.warning(OK);
            w_->Command16->click();
            QCOMPARE(m.texts, QStringList({"Unknown error in writing file: " + home("A0.mxp")}));
        }
        QCOMPARE(listTexts(w_->List1), QStringList({"A0-0", "A0-1", "A0-3", "A0-2", "A0-4"}));
        QCOMPARE(w_->List1->currentRow(), 1);
    }

    // Copy and move to the other player: the new file takes the next number there, a move
    // renumbers the later files of its own player, and every name list follows.
    void copyAndMovePlaylists() {
        const QStringList a = makePlaylists("A", 5);
        const QStringList b = makePlaylists("B", 3);
        const QList<QByteArray> aFiles = playlistFiles("A");
        const QList<QByteArray> bFiles = playlistFiles("B");
        choose(0, 1);
        w_->cor[1]->trigger();
        QCOMPARE(playlistFiles("A"), aFiles);
        QCOMPARE(fileBytes(home("ALLA.lap")), crlf(a));
        QCOMPARE(playlistFiles("B"), bFiles + QList<QByteArray>{aFiles[1]});
        QCOMPARE(fileBytes(home("ALLB.lap")), crlf(b + QStringList{"A-list1"}));
        QCOMPARE(w_->Combo2->currentIndex(), 3);
        QCOMPARE(listTexts(w_->List2), QStringList({"A1-0", "A1-1"}));
        QCOMPARE(w_->Combo1->currentIndex(), 1);
        QCOMPARE(listTexts(w_->List1), QStringList({"A1-0", "A1-1"}));

        // Move playlist 1 of 5: files 0..3 stay, file 1 now holds the former playlist 2.
        w_->cor[2]->trigger();
        QCOMPARE(playlistFiles("A"), QList<QByteArray>({aFiles[0], aFiles[2], aFiles[3], aFiles[4]}));
        QCOMPARE(fileBytes(home("ALLA.lap")), crlf({a[0], a[2], a[3], a[4]}));
        QCOMPARE(playlistFiles("B"), bFiles + QList<QByteArray>({aFiles[1], aFiles[1]}));
        QCOMPARE(fileBytes(home("ALLB.lap")), crlf(b + QStringList({"A-list1", "A-list1"})));
        QCOMPARE(w_->Combo1->count(), 4);
        QCOMPARE(w_->Combo1->currentIndex(), -1);
        QCOMPARE(w_->List1->count(), 0);
        QCOMPARE(w_->List3->count(), 0);
        QCOMPARE(w_->Combo2->currentIndex(), 4);

        // Player B moves its last playlist to A: no file of B is renamed.
        w_->cop[2]->trigger();
        QCOMPARE(playlistFiles("B"), bFiles + QList<QByteArray>{aFiles[1]});
        QCOMPARE(playlistFiles("A"),
                 QList<QByteArray>({aFiles[0], aFiles[2], aFiles[3], aFiles[4], aFiles[1]}));
        QCOMPARE(fileBytes(home("ALLA.lap")), crlf({a[0], a[2], a[3], a[4], a[1]}));
        QCOMPARE(w_->Combo1->currentIndex(), 4);

        // With no playlist chosen nothing happens.
        w_->Combo2->setCurrentIndex(-1);
        w_->cop[1]->trigger();
        w_->cop[2]->trigger();
        QCOMPARE(playlistFiles("A").size(), 5);
        QCOMPARE(playlistFiles("B").size(), 4);
    }

    // A move whose name list cannot be written puts every file and every name back.
    void failedMoveLeavesEverythingWhole() {
        const QStringList a = makePlaylists("A", 4);
        const QStringList b = makePlaylists("B", 2);
        const QList<QByteArray> aFiles = playlistFiles("A");
        const QList<QByteArray> bFiles = playlistFiles("B");
        choose(0, 1);
        // ALLA.lap cannot be replaced: a folder holding a file stands in its place.
        QFile::remove(home("ALLA.lap"));
        QDir().mkpath(home("ALLA.lap") + "/x");
        {
            Modals m;
            m.warning(OK);
            w_->cor[2]->trigger();
            QCOMPARE(m.texts, QStringList({"Unknown error in writing file: " + home("ALLA.lap")}));
        }
        QCOMPARE(playlistFiles("A"), aFiles);
        QCOMPARE(playlistFiles("B"), bFiles);
        QVERIFY(!QFile::exists(home("B2.mxp")));
        QCOMPARE(fileBytes(home("ALLB.lap")), crlf(b));
        QCOMPARE(w_->Combo1->count(), 4);
        QCOMPARE(w_->Combo2->count(), 2);
        QCOMPARE(w_->List1->count(), 2);

        // The copy cannot be made: nothing changes, no name without its file.
        QDir(home("ALLA.lap")).removeRecursively();
        TextFile::writeLines(home("ALLA.lap"), a);
        QDir().mkpath(home("B2.mxp") + "/x");
        {
            Modals m;
            m.warning(OK);
            w_->cor[1]->trigger();
            QCOMPARE(m.texts, QStringList({"Unknown error in writing file: " + home("B2.mxp")}));
        }
        QCOMPARE(fileBytes(home("ALLB.lap")), crlf(b));
        QCOMPARE(w_->Combo2->count(), 2);

        // A name list that could not be read at load is never rewritten.
        QDir(home("B2.mxp")).removeRecursively();
        w_->NameListUnreadableB = true;
        {
            Modals m;
            m.warning(OK);
            w_->cor[1]->trigger();
            QCOMPARE(m.texts, QStringList({"Unknown error in opening file: " + home("ALLB.lap")}));
        }
        w_->NameListUnreadableB = false;
        QCOMPARE(fileBytes(home("ALLB.lap")), crlf(b));
        QVERIFY(!QFile::exists(home("B2.mxp")));
    }

    // Renaming a playlist changes only its line; renaming an item only its display name.
    void renamePlaylistAndItem() {
        makePlaylists("A", 3);
        choose(0, 1);
        const QByteArray file1 = fileBytes(home("A1.mxp"));
        {
            Modals m;
            m.input("  Rock  ");
            m.input("");
            w_->cor[3]->trigger();
            w_->cor[3]->trigger();
            QVERIFY(m.done());
        }
        QCOMPARE(fileBytes(home("ALLA.lap")), crlf({"A-list0", "  Rock  ", "A-list2"}));
        QCOMPARE(w_->Combo1->currentText(), QString("  Rock  "));
        QCOMPARE(fileBytes(home("A1.mxp")), file1);

        const QString path = w_->List3->item(1)->text();
        clickRow(w_->List1, 1);
        QVERIFY(w_->rnma->isVisible());
        {
            Modals m;
            m.input("Новое имя");
            w_->rnma->trigger();
            QVERIFY(m.done());
        }
        QCOMPARE(listTexts(w_->List1), QStringList({"A1-0", "Новое имя"}));
        QCOMPARE(w_->List3->item(1)->text(), path);
        QCOMPARE(w_->Label1->text(), QString("Новое имя"));
        QVERIFY(QFile::exists(path));
        QCOMPARE(fileBytes(home("A1.mxp")), crlf({"A1-0", w_->List3->item(0)->text(), "Новое имя", path}));

        // The properties show the new name beside the unchanged path.
        FocusPlayer = "A";
        {
            Modals m;
            QString name, shown, size;
            m.window("Property", [&](QWidget *top) {
                name = top->findChild<QLabel *>("Label8")->text();
                shown = top->findChild<QLabel *>("Label3")->text();
                size = top->findChild<QLabel *>("Label7")->text();
                top->close();
            });
            w_->prps->trigger();
            QVERIFY(m.done());
            QCOMPARE(name, QString("Новое имя"));
            QCOMPARE(shown, path);
            QVERIFY(size.endsWith(" Mb (" + QString::number(QFileInfo(path).size()) + " bytes)"));
        }
        // No current item: a message instead of the window.
        w_->List1->clear();
        w_->List3->clear();
        {
            Modals m;
            m.warning(OK);
            w_->prps->trigger();
            QCOMPARE(m.texts,
                     QStringList({"File is not found. Probably it is removed or moved to other folder."}));
        }
    }

    // Size and date as the window writes them.
    void propertyTexts() {
        QCOMPARE(Property::SizeText(1572864),
                 QLocale::system().toString(1.5, 'f', 2) + " Mb (1572864 bytes)");
        QCOMPARE(Property::SizeText(4000), QLocale::system().toString(0.0, 'f', 2) + " Mb (4000 bytes)");
        QCOMPARE(Property::SizeText(131072), QLocale::system().toString(0.13, 'f', 2) + " Mb (131072 bytes)");
        QLocale plain = QLocale::system();
        plain.setNumberOptions(QLocale::OmitGroupSeparator);
        QCOMPARE(Property::SizeText(3LL << 30), plain.toString(3072.0, 'f', 2) + " Mb (3221225472 bytes)");
        const QString date = Property::DateText(QDateTime(QDate(2026, 3, 3), QTime(9, 5)));
        QVERIFY2(date.startsWith("3 ") && date.endsWith(" 2026  09:05"), qPrintable(date));
    }

    // Keys on the list and the right button: Ctrl+A alone selects all, Delete needs a
    // selection, the popup's move entries follow the play state, the focus names the player.
    void keysAndPopup() {
        makePlaylists("B", 1, 3);
        choose(1, 0);
        w_->List2->setFocus();
        {
            Modals none;
            QTest::keyClick(w_->List2, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
            QVERIFY(w_->List2->selectedItems().size() < 3);
            QTest::keyClick(w_->List2, Qt::Key_A, Qt::ControlModifier);
            QCOMPARE(w_->List2->selectedItems().size(), 3);
            QCOMPARE(w_->Label14->text(), w_->Label12->text());
            w_->List2->clearSelection();
            w_->List2->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
            w_->ssel_Click(2);
            QCOMPARE(w_->List2->selectedItems().size(), 3);
            QCOMPARE(w_->Label2->text(), QString("B0-0"));
            // Space plays the whole selection as a queue, S stops: the keys leave the selection alone.
            QTest::keyClick(w_->List2, Qt::Key_Space);
            QVERIFY(PlayingB);
            QCOMPARE(w_->List2->selectedItems().size(), 3);
            // No type-ahead either: "S" stops and does not jump to the item that begins with it.
            w_->List2->item(2)->setText("Sunrise");
            QTest::keyClick(w_->List2, Qt::Key_S);
            QCoreApplication::processEvents();
            QVERIFY(!PlayerBInUse);
            QCOMPARE(w_->List2->selectedItems().size(), 3);
            // The same keys with the Russian layout: the key of S is "Ы".
            QTest::keyClick(w_->List2, Qt::Key_Space);
            QVERIFY(PlayingB);
            for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                QKeyEvent key(type, 0x42B, Qt::NoModifier, QStringLiteral("ы"));
                QApplication::sendEvent(w_->List2, &key);
            }
            QVERIFY(!PlayerBInUse);
            QVERIFY(none.unexpected.isEmpty());
        }
        {
            Modals m;
            w_->List2->clearSelection();
            w_->List2_KeyUp(46, 0);
            QCoreApplication::processEvents();
            QVERIFY(m.unexpected.isEmpty());
            m.warning(No);
            w_->List2->item(0)->setSelected(true);
            w_->List2_KeyUp(46, 0);
            QCOMPARE(m.texts, QStringList({"Are you sure you want to delete this item from playlist?"}));
        }

        FocusPlayer = "A";
        const QPoint at = w_->List2->visualItemRect(w_->List2->item(0)).center();
        QTest::mousePress(w_->List2->viewport(), Qt::RightButton, {}, at);
        QCOMPARE(FocusPlayer, QString("B"));
        clickRow(w_->List2, 0);
        w_->Command10_Click();
        QVERIFY(w_->Command14->isEnabled());
        QTest::mouseRelease(w_->List2->viewport(), Qt::RightButton, {}, at);
        QVERIFY(w_->eddd->isVisible());
        QVERIFY(!w_->cop[2]->isEnabled() && !w_->rep->isEnabled() && !w_->rnmb->isEnabled());
        QVERIFY(w_->cop[1]->isEnabled() && w_->cop[3]->isEnabled() && w_->ssel->isEnabled());
        w_->eddd->hide();
        // A move asked for while the player is in use leaves its playlist where it is.
        w_->cop[2]->setEnabled(true);
        w_->cop[2]->trigger();
        QCOMPARE(w_->Combo2->currentIndex(), 0);
        w_->Command14_Click();
        QTest::mouseRelease(w_->List2->viewport(), Qt::RightButton, {}, at);
        QVERIFY(w_->cop[2]->isEnabled() && w_->rep->isEnabled() && w_->rnmb->isEnabled());
        w_->eddd->hide();
    }

    // The dialog deletes the checked playlists of both players from the highest number down,
    // renumbers the files without gaps and leaves both players with nothing chosen.
    void deletePlaylists() {
        const QStringList a = makePlaylists("A", 5);
        makePlaylists("B", 1);
        const QList<QByteArray> aFiles = playlistFiles("A");
        choose(0, 3);
        QVERIFY(w_->del->isEnabled());
        auto check = [](QWidget *top, const char *list, int row) {
            top->findChild<QListWidget *>(list)->item(row)->setCheckState(Qt::Checked);
        };
        {
            Modals m;
            // Declined: the dialog stays open with its check marks; then Delete.
            m.window("DeleteLists", [&](QWidget *top) {
                QVERIFY(!top->findChild<QPushButton *>("Command1")->isEnabled());
                QCOMPARE(top->findChild<QListWidget *>("List1")->count(), 5);
                check(top, "List1", 1);
                check(top, "List1", 3);
                check(top, "List2", 0);
                QVERIFY(top->findChild<QPushButton *>("Command1")->isEnabled());
                clickLater(top->findChild<QPushButton *>("Command1"));
            });
            m.warning(No);
            m.window("DeleteLists",
                     [](QWidget *top) { clickLater(top->findChild<QPushButton *>("Command1")); });
            m.warning(Yes);
            w_->del_Click(12);
            QVERIFY(m.done());
            QCOMPARE(m.texts.size(), 2);
        }
        QCOMPARE(playlistFiles("A"), QList<QByteArray>({aFiles[0], aFiles[2], aFiles[4]}));
        QVERIFY(!QFile::exists(home("A3.mxp")) && !QFile::exists(home("A4.mxp")));
        QCOMPARE(fileBytes(home("ALLA.lap")), crlf({a[0], a[2], a[4]}));
        QVERIFY(!QFile::exists(home("B0.mxp")));
        QCOMPARE(fileBytes(home("ALLB.lap")), QByteArray());
        QCOMPARE(w_->Combo1->count(), 3);
        QCOMPARE(w_->Combo1->currentIndex(), -1);
        QCOMPARE(w_->Combo2->count(), 0);
        QCOMPARE(w_->List1->count(), 0);
        QCOMPARE(w_->List3->count(), 0);
        QVERIFY(!w_->List1->isEnabled() && !w_->Command16->isEnabled() && !w_->Command1->isEnabled());
        QVERIFY(!w_->del->isEnabled() && !w_->Toolbar1Button(7)->isEnabled());
        choose(0, 0);
        QVERIFY(w_->del->isEnabled() && w_->Toolbar1Button(7)->isEnabled());

        // A playlist whose file stands in the way of the renumbering: nothing moves, its name
        // stays, names and files stay paired, and a message names the file.
        QFile::remove(home("A0.mxp"));
        QDir().mkpath(home("A0.mxp") + "/x");
        const QList<QByteArray> later = {fileBytes(home("A1.mxp")), fileBytes(home("A2.mxp"))};
        {
            Modals m;
            m.window("DeleteLists", [&](QWidget *top) {
                check(top, "List1", 0);
                clickLater(top->findChild<QPushButton *>("Command1"));
            });
            m.warning(Yes);
            m.warning(OK);
            w_->del_Click(12);
            QVERIFY(m.done());
            QCOMPARE(m.texts.value(1), "Unknown error in writing file: " + home("A0.mxp"));
        }
        QCOMPARE(fileBytes(home("ALLA.lap")), crlf({a[0], a[2], a[4]}));
        QCOMPARE(QList<QByteArray>({fileBytes(home("A1.mxp")), fileBytes(home("A2.mxp"))}), later);
        QCOMPARE(w_->Combo1->count(), 3);
    }
};

VB2_TEST_MAIN(TestConsoleEditing)
#include "test_console_editing.moc"
