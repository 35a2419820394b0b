#include "app/TraceLog.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

QString TraceLogName(const QDate& Date, const QLocale& Locale) {
    QString date = Locale.toString(Date, QLocale::ShortFormat);
    for (QChar& c : date) {
        if (c == '/' || c == '\\' || c == ':' || c.unicode() < 32) c = '-';
    }
    return "Log" + date + ".log";
}

void TTraceLog::Open(const QString& FileName) {
    Close();
    const QByteArray path = FileName.toLocal8Bit();
    FFile = std::fopen(path.constData(), "ab");
    if (FFile == nullptr) FFile = std::fopen(path.constData(), "wb");
    if (FFile == nullptr)
        throw std::runtime_error("Cannot open file \"" + path.toStdString() + "\". " +
                                 std::strerror(errno));
    FName = FileName;
}

void TTraceLog::WriteLine(const std::string& Sentence) {
    if (FFile == nullptr) return;
    if (std::fwrite(Sentence.data(), 1, Sentence.size(), FFile) != Sentence.size() ||
        std::fputs("\r\n", FFile) == EOF)
        throw std::runtime_error("I/O error writing \"" + FName.toStdString() + "\". " +
                                 std::strerror(errno));
}

void TTraceLog::Close() {
    if (FFile == nullptr) return;
    std::fflush(FFile);
    std::fclose(FFile);
    FFile = nullptr;
}
