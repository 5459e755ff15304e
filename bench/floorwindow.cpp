// The floor of a real window: a program that opens the editor's window at
// the given zoom and, every 30 ms, only clears it grey and presents it,
// with SDL's own choice of presenting (no settings of the editor's). What
// bench/windowcpu.py measures the editor against.
//
//   floorwindow ZOOM
#include <SDL.h>
#include <cstdlib>

int main(int argc, char *argv[])
{
    int zoom = argc > 1 ? atoi(argv[1]) : 2;
    if (zoom < 1 || zoom > 9)
        zoom = 2;
    if (SDL_Init(SDL_INIT_VIDEO) < 0)
        return 1;
    SDL_Surface *screen = SDL_SetVideoMode(400 * zoom, 352 * zoom, 16, SDL_HWSURFACE | SDL_DOUBLEBUF);
    if (screen == NULL)
        return 1;
    SDL_WM_SetCaption("floorwindow", NULL);
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
        Sint32 left = (Sint32)(next - SDL_GetTicks());
        SDL_Delay(left > 0 ? (Uint32)left : 0);
        next += 30;
    }
}
