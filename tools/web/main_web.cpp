// The browser edition's entry: the game's own entry, with the test probe
// of probe.cpp installed first.
#include "game/play/play.h"

void probe_install();

int main(int argc, char** argv) {
    probe_install();
    return game_entry(argc, argv);
}
