#pragma once
// Enumerations and settings objects of the serial port component.

#include <cstdint>
#include <functional>
#include <initializer_list>

enum TVaBaudrate {
    brUser,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
// The bit rate a named value stands for; 0 for brUser.
std::uint32_t VaBaudrateValue(TVaBaudrate B);

enum TVaParity { paNone, paOdd, paEven, paMark, paSpace };
enum TVaDatabits { db4, db5, db6, db7, db8 };
enum TVaStopbits { sb1, sb15, sb2 };
enum TVaCommOption { coErrorChar, coNullStrip, coParityCheck };
enum TVaControlDtr { dtrDisabled, dtrEnabled, dtrHandshake };
enum TVaControlRts { rtsDisabled, rtsEnabled, rtsHandshake, rtsToggle };
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// In enumeration order; the bit each stands for in event masks is VaEventBit's.
enum TVaCommEvent {
    ceBreak,
    ceCts,
    ceDsr,
    ceError,
    ceRing,
    ceRlsd,
    ceRxChar,
    ceTxEmpty,
    ceRxFlag,
    cePErr,
    ceRx80Full,
    ceEvent1,
    ceEvent2
};

// Event bits of the masks passed to HandleCommEvent and the port's handlers.
namespace VaEv {
inline constexpr std::uint32_t RxChar = 0x0001;
inline constexpr std::uint32_t RxFlag = 0x0002;
inline constexpr std::uint32_t TxEmpty = 0x0004;
inline constexpr std::uint32_t Cts = 0x0008;
inline constexpr std::uint32_t Dsr = 0x0010;
inline constexpr std::uint32_t Rlsd = 0x0020;
inline constexpr std::uint32_t Break = 0x0040;
inline constexpr std::uint32_t Error = 0x0080;
inline constexpr std::uint32_t Ring = 0x0100;
inline constexpr std::uint32_t PErr = 0x0200;
inline constexpr std::uint32_t Rx80Full = 0x0400;
inline constexpr std::uint32_t Event1 = 0x0800;
inline constexpr std::uint32_t Event2 = 0x1000;
} // namespace VaEv

std::uint32_t VaEventBit(TVaCommEvent E);

// Line error flags reported by the status query and OnError.
namespace VaLineError {
inline constexpr std::uint32_t RxOver = 0x0001; // input queue overflow
inline constexpr std::uint32_t Overrun = 0x0002;
inline constexpr std::uint32_t RxParity = 0x0004;
inline constexpr std::uint32_t Frame = 0x0008;
inline constexpr std::uint32_t Break = 0x0010;
} // namespace VaLineError

// A set of enumeration values, as the properties use them.
template <class E> class TVaSet {
public:
    constexpr TVaSet() = default;
    constexpr TVaSet(std::initializer_list<E> Values) {
        for (E v : Values) Include(v);
    }
    constexpr bool Contains(E V) const { return (FBits >> static_cast<unsigned>(V)) & 1u; }
    constexpr TVaSet& Include(E V) {
        FBits |= 1u << static_cast<unsigned>(V);
        return *this;
    }
    constexpr TVaSet& Exclude(E V) {
        FBits &= ~(1u << static_cast<unsigned>(V));
        return *this;
    }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr bool operator==(const TVaSet&) const = default;

private:
    std::uint32_t FBits = 0;
};

using TVaCommOptions = TVaSet<TVaCommOption>;
using TVaCommEvents = TVaSet<TVaCommEvent>;

// The union of the bits of the members.
std::uint32_t VaEventBits(TVaCommEvents Events);

// Base of the settings objects: changes are reported to OnChange while no update is open.
class TVaPersistent {
public:
    virtual ~TVaPersistent() = default;
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    void SetOnChange(std::function<void()> Handler) { FOnChange = std::move(Handler); }

protected:
    void Changed();

private:
    int FUpdateCount = 0;
    std::function<void()> FOnChange;
};

// Queue sizes, time-outs and handshake limits, each 0 to 2147483647.
class TVaBuffers : public TVaPersistent {
public:
    std::int32_t ReadSize() const { return FReadSize; }
    void SetReadSize(std::int32_t V) { Set(FReadSize, V); }
    std::int32_t WriteSize() const { return FWriteSize; }
    void SetWriteSize(std::int32_t V) { Set(FWriteSize, V); }
    // The time-outs may change at any time and take effect at their next use.
    std::int32_t ReadTimeout() const { return FReadTimeout; }
    void SetReadTimeout(std::int32_t V) { FReadTimeout = V; }
    std::int32_t WriteTimeout() const { return FWriteTimeout; }
    void SetWriteTimeout(std::int32_t V) { FWriteTimeout = V; }
    std::int32_t XonLimit() const { return FXonLimit; }
    void SetXonLimit(std::int32_t V) { Set(FXonLimit, V); }
    std::int32_t XoffLimit() const { return FXoffLimit; }
    void SetXoffLimit(std::int32_t V) { Set(FXoffLimit, V); }

    void Assign(const TVaBuffers& Source);

private:
    void Set(std::int32_t& Field, std::int32_t V);
    std::int32_t FReadSize = 4096, FWriteSize = 2048, FReadTimeout = 1000, FWriteTimeout = 1000,
                 FXonLimit = 1024, FXoffLimit = 1024;
};

class TVaEventChars : public TVaPersistent {
public:
    char XonChar() const { return FXonChar; }
    void SetXonChar(char V) { Set(FXonChar, V); }
    char XoffChar() const { return FXoffChar; }
    void SetXoffChar(char V) { Set(FXoffChar, V); }
    char ErrorChar() const { return FErrorChar; }
    void SetErrorChar(char V) { Set(FErrorChar, V); }
    char EventChar() const { return FEventChar; }
    void SetEventChar(char V) { Set(FEventChar, V); }
    // The device's end-of-file character follows EventChar; what is written here is kept
    // but reaches neither the reading nor the device.
    char EofChar() const { return FEventChar; }
    void SetEofChar(char V) { FEofChar = V; }

    void Assign(const TVaEventChars& Source);

private:
    void Set(char& Field, char V);
    char FXonChar = 17, FXoffChar = 19, FErrorChar = 0, FEventChar = 0, FEofChar = 0;
};

class TVaFlowControl : public TVaPersistent {
public:
    bool OutCtsFlow() const { return FOutCtsFlow; }
    void SetOutCtsFlow(bool V) { Set(FOutCtsFlow, V); }
    bool OutDsrFlow() const { return FOutDsrFlow; }
    void SetOutDsrFlow(bool V) { Set(FOutDsrFlow, V); }
    TVaControlDtr ControlDtr() const { return FControlDtr; }
    void SetControlDtr(TVaControlDtr V) { Set(FControlDtr, V); }
    TVaControlRts ControlRts() const { return FControlRts; }
    void SetControlRts(TVaControlRts V) { Set(FControlRts, V); }
    bool XonXoffOut() const { return FXonXoffOut; }
    void SetXonXoffOut(bool V) { Set(FXonXoffOut, V); }
    bool XonXoffIn() const { return FXonXoffIn; }
    void SetXonXoffIn(bool V) { Set(FXonXoffIn, V); }
    bool DsrSensitivity() const { return FDsrSensitivity; }
    void SetDsrSensitivity(bool V) { Set(FDsrSensitivity, V); }
    bool TxContinueOnXoff() const { return FTxContinueOnXoff; }
    void SetTxContinueOnXoff(bool V) { Set(FTxContinueOnXoff, V); }

    void Assign(const TVaFlowControl& Source);

private:
    template <class T> void Set(T& Field, T V) {
        if (Field == V) return;
        Field = V;
        Changed();
    }
    bool FOutCtsFlow = false, FOutDsrFlow = false;
    TVaControlDtr FControlDtr = dtrDisabled;
    TVaControlRts FControlRts = rtsDisabled;
    bool FXonXoffOut = false, FXonXoffIn = false, FDsrSensitivity = false,
         FTxContinueOnXoff = false;
};
