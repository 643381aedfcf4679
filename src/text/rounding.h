// How every length and area becomes text: rounding to a number of decimals under one of three
// modes, decided on the 15-significant-digit decimal text of the scaled value. Locale-free.
#pragma once

#include <string>

namespace tarsel::text {

// Stored as a plain integer in the options; any other value rounds like rmTruncate.
enum TRoundingMode : int {
    rmTruncate = 0,  // 切捨: dropped digits are discarded
    rmHalfUp = 1,    // 四捨: up when the first dropped digit is 5 or more
    rmRoundUp = 2,   // 切上: up when the first dropped digit is above 0
};

// Decimals (0..6) and rounding modes (TRoundingMode) of the three figure kinds: side
// lengths, triangle areas, and the total. The option handlers keep them in step with the
// palette's controls; the label writers and the area table read them.
struct FigureRounding {
    int lengthDigits = 2;  // Keta1
    int areaDigits = 4;    // Keta2
    int totalDigits = 2;   // Keta3
    int lengthMode = 1;    // Nagasa
    int areaMode = 1;      // Menseki
    int totalMode = 1;     // Goukei
    friend bool operator==(const FigureRounding&, const FigureRounding&) = default;
};

// value rounded to `decimals` places (clamped to 0..15) and printed with exactly that many,
// "." as separator, no thousands separators. Only the first dropped digit is looked at.
// Never an exponent: a negative value is rounded by its magnitude and gets a "-" unless every
// printed digit is 0; huge and tiny values print in full fixed notation; NaN prints "NaN",
// infinities "INF" and "-INF".
[[nodiscard]] std::string RoundedText(double value, int decimals, int mode);

// The general number format with 15 significant digits, always in fixed notation: rounded to
// 15 significant digits (ties to even on the exact binary value), trailing zeros of the
// fraction removed, no point when nothing follows it; "0" for both zeros; "NaN", "INF", "-INF".
[[nodiscard]] std::string FormatGeneral15(double value);

}  // namespace tarsel::text
