#include "targets/TargetExport.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>

std::string CsvField(std::string_view Text) {
    if (Text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(Text);
    std::string s = "\"";
    for (char c : Text) {
        if (c == '"') s += '"';
        s += c;
    }
    return s + '"';
}

std::string CsvLine(const std::vector<std::string>& Fields) {
    std::string line;
    for (std::size_t i = 0; i < Fields.size(); ++i) {
        if (i > 0) line += ',';
        line += CsvField(Fields[i]);
    }
    return line + "\r\n";
}

std::string IsoUtc(double Days) {
    constexpr double kUnixEpochDays = 25569.0;
    const double seconds = std::round((Days - kUnixEpochDays) * 86400);
    if (!(seconds >= 0 && seconds < 253402300800.0)) return {}; // 1970 to the end of 9999
    using namespace std::chrono;
    const sys_seconds t{std::chrono::seconds{static_cast<long long>(seconds)}};
    const auto day = floor<days>(t);
    const year_month_day ymd{day};
    const hh_mm_ss hms{t - day};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<int>(hms.hours().count()), static_cast<int>(hms.minutes().count()),
                  static_cast<int>(hms.seconds().count()));
    return buf;
}

std::string DegreesText(double Degrees, double MaxAbs) {
    if (!(std::abs(Degrees) <= MaxAbs)) return {};
    // to_chars: the user's locale never turns the point into a comma
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, Degrees, std::chars_format::fixed, 6);
    return std::string(buf, r.ptr);
}
