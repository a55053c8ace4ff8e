#pragma once

namespace mero {

// Numeric utilities of the checks. Halves go away from zero; a fractional part that misses one half
// by no more than |x| * 1e-15 counts as one half.
class TMath {
public:
    TMath() = delete;
    static double RoundHalfAway(double x);
    // Rounds to digits decimal places (-9 to 9; negative digits round to tens, hundreds, ...).
    static double RoundTo(double x, int digits);
};

} // namespace mero
