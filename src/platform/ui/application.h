#pragma once

#include "platform/handlers.h"

#include <QApplication>
#include <QEvent>

// The program's application object. It makes the error box the program-wide error
// display: a handler's error is shown with its own message, the operation in progress
// stops there, and the program goes on.
class IpraApplication : public QApplication
{
    Q_OBJECT
public:
    IpraApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Loads Qt's Russian texts for the standard buttons ("Да", "Нет", "Отмена").
    void installRussianTranslation();

protected:
    // An error that escaped its handler and reached notify: a handler that is not
    // connected through ConnectHandler or EventHook, or an event handler without a guard.
    virtual void errorEscaped(const QString& message, const char* receiverClass, QEvent::Type type);
};

// Shows an error in the program's error box; the display Guarded uses in the program.
void ShowProgramError(const QString& message);
