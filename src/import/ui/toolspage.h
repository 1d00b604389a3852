#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

// The page "Импорт данных в БД" (tsTools): the import of IPRA files and the refresh of
// the sender organisation names, with the run log. It has no on-show handler.
class TToolsPage : public QWidget
{
    Q_OBJECT
public:
    explicit TToolsPage(QWidget* parent = nullptr);

    QPushButton* bLoadRealNames;
    QPushButton* bLoadXML;
    // The run log: lines are only ever appended; the user may type in it too.
    QPlainTextEdit* Memo;
    QStatusBar* stbrTools;
    QLabel* stpnLoadCount;
};
