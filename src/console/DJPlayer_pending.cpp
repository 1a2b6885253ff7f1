// Handlers of the console whose work is not built yet: they do nothing for now.
// Each moves to the file of its own concern when that work is built.
#include "console/DJPlayer.h"

void DJPlayer::Command16_Click() {}
void DJPlayer::Command17_Click() {}
void DJPlayer::Command18_Click() {}
void DJPlayer::Command19_Click() {}
void DJPlayer::List1_GotFocus() {}
void DJPlayer::List2_GotFocus() {}
void DJPlayer::Slider1_Scroll() {}
void DJPlayer::Slider2_Scroll() {}
void DJPlayer::Slider3_Scroll() {}
void DJPlayer::Command5_Click() {}
void DJPlayer::Command6_Click() {}
void DJPlayer::Check1_Click() {}
void DJPlayer::Timer3_Timer() {}
void DJPlayer::Command7_Click() {}
void DJPlayer::Command8_Click() {}
void DJPlayer::Timer1_Timer() {}
void DJPlayer::Timer2_Timer() {}
void DJPlayer::cor_Click(int) {}
void DJPlayer::cop_Click(int) {}
void DJPlayer::selal_Click(int) {}
void DJPlayer::ssel_Click(int) {}
void DJPlayer::rnma_Click(int) {}
void DJPlayer::rnmb_Click(int) {}
void DJPlayer::ft_Click(int) {}
void DJPlayer::cro_Click(int) {}
void DJPlayer::ftA_Click(int) {}
void DJPlayer::croa_Click(int) {}
void DJPlayer::dB_Click(int) {}
void DJPlayer::dBA_Click(int) {}
void DJPlayer::Command11_Click(int) {}
void DJPlayer::jnc_Click(int) {}
void DJPlayer::del_Click(int) {}
void DJPlayer::rop_Click(int) {}
void DJPlayer::rep_Click(int) {}
void DJPlayer::rct_Click(int) {}
void DJPlayer::prps_Click(int) {}
void DJPlayer::prp_Click(int) {}
void DJPlayer::List1_MouseDown(int, int, float, float) {}
void DJPlayer::List2_MouseDown(int, int, float, float) {}
void DJPlayer::List1_MouseUp(int, int, float, float) {}
void DJPlayer::List2_MouseUp(int, int, float, float) {}
void DJPlayer::Slider3_MouseUp(int, int, float, float) {}
void DJPlayer::Slider1_MouseUp(int, int, float, float) {}
void DJPlayer::Slider2_MouseUp(int, int, float, float) {}
void DJPlayer::Command7_MouseUp(int, int, float, float) {}
void DJPlayer::Command8_MouseUp(int, int, float, float) {}
void DJPlayer::List1_KeyUp(int, int) {}
void DJPlayer::List2_KeyUp(int, int) {}

// A level slider's change applies the level as a drag does.
void DJPlayer::Slider1_Change() {
    Slider1_Scroll();
}
void DJPlayer::Slider2_Change() {
    Slider2_Scroll();
}
void DJPlayer::Slider3_Change() {
    Slider3_Scroll();
}
