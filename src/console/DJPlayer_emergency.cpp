// Emergency mode: both players stop, the emergency file plays on the jingle player,
// the red banner blinks over the broadcast strip's band, and the jingles and the
// strip's show and hide are locked until the mode ends. And the choice of the file.
#include <QAction>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QTimer>

#include "console/Broadcast.h"
#include "console/DJPlayer.h"
#include "console/Deck.h"
#include "core/WarningWindows.h"
#include "media/MediaPlayer.h"
#include "platform/Guarded.h"
#include "platform/Settings.h"

namespace {

// The banner's labels: white Tahoma 12 pt bold, 1680 twips apart, left to right in the
// order of indexes 4, 0, 2, 3, 1, 5.
void styleBanner(DJPlayer &w) {
    static const int order[6] = {4, 0, 2, 3, 1, 5};
    for (int place = 0; place < 6; ++place) {
        QLabel *label = w.Label22[static_cast<std::size_t>(order[place])];
        QFont f = label->font();
        f.setPointSizeF(12);
        f.setBold(true);
        label->setFont(f);
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        label->setPalette(p);
        label->setGeometry(place * 112, 0, 112, w.Frame10->height());
    }
}

}  // namespace

void DJPlayer::alc_Click(int) {
    QString chosen;
    try {
        QFileDialog dialog(this);
        dialog.setObjectName(QStringLiteral("CommonDialog1"));
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setDefaultSuffix(QStringLiteral("mp3"));
        // Both cases: names from Windows disks often end in .MP3 or .WAV. The MIDI entry's
        // pattern has no dot.
        const QStringList filters = {
            QStringLiteral("MP3 Files (*.mp3 *.MP3)"),
            QStringLiteral("WMA Files (*.wma *.WMA)"),
            QStringLiteral("WAV Files (*.wav *.WAV)"),
            QStringLiteral("MIDI Files (*mid *MID)"),
            QStringLiteral("All audio files(*.MP3, *.WMA, *.WAV, *.MID) "
                           "(*.mp3 *.wma *.wav *.mid *.MP3 *.WMA *.WAV *.MID)"),
        };
        dialog.setNameFilters(filters);
        // No title or filter of its own: those the console's last file command left.
        const Deck::DialogMemory &last = Deck::ConsoleDialog;
        if (!last.title.isEmpty())
            dialog.setWindowTitle(last.title);
        if (last.filter >= 0 && last.filter < filters.size())
            dialog.selectNameFilter(filters.at(last.filter));
        if (!last.file.isEmpty())
            dialog.selectFile(last.file);
        const bool accepted = dialog.exec() == QDialog::Accepted;
        Deck::ConsoleDialog = {dialog.windowTitle(), int(filters.indexOf(dialog.selectedNameFilter())),
                               dialog.selectedFiles().value(0)};
        if (!accepted)
            return;
        chosen = dialog.selectedFiles().value(0);
        Settings::save(QStringLiteral("EmergencyFile"), chosen);
    } catch (const std::exception &) {
        WarningWindows(QStringLiteral("Unknown error in opening file: ") + chosen, 0);
    }
}

void DJPlayer::Emerg() {
    QAction *alarm = Toolbar1Button(QStringLiteral("Alarm"));
    QAction *strip = Toolbar1Button(QStringLiteral("Broadcon"));
    // No step can cut the others short: the stops, the banner and the locks all take effect.
    if (alarm && alarm->isChecked()) {
        styleBanner(*this);
        Frame10->show();
        Frame10->raise();
        Broadcast::fitBand(*this);
        strip->setEnabled(false);
        bctrl->setEnabled(false);
        Timer9->start();
        Frame4->setEnabled(false);
        guarded([this] { Command13_Click(); });
        guarded([this] { Command14_Click(); });
        // The jingle player starts the file by itself; with no file, or one that cannot be
        // played, it stays silent.
        guarded([this] { MediaPlayer4->Stop(); });
        const QString file = Settings::get(QStringLiteral("EmergencyFile"));
        if (!file.isEmpty())
            guarded([&] { MediaPlayer4->setFileName(file); });
        return;
    }
    Frame10->hide();
    Broadcast::fitBand(*this);
    strip->setEnabled(true);
    bctrl->setEnabled(true);
    Timer9->stop();
    Frame4->setEnabled(true);
    guarded([this] { MediaPlayer4->Stop(); });
}

void DJPlayer::Timer9_Timer() {
    for (QLabel *label : Label22)
        label->setVisible(label->isHidden());
}
