// Internal to platform/classes: what the form reader and writer share about
// the binary form-description format.
#pragma once

// The signature in front of every binary form description.
constexpr char kFormSignature[4] = {'T', 'P', 'F', '0'};

// Limits that keep hostile data from exhausting the stack.
constexpr int kMaxComponentDepth = 64;  // components inside components
constexpr int kMaxObjectDepth = 16;     // nested objects' properties
