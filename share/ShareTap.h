#pragma once
// A client of the serial port that hands every received chunk to the share hub, beside the
// window's own capture.

#include "serial/VaClient.h"
#include "share/ShareHub.h"

class TShareTap final : public TVaCommComponent {
public:
    explicit TShareTap(TShareHub& Hub) : FHub(Hub) {}
    ~TShareTap() override { SetComm(nullptr); }

    void HandleCommData(PVaData Data, int Count) override {
        if (Count > 0) FHub.Feed(Data, static_cast<std::size_t>(Count));
    }

private:
    TShareHub& FHub;
};
