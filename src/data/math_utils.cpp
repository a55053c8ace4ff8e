#include "data/math_utils.h"

#include <cmath>
#include <cstdlib>

namespace mero {

double TMath::RoundHalfAway(double x) {
    const double t = x * 1e-15;
    const double i = std::trunc(x);
    const double f = x - i;
    if (x >= 0)
        return f <= 0.5 - t ? i : i + 1;
    return f >= -0.5 - t ? i : i - 1;
}

double TMath::RoundTo(double x, int digits) {
    const double p = std::pow(10.0, std::abs(digits));
    if (digits >= 0)
        return RoundHalfAway(x * p) / p;
    return RoundHalfAway(x / p) * p;
}

} // namespace mero
