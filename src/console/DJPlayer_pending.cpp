// Handlers of the console whose work is not built yet: they do nothing for now.
// Each moves to the file of its own concern when that work is built.
#include "console/DJPlayer.h"

void DJPlayer::Command11_Click(int) {}
void DJPlayer::jnc_Click(int) {}
void DJPlayer::rop_Click(int) {}
void DJPlayer::rep_Click(int) {}
void DJPlayer::rct_Click(int) {}
