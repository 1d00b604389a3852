#include "platform/ui/application.h"

#include "platform/ui/messagebox.h"

#include <QEvent>
#include <QLibraryInfo>
#include <QTranslator>
#include <QtDebug>

IpraApplication::IpraApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    SetErrorDisplay(ShowProgramError);
}

void IpraApplication::installRussianTranslation()
{
    auto* translator = new QTranslator(this);
    if (translator->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(translator);
    else
        delete translator;
}

void ShowProgramError(const QString& message)
{
    Msg::error(QApplication::activeWindow(), message);
}

bool IpraApplication::notify(QObject* receiver, QEvent* event)
{
    // Handlers end their errors at their own edge, so nothing should arrive here. One
    // that does has already unwound through Qt's frames; still it is only one action
    // that failed, so the user sees its message and the program goes on rather than
    // ending with the work of every page, and the log says which handler lacks a guard.
    // Taken before delivery: the receiver may be gone when the error arrives.
    const char* receiverClass = receiver ? receiver->metaObject()->className() : "";
    const QEvent::Type type = event ? event->type() : QEvent::None;
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        errorEscaped(CurrentErrorMessage(), receiverClass, type);
    }
    return false;
}

void IpraApplication::errorEscaped(const QString& message, const char* receiverClass,
                                   QEvent::Type type)
{
    qCritical().noquote() << "An error escaped its handler to QApplication::notify (" << receiverClass
                          << ", event" << int(type) << "):" << message;
    ShowProgramError(message);
}
