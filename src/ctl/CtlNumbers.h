#pragma once

#include <QString>

#include <optional>

namespace vq3::ctl {

// Numbers on vq3ctl's command line, in the C locale whatever the user's: "2.5" and "1e3", never
// "2,5"; no blanks, no hexadecimal, nothing after the number.
std::optional<double> ParseDecimal(const QString& text); // finite values only
std::optional<int> ParseInteger(const QString& text);
std::optional<uint> ParseUnsigned(const QString& text); // no sign at all

} // namespace vq3::ctl
