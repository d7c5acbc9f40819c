#pragma once
// Texts of the update dialog's progress caption. Platform-neutral.

#include <cstdint>
#include <string>

namespace quill::update {

struct NumberSeparators {
    char Thousands = ',';
    char Decimal = '.';
};

// A number as the toolkit's number format prints it with precision 12 and two
// decimals: rounded to 12 significant digits, thousands grouped ("1,234.50").
std::string FormatNumber(double value, const NumberSeparators& separators);

// "<P/1024> KB / <T/1024> KB" for a download at P of T bytes.
std::string DownloadCaption(int64_t position, int64_t total, const NumberSeparators& separators);

// "Dezarhivare...<N> %" for an extraction at N percent.
std::string ExtractCaption(int percent);

}  // namespace quill::update
