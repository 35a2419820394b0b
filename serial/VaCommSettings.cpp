#include "serial/VaCommSettings.h"

std::uint32_t VaBaudrateValue(TVaBaudrate B) {
    static constexpr std::uint32_t rates[] = {0,     110,    300,    600,   1200,  2400,
                                              4800,  9600,   14400,  19200, 38400, 56000,
                                              57600, 115200, 128000, 256000};
    const auto i = static_cast<unsigned>(B);
    return i < sizeof rates / sizeof rates[0] ? rates[i] : 0;
}

std::uint32_t VaEventBit(TVaCommEvent E) {
    switch (E) {
    case ceBreak:
        return VaEv::Break;
    case ceCts:
        return VaEv::Cts;
    case ceDsr:
        return VaEv::Dsr;
    case ceError:
        return VaEv::Error;
    case ceRing:
        return VaEv::Ring;
    case ceRlsd:
        return VaEv::Rlsd;
    case ceRxChar:
        return VaEv::RxChar;
    case ceTxEmpty:
        return VaEv::TxEmpty;
    case ceRxFlag:
        return VaEv::RxFlag;
    case cePErr:
        return VaEv::PErr;
    case ceRx80Full:
        return VaEv::Rx80Full;
    case ceEvent1:
        return VaEv::Event1;
    case ceEvent2:
        return VaEv::Event2;
    }
    return 0;
}

std::uint32_t VaEventBits(TVaCommEvents Events) {
    std::uint32_t bits = 0;
    for (int e = ceBreak; e <= ceEvent2; ++e)
        if (Events.Contains(static_cast<TVaCommEvent>(e)))
            bits |= VaEventBit(static_cast<TVaCommEvent>(e));
    return bits;
}

void TVaPersistent::EndUpdate() {
    if (FUpdateCount > 0) --FUpdateCount;
    Changed();
}

void TVaPersistent::Changed() {
    if (FUpdateCount == 0 && FOnChange) FOnChange();
}

void TVaBuffers::Set(std::int32_t& Field, std::int32_t V) {
    if (Field == V) return;
    Field = V;
    Changed();
}

void TVaBuffers::Assign(const TVaBuffers& Source) {
    BeginUpdate();
    FReadSize = Source.FReadSize;
    FWriteSize = Source.FWriteSize;
    FReadTimeout = Source.FReadTimeout;
    FWriteTimeout = Source.FWriteTimeout;
    FXonLimit = Source.FXonLimit;
    FXoffLimit = Source.FXoffLimit;
    EndUpdate();
}

void TVaEventChars::Set(char& Field, char V) {
    if (Field == V) return;
    Field = V;
    Changed();
}

void TVaEventChars::Assign(const TVaEventChars& Source) {
    BeginUpdate();
    FXonChar = Source.FXonChar;
    FXoffChar = Source.FXoffChar;
    FErrorChar = Source.FErrorChar;
    FEventChar = Source.FEventChar;
    FEofChar = Source.FEofChar;
    EndUpdate();
}

void TVaFlowControl::Assign(const TVaFlowControl& Source) {
    BeginUpdate();
    FOutCtsFlow = Source.FOutCtsFlow;
    FOutDsrFlow = Source.FOutDsrFlow;
    FControlDtr = Source.FControlDtr;
    FControlRts = Source.FControlRts;
    FXonXoffOut = Source.FXonXoffOut;
    FXonXoffIn = Source.FXonXoffIn;
    FDsrSensitivity = Source.FDsrSensitivity;
    FTxContinueOnXoff = Source.FTxContinueOnXoff;
    EndUpdate();
}
