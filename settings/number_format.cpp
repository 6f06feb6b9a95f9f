#include "settings/number_format.h"

#include <QLocale>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace kalvora {

namespace {

// A finite, non-zero magnitude as decimal digits d1 d2 ... with value 0.d1d2... × 10^exponent.
struct Decimal {
    std::string digits;
    int exponent = 0;
};

Decimal ToDecimal(double magnitude)
{
    // 18 significant digits, correctly rounded: enough to round once more without losing the
    // value's own digits.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 17);
    const std::string text(buf, res.ptr);  // d.ddddde±xx
    const auto e = text.find('e');
    Decimal out;
    out.digits = text.substr(0, 1) + text.substr(2, e - 2);
    out.exponent = std::stoi(text.substr(e + 1)) + 1;
    return out;
}

// Keeps `keep` leading digits, rounding half away from zero; drops trailing zeros.
// keep <= 0 rounds at or before the first digit.
Decimal RoundDigits(Decimal d, int keep)
{
    if (keep < 0) return {};
    if (keep < static_cast<int>(d.digits.size())) {
        const bool up = d.digits[keep] >= '5';
        d.digits.resize(keep);
        if (up) {
            int i = keep - 1;
            while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
            if (i >= 0) {
                ++d.digits[i];
            } else {
                d.digits.insert(d.digits.begin(), '1');
                ++d.exponent;
            }
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    return d;
}

QString NonFinite(double value)
{
    if (std::isnan(value)) return QStringLiteral("NAN");
    return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

}  // namespace

QString FormatGeneral(double value, int digits)
{
    if (!std::isfinite(value)) return NonFinite(value);
    if (value == 0) return QStringLiteral("0");
    if (digits < 1) digits = 1;
    if (digits > 18) digits = 18;
    const Decimal d = RoundDigits(ToDecimal(std::fabs(value)), digits);
    std::string out = value < 0 ? "-" : "";
    if (d.exponent > digits || d.exponent < -3) {
        out += d.digits[0];
        if (d.digits.size() > 1) out += "." + d.digits.substr(1);
        out += "E" + std::to_string(d.exponent - 1);
    } else if (d.exponent <= 0) {
        out += "0." + std::string(-d.exponent, '0') + d.digits;
    } else {
        const auto intDigits = static_cast<std::size_t>(d.exponent);
        if (d.digits.size() <= intDigits) {
            out += d.digits + std::string(intDigits - d.digits.size(), '0');
        } else {
            out += d.digits.substr(0, intDigits) + "." + d.digits.substr(intDigits);
        }
    }
    return QString::fromStdString(out);
}

QString FormatFloat(float value)
{
    if (!std::isfinite(value)) return NonFinite(value);
    // Nine significant digits always identify a single; fewer usually do.
    for (int digits = 1; digits < 9; ++digits) {
        const QString text = FormatGeneral(value, digits);
        double back = 0;
        if (ParseDecimal(text, back) && static_cast<float>(back) == value) return text;
    }
    return FormatGeneral(value, 9);
}

QString FormatF1(double value)
{
    if (!std::isfinite(value)) return NonFinite(value);
    Decimal d;
    if (value != 0) {
        const Decimal raw = ToDecimal(std::fabs(value));
        d = RoundDigits(raw, raw.exponent + 1);  // keep the digits up to the first decimal
    }
    std::string intPart, frac;
    if (d.digits.empty()) {
        intPart = "0";
        frac = "0";
    } else if (d.exponent <= 0) {
        // Rounding at the first decimal leaves at most 0.d here.
        intPart = "0";
        frac = d.exponent == 0 ? std::string(1, d.digits[0]) : "0";
    } else {
        const auto intDigits = static_cast<std::size_t>(d.exponent);
        const std::size_t padding = intDigits + 1 > d.digits.size() ? intDigits + 1 - d.digits.size() : 0;
        const std::string all = d.digits + std::string(padding, '0');
        intPart = all.substr(0, intDigits);
        frac = all.substr(intDigits, 1);
    }
    const bool negative = value < 0 && !(intPart == "0" && frac == "0");
    return QString::fromStdString((negative ? "-" : "") + intPart + "." + frac);
}

long long TruncateToInteger(double value)
{
    if (std::isnan(value)) return 0;
    // 2^63 is exactly representable; anything at or beyond it saturates.
    constexpr double kLimit = 9223372036854775808.0;
    if (value >= kLimit) return std::numeric_limits<long long>::max();
    if (value <= -kLimit) return std::numeric_limits<long long>::min();
    return static_cast<long long>(value);
}

bool ParseDecimal(const QString& text, double& value)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    QString t = text.trimmed();
    if (t.count(QLatin1Char(',')) == 1 && !t.contains(QLatin1Char('.'))) t.replace(QLatin1Char(','), QLatin1Char('.'));
    const double v = c.toDouble(t, &ok);
    if (!ok || !std::isfinite(v)) return false;
    value = v;
    return true;
}

bool ParseInteger(const QString& text, int& value)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const int v = c.toInt(text.trimmed(), &ok);
    if (!ok) return false;
    value = v;
    return true;
}

}  // namespace kalvora
