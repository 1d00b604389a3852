#include "session/uifont.h"

#include <QFontDatabase>
#include <QStringList>

QFont ProgramFont(int pixelSize, bool bold, bool italic)
{
    static const bool haveTahoma =
        QFontDatabase::families().contains(QStringLiteral("Tahoma"), Qt::CaseInsensitive);
    QFont font = haveTahoma ? QFont(QStringLiteral("Tahoma"))
                            : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (!haveTahoma)
        font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}
