#include "game/play/play.h"

int main(int argc, char** argv) { return game_entry(argc, argv); }
