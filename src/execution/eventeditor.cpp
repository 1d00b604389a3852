// The event record editor of the execution page and its four actions.

#include "execution/orgiprapage.h"

#include "data/currentorg.h"
#include "data/lookuplists.h"
#include "data/tdm.h"
#include "execution/core/currentprg.h"
#include "execution/core/eventdictionary.h"
#include "execution/core/eventrules.h"
#include "execution/dateedit.h"
#include "platform/errors.h"
#include "platform/ui/messagebox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>

#include <functional>

namespace {

const QString AddRowText = QStringLiteral("Добавить мероприятие...");
const char* const Tag = "tag";

uint8_t level()
{
    return CurrentOrg ? CurrentOrg->lvl : 0;
}

QString cellText(const QTableWidget* grid, int row, int column)
{
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

// Sets a check box; its rule runs also when the box already had that state, so the
// input it governs is filled afresh either way. The rule runs here rather than from the
// box's signal, so its error stops the caller instead of ending at the signal's handler.
void setBox(QCheckBox* box, bool checked, const std::function<void()>& rule)
{
    {
        const QSignalBlocker quiet(box);
        box->setChecked(checked);
    }
    rule();
}

int positionOf(const IdList& ids, qint32 id)
{
    return id > 0 ? IndexOfId(ids, id) : -1;
}

} // namespace

bool TOrgIpraPage::EditorOpen() const
{
    return !pEvnt->isHidden();
}

void TOrgIpraPage::OpenEditorFromGrid(QTableWidget* grid, int row)
{
    if (!CurrentPrg)
        return;
    // The grid's own page (the active one, as only its grid can be clicked).
    const int page = grid->objectName().right(1).toInt() - 1;
    if (page < 0 || page > 3)
        return;
    QComboBox* box = subtypeBox(page + 1);
    const QString subtypeText = box->currentText();
    lEvntDesc->setText(pcEvnts->tabText(page) + QLatin1Char('/') + subtypeText);
    qint32 subtype = 0;
    if (!subtypeText.isEmpty() && box->currentIndex() >= 0 &&
        box->currentIndex() < SubtypeIds[page].size())
        subtype = SubtypeIds[page].at(box->currentIndex());
    const qint32 key = cellText(grid, row, 0).isEmpty() ? 0 : cellText(grid, row, 0).toInt();
    // Any cell of the add row: a new record needs its subtype when the type has subtypes.
    if (key == 0 && cellText(grid, row, 1) == AddRowText && box->count() > 0 && subtypeText.isEmpty()) {
        Msg::error(this, QStringLiteral("Не выбран подтип мероприятия"));
        return;
    }
    OpenEventEditor(key, CurrentPrg->id, TypeOfPageIndex(page), subtype);

    int top = pOrgEvnts->y() + grid->y();
    const int left = pOrgEvnts->x() + grid->x() + 10;
    if (top + pEvnt->height() > height())
        top = height() - pEvnt->height() - 5;
    pEvnt->move(left, top);
    pEvnt->show();
    pEvnt->raise();

    const bool review = level() == RoleLevel::Review;
    bEvSave->setText(review ? QStringLiteral("Отклонить") : QStringLiteral("Сохранить"));
    bEvEnd->setText(review ? QStringLiteral("Принять") : QStringLiteral("Закрыть/отправить"));

    SetEventEditorEnabled(false);
    if (EditorEnabledFor(level(), cellText(grid, row, 5)))
        SetEventEditorEnabled(true);
    SetSubtypeBoxesEnabled(false);

    pEvnt->setProperty(Tag, box->currentIndex());
    bEvCanc->setProperty(Tag, row);
}

void TOrgIpraPage::OpenEventEditor(qint32 recordKey, qint32 prgId, int typeCode, qint32 subtypeId)
{
    // The record first: the name rule reads its type and subtype.
    std::unique_ptr<TEventDetail> record;
    if (recordKey == 0) {
        record = std::make_unique<TEventDetail>();
        record->prgid = prgId;
        record->typeid_ = typeCode;
        record->stypeid = subtypeId;
    } else {
        for (const auto& detail : CurrentPrg->details)
            if (detail->id == recordKey)
                record = std::make_unique<TEventDetail>(*detail);
        if (!record)
            throw DbError(QStringLiteral("Мероприятие с кодом %1 не найдено").arg(recordKey));
    }
    CurrentEventDetail = std::move(record);
    TEventDetail& d = *CurrentEventDetail;

    LoadTypedEventDictionary(typeCode, subtypeId);
    chbEvManClick();
    CurrentEventGroup = nullptr;
    for (const auto& group : CurrentPrg->events)
        if (group->typeid_ == typeCode)
            CurrentEventGroup = group.get();

    cbEvRes->clear();
    cbEvRes->addItems(ResultNames);
    m_resultIds = ResultIds;
    cbEvRes->setCurrentIndex(-1);

    if (recordKey == 0) {
        setBox(chbExMan, false, [this] { chbExManClick(); });
        // The session organisation is proposed as executor, when it is in the directory.
        ChooseExecutor(CurrentOrg ? CurrentOrg->mo_id : 0);
    } else {
        const int page = PageIndexOfType(typeCode);
        if (d.stypeid > 0 && subtypeId == 0) {
            LoadTypedEventDictionary(typeCode, d.stypeid);
            chbEvManClick();
            // A subtype no longer in the directory adds no name.
            const int position = page >= 0 ? SubtypeIds[page].indexOf(d.stypeid) : -1;
            if (position >= 0)
                lEvntDesc->setText(lEvntDesc->text() + subtypeBox(page + 1)->itemText(position));
        }
        if (d.dicid > 0) {
            setBox(chbEvMan, false, [this] { chbEvManClick(); });
            // An entry no longer in the dictionary: nothing chosen, and saving with the
            // box left empty keeps the stored entry.
            cbEvName->setCurrentIndex(positionOf(m_nameIds, d.dicid));
        }
        if (!d.name.isEmpty()) {
            setBox(chbEvMan, true, [this] { chbEvManClick(); });
            cbEvName->setEditText(d.name);
        }
        if (d.dt > Dates::NoDate)
            dtEvExDate->setDate(Dates::toDate(d.dt)); // runs the date checks
        else
            dtEvExDate->clear();
        if (d.exid > 0) {
            setBox(chbExMan, false, [this] { chbExManClick(); });
            ChooseExecutor(d.exid);
        }
        if (!d.exname.isEmpty()) {
            setBox(chbExMan, true, [this] { chbExManClick(); });
            cbEvExecut->setEditText(d.exname);
        }
        if (d.resid > 0) {
            chbResVar->setChecked(false);
            cbEvRes->setCurrentIndex(positionOf(m_resultIds, d.resid));
            cbEvResChange();
        }
        if (!d.resdesc.isEmpty()) {
            chbResVar->setChecked(true);
            mEvRes->setPlainText(d.resdesc);
        }
        mEvNote->setPlainText(d.note);
    }
    // The event names of this subtype are always typed by hand. The record's own subtype
    // counts, so that it holds also when the grid showed every subtype.
    if (typeCode == 2 && d.stypeid == 4)
        chbEvMan->setChecked(true);
}

void TOrgIpraPage::ChooseExecutor(qint32 id)
{
    cbEvExecut->setCurrentIndex(positionOf(m_executorIds, id));
}

void TOrgIpraPage::LoadUsedEventNames()
{
    QStringList names;
    if (CurrentEventDetail) {
        SqlQuery& query = *dm->adoqEvNmUsed;
        query.close();
        query.setInteger(QStringLiteral("typeid"), CurrentEventDetail->typeid_);
        query.setInteger(QStringLiteral("stypeid"), CurrentEventDetail->stypeid);
        try {
            query.open();
            for (query.first(); !query.eof(); query.next())
                names << query.asString(QStringLiteral("name"));
        } catch (...) {
            query.close();
            throw;
        }
        query.close();
    }
    cbEvName->clear();
    cbEvName->addItems(names);
    m_nameIds.clear(); // typed names have no ids
}

void TOrgIpraPage::chbResVarClick()
{
    if (chbResVar->isChecked()) {
        cbEvRes->setCurrentIndex(-1);
        cbEvResChange();
        mEvRes->setReadOnly(false);
    } else {
        mEvRes->setReadOnly(true);
        mEvRes->clear();
    }
}

void TOrgIpraPage::cbEvResClick()
{
    if (chbResVar->isChecked())
        chbResVar->setChecked(false);
}

void TOrgIpraPage::cbEvResChange()
{
    const int position = cbEvRes->currentIndex();
    if (position < 0 || position >= m_resultIds.size())
        mEvRes->clear();
    else
        mEvRes->setPlainText(GetResultName(m_resultIds.at(position)));
}

void TOrgIpraPage::spbEvNameClick()
{
    if (Msg::question(this, QStringLiteral("Добавить мероприятие в словарь?")) != Msg::Yes)
        return;
    const QString name = cbEvName->currentText();
    if (name.isEmpty()) {
        Msg::error(this, QStringLiteral("Не указано название мероприятия"));
        return;
    }
    if (!cbEvName->isEditable()) {
        Msg::error(this, QStringLiteral("Мероприятие уже есть в словаре"));
        return;
    }
    if (!CurrentEventDetail)
        return;
    // Nothing is reloaded: the open record keeps the name as typed text.
    AddEventToDictionary(name, CurrentEventDetail->typeid_, CurrentEventDetail->stypeid);
}

void TOrgIpraPage::dtEvExDateChange()
{
    // A correction sets the date again; the checks go on here with the corrected date.
    if (m_checkingDate)
        return;
    QScopedValueRollback checking(m_checkingDate, true);
    if (dtEvExDate->isEmpty() || !CurrentEventGroup || !CurrentPrg)
        return;
    const DateValue noDate = *Dates::parse(u"30.12.1899");
    const DateValue noEnd = *Dates::parse(u"01.01.0001");
    const TEventGroup& group = *CurrentEventGroup;
    const auto d = [this] { return dtEvExDate->value(); };
    if (d() < group.pfrom && group.pto != noDate) {
        Msg::error(this, QStringLiteral("Дата выполнения не входит в период исполнения(PeriodFrom)"));
        dtEvExDate->setDate(Dates::toDate(group.pfrom));
    }
    if (d() > group.pto && group.pto != noEnd && group.pto != noDate) {
        Msg::error(this, QStringLiteral("Дата выполнения не входит в период исполнения(PeriodTo)"));
        dtEvExDate->setDate(Dates::toDate(group.pto));
    }
    if (d() < CurrentPrg->prgdt) {
        Msg::error(this, QStringLiteral("Дата выполнения раньше даты разработки ИПРА(IssueDate)"));
        dtEvExDate->setDate(Dates::toDate(CurrentPrg->prgdt));
    }
}

void TOrgIpraPage::SetEventEditorEnabled(bool enabled)
{
    for (QWidget* input : std::initializer_list<QWidget*>{cbEvName, spbEvName, dtEvExDate, cbEvExecut,
                                                          cbEvRes, mEvRes, mEvNote, bEvSave, bEvEnd, bEvDel})
        input->setEnabled(enabled);
    // Below level 5 names, executors and results come from the directories only.
    const bool boxes = enabled && level() >= RoleLevel::Distribution;
    for (QCheckBox* box : {chbEvMan, chbExMan, chbResVar})
        box->setEnabled(boxes);
    bEvCanc->setEnabled(true);
}

void TOrgIpraPage::SetSubtypeBoxesEnabled(bool enabled)
{
    for (int number = 1; number <= 4; ++number)
        subtypeBox(number)->setEnabled(enabled);
}

bool TOrgIpraPage::EventFieldsComplete() const
{
    return !cbEvName->currentText().isEmpty() && !dtEvExDate->text().isEmpty() &&
           !cbEvExecut->currentText().isEmpty() &&
           (!cbEvRes->currentText().isEmpty() || !mEvRes->toPlainText().isEmpty());
}

void TOrgIpraPage::CopyEditorIntoRecord(TEventDetail& d) const
{
    // An empty input keeps what the record holds (a stored entry no longer in a list).
    const QString name = cbEvName->currentText();
    if (!name.isEmpty()) {
        if (chbEvMan->isChecked()) {
            d.name = name;
            d.dicid = 0;
        } else if (cbEvName->currentIndex() >= 0 && cbEvName->currentIndex() < m_nameIds.size()) {
            d.dicid = m_nameIds.at(cbEvName->currentIndex());
            d.name.clear();
        }
    }
    d.dt = dtEvExDate->value();
    const QString executor = cbEvExecut->currentText();
    if (!executor.isEmpty()) {
        if (chbExMan->isChecked()) {
            d.exname = executor;
            d.exid = 0;
        } else if (cbEvExecut->currentIndex() >= 0 && cbEvExecut->currentIndex() < m_executorIds.size()) {
            d.exid = m_executorIds.at(cbEvExecut->currentIndex());
            d.exname.clear();
        }
    }
    const QString result = mEvRes->toPlainText();
    if (!result.isEmpty()) {
        if (chbResVar->isChecked()) {
            d.resid = 0;
            d.resdesc = result;
        } else if (cbEvRes->currentIndex() >= 0 && cbEvRes->currentIndex() < m_resultIds.size()) {
            d.resid = m_resultIds.at(cbEvRes->currentIndex());
            d.resdesc.clear();
        }
    }
    d.note = mEvNote->toPlainText();
}

void TOrgIpraPage::SaveEditedRecord(std::optional<uint8_t> closeState)
{
    if (!CurrentEventDetail)
        return;
    if (Msg::question(this, QStringLiteral("Сохранить запись?")) == Msg::Yes) {
        // The save works on a copy, taken into the record only once stored: a save that
        // fails leaves the record as it was, so the next action never stores the state
        // of the failed one.
        TEventDetail edited = *CurrentEventDetail;
        CopyEditorIntoRecord(edited);
        edited.state = SaveState(level(), closeState.value_or(edited.state));
        if (!edited.Save()) {
            // Nothing written: the editor closes and the grid shows the record as stored now.
            Msg::error(this, Msg::ChangedElsewhere);
            bEvCancClick();
            return;
        }
        // Its key and version too: a second save after a failed refill updates this row.
        *CurrentEventDetail = edited;
    }
    // Refused too: the editor closes.
    bEvCancClick();
}

void TOrgIpraPage::bEvSaveClick()
{
    SaveEditedRecord(std::nullopt);
}

void TOrgIpraPage::bEvEndClick()
{
    if (!CurrentEventDetail)
        return;
    if (EventFieldsComplete()) {
        SaveEditedRecord(CloseTargetState(level()));
    } else {
        CurrentEventDetail->state = EventState::InProgress;
        Msg::error(this, QStringLiteral("Не заполнены необходимые поля"));
    }
}

void TOrgIpraPage::bEvCancClick()
{
    if (CurrentPrg && CurrentEventDetail) {
        const TEventDetail& d = *CurrentEventDetail;
        if (d.stypeid > 0 && pEvnt->property(Tag).toInt() >= 0)
            FillEventGridBySubtype(CurrentPrg->id, d.typeid_, d.stypeid);
        else
            FillEventGrid(CurrentPrg->id, d.typeid_);
    }

    cbEvName->setCurrentIndex(-1);
    cbEvName->clearEditText();
    chbEvMan->setChecked(false);
    cbEvExecut->setCurrentIndex(-1);
    cbEvExecut->clearEditText();
    chbExMan->setChecked(false);
    cbEvRes->setCurrentIndex(-1);
    cbEvResClick();
    mEvRes->clear();
    mEvNote->clear();
    dtEvExDate->clear();

    pEvnt->hide();
    SetEventEditorEnabled(true);
    SetSubtypeBoxesEnabled(true);

    // The list again, so that the IPRA's state and colour follow; back on the same IPRA,
    // or on the first row when it has left the list (the review's list after "Принять").
    SqlQuery& list = *dm->adoqOrgIpra;
    QVariant remembered;
    if (list.isOpen() && list.recNo() >= 0)
        remembered = list.value(QStringLiteral("id"));
    list.close();
    list.open();
    if (!remembered.isValid() || !list.locate(QStringLiteral("id"), remembered))
        list.first();
}

void TOrgIpraPage::bEvDelClick()
{
    if (level() == RoleLevel::Review || !CurrentEventDetail)
        return;
    if (Msg::question(this, QStringLiteral("Удалить запись?")) != Msg::Yes)
        return;
    // A new record was never stored: there is nothing to delete.
    if (CurrentEventDetail->id != 0 && !CurrentEventDetail->Delete())
        Msg::error(this, Msg::ChangedElsewhere); // nothing deleted; the refill shows it as stored now
    bEvCancClick();
}
