#pragma once
// Controls found by objectName, as a user finds them by sight.
#include <QWidget>
#include <QtDebug>

namespace vb2test {

// The window's control of that name, or null with a warning naming it.
template <typename T>
T *child(QWidget *w, const QString &name) {
    T *c = w->findChild<T *>(name);
    if (!c)
        qWarning("missing control %s", qPrintable(name));
    return c;
}

}  // namespace vb2test
