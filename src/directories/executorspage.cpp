#include "directories/executorspage.h"

#include "data/currentorg.h"
#include "data/lookuplists.h"
#include "data/tdm.h"
#include "lists/listdefs.h"
#include "lists/ui/exportgrid.h"
#include "platform/ui/application.h"
#include "platform/ui/controls.h"
#include "platform/ui/gridbinding.h"
#include "platform/ui/messagebox.h"

#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyledItemDelegate>
#include <QTableView>


TExecutorsPage::TExecutorsPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tsExecutors"));

    MakeCaption(this, QStringLiteral("Организации исполнители мероприятий"), 8, 8);
    bExecsExport = MakeButton(this, QStringLiteral("bExecsExport"), QStringLiteral("Выгрузить…"),
                              QRect(420, 4, 130, 30));
    dbgExecs = CreateDataGrid(this, QStringLiteral("dbgExecs"));
    dbgExecs->setGeometry(8, 40, 600, 500);
    dbgExecs->setItemDelegateForColumn(0, new CentredColumnDelegate(dbgExecs));
    KeepRowOverGrid(dbgExecs, nullptr, {bExecsExport});
    dbgExecs->horizontalHeader()->setSectionsClickable(true);

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

    // Nothing takes input until the level rule has run for the session's level.
    pExec->setEnabled(false);
    bExDel->setEnabled(false);

    connect(dbgExecs->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &TExecutorsPage::dbgExecsTitleClick);
    connect(dbgExecs, &QAbstractItemView::doubleClicked, this, &TExecutorsPage::dbgExecsDblClick);
    connect(mExFName, &QPlainTextEdit::textChanged, this, &TExecutorsPage::mExFNameChange);
    connect(mExShName, &QPlainTextEdit::textChanged, this, &TExecutorsPage::mExFNameChange);
    connect(eExInn, &QLineEdit::textChanged, this, &TExecutorsPage::mExFNameChange);
    connect(eExOgrn, &QLineEdit::textChanged, this, &TExecutorsPage::mExFNameChange);
    connect(bExSave, &QPushButton::clicked, this, &TExecutorsPage::bExSaveClick);
    connect(bExCancel, &QPushButton::clicked, this, &TExecutorsPage::bExCancelClick);
    connect(bExDel, &QPushButton::clicked, this, &TExecutorsPage::bExDelClick);
    connect(bExecsExport, &QPushButton::clicked, this, [this] { Guarded([&] { bExecsExportClick(); }); });
}

void TExecutorsPage::bExecsExportClick()
{
    ExportGridRows(this, *dm->dsExecs, QStringLiteral("Список исполнителей"));
}

void TExecutorsPage::attachDataSources()
{
    dm->dsExecs->setColumns(ListDefs::ExecsColumns());
    BindGrid(dbgExecs, dm->dsExecs);
}

bool TExecutorsPage::mayChange() const
{
    return CurrentOrg && CurrentOrg->lvl >= 8;
}

void TExecutorsPage::applyLevelRule()
{
    const bool may = mayChange();
    pExec->setEnabled(may);
    bExDel->setEnabled(may);
    if (!may)
        bExSave->setEnabled(false);
}

void TExecutorsPage::tsExecutorsShow()
{
    dm->adoqExecs->open(); // left as it is when already open
    dbgExecsDblClick();
    bExCancelClick();
}

void TExecutorsPage::dbgExecsTitleClick(int column)
{
    const QList<GridColumn> columns = dm->dsExecs->columns();
    if (column < 0 || column >= columns.size())
        return;
    const QString& field = columns.at(column).field;
    QString text;
    if (field == QLatin1String("id"))
        text = QStringLiteral("select * from RHB_EXC order by id;");
    else if (field == QLatin1String("name"))
        text = QStringLiteral("select * from RHB_EXC order by name;");
    else
        return;

    SqlQuery* list = dm->adoqExecs;
    list->close();
    list->setText(text); // kept for every later run, the executor lookup list's included
    // The lookup list reads and closes the same query, so the grid's run comes after it.
    LoadExecutorList();
    list->open();
}

void TExecutorsPage::dbgExecsDblClick()
{
    // The level rule holds however the load ends: a row that fails to load must not leave
    // the panel open below level 8.
    const auto levelRule = qScopeGuard([this] { applyLevelRule(); });

    SqlQuery* list = dm->adoqExecs;
    if (!list->hasCurrentRow()) {
        // An empty directory has no row to load; the panel stays as it is.
        mExFNameChange();
        return;
    }
    try {
        mExFName->setPlainText(list->asString(QStringLiteral("name")).trimmed());
        mExShName->setPlainText(list->asString(QStringLiteral("scode")).trimmed());
        eExInn->setText(list->asString(QStringLiteral("inn")).trimmed());
        eExOgrn->setText(list->asString(QStringLiteral("ogrn")).trimmed());
    } catch (...) {
        // The boxes keep what was loaded, but a half-loaded row must never be saved over
        // the organisation loaded before it: the panel falls back to adding.
        EditedExecutorId = 0;
        mExFNameChange();
        throw;
    }
    EditedExecutorId = int32_t(list->asInteger(QStringLiteral("id")));
    mExFNameChange();
}

void TExecutorsPage::mExFNameChange()
{
    const bool filled = !mExFName->toPlainText().isEmpty() && !mExShName->toPlainText().isEmpty() &&
                        !eExInn->text().isEmpty() && !eExOgrn->text().isEmpty();
    // Below level 8 the button stays off whatever the boxes hold.
    bExSave->setEnabled(filled && mayChange());
    bExSave->setText(EditedExecutorId == 0 ? QStringLiteral("Сохранить(добавить)")
                                           : QStringLiteral("Сохранить(обновить)"));
}

void TExecutorsPage::ResetExecutorPanel()
{
    EditedExecutorId = 0;
    mExFName->clear();
    mExShName->clear();
    eExInn->clear();
    eExOgrn->clear();
    dbgExecs->setEnabled(true);
    mExFNameChange();
    bExSave->setText(QStringLiteral("Сохранить"));
}

void TExecutorsPage::bExCancelClick()
{
    ResetExecutorPanel();
}

void TExecutorsPage::bExSaveClick()
{
    if (!mayChange())
        return;
    if (Msg::question(this, QStringLiteral("Сохранить запись?")) == Msg::No)
        return;

    // The texts go as they stand, blanks and line breaks included.
    SqlCommand* save = EditedExecutorId > 0 ? dm->adocExUpd : dm->adocExIns;
    if (EditedExecutorId > 0)
        save->setInteger(QStringLiteral("id"), EditedExecutorId);
    save->setString(QStringLiteral("name"), mExFName->toPlainText());
    save->setString(QStringLiteral("shname"), mExShName->toPlainText());
    save->setString(QStringLiteral("inn"), eExInn->text());
    save->setString(QStringLiteral("ogrn"), eExOgrn->text());
    save->execute();

    ResetExecutorPanel();
    refreshKeepingPlace();
}

void TExecutorsPage::bExDelClick()
{
    if (!mayChange())
        return;
    SqlQuery* list = dm->adoqExecs;
    if (!list->hasCurrentRow())
        return; // nothing to delete
    const auto id = int32_t(list->asInteger(QStringLiteral("id")));
    if (id == CurrentOrg->mo_id) {
        Msg::error(this, QStringLiteral("Совпадает с текущей организацией. Удалить невозможно"));
        return;
    }

    // In use when an event record names it as executor or an IPRA has it as responsible.
    SqlQuery* usage = dm->adoqTmp;
    usage->close(); // a text is only run afresh by a closed query
    usage->clearText();
    usage->addLine(QStringLiteral("select * from (select distinct exid from k_evdt"));
    usage->addLine(QStringLiteral("where exid>0 and exid is not null union"));
    usage->addLine(QStringLiteral("select distinct resp_mo_id as exid from k_ipra_mo"));
    usage->addLine(QStringLiteral("where resp_mo_id>0 and resp_mo_id is not null"));
    usage->addLine(QStringLiteral(") as tmp where tmp.exid=") + QString::number(id));
    usage->open();
    const int uses = usage->recordCount();
    usage->close();
    if (uses > 0) {
        Msg::error(this, QStringLiteral("Есть связанные данные. Удалить невозможно"));
        return;
    }

    if (Msg::question(this, QStringLiteral("Удалить запись?")) == Msg::No)
        return;
    dm->adocExDel->setInteger(QStringLiteral("id"), id);
    dm->adocExDel->execute();

    // The panel keeps its texts; but when it holds the deleted organisation, a save
    // would update no row and lose the texts without a word, so it saves as a new one.
    if (id == EditedExecutorId) {
        EditedExecutorId = 0;
        mExFNameChange();
    }
    refreshKeepingPlace();
}

void TExecutorsPage::refreshKeepingPlace()
{
    SqlQuery* list = dm->adoqExecs;
    list->disableControls();
    auto resume = qScopeGuard([list] { list->enableControls(); });
    const QVariant noted = list->hasCurrentRow() ? list->value(QStringLiteral("id")) : QVariant();
    list->close();
    LoadExecutorList(); // the event editor's executor list follows every change
    list->open();
    if (noted.isNull() || !list->locate(QStringLiteral("id"), noted))
        list->first();
    list->enableControls();
    resume.dismiss();
    dbgExecs->setFocus();
}
