#include "data/alertperiod.h"

#include "data/tdm.h"
#include "platform/errors.h"

uint8_t AlertPeriodMonths = 0;

void LoadAlertPeriod()
{
    if (!dm)
        throw DbError(QStringLiteral("Модуль данных не создан"));
    SqlQuery& tmp = *dm->adoqTmp;
    tmp.close();
    tmp.clearText();
    tmp.addLine(QStringLiteral("select * from k_vars where name='AlertPeriod'"));
    try {
        tmp.open();
        if (tmp.eof())
            throw DbError(QStringLiteral("В таблице k_vars нет настройки 'AlertPeriod'"));
        AlertPeriodMonths = uint8_t(tmp.asInteger(QStringLiteral("val")) & 0xFF);
    } catch (...) {
        tmp.close();
        throw;
    }
    tmp.close();
}
