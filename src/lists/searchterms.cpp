#include "lists/searchterms.h"

#include <QRegularExpression>

#include <algorithm>

QString SearchFold(const QString& text)
{
    QString folded = text;
    for (QChar& c : folded) {
        const char16_t u = c.unicode();
        if (u >= u'A' && u <= u'Z')
            c = QChar(char16_t(u + 32));
        else if (u >= u'А' && u <= u'Я')
            c = QChar(char16_t(u + 32));
        else if (u == u'Ё' || u == u'ё')
            c = QChar(u'е');
    }
    return folded;
}

SearchTerms ParseSearch(const QString& text)
{
    SearchTerms terms;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return terms;

    // Commas and points part words too, so "Иванова А.П." is three words.
    static const QRegularExpression separators(QStringLiteral("[\\s,.;]+"));
    QStringList words;
    for (const QString& word : SearchFold(trimmed).split(separators, Qt::SkipEmptyParts))
        if (!words.contains(word))
            words << word;
    QStringList kept;
    for (const QString& word : words) {
        const bool beginsAnother = std::any_of(words.cbegin(), words.cend(), [&](const QString& other) {
            return other != word && other.startsWith(word);
        });
        if (!beginsAnother)
            kept << word;
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](const QString& a, const QString& b) { return a.size() > b.size(); });
    if (kept.size() <= 3)
        terms.words = kept;

    static const QRegularExpression snilsForm(QStringLiteral("^[0-9\\s-]*[0-9][0-9\\s-]*$"));
    if (snilsForm.match(trimmed).hasMatch())
        terms.snils = QString(trimmed).remove(QRegularExpression(QStringLiteral("[^0-9]")));
    terms.number = SearchFold(trimmed);
    return terms;
}
