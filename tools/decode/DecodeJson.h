#pragma once
// One JSON line per accepted VDM/VDO message, as corvane-decode prints it.

#include "ais/AIS_Codec.h"

#include <string>
#include <string_view>

class TDecodeJson {
public:
    // Parses one input line (without its line end) as the capture delivers a sentence and,
    // for each message it completes, appends its JSON object and a newline to Out (two only
    // when the line ends one message of the tool's kinds and one of the others).
    // Returns true when something was appended.
    bool AddLine(std::string_view Line, long LineNo, std::string& Out);

private:
    TMsg5_setup FSetup; // one joining state for the whole run, as in the tool
    std::string FSentence;
    T_NMEA_VD FVD;
    // The kinds beyond the tool's (4, 9, 11, 12, 14, 19, 21), joined from any number of sentences.
    TAisJoin FJoin;
    TAisMessage FMsg;
};
