#pragma once
// The trace log: received sentences, one per line, appended to "Log<short date>.log" in the
// working directory.

#include <QDate>
#include <QLocale>
#include <QString>
#include <cstdio>
#include <string>

// "Log" + the date in the locale's short format + ".log". Characters that cannot stand in a
// file name (the "/" of many short formats among them) become "-", so the log never turns
// into a path into a missing directory.
QString TraceLogName(const QDate& Date, const QLocale& Locale);

class TTraceLog {
public:
    ~TTraceLog() { Close(); }

    // Opens FileName for appending, or creates it; throws std::runtime_error on failure.
    // A log already open is flushed and closed first, so no line handed to it is lost.
    void Open(const QString& FileName);
    bool IsOpen() const { return FFile != nullptr; }
    // Writes the sentence as received (ending in its own CR) and the line end CR LF;
    // throws std::runtime_error on a write error.
    void WriteLine(const std::string& Sentence);
    void Close();

private:
    std::FILE* FFile = nullptr;
    QString FName;
};
