#include "directories/executorspage.h"

#include "data/tdm.h"
#include "platform/ui/controls.h"
#include "platform/ui/gridbinding.h"

#include <QFrame>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>

TExecutorsPage::TExecutorsPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tsExecutors"));

    MakeCaption(this, QStringLiteral("Организации исполнители мероприятий"), 8, 8);
    dbgExecs = CreateDataGrid(this, QStringLiteral("dbgExecs"));
    dbgExecs->setGeometry(8, 40, 600, 500);

    pExec = MakePanel(this, QStringLiteral("pExec"), QRect(613, 40, 400, 412));
    MakeCaption(pExec, QStringLiteral("Полное наименование"), 8, 6);
    mExFName = MakeMemo(pExec, QStringLiteral("mExFName"), QRect(8, 30, 385, 110));
    MakeCaption(pExec, QStringLiteral("Краткое наименование"), 8, 146);
    mExShName = MakeMemo(pExec, QStringLiteral("mExShName"), QRect(8, 170, 385, 60));
    MakeCaption(pExec, QStringLiteral("ИНН"), 8, 238);
    eExInn = MakeEdit(pExec, QStringLiteral("eExInn"), QRect(8, 262, 250, 28));
    MakeCaption(pExec, QStringLiteral("ОГРН"), 8, 298);
    eExOgrn = MakeEdit(pExec, QStringLiteral("eExOgrn"), QRect(8, 322, 250, 28));
    bExSave = MakeButton(pExec, QStringLiteral("bExSave"), QStringLiteral("Сохранить"),
                         QRect(8, 366, 240, 34));
    bExSave->setEnabled(false);
    bExCancel = MakeButton(pExec, QStringLiteral("bExCancel"), QStringLiteral("Отменить"),
                           QRect(256, 366, 136, 34));

    bExDel = MakeButton(this, QStringLiteral("bExDel"), QStringLiteral("Удалить организацию"),
                        QRect(613, 460, 260, 34));
}

void TExecutorsPage::attachDataSources()
{
    BindGrid(dbgExecs, dm->dsExecs);
}

void TExecutorsPage::tsExecutorsShow()
{
    // Filled in with the executors directory page.
}
