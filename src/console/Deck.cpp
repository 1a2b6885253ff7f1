#include "console/Deck.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTime>
#include <QTimer>
#include <cmath>

#include "console/ConsoleGlobals.h"
#include "console/DJPlayer.h"
#include "core/Globals.h"
#include "core/OpenSaveFiles.h"
#include "core/WarningWindows.h"
#include "media/MediaPlayer.h"

namespace {

DeckState deckStates[2];

// The report failure waiting to be shown, and whether its message is up or on its way.
QString pendingFailure;
bool failureQueued = false;
bool failureShowing = false;

void showReportFailure() {
    failureQueued = false;
    const QString message = pendingFailure;
    pendingFailure.clear();
    // While the message is up, players go on and may fail again: the one shown says it.
    if (message.isEmpty() || failureShowing)
        return;
    failureShowing = true;
    try {
        WarningWindows(message, 0);
    } catch (...) {
    }
    failureShowing = false;
}

void noteReportFailure(const QString &message) {
    // One message however many lines failed before it could be shown.
    if (pendingFailure.isEmpty())
        pendingFailure = message;
    if (!failureQueued) {
        failureQueued = true;
        QTimer::singleShot(0, qApp, showReportFailure);
    }
}

template <std::size_t N, typename T>
std::array<QWidget *, N> widgets(const std::array<T *, N> &from) {
    std::array<QWidget *, N> out{};
    for (std::size_t i = 0; i < N; ++i)
        out[i] = from[i];
    return out;
}

QStringList chooseWithDialog(QWidget *parent) {
    QFileDialog dialog(parent, QStringLiteral("Add audio file to Playlist"));
    dialog.setObjectName(QStringLiteral("CommonDialog1"));
    // Our own dialog, so it looks the same everywhere and can be answered in tests.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(QStringLiteral("mp3"));
    // Both cases: names from Windows disks often end in .MP3 or .WAV.
    const QStringList filters = {
        QStringLiteral("MP3 files (*.mp3 *.MP3)"), QStringLiteral("WAV files (*.wav *.WAV)"),
        QStringLiteral("WMA files (*.wma *.WMA)"), QStringLiteral("MIDI files (*.mid *.MID)"),
        QStringLiteral(
            "All audio files (MP3, WAV, WMA, MIDI) (*.mp3 *.wav *.wma *.mid *.MP3 *.WAV *.WMA *.MID)")};
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.last());
    const bool accepted = dialog.exec() == QDialog::Accepted;
    Deck::ConsoleDialog = {dialog.windowTitle(), int(filters.indexOf(dialog.selectedNameFilter())),
                           dialog.selectedFiles().value(0)};
    if (!accepted)
        return {};
    return dialog.selectedFiles();
}

}  // namespace

DeckRefs deckRefs(DJPlayer &w, int deck) {
    const bool a = deck == 0;
    return DeckRefs{
        w,
        a ? 0 : 1,
        a ? QStringLiteral("A") : QStringLiteral("B"),
        a ? w.Combo1 : w.Combo2,
        a ? w.List1 : w.List2,
        a ? w.List3 : w.List4,
        a ? w.Command1 : w.Command3,
        a ? w.Command2 : w.Command4,
        a ? w.Command9 : w.Command10,
        a ? w.Command13 : w.Command14,
        a ? w.Command16 : w.Command18,
        a ? w.Command17 : w.Command19,
        a ? w.Check2 : w.Check3,
        a ? w.Label1 : w.Label2,
        a ? w.Label3 : w.Label4,
        a ? w.Label7 : w.Label8,
        a ? w.Label9 : w.Label10,
        a ? w.Label11 : w.Label12,
        a ? w.Label13 : w.Label14,
        a ? w.Frame8 : w.Frame9,
        a ? w.Scrol1 : w.Scrol2,
        a ? w.Timer4 : w.Timer5,
        a ? w.Timer10 : w.Timer11,
        widgets(a ? w.Ind1 : w.Ind2),
        a ? w.Line3 : w.Line4,
        widgets(a ? w.Shape8 : w.Shape9),
        a ? w.Shape6 : w.Shape7,
        a ? w.MediaPlayer1 : w.MediaPlayer2,
        a ? w.rnma : w.rnmb,
        a ? w.tttt : w.uuuu,
        a ? w.prps : w.prp,
        a ? QStringLiteral("Playlist with such name already exists. Do you want to leave it?")
          : QStringLiteral("Playlist with such name alreade exists. Do you want to leave it?"),
        a ? QStringLiteral("Unknown error in opening file")
          : QStringLiteral("Unknown error in opening file."),
        a ? PlayingA : PlayingB,
        a ? PlayerAInUse : PlayerBInUse,
        a ? PositionA : PositionB,
        a ? StartTimeA : StartTimeB,
        a ? QueueA : QueueB,
        a ? QueuePosA : QueuePosB,
        a ? PrevTitleA : PrevTitleB,
        a ? w.RunLightStepA : w.RunLightStepB,
        deckStates[a ? 0 : 1],
    };
}

namespace Deck {

std::function<QStringList(QWidget *parent)> ChooseAudioFiles = chooseWithDialog;
DialogMemory ConsoleDialog;

bool onAir(DJPlayer &w) {
    return w.Command15->property("Tag").toString() == QLatin1String("Stop");
}

void itemStarted(DeckRefs &d) {
    d.StartTime = QTime::currentTime().toString(QStringLiteral("hh:mm"));
    d.st.playedTitle = d.title->text();
    d.st.playedDuration = d.duration->text();
    d.st.aired = true;
}

void itemEnded(DeckRefs &d) {
    const bool write = d.st.aired && d.InUse && onAir(d.w);
    d.st.aired = false;
    if (!write)
        return;
    const QString line = QLatin1Char('|') + d.StartTime + QStringLiteral(" | ") + d.st.playedDuration +
                         QStringLiteral(" | ") + d.st.playedTitle;
    try {
        OpenSaveFilesInstance().SaveStatisticsDate(UserEngineer, UserManager, UserOrganization, line);
    } catch (const std::exception &e) {
        noteReportFailure(QStringLiteral("The statistics report could not be written: ") +
                          QString::fromStdString(e.what()));
    }
}

WaitPointer::WaitPointer(QWidget *w) : w_(w) {
    w_->setCursor(Qt::WaitCursor);
}
WaitPointer::~WaitPointer() {
    w_->unsetCursor();
}

int activeRow(const QListWidget *list) {
    const QList<QListWidgetItem *> selected = list->selectedItems();
    if (selected.size() == 1)
        return list->row(selected.first());
    const int row = list->currentRow();
    return row >= 0 && row < list->count() ? row : -1;
}

QString itemText(const QListWidget *list, int row) {
    if (row < 0 || row >= list->count())
        return QString();
    return list->item(row)->text();
}

double probeDuration(MediaPlayer &probe, const QString &path) {
    try {
        probe.setFileName(path);
        const double d = probe.Duration();
        return std::isfinite(d) && d > 0 ? d : 0.0;
    } catch (const std::exception &) {
        return 0.0;
    }
}

}  // namespace Deck
