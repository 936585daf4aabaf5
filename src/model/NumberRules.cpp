#include "model/NumberRules.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>

// Everything here works on the characters alone: the C library's strtod, strtol and printf
// follow the process locale (a German desktop reads "12,5" and prints "12,5"), while the
// unit, the files and the fields always use the C locale.

namespace vq3::model {

namespace {

constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

size_t SkipWhiteSpace(std::string_view text, size_t pos) {
    while (pos < text.size() && kWhiteSpace.find(text[pos]) != std::string_view::npos)
        ++pos;
    return pos;
}

size_t SkipDigits(std::string_view text, size_t pos) {
    while (pos < text.size() && IsDigit(text[pos]))
        ++pos;
    return pos;
}

// The pieces of a number as strtod would take it from `pos`: sign, digits with at most one
// point, and an exponent only when it is complete (letter, optional sign, one digit or more).
struct ScannedNumber {
    bool found = false;
    bool negative = false;
    std::string_view integerDigits;
    std::string_view fractionDigits;
    bool exponentNegative = false;
    std::string_view exponentDigits;
    size_t end = 0; // one past the last character taken
};

ScannedNumber ScanNumber(std::string_view text, size_t pos, bool pointAllowed,
                         std::string_view exponentLetters) {
    ScannedNumber number;
    pos = SkipWhiteSpace(text, pos);
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        number.negative = text[pos] == '-';
        ++pos;
    }
    size_t digitsEnd = SkipDigits(text, pos);
    number.integerDigits = text.substr(pos, digitsEnd - pos);
    pos = digitsEnd;
    if (pointAllowed && pos < text.size() && text[pos] == '.') {
        digitsEnd = SkipDigits(text, pos + 1);
        number.fractionDigits = text.substr(pos + 1, digitsEnd - pos - 1);
        if (!number.integerDigits.empty() || !number.fractionDigits.empty())
            pos = digitsEnd;
    }
    if (number.integerDigits.empty() && number.fractionDigits.empty())
        return number; // no number at all
    number.found = true;
    number.end = pos;

    if (pos < text.size() && exponentLetters.find(text[pos]) != std::string_view::npos) {
        size_t at = pos + 1;
        bool negative = false;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
            negative = text[at] == '-';
            ++at;
        }
        const size_t exponentEnd = SkipDigits(text, at);
        if (exponentEnd > at) {
            number.exponentNegative = negative;
            number.exponentDigits = text.substr(at, exponentEnd - at);
            number.end = exponentEnd;
        }
    }
    return number;
}

// The exponent as a number, saturated far beyond any double's range.
long long ExponentValue(const ScannedNumber& number) {
    constexpr long long kLimit = 1'000'000'000;
    long long exponent = 0;
    for (char c : number.exponentDigits) {
        exponent = std::min(kLimit, exponent * 10 + (c - '0'));
    }
    return number.exponentNegative ? -exponent : exponent;
}

struct DecimalOutcome {
    double value = 0.0;
    bool overflow = false;
};

DecimalOutcome ToDouble(const ScannedNumber& number) {
    const long long exponent = ExponentValue(number);
    std::string normal;
    normal.reserve(number.integerDigits.size() + number.fractionDigits.size() + 16);
    if (number.negative)
        normal += '-';
    normal += number.integerDigits.empty() ? std::string_view("0") : number.integerDigits;
    if (!number.fractionDigits.empty()) {
        normal += '.';
        normal += number.fractionDigits;
    }
    normal += 'e';
    std::array<char, 24> exponentText{};
    const auto written =
        std::to_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);
    normal.append(exponentText.data(), written.ptr);

    DecimalOutcome outcome;
    double value = 0.0;
    const auto [end, error] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    (void)end;
    if (error == std::errc()) {
        outcome.value = value;
        return outcome;
    }
    // Out of range either way: find the position of the first significant digit to tell a
    // number too large from one too close to zero.
    long long magnitude = 0;
    const size_t firstSignificant = number.integerDigits.find_first_not_of('0');
    if (firstSignificant != std::string_view::npos) {
        magnitude = static_cast<long long>(number.integerDigits.size() - firstSignificant);
    } else {
        const size_t inFraction = number.fractionDigits.find_first_not_of('0');
        magnitude = inFraction == std::string_view::npos
                        ? std::numeric_limits<int>::min() // all zeros
                        : -static_cast<long long>(inFraction);
    }
    if (magnitude + exponent > 0) {
        outcome.overflow = true;
        outcome.value = number.negative ? -HUGE_VAL : HUGE_VAL;
    } else {
        outcome.value = number.negative ? -0.0 : 0.0;
    }
    return outcome;
}

struct IntegerOutcome {
    long long value = 0;
    bool overflow = false;
};

IntegerOutcome ToLongLong(const ScannedNumber& number) {
    std::string normal;
    if (number.negative)
        normal += '-';
    normal += number.integerDigits;
    IntegerOutcome outcome;
    const auto [end, error] =
        std::from_chars(normal.data(), normal.data() + normal.size(), outcome.value);
    (void)end;
    if (error != std::errc()) {
        outcome.overflow = true;
        outcome.value = number.negative ? std::numeric_limits<long long>::min()
                                        : std::numeric_limits<long long>::max();
    }
    return outcome;
}

std::string PadAfterSign(std::string digits, int width, char fill) {
    if (width <= 0 || digits.size() >= static_cast<size_t>(width))
        return digits;
    const size_t padding = static_cast<size_t>(width) - digits.size();
    if (fill == ' ')
        return std::string(padding, ' ') + digits;
    const size_t signLength = (!digits.empty() && digits.front() == '-') ? 1 : 0;
    digits.insert(signLength, padding, '0');
    return digits;
}

} // namespace

IntegerValue ParseRuleInteger(std::string_view text) {
    IntegerValue result;
    if (text.empty())
        return result;
    const ScannedNumber number = ScanNumber(text, 0, false, {});
    if (!number.found || number.end != text.size()) {
        result.check = NumberCheck::Malformed;
        return result;
    }
    const IntegerOutcome outcome = ToLongLong(number);
    result.value = outcome.value;
    if (outcome.overflow)
        result.check = NumberCheck::OutOfRange;
    return result;
}

DecimalValue ParseRuleDecimal(std::string_view text) {
    DecimalValue result;
    if (text.empty())
        return result;
    const ScannedNumber number = ScanNumber(text, 0, true, "eEdD");
    if (!number.found || number.end != text.size()) {
        result.check = NumberCheck::Malformed;
        return result;
    }
    const DecimalOutcome outcome = ToDouble(number);
    result.value = outcome.value;
    if (outcome.overflow)
        result.check = NumberCheck::OutOfRange;
    return result;
}

DecimalConversion ConvertDecimal(std::string_view text) {
    DecimalConversion result;
    const ScannedNumber number = ScanNumber(text, 0, true, "eE");
    if (!number.found) {
        result.leftover = !text.empty();
        return result;
    }
    result.value = ToDouble(number).value; // too large gives +-HUGE_VAL, as strtod does
    result.leftover = number.end != text.size();
    return result;
}

IntegerConversion ConvertInteger32(std::string_view text) {
    IntegerConversion result;
    const ScannedNumber number = ScanNumber(text, 0, false, {});
    if (!number.found) {
        result.leftover = !text.empty();
        return result;
    }
    constexpr long long kMin = std::numeric_limits<std::int32_t>::min();
    constexpr long long kMax = std::numeric_limits<std::int32_t>::max();
    result.value = std::clamp(ToLongLong(number).value, kMin, kMax);
    result.leftover = number.end != text.size();
    return result;
}

std::string FormatFixed(double value, int decimals, int zeroPadWidth) {
    decimals = std::clamp(decimals, 0, 60);
    // The widest fixed text of a double: sign, 309 digits, point and the decimals.
    std::array<char, 400> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                            std::chars_format::fixed, decimals);
    if (error != std::errc())
        return {};
    // printf pads infinity and NaN with blanks even under the zero flag.
    return PadAfterSign(std::string(buffer.data(), end), zeroPadWidth,
                        std::isfinite(value) ? '0' : ' ');
}

std::string FormatInt(long long value, int zeroPadWidth) {
    std::array<char, 24> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    if (error != std::errc())
        return {};
    return PadAfterSign(std::string(buffer.data(), end), zeroPadWidth, '0');
}

} // namespace vq3::model
