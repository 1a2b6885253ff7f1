#include "core/WarningWindows.h"

#include "core/Warning.h"

int WarningWindows(const QString &wPromt, int wType) {
    // A window of its own for every call: its answer starts as the safe choice,
    // and a message raised while another is shown does not disturb that one.
    // No parent: a window that closes meanwhile cannot take the message with it.
    Warning window;
    window.Prepare(wPromt, wType);
    window.exec();
    return window.Answer();
}
