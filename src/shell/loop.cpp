// The frame loop: input, then drawing and presenting what changed, a
// frame period apart.
#include "vorludit.h"

// Everything of a frame but the wait for the next one. The message's time
// runs whether or not the frame was drawn.
void runframe()
{
    handleevents();
    handlekeys(SDL_GetKeyState(NULL));
    drawandpresent();
    if (messageframes != 0)
        messageframes--;
}

// The tick count wraps after about 49.7 days: ticks are compared through
// their difference, which is right on both sides of the wrap.
static Uint32 ticksleft(Uint32 due, Uint32 now)
{
    Sint32 left = (Sint32)(due - now);
    return left > 0 ? (Uint32)left : 0;
}

// Frames are never skipped: after a slow one the next ones run without
// waiting until the schedule has caught up.
void runloop()
{
    Uint32 due = SDL_GetTicks() + FRAMEMS;
    while (!quitting) {
        runframe();
        SDL_Delay(ticksleft(due, SDL_GetTicks()));
        due += FRAMEMS;
    }
}
