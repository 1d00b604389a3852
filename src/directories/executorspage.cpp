#include "directories/executorspage.h"

#include "data/currentorg.h"
#include "data/lookuplists.h"
#include "data/tdm.h"
#include "lists/listdefs.h"
#include "lists/ui/exportgrid.h"
#include "platform/handlers.h"
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

    ConnectHandler(dbgExecs->horizontalHeader(), &QHeaderView::sectionClicked, this,
                   &TExecutorsPage::dbgExecsTitleClick);
    ConnectHandler(dbgExecs, &QAbstractItemView::doubleClicked, this, &TExecutorsPage::dbgExecsDblClick);
    ConnectHandler(mExFName, &QPlainTextEdit::textChanged, this, &TExecutorsPage::mExFNameChange);
    ConnectHandler(mExShName, &QPlainTextEdit::textChanged, this, &TExecutorsPage::mExFNameChange);
    ConnectHandler(eExInn, &QLineEdit::textChanged, this, &TExecutorsPage::mExFNameChange);
    ConnectHandler(eExOgrn, &QLineEdit::textChanged, this, &TExecutorsPage::mExFNameChange);
    ConnectHandler(bExSave, &QPushButton::clicked, this, &TExecutorsPage::bExSaveClick);
    ConnectHandler(bExCancel, &QPushButton::clicked, this, &TExecutorsPage::bExCancelClick);
    ConnectHandler(bExDel, &QPushButton::clicked, this, &TExecutorsPage::bExDelClick);
    ConnectHandler(bExecsExport, &QPushButton::clicked, this, &TExecutorsPage::bExecsExportClick);
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
        text = Tdm::ExecsById;
    else if (field == QLatin1String("name"))
        text = Tdm::ExecsByName;
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
    m_editedVersion = list->asInteger(QStringLiteral("row_version"));
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
    const bool update = EditedExecutorId > 0;
    SqlCommand* save = update ? dm->adocExUpd : dm->adocExIns;
    if (update) {
        save->setInteger(QStringLiteral("id"), EditedExecutorId);
        save->setInteger(QStringLiteral("row_version"), m_editedVersion);
    }
    save->setString(QStringLiteral("name"), mExFName->toPlainText());
    save->setString(QStringLiteral("shname"), mExShName->toPlainText());
    save->setString(QStringLiteral("inn"), eExInn->text());
    save->setString(QStringLiteral("ogrn"), eExOgrn->text());
    save->execute();

    if (update && save->rowsAffected() == 0) {
        // Changed or deleted on another workstation since it was loaded: nothing written.
        // The list shows the organisation as stored now, and the panel keeps what was typed,
        // so nothing is lost: a save from here on updates the organisation as it now stands
        // (the user has seen it), or adds the texts as a new one when it is gone.
        Msg::error(this, Msg::ChangedElsewhere);
        refreshKeepingPlace();
        if (const auto version = listedVersion(EditedExecutorId))
            m_editedVersion = *version;
        return;
    }
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
    const qint64 version = list->asInteger(QStringLiteral("row_version"));
    if (id == CurrentOrg->mo_id) {
        Msg::error(this, QStringLiteral("Совпадает с текущей организацией. Удалить невозможно"));
        return;
    }

    const QStringList uses = usesOf(id);
    if (!uses.isEmpty()) {
        Msg::error(this, QStringLiteral("Есть связанные данные: %1. Удалить невозможно")
                             .arg(uses.join(QStringLiteral(", "))));
        return;
    }

    if (Msg::question(this, QStringLiteral("Удалить запись?")) == Msg::No)
        return;
    dm->adocExDel->setInteger(QStringLiteral("id"), id);
    dm->adocExDel->setInteger(QStringLiteral("row_version"), version);
    dm->adocExDel->execute();
    // Changed or deleted on another workstation since the list was read: nothing deleted,
    // and the list shows it as stored now.
    if (dm->adocExDel->rowsAffected() == 0)
        Msg::error(this, Msg::ChangedElsewhere);
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
    // The panel keeps its texts; but when the organisation it holds is gone (deleted here
    // or elsewhere), a save would update no row, so it saves them as a new one.
    if (EditedExecutorId > 0 && !listedVersion(EditedExecutorId)) {
        EditedExecutorId = 0;
        mExFNameChange();
    }
    dbgExecs->setFocus();
}

QStringList TExecutorsPage::usesOf(int32_t id)
{
    // Every kind of row that names an organisation by its number holds it. Numbers above
    // 0 only: 0 stands for "typed by hand" or "accepted unchanged", never an organisation.
    struct Use
    {
        const char* table;
        const char* column;
        const char* kind; // as the refusal names it
    };
    static const Use kinds[] = {
        {"k_evdt", "exid", "записи мероприятий"},
        {"k_ipra_mo", "resp_mo_id", "распределенные ИПРА"},
        {"k_mo_names", "tid", "сопоставленные названия организаций"},
        {"k_login", "mo_id", "учетные записи пользователей"},
    };
    QStringList columns;
    for (const Use& use : kinds)
        columns << QStringLiteral("exists(select 1 from %1 where %2>0 and %2=%3) as %1")
                       .arg(QLatin1String(use.table), QLatin1String(use.column), QString::number(id));
    SqlQuery* usage = dm->adoqTmp;
    usage->close(); // a text is only run afresh by a closed query
    usage->clearText();
    usage->addLine(QStringLiteral("select ") + columns.join(QStringLiteral(", ")));
    const auto closed = qScopeGuard([usage] { usage->close(); });
    usage->open();
    QStringList found;
    for (const Use& use : kinds)
        if (usage->asBoolean(QLatin1String(use.table)))
            found << QString::fromUtf8(use.kind);
    return found;
}

std::optional<qint64> TExecutorsPage::listedVersion(int32_t id) const
{
    const SqlQuery* list = dm->adoqExecs;
    const int idColumn = list->columnIndex(QStringLiteral("id"));
    const int versionColumn = list->columnIndex(QStringLiteral("row_version"));
    if (!list->isOpen() || idColumn < 0 || versionColumn < 0)
        return std::nullopt;
    for (int row = 0; row < list->recordCount(); ++row)
        if (list->valueAt(row, idColumn).toLongLong() == id)
            return list->valueAt(row, versionColumn).toLongLong();
    return std::nullopt;
}
