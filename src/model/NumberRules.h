#pragma once

#include <string>
#include <string_view>

namespace vq3::model {

// Number rules shared by the program editor, the program file and the unit settings file.
// Well-formed: empty (value 0), or optional leading white space, optional sign, the number
// and nothing after it. An integer is decimal digits; a decimal is digits with at most one
// point and at least one digit, optionally followed by e, E, d or D, an optional sign and
// digits. A value too large to represent is out of range.
enum class NumberCheck { Ok, Malformed, OutOfRange };

struct IntegerValue {
    NumberCheck check = NumberCheck::Ok;
    long long value = 0;
};

struct DecimalValue {
    NumberCheck check = NumberCheck::Ok;
    double value = 0.0;
};

IntegerValue ParseRuleInteger(std::string_view text);
DecimalValue ParseRuleDecimal(std::string_view text);

// The C library's conversions (strtod, strtol base 10) as the operator dialogs use them:
// decimal grammar only, C locale whatever the process locale, with a leftover check.
// An empty text converts to 0 with nothing left over; text with no number leaves it all.
struct DecimalConversion {
    double value = 0.0;
    bool leftover = false;
};
DecimalConversion ConvertDecimal(std::string_view text);

// Base 10, clamped to the 32-bit signed range as strtol does on the unit's host.
struct IntegerConversion {
    long long value = 0;
    bool leftover = false;
};
IntegerConversion ConvertInteger32(std::string_view text);

// printf-style formatting in the C locale: FormatFixed(12.34, 1, 5) is "%05.1f" -> "012.3",
// FormatFixed(v, 2) is "%.2f", FormatInt(5, 3) is "%03d" -> "005". Rounds to nearest as printf.
std::string FormatFixed(double value, int decimals, int zeroPadWidth = 0);
std::string FormatInt(long long value, int zeroPadWidth = 0);

} // namespace vq3::model
