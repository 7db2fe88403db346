/* A 3x5 pixel font for the printable ASCII characters. */
#ifndef EXAMPLE_FONT_H
#define EXAMPLE_FONT_H

#include <stdint.h>

#define FONT_WIDTH 3
#define FONT_HEIGHT 5

/* The glyph for c as five rows of three bits (bit 2 is the left column);
 * lower case is drawn as upper case and anything unknown as '?'. */
const uint8_t* font_glyph(char c);

#endif
