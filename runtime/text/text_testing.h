// The font module's test seam. Included by tests and tools only.
#pragma once

// The built-in glyph pattern of a code 32..127 (bit 5 * row + column), else 0.
unsigned builtin_glyph_bits(int code);
