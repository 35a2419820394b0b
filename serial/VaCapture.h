#pragma once
// Message capture: cuts the received byte stream into messages between a start string and a
// finish string and hands each complete message to OnMessage.

#include "serial/VaClient.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class TVaCapture;
using TVaCaptureMsgEvent = std::function<void(TVaCapture& Sender, const std::string& Data)>;

// Caret notation: "^M" is CR, "^J" is LF; see the tests for the corner cases.
std::string CaretToCtrl(std::string_view S);

class TVaCapture : public TVaCommComponent {
public:
    const std::string& DataStart() const { return FDataStart; }
    void SetDataStart(std::string_view Value);
    const std::string& DataFinish() const { return FDataFinish; }
    void SetDataFinish(std::string_view Value);
    std::int32_t MaxMsgLen() const { return FMaxMsgLen; }
    void SetMaxMsgLen(std::int32_t Value) { FMaxMsgLen = Value; }
    bool Active() { return Dispatcher().Active(); }
    void SetActive(bool Value) { Dispatcher().SetActive(Value); }
    void SetOnMessage(TVaCaptureMsgEvent Handler) { FOnMessage = std::move(Handler); }

    void Reset();

    // The data entry point: the port calls it with every received chunk.
    void HandleCommData(PVaData Data, int Count) override;

private:
    void Step(unsigned char c);
    void TrimBuffer();
    void Deliver();

    std::string FDataStart, FDataFinish;
    std::string StartCtrl, FinishCtrl;
    std::int32_t StartLen = 0, FinishLen = 0;
    std::int32_t FMaxMsgLen = 999;
    TVaCaptureMsgEvent FOnMessage;

    std::int32_t Level = 0; // 0 seeking the start string, 1 collecting a message
    std::string Prefix;
    std::string Buffer; // the message is Buffer from Head on
    std::size_t Head = 0;
};
