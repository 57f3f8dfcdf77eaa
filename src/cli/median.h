// The middle of a sample of timings, for the closing figures of the window's
// frame stats and the recorder.
#pragma once

// Median of values[0..count): the middle value, or for an even count the mean
// of the two middle values; 0 for an empty sample. Reorders values.
double median(double* values, int count);
