#pragma once
// One player of the console (a deck), written once for A and B: the controls and
// globals of a deck are gathered in DeckRefs, and the twin handlers of DJPlayer are
// one-line calls into the functions below with deck 0 (A) or 1 (B).
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

class DJPlayer;
class MediaPlayer;
class QAbstractButton;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QSlider;
class QTimer;
class QWidget;

// What a deck keeps beyond the console's globals.
struct DeckState {
    // An item has been cued since the load (cleared when deleting items clears the cue).
    bool cued = false;
    // The item that plays, kept when it starts: its statistics line carries these even
    // after another item was cued during its play.
    QString playedTitle;
    QString playedDuration;
    // The item in the player has started and its line is not written yet: a start that
    // failed, or an item whose line the queue's advance has written, gets no second line.
    bool aired = false;
};

struct DeckRefs {
    DJPlayer &w;
    int deck;  // 0 = A, 1 = B
    QString letter;
    QComboBox *combo;
    QListWidget *names;
    QListWidget *paths;
    QAbstractButton *add;
    QAbstractButton *del;
    QAbstractButton *play;
    QAbstractButton *stop;
    QAbstractButton *up;
    QAbstractButton *down;
    QCheckBox *repeat;
    QLabel *title;
    QLabel *path;
    QLabel *duration;
    QLabel *remaining;
    QLabel *total;
    QLabel *selTotal;
    QWidget *selFrame;
    QSlider *slider;
    QTimer *clock;
    QTimer *light;
    std::array<QWidget *, 6> lamps;
    std::array<QWidget *, 3> playMark;
    std::array<QWidget *, 2> pauseMark;
    QWidget *stopMark;
    MediaPlayer *player;
    QAction *rnm;
    QAction *sep;
    QAction *prps;
    QString duplicateQuestion;
    QString addFailure;
    bool &Playing;
    bool &InUse;
    double &Position;
    QString &StartTime;
    std::vector<int> &Queue;
    int &QueuePos;
    QString &PrevTitle;
    int &RunLightStep;
    DeckState &st;
};

DeckRefs deckRefs(DJPlayer &w, int deck);

namespace Deck {

// The broadcast is on the air.
bool onAir(DJPlayer &w);
// The item in the player has just started: its start time, title and duration are kept
// for its statistics line.
void itemStarted(DeckRefs &d);
// The item in the player ends: on the air its statistics line is appended, once. A failed
// write never cuts short the Stop, the queue's advance or the broadcast's Stop that asked
// for it: it is shown once, from the event loop, after the handler has finished.
void itemEnded(DeckRefs &d);

// The hourglass over the console while it loads or measures files.
class WaitPointer {
  public:
    explicit WaitPointer(QWidget *w);
    ~WaitPointer();
    WaitPointer(const WaitPointer &) = delete;
    WaitPointer &operator=(const WaitPointer &) = delete;

  private:
    QWidget *w_;
};

// The row the commands act on: the selected row when exactly one row is selected
// (the current row may be an unselected one), else the current row; -1 for none.
int activeRow(const QListWidget *list);
// Item text of a row, "" when out of range.
QString itemText(const QListWidget *list, int row);
// Duration in seconds as the probe measures it; 0 when it cannot be measured.
double probeDuration(MediaPlayer &probe, const QString &path);

// Transport.
void playPause(DeckRefs d);
void stop(DeckRefs d);
void clockTick(DeckRefs d);
void seek(DeckRefs d);
void runLight(DeckRefs d);
// Cueing and end of stream.
void click(DeckRefs d);
void endOfStream(DeckRefs d);
// Playlists.
void choose(DeckRefs d);
void create(DeckRefs d);
void addFiles(DeckRefs d);
void deleteItems(DeckRefs d);

// The add dialog; tests replace it. Returns the full paths chosen, empty when cancelled.
extern std::function<QStringList(QWidget *parent)> ChooseAudioFiles;

// The console's file dialog is one dialog shared by its file commands: the title, the
// position of the chosen filter entry (0 first, -1 none yet) and the file name that one
// command leaves are what the next command that sets none of its own shows.
struct DialogMemory {
    QString title;
    int filter = -1;
    QString file;
};
extern DialogMemory ConsoleDialog;

}  // namespace Deck
