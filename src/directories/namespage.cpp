#include "directories/namespage.h"

#include "data/tdm.h"
#include "platform/ui/controls.h"
#include "platform/ui/gridbinding.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>

TNamesPage::TNamesPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tsNames"));

    // Widths and the right-hand column follow the window's size rules when it is shown.
    lEmpTNames = MakeLabel(this, QStringLiteral("lEmpTNames"),
                           QStringLiteral("Количество не установленных наименований"),
                           QRect(8, 8, 420, 24));
    lEmpTnamesCount = MakeLabel(this, QStringLiteral("lEmpTnamesCount"), QStringLiteral("000"),
                                QRect(436, 8, 120, 24));
    dbgEmpTNames = CreateDataGrid(this, QStringLiteral("dbgEmpTNames"));
    dbgEmpTNames->setGeometry(8, 40, 600, 260);
    dbmRName = MakeMemo(this, QStringLiteral("dbmRName"), QRect(613, 40, 300, 180), true, true);
    bSetEvalName = MakeButton(this, QStringLiteral("bSetEvalName"),
                              QStringLiteral("Добавить  в справочник"), QRect(613, 228, 300, 34));

    lDescDictNames = MakeLabel(this, QStringLiteral("lDescDictNames"),
                               QStringLiteral("Справочник  организаций"), QRect(8, 312, 400, 24));
    dbgRnames = CreateDataGrid(this, QStringLiteral("dbgRnames"));
    dbgRnames->setGeometry(8, 340, 600, 300);
    dbmTName = MakeMemo(this, QStringLiteral("dbmTName"), QRect(613, 340, 300, 180), true, true);
    bSetTName = MakeButton(this, QStringLiteral("bSetTName"), QStringLiteral("Установить соответствие"),
                           QRect(613, 528, 300, 34));
}

void TNamesPage::attachDataSources()
{
    BindGrid(dbgEmpTNames, dm->dsEmpNames);
    BindGrid(dbgRnames, dm->dsTNames);
}

void TNamesPage::tsNamesShow()
{
    // Filled in with the names matching page.
}
