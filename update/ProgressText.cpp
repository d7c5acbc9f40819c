#include "update/ProgressText.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>

namespace quill::update {

namespace {

constexpr int Precision = 12;
constexpr int Decimals = 2;

std::string GroupThousands(const std::string& digits, char separator) {
    std::string grouped;
    const size_t n = digits.size();
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) grouped += separator;
        grouped += digits[i];
    }
    return grouped;
}

}  // namespace

std::string FormatNumber(double value, const NumberSeparators& separators) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.16e", std::fabs(value));
    // Decimal digits d0 d1 ... with the value = 0.d0d1... * 10^(exponent + 1).
    std::string digits;
    for (const char* p = buffer; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') digits += *p;
    int exponent = std::atoi(std::strchr(buffer, 'e') + 1);
    if (exponent + 1 > Precision) {  // more integer digits than the precision: general form
        std::snprintf(buffer, sizeof buffer, "%.*G", Precision, value);
        return buffer;
    }
    // One rounding, half away from zero, to the precision or to two decimals,
    // whichever keeps fewer digits.
    const int keep = std::min(Precision, exponent + 1 + Decimals);
    if (keep < 0) {
        digits.assign(1, '0');
    } else {
        const bool up = keep < static_cast<int>(digits.size()) && digits[keep] >= '5';
        digits.resize(keep);
        for (int i = keep - 1; up && i >= -1; --i) {
            if (i < 0) {
                digits.insert(digits.begin(), '1');
                ++exponent;
                break;
            }
            if (digits[i] == '9') {
                digits[i] = '0';
            } else {
                ++digits[i];
                break;
            }
        }
    }
    // Lay the digits out around the decimal point.
    const int integerDigits = exponent + 1;
    std::string integerPart, fraction;
    for (int i = 0; i < std::max(integerDigits, 1); ++i) {
        integerPart += (integerDigits > 0 && i < static_cast<int>(digits.size())) ? digits[i] : '0';
    }
    for (int i = 0; i < Decimals; ++i) {
        const int at = integerDigits + i;
        fraction += (at >= 0 && at < static_cast<int>(digits.size())) ? digits[at] : '0';
    }
    const bool zero = integerPart.find_first_not_of('0') == std::string::npos &&
                      fraction.find_first_not_of('0') == std::string::npos;
    std::string text = value < 0 && !zero ? "-" : "";
    text += GroupThousands(integerPart, separators.Thousands);
    text += separators.Decimal;
    text += fraction;
    return text;
}

std::string DownloadCaption(int64_t position, int64_t total, const NumberSeparators& separators) {
    return FormatNumber(static_cast<double>(position) / 1024, separators) + " KB / " +
           FormatNumber(static_cast<double>(total) / 1024, separators) + " KB";
}

std::string ExtractCaption(int percent) {
    return "Dezarhivare..." + std::to_string(percent) + " %";
}

}  // namespace quill::update
