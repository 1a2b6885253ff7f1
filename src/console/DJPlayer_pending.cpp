// Handlers of the console whose work is not built yet: they do nothing for now.
// Each moves to the file of its own concern when that work is built.
#include "console/DJPlayer.h"

