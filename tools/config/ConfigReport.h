#pragma once
// What corvane-config prints: a configuration as aligned text, the changes a write makes, and
// the sentences it would send.

#include "control/OwnShip.h"
#include "control/Protocol.h"
#include "control/UnitConfig.h"

#include <string>
#include <string_view>
#include <vector>

// A text from the line, fit for a terminal: as it is, or, when it holds a control character (an
// escape sequence, C1 included), quoted and escaped as a JSON string so that it is shown
// instead of being acted on.
std::string TerminalText(std::string_view S);

// One line per setting, in the order of the JSON keys; settings not reported say so.
std::string ConfigText(const TUnitConfig& C);

struct TChange {
    std::string Key;
    std::string Old, New; // as JSON values; "(not reported)" for a setting not read
};
// The settings whose value differs between what was read and what will be written.
std::vector<TChange> ConfigChanges(const TUnitConfig& Read, const TUnitConfig& ToWrite);
// "Changes:" and one aligned "key  old -> new" line each, or a line saying there are none.
std::string ChangesText(const std::vector<TChange>& Changes);

// The sentence as it goes on the line, without CR LF: "$" + body + "*" + checksum, the checksum
// over the bytes the line carries (ISO 8859-1), the text shown in UTF-8.
std::string WireText(const std::string& Body);

// The write steps' groups as Save would send them: each step's name, its sentences and pauses.
std::string WriteStepsText(const TOwnShip& Own, const TUnitConfig& Fields);

// The window's texts use CR LF between lines; a terminal wants LF.
std::string PlainLines(std::string Text);
