// The floor of a real window: a program that opens the editor's window at
// the given zoom and, every 30 ms, only clears it grey and presents it.
// With "software" it presents the way the editor does (SDL's software
// renderer, no framebuffer acceleration), otherwise with SDL's own
// defaults. What bench/windowcpu.py measures the editor against.
//
//   floorwindow ZOOM [software]
#include <SDL.h>
#include <cstdlib>
#include <cstring>

int main(int argc, char* argv[])
{
    int zoom = argc > 1 ? atoi(argv[1]) : 2;
    if (zoom < 1 || zoom > 9)
        zoom = 2;
    bool software = argc > 2 && strcmp(argv[2], "software") == 0;
    if (software) {
        setenv("SDL_RENDER_DRIVER", "software", 1);
        setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 1);
    }
    if (SDL_Init(SDL_INIT_VIDEO) < 0)
        return 1;
    SDL_Surface* screen
        = SDL_SetVideoMode(400 * zoom, 352 * zoom, 16, SDL_HWSURFACE | SDL_DOUBLEBUF);
    if (screen == NULL)
        return 1;
    SDL_WM_SetCaption(software ? "floorwindow software" : "floorwindow default", NULL);
    Uint32 grey = SDL_MapRGB(screen->format, 215, 215, 215);
    Uint32 next = SDL_GetTicks() + 30;
    for (;;) {
        SDL_Event e;
        while (SDL_PollEvent(&e))
            if (e.type == SDL_QUIT) {
                SDL_Quit();
                return 0;
            }
        SDL_FillRect(screen, NULL, grey);
        SDL_Flip(screen);
        // After being stopped for a measurement of the other floor it goes
        // on from now rather than catching up.
        Sint32 left = (Sint32)(next - SDL_GetTicks());
        if (left < -300)
            next = SDL_GetTicks();
        SDL_Delay(left > 0 ? (Uint32)left : 0);
        next += 30;
    }
}
