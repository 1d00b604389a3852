#pragma once

#include <QApplication>
#include <functional>

// The program's application object. It is also the program-wide error display:
// an error that escapes a handler is shown in an error box with its own message,
// the operation in progress stops there, and the program goes on.
class IpraApplication : public QApplication
{
    Q_OBJECT
public:
    IpraApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Loads Qt's Russian texts for the standard buttons ("Да", "Нет", "Отмена").
    void installRussianTranslation();
};

// Shows an escaped error the same way; used for work run outside the event loop.
void ShowProgramError(const QString& message);
// Runs work and shows any error it throws; true when it finished without one.
bool Guarded(const std::function<void()>& work);
