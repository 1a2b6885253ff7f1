#pragma once
// The one-line text prompt: the typed text, or "" when cancelled.
#include <QString>

class QWidget;

namespace TextPrompt {
QString InputBox(const QString &prompt, const QString &title, const QString &defaultText = QString(),
                 QWidget *parent = nullptr);
}
