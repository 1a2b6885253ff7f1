// Chooses a playlist of 5,000 real audio files on player A (every file is measured for
// the total), chooses it again, then presses Play and waits for the first sound.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "console/DJPlayer.h"
#include "core/OpenSaveFiles.h"
#include "media/MediaPlayer.h"
#include "platform/TextFile.h"
#include "support/AudioFiles.h"

namespace {

constexpr int kItems = 5000;

double ms(const QElapsedTimer &t) {
    return double(t.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char *argv[]) {
    QTemporaryDir root;
    QDir(root.path()).mkpath("home");
    QDir(root.path()).mkpath("config");
    QDir(root.path()).mkpath("audio");
    qputenv("VANTELBROOK2_HOME", (root.path() + "/home").toUtf8());
    qputenv("XDG_CONFIG_HOME", (root.path() + "/config").toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER"))
        qputenv("SDL_AUDIODRIVER", "dummy");
    QApplication app(argc, argv);

    QElapsedTimer t;
    t.start();
    // Six in ten MP3 (with and without a Xing header, VBR), one WMA, two WAV, one MIDI.
    const QString data = QStringLiteral(VB2_TEST_DATA);
    const QStringList mp3 = {data + "/tone_xing.mp3", data + "/tone_noxing.mp3", data + "/vbr_noxing.mp3"};
    QStringList lines;
    int counts[4] = {0, 0, 0, 0};
    for (int i = 0; i < kItems; ++i) {
        const QString base = root.path() + QString("/audio/item%1").arg(i, 4, 10, QChar('0'));
        QString path;
        const int kind = i % 10;
        if (kind < 6) {
            path = base + ".mp3";
            QFile::copy(mp3[i % 3], path);
            ++counts[0];
        } else if (kind == 6) {
            path = base + ".wma";
            QFile::copy(data + "/tone.wma", path);
            ++counts[1];
        } else if (kind < 9) {
            path = base + ".wav";
            // Lengths from 0.5 s to about 1.5 s, 8 kHz, so the folder stays small.
            vb2test::writeSineWav(path, 0.5 + (i % 100) * 0.01, 8000);
            ++counts[2];
        } else {
            path = base + ".mid";
            vb2test::writeMidi(path, 1 + i % 7);
            ++counts[3];
        }
        lines << QString("item%1").arg(i, 4, 10, QChar('0')) << path;
    }
    OpenSaveFiles::AppendComboName("A", "Big");
    TextFile::writeLines(OpenSaveFiles::PlaylistPath("A", 0), lines);
    std::printf("made %d files (%d MP3, %d WMA, %d WAV, %d MIDI) in %.0f ms\n", kItems, counts[0], counts[1],
                counts[2], counts[3], ms(t));

    DJPlayer &w = DJPlayerInstance();
    w.Show();
    w.Combo1->setCurrentIndex(0);

    t.restart();
    w.Combo1_Click();
    const double first = ms(t);
    std::printf("choose 5,000 items, first time:  %8.1f ms  (total %s, %d items)\n", first,
                qPrintable(w.Label11->text()), w.List1->count());
    t.restart();
    w.Combo1_Click();
    const double second = ms(t);
    std::printf("choose 5,000 items, second time: %8.1f ms  (total %s)\n", second,
                qPrintable(w.Label11->text()));

    // Play: the press itself (measure, load, start), then the wait for the first mixed frame.
    std::vector<double> press, toSound;
    for (int k = 0; k < 20; ++k) {
        w.List1->clearSelection();
        w.List1->setCurrentRow(k * 37);
        w.List1_Click();
        t.restart();
        w.Command9_Click();
        press.push_back(ms(t));
        QElapsedTimer s;
        s.start();
        while (w.MediaPlayer1->CurrentPosition() <= 0.0 && s.nsecsElapsed() < 2000000000LL)
            QThread::usleep(100);
        toSound.push_back(ms(s));
        w.Command13_Click();
        QCoreApplication::processEvents();
    }
    std::sort(press.begin(), press.end());
    std::sort(toSound.begin(), toSound.end());
    std::printf("Play pressed (measure + load + start), median %.2f ms, max %.2f ms\n",
                press[press.size() / 2], press.back());
    std::printf("Play returned to first mixed frame,   median %.2f ms, max %.2f ms (output buffer 10 ms)\n",
                toSound[toSound.size() / 2], toSound.back());
    return 0;
}
