// The broadcast strip's time boxes: hours, minutes and seconds of the begin time
// (index 0) and of the limit time (index 1). Typed characters are filtered, each
// change is checked against the field's bound, and leaving a box completes it and
// recomputes BeginSeconds and LimitSeconds.
#include <QGridLayout>
#include <QLineEdit>
#include <QMessageBox>

#include "console/Broadcast.h"
#include "console/ConsoleGlobals.h"
#include "console/ConsoleLook.h"
#include "console/DJPlayer.h"

namespace {

struct Field {
    std::array<QLineEdit *, 2> DJPlayer::*boxes;
    const char *bound;
    const char *message;
};

const Field Hours{&DJPlayer::Text1, "23", "Invalid valid Hours."};
const Field Minutes{&DJPlayer::Text2, "59", "Invalid valid Minutes."};
const Field Seconds{&DJPlayer::Text3, "59", "Invalid valid Secunds."};

// The focus leaves a box for the message about it: that is no leaving of the box.
bool messageShown = false;

QLineEdit *box(DJPlayer &w, const Field &field, int index) {
    return index == 0 || index == 1 ? (w.*field.boxes)[static_cast<std::size_t>(index)] : nullptr;
}

void refuse(DJPlayer &w, const Field &field) {
    messageShown = true;
    try {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Vantelbrook2"),
                        QString::fromLatin1(field.message), QMessageBox::Ok, &w);
        // A box as narrow as its short text gets its title cut by the window manager.
        if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
            grid->addItem(new QSpacerItem(ConsoleLook::titleRoom(box.windowTitle()), 0), grid->rowCount(), 0,
                          1, grid->columnCount());
        box.exec();
    } catch (...) {
        messageShown = false;
        throw;
    }
    messageShown = false;
}

void keyPress(DJPlayer &w, const Field &field, int index, int &KeyAscii) {
    QLineEdit *edit = box(w, field, index);
    if (!edit)
        return;
    if (KeyAscii < '0') {
        // Backspace edits; every other key below the digits does nothing.
        if (KeyAscii != 8)
            KeyAscii = 0;
    } else if (KeyAscii > '9') {
        refuse(w, field);
        KeyAscii = 0;
        edit->setText(QStringLiteral("00"));
    }
}

void change(DJPlayer &w, const Field &field, int index) {
    QLineEdit *edit = box(w, field, index);
    if (!edit)
        return;
    // Pasted text too: anything but digits within the bound goes back to "00".
    if (Broadcast::timeTextInvalid(edit->text(), QString::fromLatin1(field.bound))) {
        refuse(w, field);
        edit->setText(QStringLiteral("00"));
    }
}

double secondsOf(DJPlayer &w, int index) {
    // The change check lets only digits stay in a box.
    auto value = [&](const Field &f) { return double(box(w, f, index)->text().toInt()); };
    return value(Hours) * 3600 + value(Minutes) * 60 + value(Seconds);
}

void lostFocus(DJPlayer &w, const Field &field, int index) {
    QLineEdit *edit = box(w, field, index);
    if (!edit || messageShown)
        return;
    if (edit->text().isEmpty())
        edit->setText(QStringLiteral("00"));
    BeginSeconds = secondsOf(w, 0);
    LimitSeconds = secondsOf(w, 1);
}

}  // namespace

void DJPlayer::Text1_KeyPress(int Index, int &KeyAscii) {
    keyPress(*this, Hours, Index, KeyAscii);
}
void DJPlayer::Text2_KeyPress(int Index, int &KeyAscii) {
    keyPress(*this, Minutes, Index, KeyAscii);
}
void DJPlayer::Text3_KeyPress(int Index, int &KeyAscii) {
    keyPress(*this, Seconds, Index, KeyAscii);
}
void DJPlayer::Text1_Change(int Index) {
    change(*this, Hours, Index);
}
void DJPlayer::Text2_Change(int Index) {
    change(*this, Minutes, Index);
}
void DJPlayer::Text3_Change(int Index) {
    change(*this, Seconds, Index);
}
void DJPlayer::Text1_LostFocus(int Index) {
    lostFocus(*this, Hours, Index);
}
void DJPlayer::Text2_LostFocus(int Index) {
    lostFocus(*this, Minutes, Index);
}
void DJPlayer::Text3_LostFocus(int Index) {
    lostFocus(*this, Seconds, Index);
}
