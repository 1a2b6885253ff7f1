#pragma once
// The mixer's laws as pure functions (level, crossfader, talk fade and crossing
// steps, speeds), and the two mixer procedures that apply them to the console.
#include <QString>
#include <optional>

class DJPlayer;
class QSlider;
class QTimer;

namespace Mixer {

constexpr int LevelMax = 42;     // level sliders: 0 full level .. 42 silence (mute)
constexpr int CrossMax = 84;     // crossfader: 0 all A .. 84 all B
constexpr int CrossCentre = 42;  // both players at their own levels
constexpr int DefaultTalkLevel = 18;

// What a level slider's value does to its player: 42 mutes and leaves the volume
// as it was; 0..41 unmute and set the volume (hundredths of a dB).
struct LevelEffect {
    bool mute = false;
    std::optional<int> volume;
};
LevelEffect levelLaw(int level);

// Volumes the crossfader sets (a player left out keeps its volume); never mutes.
struct CrossEffect {
    std::optional<int> volumeA;
    std::optional<int> volumeB;
};
CrossEffect crossFaderLaw(int cross, int levelA, int levelB);

// The talk level as stored: the text of a whole number 0..42, anything else is 18,
// so a damaged setting can neither stall a fade nor run it past the slider's end.
int talkLevelFromText(const QString &text);
// The setting "LastFadeLevel", read afresh.
int talkLevel();

// One tick of a talk fade: down (talkOn) one dB quieter, else one dB back; the value
// is held inside 0..42. done: the fade timer stops at this tick.
struct Step {
    int value = 0;
    bool done = false;
};
Step fadeStep(bool talkOn, int level, int talkLevel, int savedLevel);
// One tick of the automatic crossing toward A (down to 0) or B (up to 84), held
// inside the range; done: the crossing ends and the other player stops.
Step crossStep(bool toA, int cross);

// Timer interval of a speed row 0..4 ("Very Slow" .. "Very Fast"): 160, 80, 40, 20, 10 ms.
int speedInterval(int row);
// "Very Slow", "Slow", "Normal", "Fast", "Very Fast".
QString speedCaption(int row);

}  // namespace Mixer

namespace MediaFiles {
// Applies the crossfader law from the console's Slider1, Slider2 and Slider3 to
// MediaPlayer1 and MediaPlayer2.
void ApplyCrossFader(DJPlayer &w);
// A talk key: starts the fade down to the talk level (when that is quieter than the
// level), or the fade back. SavedLevel takes the slider's value whenever talk was off.
void ToggleTalk(bool &TalkOn, QSlider *Slider, int &SavedLevel, QTimer *FadeTimer);
}  // namespace MediaFiles
