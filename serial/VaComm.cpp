#include "VaComm.h"

#include <algorithm>

TVaCustomComm::~TVaCustomComm() {
    while (!FClients.empty()) RemoveClient(FClients.back());
}

int TVaCustomComm::WriteBuf(const void*, int) { return 0; }
bool TVaCustomComm::WriteText(const std::string& S) {
    return WriteBuf(S.data(), static_cast<int>(S.size())) == static_cast<int>(S.size());
}
bool TVaCustomComm::WriteChar(char Ch) { return WriteBuf(&Ch, 1) == 1; }

void TVaCustomComm::InsertClient(TVaDispatcher* D) {
    D->FComm = this;
    FClients.push_back(D);
}

void TVaCustomComm::RemoveClient(TVaDispatcher* D) {
    auto it = std::find(FClients.begin(), FClients.end(), D);
    if (it == FClients.end()) return;
    D->FComm = nullptr;
    FClients.erase(it);
}
