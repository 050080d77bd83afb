// Mouse and keyboard state built from SDL events (scaffold).
#include "runtime/input/input.h"
#include "runtime/input/input_internal.h"

void mouse_state(double& x, double& y, double& left, double& right) { x = 100; y = 100; left = 0; right = 0; }
int mouse_axis(int) { return 0; }
void show_system_pointer(double) {}
int key_down(int) { return 0; }
std::string inkey() { return std::string(); }
void input_push_motion(int, int) {}
void input_push_button(int, bool) {}
void input_push_wheel(int) {}
void input_push_key(int, bool) {}
void input_push_text(const std::string&) {}
void input_set_pointer(int, int) {}
int sdl_scancode_of(int) { return 0; }
int scan_code_of_sdl(int) { return 0; }
void input_start(SDL_Window*, bool) {}
void input_stop() {}
void input_handle_event(const SDL_Event&) {}
void input_mark_frame() {}
void input_focus(bool) {}
