#include "directories/namespage.h"

#include "data/tdm.h"
#include "lists/listdefs.h"
#include "lists/ui/exportgrid.h"
#include "platform/handlers.h"
#include "platform/ui/controls.h"
#include "platform/ui/gridbinding.h"
#include "platform/ui/messagebox.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyledItemDelegate>
#include <QTableView>

namespace {

// The text a bound text box shows for a field of the query's current row.
QString currentText(const SqlQuery* query, const QString& field)
{
    return query->hasCurrentRow() ? DataSource::displayText(query->value(field)) : QString();
}

} // namespace

TNamesPage::TNamesPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tsNames"));

    // Widths and the right-hand column follow the window's size rules when it is shown.
    lEmpTNames = MakeLabel(this, QStringLiteral("lEmpTNames"),
                           QStringLiteral("Количество не установленных наименований"),
                           QRect(8, 8, 420, 24));
    lEmpTnamesCount = MakeLabel(this, QStringLiteral("lEmpTnamesCount"), QStringLiteral("000"),
                                QRect(436, 8, 120, 24));
    bNamesExport = MakeButton(this, QStringLiteral("bNamesExport"), QStringLiteral("Выгрузить…"),
                              QRect(564, 4, 130, 30));
    dbgEmpTNames = CreateDataGrid(this, QStringLiteral("dbgEmpTNames"));
    dbgEmpTNames->setGeometry(8, 40, 600, 260);
    KeepRowOverGrid(dbgEmpTNames, nullptr, {bNamesExport});
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

    dbgEmpTNames->setItemDelegateForColumn(0, new CentredColumnDelegate(dbgEmpTNames));
    dbgRnames->setItemDelegateForColumn(0, new CentredColumnDelegate(dbgRnames));

    ConnectHandler(bSetEvalName, &QPushButton::clicked, this, &TNamesPage::bSetEvalNameClick);
    ConnectHandler(bSetTName, &QPushButton::clicked, this, &TNamesPage::bSetTNameClick);
    ConnectHandler(bNamesExport, &QPushButton::clicked, this, &TNamesPage::bNamesExportClick);
}

void TNamesPage::bNamesExportClick()
{
    ExportGridRows(this, *dm->dsEmpNames, QStringLiteral("Названия организаций"));
}

void TNamesPage::attachDataSources()
{
    dm->dsEmpNames->setColumns(ListDefs::EmpTNamesColumns());
    dm->dsTNames->setColumns(ListDefs::TNamesColumns());
    BindGrid(dbgEmpTNames, dm->dsEmpNames);
    BindGrid(dbgRnames, dm->dsTNames);

    // The text boxes follow the current rows, as data-bound boxes do.
    m_sourceLinks.disconnectAll();
    m_sourceLinks
        << ConnectHandler(dm->adoqEmpTNames, &SqlQuery::rowsChanged, this, &TNamesPage::showCurrentRName)
        << ConnectHandler(dm->adoqEmpTNames, &SqlQuery::currentRowChanged, this,
                          &TNamesPage::showCurrentRName)
        << ConnectHandler(dm->adoqTNames, &SqlQuery::rowsChanged, this, &TNamesPage::showCurrentTName)
        << ConnectHandler(dm->adoqTNames, &SqlQuery::currentRowChanged, this,
                          &TNamesPage::showCurrentTName);
    showCurrentRName();
    showCurrentTName();
}

void TNamesPage::showCurrentRName()
{
    dbmRName->setPlainText(currentText(dm->adoqEmpTNames, QStringLiteral("rname")));
}

void TNamesPage::showCurrentTName()
{
    dbmTName->setPlainText(currentText(dm->adoqTNames, QStringLiteral("tname")));
}

void TNamesPage::showUnmatchedCount()
{
    lEmpTnamesCount->setText(QString::number(dm->adoqEmpTNames->recordCount()));
}

void TNamesPage::tsNamesShow()
{
    // The distribution page narrows the same query to organisations while it fills its
    // list; the directory here always shows every entry.
    if (dm->adoqTNames->filtered())
        dm->adoqTNames->clearFilter();
    dm->adoqTNames->reopen();
    dm->adoqEmpTNames->reopen();
    showUnmatchedCount();
}

void TNamesPage::bSetEvalNameClick()
{
    bSetEvalName->setEnabled(false);
    // Enabled again however the action ends, a database error included.
    const auto enableAgain = qScopeGuard([this] { bSetEvalName->setEnabled(true); });
    if (Msg::question(this, QStringLiteral("Внести наименование в справочник?")) != Msg::Yes)
        return;

    SqlQuery* names = dm->adoqEmpTNames;
    // With no unmatched name there is no row to write: nothing changes, nothing is said.
    if (names->hasCurrentRow()) {
        SqlCommand* set = dm->adocSetTname;
        set->setParam(QStringLiteral("id"), names->value(QStringLiteral("id")));
        set->setInteger(QStringLiteral("tid"), 0);
        set->setParam(QStringLiteral("tname"), names->value(QStringLiteral("rname")));
        set->execute();
    }
    // The name leaves the unmatched list and joins the directory with number 0.
    names->reopen();
    dm->adoqTNames->reopen();
    showUnmatchedCount();
}

void TNamesPage::bSetTNameClick()
{
    bSetTName->setEnabled(false);
    const auto enableAgain = qScopeGuard([this] { bSetTName->setEnabled(true); });
    if (Msg::question(this, QStringLiteral("Установить соответствие со справочником?")) != Msg::Yes)
        return;

    SqlQuery* names = dm->adoqEmpTNames;
    SqlQuery* directory = dm->adoqTNames;
    // Without an unmatched name or a directory entry there is no match to write: a match
    // of nulls would leave the name unmatched anyway, so nothing is written at all.
    if (names->hasCurrentRow() && directory->hasCurrentRow()) {
        SqlCommand* set = dm->adocSetTname;
        set->setParam(QStringLiteral("id"), names->value(QStringLiteral("id")));
        set->setParam(QStringLiteral("tid"), directory->value(QStringLiteral("tid")));
        // Stored as the directory delivers it, blank padding included; readers trim it.
        set->setParam(QStringLiteral("tname"), directory->value(QStringLiteral("tname")));
        set->execute();
    }
    // Only the unmatched list is re-run; the directory keeps its current row.
    names->reopen();
    showUnmatchedCount();
}
