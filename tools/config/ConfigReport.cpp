#include "tools/config/ConfigReport.h"

#include "control/ConfigRows.h"
#include "nmea/Framing.h"
#include "nmea/Latin1.h"
#include "tools/config/JsonReader.h"
#include "tools/config/ProfileJson.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr const char* kNotReported = "(not reported)";

std::string Padded(std::string S, std::size_t Width) {
    if (S.size() < Width) S.resize(Width, ' ');
    return S;
}

} // namespace

std::string TerminalText(std::string_view S) {
    for (std::size_t i = 0; i < S.size(); ++i) {
        const auto c = static_cast<unsigned char>(S[i]);
        const bool c1 =
            c == 0xC2 && i + 1 < S.size() && static_cast<unsigned char>(S[i + 1]) < 0xA0;
        if (c < 0x20 || c == 0x7F || c1) return JsonQuote(S);
    }
    return std::string(S);
}

std::string ConfigText(const TUnitConfig& C) {
    const auto rows = ConfigRows(C);
    std::size_t width = 0;
    for (const auto& r : rows) width = std::max(width, r.first.size());
    std::string out;
    for (const auto& [label, value] : rows)
        out += Padded(label, width + 2) + TerminalText(value) + "\n";
    return out;
}

std::vector<TChange> ConfigChanges(const TUnitConfig& Read, const TUnitConfig& ToWrite) {
    std::vector<TChange> changes;
    for (const std::string_view key : kProfileKeys) {
        const auto before = JsonValueOf(Read, key);
        const auto after = JsonValueOf(ToWrite, key);
        if (before == after) continue;
        changes.push_back(
            {std::string(key), before.value_or(kNotReported), after.value_or(kNotReported)});
    }
    return changes;
}

std::string ChangesText(const std::vector<TChange>& Changes) {
    if (Changes.empty()) return "No changes: the configuration is written as it was read.\n";
    std::size_t keyWidth = 0, oldWidth = 0;
    for (const TChange& c : Changes) {
        keyWidth = std::max(keyWidth, c.Key.size());
        oldWidth = std::max(oldWidth, c.Old.size());
    }
    std::string out = "Changes:\n";
    for (const TChange& c : Changes)
        out += "  " + Padded(c.Key, keyWidth + 2) + Padded(c.Old, oldWidth) + " -> " + c.New + "\n";
    return out;
}

std::string WireText(const std::string& Body) {
    std::string framed = FrameNMEA(Utf8ToLatin1(Body));
    framed.resize(framed.size() - 2); // without its CR LF
    return Latin1ToUtf8(framed);
}

std::string WriteStepsText(const TOwnShip& Own, const TUnitConfig& Fields) {
    std::string out;
    for (const TWriteStep& s : kWriteSteps) {
        std::string what = s.What;
        if (!what.empty())
            what[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(what[0])));
        out += what + (s.Awaited == rsIdle ? " (not confirmed by the transponder):\n" : ":\n");
        const TWireSequence w = WriteGroup(s.Step, Own, Fields);
        if (w.empty()) out += "  (nothing: no setting chosen)\n";
        for (const TWireStep& t : w)
            out += t.Body.empty() ? "  (pause " + std::to_string(t.PauseMs) + " ms)\n"
                                  : "  " + WireText(t.Body) + "\n";
    }
    return out;
}

std::string PlainLines(std::string Text) {
    std::string::size_type at = 0;
    while ((at = Text.find("\r\n", at)) != std::string::npos) Text.erase(at, 1);
    return Text;
}
