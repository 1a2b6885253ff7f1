#pragma once
// Tool tips of the console's talk keys, level sliders and crossfader.
namespace ToolTips {
// 1: the talk keys show the talk level ("Level -18dB"); 21..25: the level sliders
// show the fade speed; 31..35: the crossfader shows the crossing speed. Other codes
// do nothing.
void SetToolTips(int Code);
}  // namespace ToolTips
