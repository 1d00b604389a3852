#include "platform/ui/application.h"

#include "platform/errors.h"
#include "platform/ui/messagebox.h"

#include <QLibraryInfo>
#include <QTranslator>

IpraApplication::IpraApplication(int& argc, char** argv) : QApplication(argc, argv) {}

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

bool Guarded(const std::function<void()>& work)
{
    try {
        work();
        return true;
    } catch (const AppError& e) {
        ShowProgramError(e.message());
    } catch (const std::exception& e) {
        ShowProgramError(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

bool IpraApplication::notify(QObject* receiver, QEvent* event)
{
    bool result = false;
    Guarded([&] { result = QApplication::notify(receiver, event); });
    return result;
}
