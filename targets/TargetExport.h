#pragma once
// The target list as CSV (RFC 4180: fields with a comma, quote or line break are quoted,
// quotes doubled, lines end in CR LF), texts in UTF-8.

#include <string>
#include <string_view>
#include <vector>

std::string CsvField(std::string_view Text);
std::string CsvLine(const std::vector<std::string>& Fields);

// UTC days since 1899-12-30 as ISO 8601 to the second: "2025-12-10T12:00:05Z"; empty for a
// time before 1970 or beyond 9999 (a target that never reported has none).
std::string IsoUtc(double Days);

// Signed decimal degrees with six decimals, as the decoder gives them; empty when beyond
// MaxAbs (90 or 180: AIS's not-available 91 and 181 included).
std::string DegreesText(double Degrees, double MaxAbs);
