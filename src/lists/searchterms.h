#pragma once

#include <QString>
#include <QStringList>

// What the search line of an IPRA list looks for: the words of the holder's name in any
// order, each the beginning of the surname, the first name or the patronymic; the digits
// of a SNILS however it is written; the beginning of an IPRA number. Letter case does not
// count and "ё" is "е".
struct SearchTerms
{
    // Folded name words, longest (so the most selective) first: at most three, since no
    // word that begins another is kept (the longer one says more). None when more than
    // three remain: two of them would have to begin the same part of the name, so one
    // would begin the other, and no IPRA can match.
    QStringList words;
    QString snils;  // the digits, when the text holds only digits, dashes and blanks
    QString number; // the folded text, for the beginning of an IPRA number

    bool isEmpty() const { return words.isEmpty() && snils.isEmpty() && number.isEmpty(); }
    friend bool operator==(const SearchTerms&, const SearchTerms&) = default;
};

// Folds a text as the server's ipra_fold does: Latin and Russian capitals made small,
// "ё" read as "е"; other characters are kept.
QString SearchFold(const QString& text);

// The terms of a typed text; empty terms for a text of blanks only.
SearchTerms ParseSearch(const QString& text);
