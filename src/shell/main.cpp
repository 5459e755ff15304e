// On this platform SDL 1.2 brings no main wrapper of its own: this is it.
#include "vorludit.h"

int main(int argc, char* argv[]) { return SDL_main(argc, argv); }
