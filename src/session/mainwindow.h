#pragma once

#include <QMainWindow>

// The program's working window.
class TfMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfMain(QWidget* parent = nullptr);
};

extern TfMain* fMain;
