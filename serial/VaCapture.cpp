#include "serial/VaCapture.h"

#include "serial/VaExceptionReport.h"

#include <algorithm>

std::string CaretToCtrl(std::string_view S) {
    std::string out;
    out.reserve(S.size());
    int carets = 0;
    for (char ch : S) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '^') {
            ++carets;
        } else if (carets == 0) {
            out += ch;
        } else if (carets == 1) {
            if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
                out += static_cast<char>((c & ~0x20) - 64);
            } else {
                out += '^';
                out += ch;
            }
            carets = 0;
        }
        // from two carets in a row on the rest of the string yields nothing
    }
    return out;
}

void TVaCapture::SetDataStart(std::string_view Value) {
    if (Value == FDataStart) return;
    FDataStart = Value;
    StartCtrl = CaretToCtrl(FDataStart);
    StartLen = static_cast<std::int32_t>(StartCtrl.size());
}

void TVaCapture::SetDataFinish(std::string_view Value) {
    if (Value == FDataFinish) return;
    FDataFinish = Value;
    FinishCtrl = CaretToCtrl(FDataFinish);
    FinishLen = static_cast<std::int32_t>(FinishCtrl.size());
}

void TVaCapture::Reset() {
    Level = 0;
    Prefix.clear();
    Buffer.clear();
    Head = 0;
}

void TVaCapture::HandleCommData(PVaData Data, int Count) {
    if (Data == nullptr) return;
    for (int i = 0; i < Count; ++i) Step(Data[i] == 0 ? ' ' : Data[i]);
}

// Keeps the window no longer than the string it is compared with, minus the character still
// to come; also after that string was replaced by a shorter one.
static void SlideWindow(std::string& Window, std::int32_t Len) {
    const auto keep = static_cast<std::size_t>(std::max<std::int32_t>(Len - 1, 0));
    if (Window.size() > keep) Window.erase(0, Window.size() - keep);
}

void TVaCapture::Step(unsigned char c) {
    if (Level == 0) {
        Prefix += static_cast<char>(c);
        if (StartLen == 0 || Prefix == StartCtrl) {
            Level = 1;
            Prefix.clear();
            Buffer.clear();
            Head = 0;
            // without a start string the first character after a message begins the next
            if (StartLen == 0) Buffer += static_cast<char>(c);
            TrimBuffer();
        } else {
            SlideWindow(Prefix, StartLen);
        }
        return;
    }
    Prefix += static_cast<char>(c);
    if (FinishLen > 0 && Prefix == FinishCtrl) {
        Level = 0;
        Prefix.clear();
        Deliver();
        return;
    }
    SlideWindow(Prefix, FinishLen);
    Buffer += static_cast<char>(c);
    TrimBuffer();
}

void TVaCapture::TrimBuffer() {
    // The oldest characters go, the newest MaxMsgLen stay. Dropping moves a start index; the
    // storage is compacted only now and then, so a flood without line ends stays cheap.
    const auto max = static_cast<std::size_t>(std::max<std::int32_t>(FMaxMsgLen, 0));
    if (Buffer.size() - Head > max) Head = Buffer.size() - max;
    if (Head > 4096 && Head * 2 > Buffer.size()) {
        Buffer.erase(0, Head);
        Head = 0;
    }
}

void TVaCapture::Deliver() {
    std::string message = Buffer.substr(Head);
    Buffer.clear();
    Head = 0;
    if (!FOnMessage) return;
    try {
        FOnMessage(*this, message);
    } catch (...) {
        ReportCurrentException();
    }
}
