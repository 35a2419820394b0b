#include "serial/VaClient.h"

#include "serial/VaComm.h"

TVaDispatcher::~TVaDispatcher() {
    if (FComm != nullptr) FComm->RemoveClient(this);
}

int TVaDispatcher::WriteBuf(const void* Buf, int Count) {
    return FComm != nullptr ? FComm->WriteBuf(Buf, Count) : 0;
}

bool TVaDispatcher::WriteText(const std::string& S) {
    return FComm != nullptr && FComm->WriteText(S);
}

bool TVaDispatcher::WriteChar(char Ch) {
    return FComm != nullptr && FComm->WriteChar(Ch);
}

void TVaDispatcher::PurgeRead() {
    if (FComm != nullptr) FComm->PurgeRead();
}

void TVaDispatcher::PurgeWrite() {
    if (FComm != nullptr) FComm->PurgeWrite();
}

void TVaDispatcher::PurgeReadWrite() {
    if (FComm != nullptr) FComm->PurgeReadWrite();
}

void TVaDispatcher::SetDTRState(bool Value) {
    if (FComm != nullptr) FComm->SetDTR(Value);
}

TVaCommComponent::~TVaCommComponent() = default; // the dispatcher detaches itself

TVaComm* TVaCommComponent::Comm() const {
    return FDispatcher.Comm() != nullptr ? FComm : nullptr;
}

void TVaCommComponent::SetComm(TVaComm* Value) {
    if (TVaComm* previous = Comm()) previous->RemoveClient(&FDispatcher);
    FComm = Value;
    if (Value != nullptr) Value->InsertClient(&FDispatcher);
}

void TVaCommComponent::HandleCommData(PVaData, int) {}
void TVaCommComponent::HandleCommEvent(std::uint32_t) {}
