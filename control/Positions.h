#pragma once
// Fixed-position reads of a received sentence; positions count from 1 at "$" or "!".

#include <QString>

// True when S holds Text at Position; a sentence too short never matches.
inline bool TextAt(const QString& S, int Position, const QString& Text) {
    return Position >= 1 && S.size() >= Position - 1 + Text.size() &&
           QStringView(S).mid(Position - 1, Text.size()) == Text;
}

// The characters from First to Last, fewer (or none) where S ends earlier.
inline QString Positions(const QString& S, int First, int Last) {
    if (First < 1 || Last < First || First > S.size()) return {};
    return S.mid(First - 1, Last - First + 1);
}

// S without the CR that ends every received sentence: no field ever takes it.
inline QString WithoutLineEnd(const QString& S) {
    return S.endsWith('\r') ? S.left(S.size() - 1) : S;
}

// A whole number: optional sign and digits, within 32 bits; false otherwise.
bool ReadWholeNumber(const QString& Text, int& Value);
