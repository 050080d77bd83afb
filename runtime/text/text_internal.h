// Between the frame and the font module: start-up's font steps.
#pragma once

// Start-up's first step: installs the built-in font and prints "Loading..."
// centred (the frame then presents it). The configured screen size is what
// screen_size reports while there is no renderer.
void text_show_loading(int screen_width, int screen_height);

// Start-up's second step: tries "smalfont.png" and "smalfont.bmp" as font 0.
void text_load_start_font();
