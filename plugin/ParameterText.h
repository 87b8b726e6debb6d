// The text of a parameter value, the same in every format: knobs show the
// VST 2.4 display of their normalised value (0.500000), switches the name of
// the position the engine plays for it (CLEAN, INT. ...). Typed text comes
// back as a value whose display is that text, so a host can go from text to
// value and back as often as it likes without drift.
//
// Threads: pure functions, any thread (wait-free, no allocation).
#pragma once

#include <cstddef>
#include <cstdint>

// Decimal text of value as the VST 2.4 displays have it: the integer part, a
// point, then truncated fraction digits up to maxLen characters in all (at
// most 8 counted); magnitudes from 10^7 up show as "Huge!", NaN as "NaN".
// text holds maxLen characters and a NUL.
void formatDisplayValue(double value, char* text, int32_t maxLen);

// The display text of parameter index at normalised value into text (size
// bytes, NUL included); false for an index outside 0 to 8.
bool parameterText(int32_t index, float value, char* text, size_t size);

// The normalised value for a text: for knobs a number from 0 to 1, for
// switches a position name (any case) or its number 0, 1 or 2. False (value
// untouched) for anything else.
bool parameterFromText(int32_t index, const char* text, float& value);
