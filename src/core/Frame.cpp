#include "core/Frame.h"

#include <QFontInfo>
#include <QStringList>

#include "core/WarningWindows.h"
#include "platform/FileSystem.h"
#include "platform/HelpViewer.h"

namespace {
// Constant-initialised, so a factory registered during static start-up is never lost.
Frame &(*frameFactory)() = nullptr;
}  // namespace

void SetFrameFactory(Frame &(*make)()) {
    frameFactory = make;
}

Frame &FrameInstance() {
    if (!frameFactory)
        qFatal("The program's frame is not linked in");
    return frameFactory();
}

QFont DesignFont() {
    static const QString family = [] {
        // Narrow sans faces close to Tahoma's width, best first; DejaVu Sans Condensed
        // comes with the program's packages.
        const QStringList candidates = {"Tahoma", "DejaVu Sans Condensed", "Liberation Sans", "Arimo",
                                        "Nimbus Sans"};
        QStringList present;
        for (const QString &name : candidates) {
            // The face fontconfig really gives for the name (it answers every name with something).
            if (QFontInfo(QFont(name)).family().startsWith(name))
                present.append(name);
        }
        if (!present.isEmpty() && present.first() != "Tahoma")
            QFont::insertSubstitutions("Tahoma", present);
        return present.value(0);
    }();
    QFont font;
    if (!family.isEmpty())
        font.setFamily(family);
    else
        font.setStretch(QFont::SemiCondensed);  // none of them: squeeze the default sans
    font.setPointSizeF(8.25);
    return font;
}

void ShowHelpContents() {
    const QString page = HelpViewer::helpFilePath();
    if (HelpViewer::open())
        return;
    if (!FileSystem::isExistingFile(page))
        WarningWindows("Help file not found: " + page, 0);
    else
        WarningWindows("The help file cannot be opened: " + page, 0);
}
