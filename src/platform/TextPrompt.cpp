#include "platform/TextPrompt.h"

#include <QInputDialog>

#include "platform/FixedWindow.h"

namespace TextPrompt {

QString InputBox(const QString &prompt, const QString &title, const QString &defaultText, QWidget *parent) {
    QInputDialog dialog(parent);
    dialog.setObjectName("InputBox");
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    FixedWindow::make(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

}  // namespace TextPrompt
