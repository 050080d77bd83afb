// Between the frame and the font module: start-up's font steps.
#pragma once

// Installs the built-in font, prints "Loading..." centred and presents it,
// then tries "smalfont.png" and "smalfont.bmp" as font 0.
void text_startup();
