#include "session/mainwindow.h"

#include "session/uifont.h"

TfMain* fMain = nullptr;

TfMain::TfMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("fMain"));
    setWindowTitle(QStringLiteral("Программное обеспечение ИПРА"));
    setFont(ProgramFont(16));
}
