#include "testapplication.h"

#include "platform/ui/messagebox.h"

#include <gtest/gtest.h>

void TestApplication::errorEscaped(const QString& message, const char* receiverClass,
                                   QEvent::Type type)
{
    ++m_escapes;
    ADD_FAILURE() << "an error escaped its handler to QApplication::notify (" << receiverClass
                  << ", event " << int(type) << "): " << message.toStdString();
}

// Every test executable runs with the program's application object, offscreen unless
// told otherwise, so widget tests and database tests share one start-up.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's application object, so handlers' errors reach the program-wide error
    // display; its boxes are recorded instead of shown.
    TestApplication app(argc, argv);
    app.installRussianTranslation();
    IpraApplication::setApplicationDisplayName(QStringLiteral("ИПРА"));
    Msg::setAutomatic(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
