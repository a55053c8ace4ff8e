#include "data/math_utils.h"

#include <cmath>
#include <cstdlib>
#include <iterator>

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
    // Powers of ten up to 1E22 are exact doubles; the table spares the checks a pow() per value.
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const int n = std::abs(digits);
    const double p = n < int(std::size(kPowers)) ? kPowers[n] : std::pow(10.0, n);
    if (digits >= 0)
        return RoundHalfAway(x * p) / p;
    return RoundHalfAway(x / p) * p;
}

} // namespace mero
