#include "WireText.h"

#include <charconv>

namespace vq3::sim::wire {

QByteArray Decimal(long long value, int width) {
    char digits[24];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value < 0 ? 0 : value);
    const qsizetype length = error == std::errc() ? end - digits : 0;
    QByteArray text;
    if (width > length)
        text.fill('0', width - length);
    text.append(digits, length);
    return text;
}

QByteArray Tenths(int tenths) {
    if (tenths < 0)
        tenths = 0;
    return Decimal(tenths / 10, 3) + '.' + Decimal(tenths % 10);
}

QByteArray Hex(unsigned value, int width) {
    static const char kHexDigits[] = "0123456789ABCDEF";
    QByteArray text;
    do {
        text.prepend(kHexDigits[value & 0xFu]);
        value >>= 4;
    } while (value != 0);
    while (text.size() < width)
        text.prepend('0');
    return text;
}

std::optional<int> Digits(QByteArrayView text) {
    if (text.isEmpty() || text.size() > 9)
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (!IsDigit(c))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<int> TenthsValue(QByteArrayView text) {
    if (text.size() != 5 || text[3] != '.')
        return std::nullopt;
    const auto whole = Digits(text.first(3));
    const auto fraction = Digits(text.last(1));
    if (!whole || !fraction)
        return std::nullopt;
    return *whole * 10 + *fraction;
}

std::optional<int> HundredthsValue(QByteArrayView text) {
    if (text.size() != 4 || text[1] != '.')
        return std::nullopt;
    const auto whole = Digits(text.first(1));
    const auto fraction = Digits(text.last(2));
    if (!whole || !fraction)
        return std::nullopt;
    return *whole * 100 + *fraction;
}

} // namespace vq3::sim::wire
