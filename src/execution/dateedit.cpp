#include "execution/dateedit.h"

#include "platform/handlers.h"

#include <QCalendarWidget>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

TDateEdit::TDateEdit(QWidget* parent) : QWidget(parent)
{
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("edit"));
    // Digits and points only, no longer than DD.MM.YYYY.
    m_edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9.]{0,10}")), m_edit));
    m_edit->setPlaceholderText(QStringLiteral("ДД.ММ.ГГГГ"));
    m_drop = new QToolButton(this);
    m_drop->setObjectName(QStringLiteral("calendarButton"));
    m_drop->setArrowType(Qt::DownArrow);
    m_drop->setFocusPolicy(Qt::NoFocus);

    m_popup = new QFrame(this, Qt::Popup);
    m_popup->setObjectName(QStringLiteral("calendarPopup"));
    m_popup->setFrameShape(QFrame::StyledPanel);
    auto* column = new QVBoxLayout(m_popup);
    column->setContentsMargins(4, 4, 4, 4);
    m_calendar = new QCalendarWidget(m_popup);
    m_calendar->setObjectName(QStringLiteral("calendar"));
    m_calendar->setGridVisible(true);
    m_calendar->setLocale(QLocale(QLocale::Russian, QLocale::Russia)); // Russian texts throughout
    m_calendar->setFirstDayOfWeek(Qt::Monday);
    column->addWidget(m_calendar);
    auto* buttons = new QHBoxLayout;
    m_today = new QPushButton(QStringLiteral("Сегодня"), m_popup);
    m_today->setObjectName(QStringLiteral("bToday"));
    m_clear = new QPushButton(QStringLiteral("Очистить"), m_popup);
    m_clear->setObjectName(QStringLiteral("bClear"));
    buttons->addWidget(m_today);
    buttons->addWidget(m_clear);
    column->addLayout(buttons);

    setFocusProxy(m_edit);
    ConnectHandler(m_edit, &QLineEdit::textEdited, this, &TDateEdit::edited);
    ConnectHandler(m_edit, &QLineEdit::editingFinished, this, &TDateEdit::finished);
    ConnectHandler(m_drop, &QToolButton::clicked, this, &TDateEdit::showPopup);
    ConnectHandler(m_calendar, &QCalendarWidget::clicked, this, [this](QDate date) {
        m_popup->hide();
        setDate(date);
    });
    ConnectHandler(m_calendar, &QCalendarWidget::activated, this, [this](QDate date) {
        m_popup->hide();
        setDate(date);
    });
    ConnectHandler(m_today, &QPushButton::clicked, this, [this] {
        m_popup->hide();
        setToday();
    });
    ConnectHandler(m_clear, &QPushButton::clicked, this, [this] {
        m_popup->hide();
        clear();
    });
}

DateValue TDateEdit::value() const
{
    return m_date ? Dates::fromDate(*m_date) : Dates::NoDate;
}

QString TDateEdit::text() const
{
    return m_date ? Dates::format(Dates::fromDate(*m_date)) : QString();
}

void TDateEdit::setDate(const QDate& date)
{
    assign(date.isValid() ? std::optional<QDate>(date) : std::nullopt, true);
}

void TDateEdit::clear()
{
    assign(std::nullopt, true);
}

void TDateEdit::setToday()
{
    setDate(QDate::currentDate());
}

void TDateEdit::showPopup()
{
    m_calendar->setSelectedDate(m_date.value_or(QDate::currentDate()));
    m_popup->adjustSize();
    m_popup->move(mapToGlobal(QPoint(0, height())));
    m_popup->show();
    m_calendar->setFocus();
}

void TDateEdit::assign(const std::optional<QDate>& date, bool rewriteText)
{
    if (rewriteText && m_edit->text() != (date ? Dates::format(Dates::fromDate(*date)) : QString()))
        m_edit->setText(date ? Dates::format(Dates::fromDate(*date)) : QString());
    if (date == m_date)
        return;
    m_date = date;
    emit dateChanged();
}

void TDateEdit::edited(const QString& text)
{
    if (text.trimmed().isEmpty()) {
        assign(std::nullopt, false);
        return;
    }
    // Only a whole date counts; "12.0" on its way to "12.05.2024" leaves the value alone.
    if (const auto typed = Dates::parse(text))
        assign(Dates::toDate(*typed), false);
}

void TDateEdit::finished()
{
    // A partly typed text goes back to the value.
    assign(m_date, true);
}

void TDateEdit::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int button = height();
    m_edit->setGeometry(0, 0, width() - button, height());
    m_drop->setGeometry(width() - button, 0, button, height());
}

void TDateEdit::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        m_popup->hide();
}
