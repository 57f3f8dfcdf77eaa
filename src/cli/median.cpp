#include "cli/median.h"

#include <algorithm>

double median(double* values, int count)
{
    if (count <= 0) return 0.0;
    std::nth_element(values, values + count / 2, values + count);
    const double upper = values[count / 2];
    if (count % 2 != 0) return upper;
    // nth_element leaves the lower half before the middle: its largest is the lower middle.
    return (upper + *std::max_element(values, values + count / 2)) * 0.5;
}
