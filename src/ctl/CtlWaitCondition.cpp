#include "ctl/CtlWaitCondition.h"

#include "ctl/BusProperties.h"
#include "ctl/CtlNumbers.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <utility>

namespace vq3::ctl {

namespace {

using Compare = WaitCondition::Compare;

// The comparison that a number's text starts with, and the number after it.
std::pair<Compare, QString> SplitComparison(const QString& text) {
    static const std::pair<QLatin1String, Compare> prefixes[] = {
        {QLatin1String(">="), Compare::AtLeast},
        {QLatin1String("<="), Compare::AtMost},
        {QLatin1String(">"), Compare::Above},
        {QLatin1String("<"), Compare::Below}};
    for (const auto& [prefix, compare] : prefixes) {
        if (text.startsWith(prefix))
            return {compare, text.mid(prefix.size())};
    }
    return {Compare::Equal, text};
}

const BusProperty* Find(std::span<const BusProperty> properties, const QString& name) {
    const auto it = std::find_if(properties.begin(), properties.end(), [&](const BusProperty& p) {
        return name == QLatin1String(p.name);
    });
    return it == properties.end() ? nullptr : &*it;
}

bool IsNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

// The controller's decimals come from the unit's tenths: "2.5" matches whatever rounding
// the division left.
bool NearlyEqual(double a, double b) {
    return std::abs(a - b) <= 1e-9 * std::max({1.0, std::abs(a), std::abs(b)});
}

bool Compared(double current, Compare compare, double wanted) {
    const bool equal = NearlyEqual(current, wanted);
    switch (compare) {
    case Compare::Equal:
        return equal;
    case Compare::AtLeast:
        return equal || current > wanted;
    case Compare::AtMost:
        return equal || current < wanted;
    case Compare::Above:
        return !equal && current > wanted;
    case Compare::Below:
        return !equal && current < wanted;
    }
    return false;
}

std::optional<double> ParseNumber(const QString& text, bool whole) {
    if (!whole)
        return ParseDecimal(text);
    const std::optional<int> integer = ParseInteger(text);
    return integer ? std::optional<double>(*integer) : std::nullopt;
}

} // namespace

bool WaitCondition::HeldBy(const QVariant& current) const {
    if (signature == u"b")
        return current.typeId() == QMetaType::Bool && current.toBool() == value.toBool();
    if (signature == u"s")
        return current.typeId() == QMetaType::QString && current.toString() == value.toString();
    return IsNumber(current) && Compared(current.toDouble(), compare, value.toDouble());
}

WaitConditionResult ParseWaitCondition(const QString& property, const QString& text) {
    WaitCondition condition;
    const BusProperty* found = Find(linkprop::kAll, property);
    condition.onLink = found != nullptr;
    if (!found)
        found = Find(unitprop::kAll, property);
    if (!found)
        return {std::nullopt, QStringLiteral("\"%1\" is not a property of the controller "
                                             "(vq3ctl status lists them).")
                                  .arg(property)};
    condition.property = property;
    condition.text = text;
    condition.signature = QString::fromLatin1(found->signature);
    const auto fail = [&](const char* form) {
        return WaitConditionResult{std::nullopt, QString::fromLatin1(form).arg(property, text)};
    };
    if (condition.signature == u"b") {
        if (text != u"true" && text != u"false")
            return fail("%1 is true or false, not \"%2\".");
        condition.value = text == u"true";
        return {condition, {}};
    }
    if (condition.signature == u"s") {
        condition.value = text;
        return {condition, {}};
    }
    const bool whole = condition.signature == u"i";
    if (!whole && condition.signature != u"d")
        return fail("%1 cannot be waited for.");
    const auto [compare, number] = SplitComparison(text);
    const std::optional<double> wanted = ParseNumber(number, whole);
    if (!wanted)
        return fail(whole ? "%1 is a whole number (after >=, <=, > or < if need be), not \"%2\"."
                          : "%1 is a number (after >=, <=, > or < if need be), not \"%2\".");
    condition.compare = compare;
    condition.value = *wanted;
    return {condition, {}};
}

} // namespace vq3::ctl
