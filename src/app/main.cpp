#include "data/tdm.h"
#include "platform/ui/application.h"
#include "session/login.h"
#include "session/mainwindow.h"

#include <QIcon>

int main(int argc, char** argv)
{
    IpraApplication app(argc, argv);
    app.installRussianTranslation();
    IpraApplication::setApplicationDisplayName(QStringLiteral("ИПРА"));
    // The icon the packages put into the icon theme, and their desktop entry, for the
    // window and the task bar; a build run from its folder has neither and shows none.
    IpraApplication::setDesktopFileName(QStringLiteral("ipra"));
    IpraApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("ipra")));

    // The main window exists (hidden) before anything else, so its application-wide
    // hooks act inside the login dialog too.
    fMain = new TfMain;
    dm = new Tdm;
    Guarded([] { dm->conPg.open(); }); // on failure the login dialog tries again
    fLogin = new TfLogin;

    if (fLogin->exec() != QDialog::Accepted) {
        delete fLogin;
        delete dm;
        dm = nullptr;
        delete fMain;
        return 0;
    }
    fMain->show();
    const int rc = app.exec();
    delete fLogin;
    delete fMain;
    delete dm;
    dm = nullptr;
    return rc;
}
