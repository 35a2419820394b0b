#include "tools/config/CheckReport.h"

#include "tools/config/ConfigReport.h"
#include "tools/config/JsonReader.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

std::string Padded(std::string S, std::size_t Width) {
    if (S.size() < Width) S.resize(Width, ' ');
    return S;
}

// Length of the valid UTF-8 sequence at S[I] (no overlong form, no surrogate, nothing past
// U+10FFFF), or 0.
std::size_t SequenceLength(std::string_view S, std::size_t I) {
    const auto b = static_cast<unsigned char>(S[I]);
    if (b < 0x80) return 1;
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF; // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (I + n > S.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(S[I + k]);
        if (c < (k == 1 ? lo : 0x80) || c > (k == 1 ? hi : 0xBF)) return 0;
    }
    return n;
}

// Text of the unit or of a check for the terminal: valid UTF-8, control characters quoted.
std::string Shown(std::string_view S) {
    return TerminalText(Utf8Clean(S));
}

std::string Number(double V) {
    if (!std::isfinite(V) || V < 0) V = 0;
    V = std::round(V * 100) / 100; // a hundredth of a mile is plenty; no 17-digit tails
    char b[64];
    const auto r = std::to_chars(b, b + sizeof b, V);
    return std::string(b, r.ptr);
}

std::string Str(std::string_view S) {
    return JsonQuote(Utf8Clean(S));
}

std::string TimeText(std::time_t T, bool Utc) {
    std::tm tm{};
    if ((Utc ? gmtime_r(&T, &tm) : localtime_r(&T, &tm)) == nullptr) return "unknown";
    char b[80];
    const std::size_t n =
        std::strftime(b, sizeof b, Utc ? "%Y-%m-%d %H:%M:%S UTC" : "%Y-%m-%d %H:%M:%S %Z", &tm);
    return n > 0 ? std::string(b, n) : "unknown";
}

} // namespace

TScaledClock::TScaledClock(TUtcClock Real, double Scale)
    : FReal(std::move(Real)), FScale(Scale), FBase(FReal()) {}

double TScaledClock::Now() const {
    return FBase + (FReal() - FBase) * FScale;
}

std::string Utf8Clean(std::string_view S) {
    std::string out;
    out.reserve(S.size());
    for (std::size_t i = 0; i < S.size();) {
        const std::size_t n = SequenceLength(S, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(S.substr(i, n));
            i += n;
        }
    }
    return out;
}

std::string CheckText(const std::vector<TCheck>& Checks) {
    std::size_t titleWidth = 0, verdictWidth = 0;
    for (const TCheck& c : Checks) titleWidth = std::max(titleWidth, Shown(c.Title).size());
    for (const TVerdict v : {TVerdict::Waiting, TVerdict::OK, TVerdict::Check, TVerdict::Fault})
        verdictWidth = std::max(verdictWidth, VerdictText(v).size());
    const std::size_t column = titleWidth + 2 + verdictWidth + 2;
    std::string out;
    for (const TCheck& c : Checks) {
        out += Padded(Shown(c.Title), titleWidth + 2) +
               Padded(std::string(VerdictText(c.Verdict)), verdictWidth + 2) + Shown(c.Figures);
        while (!out.empty() && out.back() == ' ') out.pop_back(); // no figures: no tail
        out += "\n";
        if (c.Verdict != TVerdict::OK && !c.Advice.empty())
            out += std::string(column, ' ') + Shown(c.Advice) + "\n";
    }
    return out;
}

std::string CheckProgress(double Listened, int Seconds, const std::vector<TCheck>& Checks) {
    const auto count = [&](TVerdict V) {
        return std::to_string(std::count_if(Checks.begin(), Checks.end(),
                                            [V](const TCheck& C) { return C.Verdict == V; }));
    };
    const long long shown =
        std::clamp(static_cast<long long>(Listened), 0LL, static_cast<long long>(Seconds));
    return "listening " + std::to_string(shown) + "/" + std::to_string(Seconds) +
           " s: " + count(TVerdict::OK) + " OK, " + count(TVerdict::Check) + " check, " +
           count(TVerdict::Fault) + " fault, " + count(TVerdict::Waiting) + " waiting";
}

std::string CheckJson(const TInstallReport& R, const std::string& ConfigObject) {
    // The configuration's own object, one level in.
    std::string config = ConfigObject;
    while (!config.empty() && (config.back() == '\n' || config.back() == ' ')) config.pop_back();
    if (config.empty()) config = "{}";
    for (std::size_t at = 0; (at = config.find('\n', at)) != std::string::npos; at += 3)
        config.insert(at + 1, "  ");

    std::string out = "{\n";
    out += "  \"tool\": " + Str(R.Tool) + ",\n";
    out += "  \"utc_time\": " + Str(R.UtcTime) + ",\n";
    out += "  \"local_time\": " + Str(R.LocalTime) + ",\n";
    out += "  \"port\": " + Str(R.Port) + ",\n";
    out += "  \"listened_seconds\": " + Number(R.ListenedSeconds) + ",\n";
    out += std::string("  \"ok\": ") + (NoFault(R.Checks) ? "true" : "false") + ",\n";
    out += "  \"config\": " + config + ",\n";
    out += "  \"config_rows\": [";
    for (std::size_t i = 0; i < R.Config.size(); ++i)
        out += std::string(i ? ",\n    " : "\n    ") + "[" + Str(R.Config[i].first) + ", " +
               Str(R.Config[i].second) + "]";
    out += R.Config.empty() ? "],\n" : "\n  ],\n";
    out += "  \"checks\": [";
    for (std::size_t i = 0; i < R.Checks.size(); ++i) {
        const TCheck& c = R.Checks[i];
        out += std::string(i ? ",\n    " : "\n    ") + "{\"id\": " + Str(c.Id) +
               ", \"title\": " + Str(c.Title) + ", \"verdict\": " + Str(VerdictText(c.Verdict)) +
               ", \"figures\": " + Str(c.Figures) + ", \"advice\": " + Str(c.Advice) + "}";
    }
    out += R.Checks.empty() ? "],\n" : "\n  ],\n";
    out += "  \"coverage\": {\"sectors_nm\": [";
    for (std::size_t i = 0; i < R.Coverage.FarthestNm.size(); ++i)
        out += (i ? ", " : "") + Number(R.Coverage.FarthestNm[i]);
    out += "], \"farthest_a_nm\": " + Number(R.Coverage.FarthestA) +
           ", \"farthest_b_nm\": " + Number(R.Coverage.FarthestB) + "}\n";
    out += "}\n";
    return out;
}

std::string UtcTimeText(std::time_t T) {
    return TimeText(T, true);
}

std::string LocalTimeText(std::time_t T) {
    return TimeText(T, false);
}

bool IsHtmlName(std::string_view File) {
    const auto endsWith = [&](std::string_view Suffix) {
        if (File.size() < Suffix.size()) return false;
        const std::string_view tail = File.substr(File.size() - Suffix.size());
        return std::equal(tail.begin(), tail.end(), Suffix.begin(), [](char A, char B) {
            return (A >= 'A' && A <= 'Z' ? static_cast<char>(A - 'A' + 'a') : A) == B;
        });
    };
    return endsWith(".html") || endsWith(".htm");
}
