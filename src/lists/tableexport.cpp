#include "lists/tableexport.h"

#include "platform/errors.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace TableExport {

namespace {

// Rows between two progress calls: often enough for a responsive window, seldom enough
// to cost nothing.
constexpr int kProgressStep = 500;

struct Column
{
    int source = -1; // the column of the rows, -1 when the result has no such field
    QString title;
};

QList<Column> visibleColumns(const SqlRows& rows, const QList<GridColumn>& columns)
{
    QList<Column> visible;
    for (const GridColumn& c : columns)
        if (c.visible)
            visible.append({rows.columnIndex(c.field), c.title.isEmpty() ? c.field : c.title});
    return visible;
}

QString failure(const QString& path, const QString& reason)
{
    return QStringLiteral("Не удалось записать файл «%1»: %2").arg(QDir::toNativeSeparators(path), reason);
}

bool keepGoing(const Progress& progress, int done, int total)
{
    return !progress || progress(done, total);
}

// ---- CSV ----

void appendCsvCell(QString& line, const QString& text)
{
    const bool quote = text.contains(QLatin1Char(';')) || text.contains(QLatin1Char('"')) ||
                       text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
    if (!quote) {
        line += text;
        return;
    }
    line += QLatin1Char('"');
    line += QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\""));
    line += QLatin1Char('"');
}

void writeCsvLine(QSaveFile& file, const QStringList& cells)
{
    QString line;
    for (int i = 0; i < cells.size(); ++i) {
        if (i)
            line += QLatin1Char(';');
        appendCsvCell(line, cells.at(i));
    }
    // CR LF, as the spreadsheet programs of the workstations write and read them.
    line += QLatin1String("\r\n");
    const QByteArray bytes = line.toUtf8();
    if (file.write(bytes) != bytes.size())
        throw AppError(failure(file.fileName(), file.errorString()));
}

Result writeCsv(const SqlRows& rows, const QList<Column>& columns, const QString& path,
                const Progress& progress)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw AppError(failure(path, file.errorString()));
    file.write("\xEF\xBB\xBF"); // the byte order mark tells spreadsheet programs it is UTF-8
    QStringList cells;
    for (const Column& c : columns)
        cells << c.title;
    writeCsvLine(file, cells);
    const int total = rows.count();
    for (int row = 0; row < total; ++row) {
        if (row % kProgressStep == 0 && !keepGoing(progress, row, total)) {
            file.cancelWriting();
            return Result::Cancelled;
        }
        cells.clear();
        for (const Column& c : columns)
            cells << DataSource::displayText(rows.value(row, c.source));
        writeCsvLine(file, cells);
    }
    if (!file.commit())
        throw AppError(failure(path, file.errorString()));
    keepGoing(progress, total, total);
    return Result::Done;
}

// ---- XLSX ----

// Excel's dates begin with 1900; earlier ones (30.12.1899, "no date"; 01.01.0001, "no
// end") stay the text the grid shows.
bool excelDate(const QDate& date)
{
    return date.isValid() && date.year() >= 1900 && date.year() <= 9999;
}

lxw_datetime toExcel(const QDate& date, const QTime& time = QTime(0, 0))
{
    return {date.year(), date.month(), date.day(), time.hour(), time.minute(),
            time.second() + time.msec() / 1000.0};
}

class Workbook
{
public:
    Workbook(const QString& path) : m_path(path)
    {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        m_book = workbook_new_opt(QFile::encodeName(path).constData(), &options);
        if (!m_book)
            throw AppError(failure(path, QStringLiteral("не хватает памяти")));
    }
    ~Workbook()
    {
        if (m_book)
            lxw_workbook_free(m_book); // not closed: nothing is written
    }
    lxw_workbook* get() const { return m_book; }
    void close()
    {
        const lxw_error error = workbook_close(m_book); // frees the workbook whatever the outcome
        m_book = nullptr;
        if (error != LXW_NO_ERROR)
            throw AppError(failure(m_path, QString::fromUtf8(lxw_strerror(error))));
    }

private:
    QString m_path;
    lxw_workbook* m_book = nullptr;
};

void check(lxw_error error, const QString& path)
{
    if (error != LXW_NO_ERROR)
        throw AppError(failure(path, QString::fromUtf8(lxw_strerror(error))));
}

Result writeXlsx(const SqlRows& rows, const QList<Column>& columns, const QString& path,
                 const Progress& progress)
{
    const int total = rows.count();
    if (total + 1 > LXW_ROW_MAX)
        throw AppError(failure(path, QStringLiteral("в листе .xlsx не больше %1 строк")
                                         .arg(LXW_ROW_MAX - 1)));
    // Written under a temporary name beside the file; the name is taken by creating the
    // file, which the library then writes over.
    QTemporaryFile temporary(QFileInfo(path).absolutePath() + QStringLiteral("/.ipra-XXXXXX.xlsx"));
    if (!temporary.open())
        throw AppError(failure(path, temporary.errorString()));
    const QString temporaryPath = temporary.fileName();
    temporary.close();

    Workbook book(temporaryPath);
    lxw_worksheet* sheet = workbook_add_worksheet(book.get(), "Список");
    lxw_format* bold = workbook_add_format(book.get());
    format_set_bold(bold);
    lxw_format* date = workbook_add_format(book.get());
    format_set_num_format(date, "DD.MM.YYYY");
    lxw_format* dateTime = workbook_add_format(book.get());
    format_set_num_format(dateTime, "DD.MM.YYYY hh:mm:ss");
    if (!sheet || !bold || !date || !dateTime)
        throw AppError(failure(path, QStringLiteral("не хватает памяти")));

    const auto column = [](int i) { return lxw_col_t(i); };
    QVector<int> widths(columns.size(), 0); // characters
    for (int c = 0; c < columns.size(); ++c) {
        const QString& title = columns.at(c).title;
        check(worksheet_write_string(sheet, 0, column(c), title.toUtf8().constData(), bold), path);
        widths[c] = int(title.size());
    }
    for (int row = 0; row < total; ++row) {
        if (row % kProgressStep == 0 && !keepGoing(progress, row, total))
            return Result::Cancelled;
        const auto line = lxw_row_t(row + 1);
        for (int c = 0; c < columns.size(); ++c) {
            const QVariant value = rows.value(row, columns.at(c).source);
            if (value.isNull())
                continue;
            const QString text = DataSource::displayText(value);
            widths[c] = std::max(widths[c], int(text.size()));
            lxw_error error = LXW_NO_ERROR;
            switch (value.typeId()) {
            case QMetaType::QDate:
                if (excelDate(value.toDate())) {
                    lxw_datetime d = toExcel(value.toDate());
                    error = worksheet_write_datetime(sheet, line, column(c), &d, date);
                    break;
                }
                error = worksheet_write_string(sheet, line, column(c), text.toUtf8().constData(), nullptr);
                break;
            case QMetaType::QDateTime: {
                const QDateTime moment = value.toDateTime();
                if (excelDate(moment.date())) {
                    lxw_datetime d = toExcel(moment.date(), moment.time());
                    error = worksheet_write_datetime(sheet, line, column(c), &d, dateTime);
                    break;
                }
                error = worksheet_write_string(sheet, line, column(c), text.toUtf8().constData(), nullptr);
                break;
            }
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Double:
                error = worksheet_write_number(sheet, line, column(c), value.toDouble(), nullptr);
                break;
            default:
                if (text.isEmpty())
                    continue;
                // A cell holds at most 32 767 characters.
                error = worksheet_write_string(sheet, line, column(c),
                                               text.left(32767).toUtf8().constData(), nullptr);
                break;
            }
            check(error, path);
        }
    }
    for (int c = 0; c < columns.size(); ++c)
        check(worksheet_set_column(sheet, column(c), column(c), std::clamp(widths[c] + 2, 8, 60), nullptr),
              path);
    worksheet_freeze_panes(sheet, 1, 0);
    if (!columns.isEmpty())
        check(worksheet_autofilter(sheet, 0, 0, lxw_row_t(total), column(int(columns.size()) - 1)), path);
    if (!keepGoing(progress, total, total))
        return Result::Cancelled;
    book.close();

    // Renamed over the file: replaced whole, never left half written.
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(temporaryPath).constData(),
                            QFile::encodeName(path).constData(), error);
    if (error)
        throw AppError(failure(path, QString::fromLocal8Bit(error.message().c_str())));
    temporary.setAutoRemove(false); // its name is the file's now
    return Result::Done;
}

} // namespace

std::optional<Format> FormatOfFile(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("xlsx"))
        return Format::Xlsx;
    if (suffix == QLatin1String("csv"))
        return Format::Csv;
    return std::nullopt;
}

Result Write(const SqlRows& rows, const QList<GridColumn>& columns, const QString& path,
             Format format, const Progress& progress)
{
    const QList<Column> visible = visibleColumns(rows, columns);
    return format == Format::Xlsx ? writeXlsx(rows, visible, path, progress)
                                  : writeCsv(rows, visible, path, progress);
}

} // namespace TableExport
