#pragma once

// A stored IPRA with everything its card shows, over the demo directories: a holder with
// a document and two addresses, a representative with two documents, two event groups
// (one without end) and records in all four states, from the directories and typed.

#include "storedipra.h"

#include <QProcess>
#include <QString>

namespace CardIpra {

inline int add()
{
    using namespace StoredIpra;
    const int id = addIpra({.prgnum = "1234.5.67/2024", .prgdt = "2024-02-10", .enddt = "2026-03-01",
                            .respMoId = 3, .respMo = "ОГБУЗ \"ОБ КО №1\"", .lname = "Смирнова",
                            .fname = "Анна", .sname = "Петровна", .snils = "123-456-789 01",
                            .docnum = "77.1/2024", .docdt = "2024-02-01", .dt = "2024-02-12",
                            .sendMo = "Окружная больница №1"});
    const int holder = addPerson(id, 0, "Смирнова", "Анна", "Петровна");
    addDoc(holder, "Паспорт", "3401", "556677", "УМВД Костромской области", "2006-05-20");
    addAddress(holder, 1, "г. Кострома, ул. Советская, д. 5", "8-4942-111111");
    addAddress(holder, 3, "г. Галич, ул. Луговая, д. 7", "");
    const int repr = addPerson(id, 1, "Смирнов", "Олег", "Игоревич");
    addDoc(repr, "Паспорт", "3402", "112233", "УМВД Галича", "2010-01-15");
    addDoc(repr, "Доверенность", "АБ", "44/2", "Нотариус Галича", "2023-11-03");
    addGroup(id, 2, "2024-03-01", "2025-03-01");
    addGroup(id, 99, "1899-12-30", "0001-01-01");
    addEvent(id, {.typeId = 2, .stypeId = 1, .state = 0, .dicid = 1, .exid = 3, .resid = 1,
                  .note = "прим-один", .dt = "2024-04-01"});
    addEvent(id, {.typeId = 2, .stypeId = 4, .state = 1, .name = "Иглорефлексотерапия",
                  .exname = "Клиника Здоровье", .resdesc = "Без изменений", .note = "прим-два",
                  .dt = "2024-05-02"});
    addEvent(id, {.typeId = 99, .state = 2, .dicid = 22, .exid = 5, .resid = 2, .dt = "2024-06-03"});
    addEvent(id, {.typeId = 99, .state = 3, .name = "Санаторий Сосновый бор", .exid = 5, .resid = 1,
                  .dt = "2024-07-04"});
    return id;
}

// What the card holds, each as pdftotext gives it (blanks squeezed).
inline QStringList expectedTexts()
{
    return {"Карта ИПРА № 1234.5.67/2024", "10.02.2024", "12.02.2024", "01.03.2026", "77.1/2024",
            "01.02.2024", "Смирнова Анна Петровна", "123-456-789 01", "Паспорт", "3401 556677",
            "УМВД Костромской области", "20.05.2006", "Адрес места жительства",
            "г. Кострома, ул. Советская, д. 5", "8-4942-111111", "г. Галич, ул. Луговая, д. 7",
            "Смирнов Олег Игоревич", "3402 112233", "Доверенность", "АБ 44/2", "Нотариус Галича",
            "03.11.2023", "Окружная больница №1", "ОГБУЗ \"ОБ КО №1\"", "Медицинская реабилитация",
            "01.03.2024-01.03.2025", "Медикаментозная терапия",
            "Курс медикаментозной терапии в условиях стационара",
            "ОГБУЗ \"Окружная больница Костромского округа №1\"", "01.04.2024", "Выполнено",
            "прим-один", "в работе", "Иглорефлексотерапия", "Клиника Здоровье", "Без изменений",
            "прим-два", "возвращено на доработку", "Санаторно-курортное лечение", "Бессрочно",
            "Санаторно-курортное лечение по профилю основного заболевания",
            "ОГБУЗ \"Галичская окружная больница\"", "Выполнено частично", "закрыто и отправлено",
            "Санаторий Сосновый бор", "принято"};
}

// The text of a PDF file in the order it was drawn, blanks and line ends squeezed.
inline QString pdfText(const QString& file)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), file, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).simplified();
}

} // namespace CardIpra
