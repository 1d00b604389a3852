#pragma once

#include "platform/dates.h"

#include <QDate>
#include <QWidget>

#include <optional>

class QCalendarWidget;
class QFrame;
class QLineEdit;
class QPushButton;
class QToolButton;

// A date input that can be empty: the date is typed as DD.MM.YYYY or picked from a
// calendar that drops down with the buttons "Сегодня" and "Очистить". Its value is always
// a whole calendar date or nothing: a partly typed text changes nothing, and is put back
// to the value when the input loses the focus.
class TDateEdit : public QWidget
{
    Q_OBJECT
public:
    explicit TDateEdit(QWidget* parent = nullptr);

    std::optional<QDate> date() const { return m_date; }
    bool isEmpty() const { return !m_date; }
    // Days since 30.12.1899; NoDate (30.12.1899 itself) when empty.
    DateValue value() const;
    // DD.MM.YYYY of the value, empty when there is none.
    QString text() const;

    // An invalid date empties the input.
    void setDate(const QDate& date);
    void clear();
    void setToday();

    QLineEdit* lineEdit() const { return m_edit; }
    QToolButton* calendarButton() const { return m_drop; }
    QFrame* popup() const { return m_popup; }
    QCalendarWidget* calendar() const { return m_calendar; }
    QPushButton* todayButton() const { return m_today; }
    QPushButton* clearButton() const { return m_clear; }
    void showPopup();

signals:
    // The value changed: typed to a whole date, picked, "Сегодня", "Очистить" or set.
    void dateChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void assign(const std::optional<QDate>& date, bool rewriteText);
    void edited(const QString& text);
    void finished();

    std::optional<QDate> m_date;
    QLineEdit* m_edit;
    QToolButton* m_drop;
    QFrame* m_popup;
    QCalendarWidget* m_calendar;
    QPushButton* m_today;
    QPushButton* m_clear;
};
