#pragma once
// The number formats of the planning page. They print the same text whatever the process
// locale is, and round the way the page always has: half away from zero on the decimal
// digits of the value.

#include <QString>

namespace kalvora {

// General format with at most `digits` significant digits (1..18): integral values without a
// decimal point (3072), others with as many decimals as needed (1365.33333333333, 2.44),
// scientific notation only for very large or very small magnitudes.
QString FormatGeneral(double value, int digits);
inline QString FormatG15(double value) { return FormatGeneral(value, 15); }
inline QString FormatG3(double value) { return FormatGeneral(value, 3); }
inline QString FormatG5(double value) { return FormatGeneral(value, 5); }

// A single-precision value in its shortest text that reads back as the same single: 2.2f shows
// "2.2", not the digits of its binary expansion. General notation like FormatGeneral.
QString FormatFloat(float value);

// Fixed point with exactly one decimal (2.2).
QString FormatF1(double value);

// Truncation toward zero that never overflows: NaN gives 0, values outside the range of
// long long saturate.
long long TruncateToInteger(double value);

// A decimal floating-point number as the operator types it ("30", "2.5", "2,5", "1e3"), the
// same whatever the locale: a point or a comma as decimal separator, one of them once (so
// "1,000" reads 1, and "1,000.5" or "2,5,0" are refused), no group separators. Blanks around
// it are ignored. Text that is not a finite number gives false.
bool ParseDecimal(const QString& text, double& value);
// A plain decimal integer that fits in int.
bool ParseInteger(const QString& text, int& value);

}  // namespace kalvora
