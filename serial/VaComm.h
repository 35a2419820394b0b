#pragma once
// Serial port component. (Placeholder: only the client list and the transfer entry points
// that clients forward to; the device, its settings and threads follow.)

#include "VaClient.h"

#include <string>
#include <vector>

class TVaCustomComm {
public:
    TVaCustomComm() = default;
    virtual ~TVaCustomComm();
    TVaCustomComm(const TVaCustomComm&) = delete;
    TVaCustomComm& operator=(const TVaCustomComm&) = delete;

    bool Active() const { return false; }

    int WriteBuf(const void* Buf, int Count);
    bool WriteText(const std::string& S);
    bool WriteChar(char Ch);
    void PurgeRead() {}
    void PurgeWrite() {}
    void PurgeReadWrite() {}
    void SetDTR(bool) {}

    void InsertClient(TVaDispatcher* D);
    void RemoveClient(TVaDispatcher* D);
    void EnableControls() { FControlsEnabled = true; }
    void DisableControls() { FControlsEnabled = false; }

protected:
    std::vector<TVaDispatcher*> FClients;
    bool FControlsEnabled = true;
};

class TVaComm : public TVaCustomComm {};
