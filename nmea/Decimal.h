#pragma once
// Reading decimal numbers from received and decoded texts, "." as separator in every locale.

#include <string>
#include <string_view>

// Strict decimal number: optional sign, digits, optionally "." and digits; nothing else (no
// blanks, exponents, "inf" or "nan"). False, with V untouched, for anything else.
bool ReadDecimal(std::string_view S, double& V);

// Whole number: optional sign and digits, within 32 bits. False, with V untouched, otherwise.
bool ReadWholeNumber(std::string_view S, int& V);

// V with Decimals decimals, "." as separator in every locale (a Qt program runs under the
// user's); a result that reads as zero has no sign ("0.0", not "-0.0").
std::string FixedDecimals(double V, int Decimals);
