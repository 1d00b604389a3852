#include "lists/ui/exportgrid.h"

#include "data/datasource.h"
#include "lists/tableexport.h"
#include "platform/dates.h"
#include "platform/ui/filepicker.h"
#include "platform/ui/messagebox.h"

#include <QApplication>
#include <QProgressDialog>
#include <QScopedValueRollback>

namespace {

bool g_exporting = false; // one export at a time, even while its progress runs the event loop

struct BusyCursor
{
    BusyCursor() { QApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

void ExportGridRows(QWidget* parent, const DataSource& source, const QString& baseName)
{
    if (g_exporting)
        return;
    QScopedValueRollback busy(g_exporting, true);
    const QString path = FilePicker::saveFile(
        parent, QStringLiteral("Выгрузить список"),
        baseName + QLatin1Char(' ') + Dates::format(Dates::today()) + QStringLiteral(".xlsx"),
        {QStringLiteral("Книга Excel (*.xlsx)"), QStringLiteral("Текст CSV, через точку с запятой (*.csv)")});
    if (path.isNull())
        return;
    const auto format = TableExport::FormatOfFile(path);
    if (!format) {
        Msg::error(parent, QStringLiteral("Выгрузить можно только в файл .xlsx или .csv"));
        return;
    }
    // The rows as the grid shows them now; later changes of the list do not reach them.
    const SqlRows rows = source.query()->rows();
    QProgressDialog progress(QStringLiteral("Выгрузка списка…"), QStringLiteral("Отмена"), 0,
                             std::max(rows.count(), 1), parent);
    progress.setWindowTitle(QStringLiteral("Выгрузка"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    const BusyCursor cursor;
    // A failure throws its Russian message on to the program's error box; the writer
    // has left no file behind.
    TableExport::Write(rows, source.columns(), path, *format, [&](int done, int) {
        progress.setValue(done);
        // The window keeps painting; until the dialog is up (and blocks the window's
        // input) no click may start something else in between.
        QCoreApplication::processEvents(progress.isVisible() ? QEventLoop::AllEvents
                                                             : QEventLoop::ExcludeUserInputEvents);
        return !progress.wasCanceled();
    });
}
