// Handlers of the console whose work is not built yet: they do nothing for now.
// Each moves to the file of its own concern when that work is built.
#include "console/DJPlayer.h"

void DJPlayer::Command16_Click() {}
void DJPlayer::Command17_Click() {}
void DJPlayer::Command18_Click() {}
void DJPlayer::Command19_Click() {}
void DJPlayer::List1_GotFocus() {}
void DJPlayer::List2_GotFocus() {}
void DJPlayer::cor_Click(int) {}
void DJPlayer::cop_Click(int) {}
void DJPlayer::selal_Click(int) {}
void DJPlayer::ssel_Click(int) {}
void DJPlayer::rnma_Click(int) {}
void DJPlayer::rnmb_Click(int) {}
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
void DJPlayer::List1_KeyUp(int, int) {}
void DJPlayer::List2_KeyUp(int, int) {}
