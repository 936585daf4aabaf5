#include "ctl/CtlNumbers.h"

#include <QLocale>

#include <cmath>

namespace vq3::ctl {

std::optional<double> ParseDecimal(const QString& text) {
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> ParseInteger(const QString& text) {
    bool ok = false;
    const int value = QLocale::c().toInt(text, &ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<uint> ParseUnsigned(const QString& text) {
    bool ok = false;
    // A count of milliseconds or a program number has no sign: "-1" is never a number here.
    const uint value = text.startsWith(u'-') ? 0 : QLocale::c().toUInt(text, &ok);
    return ok ? std::optional<uint>(value) : std::nullopt;
}

} // namespace vq3::ctl
