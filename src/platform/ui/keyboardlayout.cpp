#include "platform/ui/keyboardlayout.h"

#include <QGuiApplication>
#include <QStringList>

#ifdef IPRA_HAVE_X11
#include <QtGui/qguiapplication_platform.h>
#include <X11/XKBlib.h>
#endif

int XkbGroupOfLayout(const QString& symbols, const QString& layout)
{
    int nextGroup = 0;
    for (const QString& part : symbols.split(QLatin1Char('+'), Qt::SkipEmptyParts)) {
        QString name = part;
        int group = -1;
        const int colon = name.indexOf(QLatin1Char(':'));
        if (colon >= 0) {
            bool ok = false;
            group = name.mid(colon + 1).toInt(&ok) - 1;
            if (!ok)
                group = -1;
            name = name.left(colon);
        }
        const QString base = name.section(QLatin1Char('('), 0, 0);
        // Keyboard models and option components are not layouts.
        static const QStringList notLayouts = {
            QStringLiteral("pc"), QStringLiteral("inet"), QStringLiteral("group"),
            QStringLiteral("level3"), QStringLiteral("level5"), QStringLiteral("capslock"),
            QStringLiteral("ctrl"), QStringLiteral("compose"), QStringLiteral("terminate"),
            QStringLiteral("altwin"), QStringLiteral("eurosign"), QStringLiteral("keypad"),
            QStringLiteral("srvr_ctrl"), QStringLiteral("shift"), QStringLiteral("lv3")};
        if (base.isEmpty() || notLayouts.contains(base))
            continue;
        if (group < 0)
            group = nextGroup;
        nextGroup = group + 1;
        if (base == layout)
            return group;
    }
    return -1;
}

void ActivateKeyboardLayout(const QString& layoutId)
{
    QString layout;
    if (layoutId == QLatin1String("00000419"))
        layout = QStringLiteral("ru");
    else if (layoutId == QLatin1String("00000409"))
        layout = QStringLiteral("us");
    else
        return;
#ifdef IPRA_HAVE_X11
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return;
    XkbDescPtr keyboard = XkbAllocKeyboard();
    if (!keyboard)
        return;
    int group = -1;
    if (XkbGetNames(display, XkbSymbolsNameMask, keyboard) == Success && keyboard->names
        && keyboard->names->symbols) {
        if (char* symbols = XGetAtomName(display, keyboard->names->symbols)) {
            group = XkbGroupOfLayout(QString::fromLatin1(symbols), layout);
            XFree(symbols);
        }
    }
    XkbFreeKeyboard(keyboard, 0, True);
    if (group >= 0 && group < XkbNumKbdGroups) {
        XkbLockGroup(display, XkbUseCoreKbd, unsigned(group));
        XFlush(display);
    }
#endif
}
