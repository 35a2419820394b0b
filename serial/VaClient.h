#pragma once
// How a component attaches to a serial port as a client: the client interface, the
// per-client link object the port keeps in its list, and the base class of such clients.

#include <cstdint>
#include <string>

using PVaData = const std::uint8_t*;

class TVaCustomComm;
class TVaComm;

class IVaCommUser {
public:
    virtual void HandleCommEvent(std::uint32_t Events) = 0;
    virtual void HandleCommData(PVaData Data, int Count) = 0;

protected:
    ~IVaCommUser() = default; // a reference never owns the component behind it
};

class TVaDispatcher {
public:
    explicit TVaDispatcher(IVaCommUser* Owner) : FOwner(Owner) {}
    ~TVaDispatcher(); // leaves the port's client list
    TVaDispatcher(const TVaDispatcher&) = delete;
    TVaDispatcher& operator=(const TVaDispatcher&) = delete;

    bool Active() const { return FActive; }
    void SetActive(bool Value) { FActive = Value; }
    TVaCustomComm* Comm() const { return FComm; }
    IVaCommUser* Owner() const { return FOwner; }

    // Forwarded to the port; without one the writes send nothing.
    int WriteBuf(const void* Buf, int Count);
    bool WriteText(const std::string& S);
    bool WriteChar(char Ch);
    void PurgeRead();
    void PurgeWrite();
    void PurgeReadWrite();
    void SetDTRState(bool Value);

private:
    friend class TVaCustomComm; // InsertClient and RemoveClient set FComm
    bool FActive = true;
    TVaCustomComm* FComm = nullptr;
    IVaCommUser* FOwner;
};

// Base of non-visual comm clients.
class TVaCommComponent : public IVaCommUser {
public:
    TVaCommComponent() : FDispatcher(this) {}
    virtual ~TVaCommComponent();
    TVaCommComponent(const TVaCommComponent&) = delete;
    TVaCommComponent& operator=(const TVaCommComponent&) = delete;

    // None once the port has dropped this client, e.g. when the port was destroyed.
    TVaComm* Comm() const;
    void SetComm(TVaComm* Value);

    TVaDispatcher& Dispatcher() { return FDispatcher; }

    void HandleCommData(PVaData Data, int Count) override;
    void HandleCommEvent(std::uint32_t Events) override;

private:
    TVaComm* FComm = nullptr;
    TVaDispatcher FDispatcher;
};
