#pragma once
// The texts of a list's or a combo box's items, in order.
#include <QComboBox>
#include <QListWidget>
#include <QStringList>

inline QStringList listTexts(const QListWidget *list) {
    QStringList out;
    out.reserve(list->count());
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

inline QStringList comboTexts(const QComboBox *combo) {
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}
