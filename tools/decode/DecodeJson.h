#pragma once
// One JSON line per accepted VDM/VDO sentence, as corvane-decode prints it.

#include "ais/AIS_Codec.h"

#include <string>
#include <string_view>

class TDecodeJson {
public:
    // Parses one input line (without its line end) as the capture delivers a sentence and,
    // when it completes a message, appends its JSON object and a newline to Out.
    // Returns true when something was appended.
    bool AddLine(std::string_view Line, long LineNo, std::string& Out);

private:
    TMsg5_setup FSetup; // one joining state for the whole run, as in the tool
    std::string FSentence;
    T_NMEA_VD FVD;
};
