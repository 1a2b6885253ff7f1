#include "console/ToolTips.h"

#include <QPushButton>
#include <QSlider>

#include "console/DJPlayer.h"
#include "console/Mixer.h"
#include "core/ApplicationFunctions.h"

void ToolTips::SetToolTips(int Code) {
    DJPlayer &console = DJPlayerInstance();
    if (Code == 1) {
        // Each key reads the talk level afresh.
        for (QPushButton *key : {console.Command7, console.Command8})
            key->setToolTip(
                "Level " +
                ApplicationFunctionsInstance().MinusToDigital(QString::number(Mixer::talkLevel())) + "dB");
    } else if (Code >= 21 && Code <= 25) {
        const QString tip = "Fade Speed: " + Mixer::speedCaption(Code - 21);
        console.Slider1->setToolTip(tip);
        console.Slider2->setToolTip(tip);
    } else if (Code >= 31 && Code <= 35) {
        console.Slider3->setToolTip("Crossing Speed: " + Mixer::speedCaption(Code - 31));
    }
}
