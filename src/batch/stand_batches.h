// A stand draws one lawn: its trees' arrays lose their grass, and the lawn's
// arrays keep only grass.
#pragma once

struct DrawBatches;

// No grass strips and no grass shadow; bark, leaves and their shadows stay.
void dropGrassBatches(DrawBatches& batches);
// Only the grass strips and the grass shadow.
void keepGrassBatches(DrawBatches& batches);
