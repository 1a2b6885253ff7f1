#include "console/Mixer.h"

#include <QSlider>
#include <QTimer>
#include <algorithm>

#include "console/DJPlayer.h"
#include "media/MediaPlayer.h"
#include "platform/Settings.h"

namespace Mixer {

LevelEffect levelLaw(int level) {
    if (level >= LevelMax)
        return {true, std::nullopt};
    return {false, std::max(level, 0) * -100};
}

CrossEffect crossFaderLaw(int cross, int levelA, int levelB) {
    CrossEffect e;
    if (cross < CrossCentre) {
        e.volumeB = -100 * ((CrossCentre - cross) + levelB);
    } else if (cross > CrossCentre) {
        e.volumeA = -100 * ((cross - CrossCentre) + levelA);
    } else {
        e.volumeA = -100 * levelA;
        e.volumeB = -100 * levelB;
    }
    return e;
}

int talkLevelFromText(const QString &text) {
    bool ok = false;
    const int level = text.trimmed().toInt(&ok);
    return ok && level >= 0 && level <= LevelMax ? level : DefaultTalkLevel;
}

int talkLevel() {
    return talkLevelFromText(Settings::get("LastFadeLevel", "18"));
}

Step fadeStep(bool talkOn, int level, int talkLevel, int savedLevel) {
    if (talkOn) {
        const int value = std::min(level + 1, LevelMax);
        return {value, talkLevel <= value || value == LevelMax};
    }
    const int value = std::max(level - 1, 0);
    return {value, value <= savedLevel || value == 0};
}

Step crossStep(bool toA, int cross) {
    if (toA) {
        const int value = std::clamp(cross - 1, 0, CrossMax);
        return {value, value == 0};
    }
    const int value = std::clamp(cross + 1, 0, CrossMax);
    return {value, value == CrossMax};
}

int speedInterval(int row) {
    static const int intervals[5] = {160, 80, 40, 20, 10};
    return intervals[std::clamp(row, 0, 4)];
}

QString speedCaption(int row) {
    static const char *const captions[5] = {"Very Slow", "Slow", "Normal", "Fast", "Very Fast"};
    return QString::fromLatin1(captions[std::clamp(row, 0, 4)]);
}

}  // namespace Mixer

namespace MediaFiles {

void ApplyCrossFader(DJPlayer &w) {
    const Mixer::CrossEffect e =
        Mixer::crossFaderLaw(w.Slider3->value(), w.Slider1->value(), w.Slider2->value());
    if (e.volumeA)
        w.MediaPlayer1->setVolume(*e.volumeA);
    if (e.volumeB)
        w.MediaPlayer2->setVolume(*e.volumeB);
}

void ToggleTalk(bool &TalkOn, QSlider *Slider, int &SavedLevel, QTimer *FadeTimer) {
    if (TalkOn) {
        TalkOn = false;
        if (!FadeTimer->isActive())
            FadeTimer->start();
        return;
    }
    SavedLevel = Slider->value();
    if (Mixer::talkLevel() <= SavedLevel)
        return;
    TalkOn = true;
    if (!FadeTimer->isActive())
        FadeTimer->start();
}

}  // namespace MediaFiles
