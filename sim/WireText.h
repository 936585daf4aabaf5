#pragma once

// The unit's own number spelling on the wire: fixed-width, zero-padded decimal and
// hexadecimal text, and the exact argument forms it accepts. Plain integer arithmetic, so the
// result never depends on the process locale.

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace vq3::sim::wire {

inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// value >= 0 as decimal, zero-padded on the left to at least width digits ("%0*d").
QByteArray Decimal(long long value, int width = 1);
// tenths >= 0 as "ddd.d" ("%05.1f" of tenths / 10): 125 gives 012.5.
QByteArray Tenths(int tenths);
// value >= 0 as upper-case hexadecimal, zero-padded to width digits ("%0*X").
QByteArray Hex(unsigned value, int width);

// Exactly text.size() decimal digits (1 to 9 of them): their value, else nothing.
std::optional<int> Digits(QByteArrayView text);
// Exactly "ddd.d": the value in tenths, else nothing.
std::optional<int> TenthsValue(QByteArrayView text);
// Exactly "d.dd": the value in hundredths, else nothing.
std::optional<int> HundredthsValue(QByteArrayView text);

} // namespace vq3::sim::wire
