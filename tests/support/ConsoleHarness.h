#pragma once
// The console's tests share these: the window shown once, the modal windows answered
// in order from a timer, and today's statistics report read back.
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>

#include "console/ConsoleGlobals.h"
#include "console/DJPlayer.h"
#include "core/OpenSaveFiles.h"
#include "platform/TextFile.h"

namespace vb2test {

// The Warning window's buttons "OK", "Yes" and "No".
constexpr int OK = 0, Yes = 3, No = 4;

// The console's one window, shown.
inline DJPlayer *showConsole() {
    DJPlayer *w = &DJPlayerInstance();
    w->Show();
    return w;
}

// Answers the modal windows of a test in order: a Warning with a button, an InputBox with
// a text ("" cancels), any other window through a function. Warnings' texts are kept; a
// Warning nobody expected is answered with OK (or No) so no test hangs.
class Modals : public QObject {
  public:
    Modals() {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
        timer_.start();
    }
    void warning(int button) { queue_.push_back({"Warning", button, {}, {}}); }
    void input(const QString &text) { queue_.push_back({"InputBox", 0, text, {}}); }
    void window(const QString &name, std::function<void(QWidget *)> act) {
        queue_.push_back({name, 0, {}, std::move(act)});
    }
    QStringList texts;
    QStringList unexpected;
    // Called with each Warning's text as it appears, before it is answered.
    std::function<void(const QString &)> seen;
    bool done() const { return queue_.empty(); }

  private:
    struct Answer {
        QString window;
        int button;
        QString text;
        std::function<void(QWidget *)> act;
    };
    void poll() {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (!top->isVisible() || !top->isModal())
                continue;
            const bool expected = !queue_.empty() && queue_.front().window == top->objectName();
            if (top->objectName() == QLatin1String("Warning")) {
                auto *label = top->findChild<QLabel *>(QStringLiteral("Label1"));
                const QString text = label ? label->text() : QString();
                if (seen)
                    seen(text);
                (expected ? texts : unexpected) << text;
                const int button = expected ? queue_.front().button : OK;
                if (expected)
                    queue_.pop_front();
                for (int b : {button, OK, No}) {
                    auto *pb = top->findChild<QPushButton *>(QStringLiteral("Command1(%1)").arg(b));
                    if (pb && pb->isVisible()) {
                        pb->click();
                        return;
                    }
                }
            } else if (auto *dialog = qobject_cast<QInputDialog *>(top)) {
                const QString text = expected ? queue_.front().text : QString();
                if (expected)
                    queue_.pop_front();
                if (text.isEmpty()) {
                    dialog->reject();
                } else {
                    dialog->setTextValue(text);
                    static_cast<QDialog *>(dialog)->accept();
                }
                return;
            } else if (expected) {
                auto act = queue_.front().act;
                queue_.pop_front();
                act(top);
                return;
            }
        }
    }
    QTimer timer_;
    std::deque<Answer> queue_;
};

// A click that opens another modal window is made from the event loop, not from inside
// the answering timer (a timer never fires again inside its own handler).
inline void clickLater(QPushButton *button) {
    QTimer::singleShot(0, button, [button] { button->click(); });
}

// A playlist of the player (0 = A, 1 = B) written as files, added to its chooser and chosen
// as the user chooses it. Each item's title is its file's name without the extension.
inline void choosePlaylist(DJPlayer *w, int deck, const QString &name, const QStringList &paths) {
    const QString letter = deck == 0 ? QStringLiteral("A") : QStringLiteral("B");
    QComboBox *combo = deck == 0 ? w->Combo1 : w->Combo2;
    const int n = combo->count();
    OpenSaveFiles::AppendComboName(letter, name);
    QStringList lines;
    for (const QString &p : paths)
        lines << QFileInfo(p).completeBaseName() << p;
    TextFile::writeLines(OpenSaveFiles::PlaylistPath(letter, n), lines);
    combo->addItem(name);
    combo->setCurrentIndex(n);
    emit combo->activated(n);
}

// Playlist files of a player: playlist i is named "<letter>-list<i>" and holds items
// "<letter><i>-<j>", each the file `wav` gives for "<item>.wav"; the chooser is filled
// from them with nothing chosen. Returns the playlists' names.
inline QStringList makePlaylists(DJPlayer *w, const QString &letter, int count, int items,
                                 const std::function<QString(const QString &)> &wav) {
    QStringList names;
    for (int i = 0; i < count; ++i) {
        names << QStringLiteral("%1-list%2").arg(letter).arg(i);
        QStringList lines;
        for (int j = 0; j < items; ++j) {
            const QString item = QStringLiteral("%1%2-%3").arg(letter).arg(i).arg(j);
            lines << item << wav(item + ".wav");
        }
        TextFile::writeLines(OpenSaveFiles::PlaylistPath(letter, i), lines);
    }
    TextFile::writeLines(OpenSaveFiles::NameListPath(letter), names);
    QComboBox *combo = letter == "A" ? w->Combo1 : w->Combo2;
    combo->clear();
    combo->addItems(names);
    combo->setCurrentIndex(-1);
    return names;
}

// Chooses playlist n of the player (0 = A, 1 = B) as the user does.
inline void choosePlaylistAt(DJPlayer *w, int deck, int n) {
    QComboBox *combo = deck == 0 ? w->Combo1 : w->Combo2;
    combo->setCurrentIndex(n);
    emit combo->activated(n);
}

// A user's click on a row, with Ctrl or Shift held for a multiple selection.
inline void clickRow(QListWidget *list, int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, mods, list->visualItemRect(list->item(row)).center());
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// The item lines of today's statistics report (the heading left out).
inline QStringList reportLines() {
    const QString path = StatisticsReportPath(QDate::currentDate());
    QStringList out;
    if (QFile::exists(path))
        for (const QString &line : TextFile::readLines(path))
            if (line.startsWith(QLatin1Char('|')) && !line.startsWith(QStringLiteral("|Начало")))
                out << line;
    return out;
}

}  // namespace vb2test
