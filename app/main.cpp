// Entry of the player.
#include "app/startup.h"

int main(int argc, char** argv) { return PlayerMain(argc, argv); }
