// The script box and the statistics viewer: RTF read and written as other editors
// exchange it, scripts opened and saved through the dialogs, the save-changes
// question, the clipboard, and a day's statistics report found and opened.
#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <deque>
#include <functional>

#include "app/Base.h"
#include "core/Globals.h"
#include "core/OpenSaveFiles.h"
#include "platform/FileSystem.h"
#include "platform/ProgramFolder.h"
#include "platform/Rtf.h"
#include "platform/VbError.h"
#include "script/ScriptsBox.h"
#include "script/Stat.h"
#include "support/TestEnv.h"
#include "support/TestFiles.h"

namespace {

// The Warning window's buttons of type 3 and type 0.
constexpr int Yes = 5, No = 6, Cancel = 7, OK = 0;

// Answers modal windows in order from a timer. A Warning nobody expected is
// answered with its safe button and kept in `unexpected`, so no test hangs.
class Modals : public QObject {
  public:
    Modals() {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
        timer_.start();
    }
    void warning(int button) {
        queue_.push_back({"Warning", [button](QWidget *w) { clickButton(w, button); }});
    }
    // The open or save dialog: the file chosen, or "" to cancel.
    void file(const QString &path, QString *title = nullptr) {
        queue_.push_back(
            {"CommonDialog1", [path, title](QWidget *w) {
                 auto *dialog = qobject_cast<QFileDialog *>(w);
                 if (title)
                     *title = dialog->windowTitle();
                 if (path.isEmpty()) {
                     dialog->reject();
                     return;
                 }
                 dialog->setDirectory(QFileInfo(path).absolutePath());
                 dialog->findChild<QLineEdit *>("fileNameEdit")->setText(QFileInfo(path).fileName());
                 static_cast<QDialog *>(dialog)->accept();
             }});
    }
    void window(const QString &name, std::function<void(QWidget *)> act) {
        queue_.push_back({name, std::move(act)});
    }
    bool done() const { return queue_.empty(); }
    QStringList texts, unexpected;

  private:
    static void clickButton(QWidget *w, int button) {
        if (auto *b = w->findChild<QPushButton *>(QString("Command1(%1)").arg(button)))
            b->click();
    }
    void poll() {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (!top->isVisible() || !qobject_cast<QDialog *>(top) || handled_.contains(top))
                continue;
            if (auto *box = qobject_cast<QMessageBox *>(top)) {
                unexpected << box->text();
                handled_.append(top);
                QMetaObject::invokeMethod(box, &QDialog::reject, Qt::QueuedConnection);
                return;
            }
            const bool expected = !queue_.empty() && queue_.front().name == top->objectName();
            if (top->objectName() == "Warning") {
                const QString text = top->findChild<QLabel *>("Label1")->text();
                (expected ? texts : unexpected) << text;
                if (!expected) {
                    handled_.append(top);
                    QTimer::singleShot(0, this, [window = QPointer<QWidget>(top)] {
                        for (int b : {OK, Cancel})
                            if (window)
                                clickButton(window, b);
                    });
                    return;
                }
            }
            if (expected) {
                auto act = queue_.front().act;
                queue_.pop_front();
                handled_.append(top);
                // Out of the timer's slot: a window the answer opens needs the timer again.
                QTimer::singleShot(0, this, [act, window = QPointer<QWidget>(top)] {
                    if (window)
                        act(window);
                });
                return;
            }
        }
    }
    struct Answer {
        QString name;
        std::function<void(QWidget *)> act;
    };
    QList<QPointer<QWidget>> handled_;
    QTimer timer_;
    std::deque<Answer> queue_;
};

using vb2test::writeBytes;

// A WordPad-style document in the Windows-1251 code page, as the Windows program saved it.
const QByteArray kWindowsRtf =
    "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{\\f0\\fswiss\\fprq2\\fcharset204 Tahoma;}"
    "{\\f1\\froman\\fprq2\\fcharset0 Times New Roman;}{\\f2\\fnil\\fcharset204{\\*\\panose "
    "020b0604}Arial;}}\r\n"
    "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
    "{\\*\\generator Msftedit 5.41.21.2510;}{\\info{\\title \\'d1\\'f6\\'e5\\'ed\\'e0\\'f0\\'e8\\'e9}}"
    "\\viewkind4\\uc1\\pard\\qc\\lang1049\\b\\f0\\fs28 \\'d1\\'f6\\'e5\\'ed\\'e0\\'f0\\'e8\\'e9 "
    "\\'ef\\'f0\\'ee\\'e3\\'f0\\'e0\\'ec\\'EC\\'fb\\b0\\par\r\n"
    "\\pard\\fs20 1.\\tab\\i\\'c2\\'e5\\'e4\\'f3\\'f9\\'e8\\'e9:\\i0  "
    "\\cf1\\ul\\'c8\\'e2\\'e0\\'ed\\'ee\\'e2\\cf0\\ulnone"
    "\\line\\strike old\\strike0  \\f1\\lang1033 caf\\'e9 \\u8364?\\u8470\\'b9 \\{x\\}\\par\r\n"
    "\\pard\\qr\\f2\\cf2\\fs17 \\u1071?\\'df end\\par\r\n"
    "}\r\n";

}  // namespace

class TestScript : public QObject {
    Q_OBJECT

    ScriptsBox *box_ = nullptr;
    QTemporaryDir dir_;

    QString path(const QString &name) const { return dir_.path() + "/" + name; }

    void type(const QString &text) {
        box_->Text1->setFocus();
        QTest::keyClicks(box_->Text1, text);
    }

    void modify() {
        box_->Text1->moveCursor(QTextCursor::End);
        box_->Text1->insertPlainText("more");
        QVERIFY(ScriptModified);
    }

    QAction *action(const QString &name) const { return box_->findChild<QAction *>(name); }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QDir(ProgramFolder::path()).mkpath("Statistics");
        box_ = &ScriptsBoxInstance();
        box_->Show();
        QApplication::clipboard()->clear();
    }

    void init() {
        box_->NewFileScr();
        box_->Show();
    }

    // Our own output read back and written again is the same to the byte, and a
    // small document is written exactly as other editors expect.
    void rtfRoundTripsByteExact() {
        QTextDocument doc;
        QFont tahoma("Tahoma");
        tahoma.setPointSizeF(8.25);
        doc.setDefaultFont(tahoma);
        QTextCursor c(&doc);
        c.insertText("Hi ");
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        c.insertText("{x}\\", bold);
        const QByteArray small = Rtf::write(&doc);
        QCOMPARE(
            small,
            QByteArray("{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil\\fcharset204 Tahoma;}}\r\n"
                       "\\viewkind4\\uc1\\pard\\fs17 Hi \\b \\{x\\}\\\\\\par\r\n}\r\n"));

        // Everything the editor can produce: fonts, sizes, styles, colours, alignment,
        // tabs, line breaks, Cyrillic in 1251 and characters outside it.
        QTextBlockFormat centred;
        centred.setAlignment(Qt::AlignHCenter);
        c.insertBlock(centred);
        QTextCharFormat f;
        f.setFontFamilies({"Times New Roman"});
        f.setFontPointSize(14);
        f.setFontItalic(true);
        f.setFontUnderline(true);
        f.setForeground(QColor(200, 10, 30));
        c.insertText(QString::fromUtf8("Сценарий\tэфира") + QChar(0x2028) + QString::fromUtf8("ü € №"), f);
        f.setFontStrikeOut(true);
        f.setForeground(QColor(0, 0, 255));
        c.insertText("struck", f);
        QTextBlockFormat right;
        right.setAlignment(Qt::AlignRight);
        right.setLeftMargin(20);
        c.insertBlock(right, QTextCharFormat());
        c.insertBlock(QTextBlockFormat(), QTextCharFormat());
        c.insertText(QString::fromUtf8("日本 end"));
        const QByteArray first = Rtf::write(&doc);

        QTextDocument back;
        back.setDefaultFont(tahoma);
        Rtf::read(first, &back);
        QCOMPARE(back.blockCount(), doc.blockCount());
        QCOMPARE(back.toPlainText(), doc.toPlainText());
        QCOMPARE(Rtf::write(&back), first);
        QVERIFY(first.contains("\\'d1\\'f6\\'e5\\'ed\\'e0\\'f0\\'e8\\'e9"));  // Сценарий in 1251
        QVERIFY(first.contains("\\u252?"));                                   // ü is not in 1251
    }

    // A document saved by the Windows program in 1251 reads with its text and formatting.
    void readsWindowsCyrillicRtf() {
        QTextDocument doc;
        Rtf::read(kWindowsRtf, &doc);
        QCOMPARE(doc.blockCount(), 3);
        const QTextBlock title = doc.begin();
        QCOMPARE(title.text(), QString::fromUtf8("Сценарий программы"));
        QVERIFY(title.blockFormat().alignment() & Qt::AlignHCenter);
        const QTextCharFormat tf = title.begin().fragment().charFormat();
        QCOMPARE(tf.fontWeight(), int(QFont::Bold));
        QCOMPARE(tf.fontPointSize(), 14.0);
        QCOMPARE(tf.fontFamilies().toStringList().value(0), QString("Tahoma"));

        const QTextBlock second = title.next();
        QCOMPARE(second.text(), QString::fromUtf8("1.\tВедущий: Иванов") + QChar(0x2028) +
                                    QString::fromUtf8("old café €№ {x}"));
        QTextCursor at(second);
        auto formatAt = [&](int pos) {
            at.setPosition(second.position() + pos + 1);
            return at.charFormat();
        };
        QVERIFY(formatAt(3).fontItalic());  // В
        QVERIFY(!formatAt(3).fontUnderline());
        const QTextCharFormat name = formatAt(13);  // Иванов
        QVERIFY(name.fontUnderline());
        QCOMPARE(name.foreground().color(), QColor(255, 0, 0));
        QVERIFY(formatAt(19).fontStrikeOut());  // old
        const QTextCharFormat cafe = formatAt(24);
        QCOMPARE(cafe.fontFamilies().toStringList().value(0), QString("Times New Roman"));
        QCOMPARE(cafe.fontPointSize(), 10.0);
        QVERIFY(!cafe.fontStrikeOut());

        const QTextBlock last = second.next();
        QCOMPARE(last.text(), QString::fromUtf8("ЯЯ end"));
        QVERIFY(last.blockFormat().alignment() & Qt::AlignRight);
        QCOMPARE(last.begin().fragment().charFormat().foreground().color(), QColor(0, 0, 255));
        QCOMPARE(last.begin().fragment().charFormat().fontFamilies().toStringList().value(0),
                 QString("Arial"));

        // Written again and read back, the structure stays.
        QTextDocument again;
        Rtf::read(Rtf::write(&doc), &again);
        QCOMPARE(again.toPlainText(), doc.toPlainText());
        QCOMPARE(Rtf::write(&again), Rtf::write(&doc));
        QVERIFY(again.lastBlock().blockFormat().alignment() & Qt::AlignRight);

        // Broken input never fails: a stray brace, unclosed groups, an unknown word,
        // a cut-off escape.
        Rtf::read("}{\\rtf1 a{\\foo b\\'", &doc);
        QCOMPARE(doc.toPlainText(), QString("ab"));
    }

    // Open and save through the dialogs: captions, the Save command, RTF written
    // whatever the extension, plain 1251 text read as such.
    void openAndSaveScripts() {
        Modals modals;
        type("Script");
        QVERIFY(action("ssfa")->isEnabled());
        QVERIFY(box_->Toolbar1Button("Save")->isEnabled());
        QString title;
        modals.file(path("show.txt"), &title);
        box_->ssfa_Click(13);  // no file yet: Save As
        QVERIFY(modals.done());
        QCOMPARE(title, QString("Save Script File"));
        QCOMPARE(ScriptFilePath, path("show.txt"));
        QCOMPARE(box_->windowTitle(), QString("show"));
        QVERIFY(!ScriptModified);
        QVERIFY(!action("ssfa")->isEnabled());
        QVERIFY(Rtf::isRtf(vb2test::fileBytes(path("show.txt"))));

        writeBytes(path("notes.txt"), QByteArray("\xcf\xf0\xe8\xe2\xe5\xf2\r\nline 2\r\n"));
        writeBytes(path("readme"), QByteArray("plain"));
        modals.file(path("notes.txt"), &title);
        box_->oo_Click(11);
        QCOMPARE(title, QString("Open Script File"));
        QCOMPARE(box_->Text1->toPlainText(), QString::fromUtf8("Привет\nline 2\n"));
        QCOMPARE(box_->windowTitle(), QString("notes"));
        QVERIFY(!ScriptModified);
        QVERIFY(!action("ssfa")->isEnabled());
        modals.file(path("readme"));
        box_->oo_Click(11);
        QCOMPARE(box_->windowTitle(), QString("re"));

        // The .txt saved above holds RTF and opens formatted text again.
        modals.file(path("show.txt"));
        box_->oo_Click(11);
        QCOMPARE(box_->Text1->toPlainText(), QString("Script"));

        // Save over the named file; a short name keeps its whole title, no error.
        box_->Text1->selectAll();
        box_->fnt_Click(22);
        QVERIFY(ScriptModified);
        box_->ssfa_Click(13);
        QVERIFY(!ScriptModified);
        QTextDocument saved;
        Rtf::read(vb2test::fileBytes(path("show.txt")), &saved);
        QCOMPARE(saved.begin().begin().fragment().charFormat().fontWeight(), int(QFont::Bold));
        modals.file(path("ab.rtf"));
        box_->ssf_Click(12);
        QCOMPARE(box_->windowTitle(), QString("ab"));
        modals.file(path("x"));
        box_->ssf_Click(12);
        QCOMPARE(ScriptFilePath, path("x.rtf"));
        QVERIFY2(modals.unexpected.isEmpty(), qPrintable(modals.unexpected.join("|")));
    }

    // A file that cannot be read leaves the old text and the old file to save to.
    void failedOpenKeepsThePreviousFile() {
        Modals modals;
        type("keep");
        modals.file(path("kept.rtf"));
        box_->ssf_Click(12);
        QString missing = path("missing.txt");
        modals.warning(OK);
        box_->OpenStatFile(missing);
        QCOMPARE(modals.texts, QStringList("Unknown error in opening file: " + missing));
        QCOMPARE(ScriptFilePath, path("kept.rtf"));
        QCOMPARE(box_->Text1->toPlainText(), QString("keep"));
        QCOMPARE(box_->windowTitle(), QString("kept"));
    }

    // The save-changes question: Cancel does nothing, No goes on without saving,
    // Yes goes on only when Save As saved.
    void saveQuestionAnswers() {
        Modals modals;
        type("draft");
        modals.warning(Cancel);
        box_->ns_Click(14);
        QCOMPARE(box_->Text1->toPlainText(), QString("draft"));
        QVERIFY(ScriptModified);

        modals.warning(Yes);
        modals.file("");  // Save As cancelled
        box_->ns_Click(14);
        QCOMPARE(box_->Text1->toPlainText(), QString("draft"));
        QVERIFY(ScriptModified);

        modals.warning(Yes);
        modals.file(path("draft.rtf"));
        box_->ns_Click(14);
        QCOMPARE(box_->Text1->toPlainText(), QString());
        QCOMPARE(box_->windowTitle(), QString("Unknown Script"));
        QVERIFY(!ScriptModified);
        QVERIFY(Rtf::isRtf(vb2test::fileBytes(path("draft.rtf"))));

        type("lost");
        modals.warning(No);
        box_->ns_Click(14);
        QCOMPARE(box_->Text1->toPlainText(), QString());
        QVERIFY(ScriptFilePath.isEmpty());
        QVERIFY(!action("ssfa")->isEnabled());
        QCOMPARE(modals.texts, QStringList(4, "Do you want to save changes in Script?"));

        // The close box: Cancel keeps the window and its changes; No unloads it,
        // and it comes back as a new script.
        modals.file(path("named.rtf"));
        type("text");
        box_->ssf_Click(12);
        type("more");
        modals.warning(Cancel);
        QVERIFY(!BaseInstance().ext_Click(1));  // the frame's Exit stays open
        QVERIFY(BaseInstance().isVisible());
        QVERIFY(box_->isVisible());
        QVERIFY(ScriptModified);
        modals.warning(No);
        box_->parentWidget()->close();
        QVERIFY(!box_->parentWidget()->isVisible());
        QVERIFY(!ScriptModified);
        QVERIFY(ScriptFilePath.isEmpty());
        BaseInstance().opsc_Click(12);
        QVERIFY(box_->isVisible());
        QCOMPARE(box_->windowTitle(), QString("Unknown Script"));
        QVERIFY(box_->Text1->toPlainText().isEmpty());
        QVERIFY(!action("ssfa")->isEnabled());
        QVERIFY(modals.unexpected.isEmpty());
    }

    // The frame's "Open Script File": the question first, Cancel of the dialog
    // silent, the file loaded and named; Close only hides.
    void frameOpensScriptFile() {
        Modals modals;
        writeBytes(path("frame.rtf"), kWindowsRtf);
        type("unsaved");
        modals.warning(Cancel);
        BaseInstance().scf_Click(21);
        QCOMPARE(box_->Text1->toPlainText(), QString("unsaved"));
        modals.warning(No);
        modals.file("");
        BaseInstance().scf_Click(21);
        QCOMPARE(box_->Text1->toPlainText(), QString("unsaved"));
        modals.warning(No);
        modals.file(path("frame.rtf"));
        BaseInstance().scf_Click(21);
        QVERIFY(box_->Text1->toPlainText().startsWith(QString::fromUtf8("Сценарий программы")));
        QCOMPARE(box_->windowTitle(), QString("frame"));
        QCOMPARE(ScriptFilePath, path("frame.rtf"));
        QVERIFY(!ScriptModified);
        QVERIFY(modals.done());

        box_->ll_Click(17);
        QVERIFY(!box_->parentWidget()->isVisible());
        box_->Show();
        QCOMPARE(box_->windowTitle(), QString("frame"));
    }

    // Cut then Paste restores the formatting; plain text from elsewhere pastes plain.
    void clipboardKeepsRichText() {
        type("plain ");
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        bold.setForeground(QColor(255, 0, 0));
        box_->Text1->textCursor().insertText(QString::fromUtf8("жирный"), bold);
        QTextCursor c = box_->Text1->textCursor();
        c.movePosition(QTextCursor::End);
        c.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, 6);
        box_->Text1->setTextCursor(c);
        box_->edt_Click(51);
        QCOMPARE(box_->Text1->toPlainText(), QString("plain "));
        const QMimeData *data = QApplication::clipboard()->mimeData();
        QVERIFY(Rtf::isRtf(data->data("text/rtf")));
        QCOMPARE(data->text(), QString::fromUtf8("жирный"));
        box_->edt_Click(53);
        QCOMPARE(box_->Text1->toPlainText(), QString::fromUtf8("plain жирный"));
        QTextCursor at(box_->Text1->document());
        at.setPosition(8);
        QCOMPARE(at.charFormat().fontWeight(), int(QFont::Bold));
        QCOMPARE(at.charFormat().foreground().color(), QColor(255, 0, 0));

        QApplication::clipboard()->setText("other");
        box_->edt_Click(53);
        QVERIFY(box_->Text1->toPlainText().endsWith("other"));
        box_->Text1->selectAll();
        box_->edt_Click(54);
        QVERIFY(box_->Text1->toPlainText().isEmpty());
        QCOMPARE(QApplication::clipboard()->text(), QString("other"));

        // Fonts...: the chosen font, effects and colour go to the selection; the checks stay.
        Modals modals;
        modals.window("CommonDialog1", [](QWidget *w) {
            auto *dialog = qobject_cast<QFontDialog *>(w);
            QCOMPARE(dialog->currentFont().pointSizeF(), 10.0);
            QFont chosen("DejaVu Serif");
            chosen.setPointSize(16);
            chosen.setBold(true);
            chosen.setStrikeOut(true);
            dialog->setCurrentFont(chosen);
            auto *color = dialog->findChild<QComboBox *>("Color");
            color->setCurrentIndex(color->findText("Red"));
            dialog->accept();
        });
        box_->Text1->selectAll();
        box_->ffs_Click(21);
        QVERIFY(modals.done());
        const QTextCharFormat chosen = box_->Text1->textCursor().charFormat();
        QCOMPARE(chosen.fontWeight(), int(QFont::Bold));
        QVERIFY(chosen.fontStrikeOut());
        QCOMPARE(chosen.foreground().color(), QColor(255, 0, 0));
        QCOMPARE(chosen.fontPointSize(), 16.0);
        QVERIFY(!action("fnt(22)")->isChecked());
        box_->Text1->selectAll();
        box_->edt_Click(54);

        // Bold twice: the check and the text back to not bold.
        type("b");
        box_->Text1->selectAll();
        box_->fnt_Click(22);
        QVERIFY(action("fnt(22)")->isChecked());
        box_->fnt_Click(22);
        QVERIFY(!action("fnt(22)")->isChecked());
        QCOMPARE(box_->Text1->textCursor().charFormat().fontWeight(), int(QFont::Normal));
    }

    // A large script is read while the event loop runs, so timers keep firing; a
    // second load meanwhile is refused and the first one's text arrives whole. The
    // loaded text is where undoing stops.
    void largeScriptLoadsWhileTimersRun() {
        QByteArray big = "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil\\fcharset204 Tahoma;}}";
        for (int k = 0; k < 150000; ++k)
            big += "\\pard\\qc line \\b " + QByteArray::number(k) + "\\b0\\par\r\n";
        big += "}";
        writeBytes(path("big.rtf"), big);
        writeBytes(path("small.rtf"), "{\\rtf1 small}");
        type("typed");

        int ticks = 0;
        bool refused = false;
        QTimer timer;
        timer.setInterval(1);
        connect(&timer, &QTimer::timeout, [&] {
            if (ticks++ == 0) {
                try {
                    box_->LoadTextFile(path("small.rtf"));
                } catch (const VbError &) {
                    refused = true;
                }
            }
        });
        timer.start();
        box_->LoadTextFile(path("big.rtf"));
        timer.stop();
        QVERIFY(ticks > 0);
        QVERIFY(refused);
        QTextDocument *doc = box_->Text1->document();
        QCOMPARE(doc->blockCount(), 150000);
        QCOMPARE(doc->lastBlock().text(), QString("line 149999"));
        QVERIFY(doc->lastBlock().blockFormat().alignment() & Qt::AlignHCenter);
        QVERIFY(!doc->isUndoAvailable());
        QVERIFY(ScriptModified);
        box_->Text1->undo();
        QCOMPARE(doc->blockCount(), 150000);
        box_->NewFileScr();
    }

    // A script whose runs use 20,000 fonts the system lacks opens and is laid out to
    // its end (Ctrl+End) without the window freezing for a second, and is saved with
    // every font name it had. A font the system has is still shown as named.
    void scriptOfManyUnknownFontsOpensAtOnce() {
        const QString installed = QFontDatabase::families().value(0);
        QVERIFY(!installed.isEmpty());
        QTextDocument source;
        source.setDefaultFont(box_->Text1->document()->defaultFont());
        QTextCursor c(&source);
        constexpr int kFonts = 20000;
        for (int k = 0; k <= kFonts; ++k) {
            QTextCharFormat f;
            Rtf::setFontFamily(f, k < kFonts ? QString("Font Family %1").arg(k) : installed);
            c.insertText(QString("run %1 ").arg(k), f);
            if (k % 20 == 19)
                c.insertBlock();
        }
        const QByteArray bytes = Rtf::write(&source);
        QVERIFY(bytes.contains("Font Family 19999;"));
        writeBytes(path("fonts.rtf"), bytes);

        QElapsedTimer clock;
        qint64 last = 0, longest = 0;
        QTimer beat;
        beat.setInterval(1);
        connect(&beat, &QTimer::timeout, [&] {
            longest = std::max(longest, clock.elapsed() - last);
            last = clock.elapsed();
        });
        clock.start();
        beat.start();
        box_->LoadTextFile(path("fonts.rtf"));
        QTest::keyClick(box_->Text1, Qt::Key_End, Qt::ControlModifier);
        QTest::qWait(20);
        beat.stop();
        QVERIFY2(longest < 1000, qPrintable(QString("the window froze %1 ms").arg(longest)));
        QCOMPARE(box_->Text1->textCursor().position(), box_->Text1->document()->characterCount() - 1);
        const QTextBlock end = box_->Text1->document()->lastBlock();
        QCOMPARE(end.text(), QString("run 20000 "));
        QCOMPARE(end.begin().fragment().charFormat().fontFamilies().toStringList(), QStringList(installed));

        box_->SaveTextFile(path("fonts-saved.rtf"));
        QCOMPARE(vb2test::fileBytes(path("fonts-saved.rtf")), bytes);
        box_->NewFileScr();
    }

    // A day's report: found, opened read as plain text with its path as caption;
    // Save onto it fails and leaves it whole; a day without one says so.
    void statisticsReportOpens() {
        Modals modals;
        const QDate day(2026, 3, 9);
        OpenSaveFilesInstance().SaveStatisticsDate("Eng", "Man", "Org", "|12:00 | 03:00 | Song", day);
        const QString report = StatisticsReportPath(day);
        const QByteArray reportBytes = vb2test::fileBytes(report);
        QVERIFY(!reportBytes.isEmpty());

        type("unsaved");
        QString found, missing;
        bool okAfterClick = true;
        modals.window("Stat", [&](QWidget *w) {
            auto *stat = static_cast<Stat *>(w);
            QVERIFY(!stat->Command1->isEnabled());
            QVERIFY(!stat->Command2->isEnabled());
            QCOMPARE(stat->Calendar1->selectedDate(), QDate::currentDate());
            stat->Calendar1->setSelectedDate(day.addDays(1));
            stat->Command1->click();
            missing = stat->Label2->text();
            QVERIFY(!stat->Command2->isEnabled());
            QCOMPARE(stat->Label2->palette().color(QPalette::Window), QColor(255, 128, 128));
            stat->Calendar1->setSelectedDate(day);
            stat->Command1->click();
            found = stat->Label2->text();
            QVERIFY(stat->Command2->isEnabled());
            stat->Calendar1->setSelectedDate(day.addDays(2));
            okAfterClick = stat->Command2->isEnabled();
            stat->Calendar1->setSelectedDate(day);
            stat->Command1->click();
            stat->Command2->click();  // the script's changes are dropped first
        });
        modals.warning(No);
        BaseInstance().opss_Click(22);
        QVERIFY(modals.done());
        QCOMPARE(missing, QString(" Statistics file is not found"));
        QCOMPARE(found, " Found a Statistics file about " + DayMonthText(day) + " 2026");
        QVERIFY(!okAfterClick);
        QCOMPARE(box_->windowTitle(), report);
        QCOMPARE(ScriptFilePath, report);
        QVERIFY(!ScriptModified);
        QVERIFY(box_->Text1->toPlainText().contains("|12:00 | 03:00 | Song"));

        type("x");
        modals.warning(OK);
        box_->ssfa_Click(13);
        QCOMPARE(modals.texts.last(), "Unknown error in saving file: " + report);
        QCOMPARE(vb2test::fileBytes(report), reportBytes);
        QVERIFY(ScriptModified);
        QVERIFY(action("ssfa")->isEnabled());

        // Cancel closes the viewer without touching the script box.
        modals.warning(No);
        modals.window("Stat", [](QWidget *w) { static_cast<Stat *>(w)->Command3->click(); });
        box_->opss_Click(18);
        QVERIFY(modals.done());
        QVERIFY(ScriptModified);
        QCOMPARE(box_->windowTitle(), report);
        QVERIFY(modals.unexpected.isEmpty());

        // A box hidden by Close stays hidden when a report is opened into it.
        box_->ll_Click(17);
        QString again = report;
        box_->OpenStatFile(again);
        QVERIFY(!box_->parentWidget()->isVisible());
        QVERIFY(!ScriptModified);
    }
};

VB2_TEST_MAIN(TestScript)
#include "test_script.moc"
