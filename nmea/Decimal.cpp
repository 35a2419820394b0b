#include "nmea/Decimal.h"

#include <charconv>
#include <cmath>

namespace {
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
} // namespace

bool ReadDecimal(std::string_view S, double& V) {
    std::size_t i = 0;
    if (i < S.size() && (S[i] == '-' || S[i] == '+')) ++i;
    const std::size_t digits = i;
    while (i < S.size() && IsDigit(S[i])) ++i;
    if (i == digits) return false;
    if (i < S.size() && S[i] == '.') {
        const std::size_t frac = ++i;
        while (i < S.size() && IsDigit(S[i])) ++i;
        if (i == frac) return false;
    }
    if (i != S.size()) return false;
    if (S[0] == '+') S.remove_prefix(1); // from_chars takes no plus sign
    double v = 0;
    const auto r = std::from_chars(S.data(), S.data() + S.size(), v);
    if (r.ec != std::errc() || !std::isfinite(v)) return false;
    V = v;
    return true;
}

bool ReadWholeNumber(std::string_view S, int& V) {
    std::size_t i = 0;
    bool negative = false;
    if (i < S.size() && (S[i] == '+' || S[i] == '-')) negative = S[i++] == '-';
    if (i == S.size()) return false;
    long long v = 0;
    for (; i < S.size(); ++i) {
        if (!IsDigit(S[i])) return false;
        v = v * 10 + (S[i] - '0');
        if (v > 2147483648LL) return false;
    }
    if (negative) v = -v;
    if (v > 2147483647LL) return false;
    V = static_cast<int>(v);
    return true;
}

std::string FixedDecimals(double V, int Decimals) {
    char buf[400]; // room for the largest double written out in full
    const auto r = std::to_chars(buf, buf + sizeof buf, V, std::chars_format::fixed, Decimals);
    std::string s(buf, r.ptr);
    if (s.find_first_not_of("-0.") == std::string::npos && s[0] == '-') s.erase(0, 1);
    return s;
}
