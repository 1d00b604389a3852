#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <gtest/gtest.h>

// Every test executable runs with a real QApplication, offscreen unless told otherwise,
// so widget tests and database tests share one start-up.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTranslator qtbase;
    if (qtbase.load(QLocale(QLocale::Russian), "qtbase", "_",
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtbase);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
