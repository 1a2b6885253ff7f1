#include "console/ToolTips.h"

#include <QPushButton>
#include <QSlider>

#include "console/DJPlayer.h"
#include "core/ApplicationFunctions.h"
#include "platform/Settings.h"

namespace {

const char *const kSpeeds[5] = {"Very Slow", "Slow", "Normal", "Fast", "Very Fast"};

// The talk level as stored; a text that is not a whole number 0..42 counts as 18.
QString talkLevelText() {
    bool ok = false;
    const int level = Settings::get("LastFadeLevel", "18").trimmed().toInt(&ok);
    return QString::number(ok && level >= 0 && level <= 42 ? level : 18);
}

}  // namespace

void ToolTips::SetToolTips(int Code) {
    DJPlayer &console = DJPlayerInstance();
    if (Code == 1) {
        for (QPushButton *key : {console.Command7, console.Command8})
            key->setToolTip("Level " + ApplicationFunctionsInstance().MinusToDigital(talkLevelText()) + "dB");
    } else if (Code >= 21 && Code <= 25) {
        const QString tip = QString("Fade Speed: ") + kSpeeds[Code - 21];
        console.Slider1->setToolTip(tip);
        console.Slider2->setToolTip(tip);
    } else if (Code >= 31 && Code <= 35) {
        console.Slider3->setToolTip(QString("Crossing Speed: ") + kSpeeds[Code - 31]);
    }
}
