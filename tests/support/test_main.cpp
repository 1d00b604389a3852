#include "platform/ui/application.h"
#include "platform/ui/messagebox.h"

#include <gtest/gtest.h>

// Every test executable runs with the program's application object, offscreen unless
// told otherwise, so widget tests and database tests share one start-up.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's own application object, so errors escaping a handler reach the
    // program-wide error display; its boxes are recorded instead of shown.
    IpraApplication app(argc, argv);
    app.installRussianTranslation();
    IpraApplication::setApplicationDisplayName(QStringLiteral("ИПРА"));
    Msg::setAutomatic(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
