// Whole frames on SDL's dummy video driver, a frame's time apart: what
// the program spends per frame in each mode and zoom, next to the floor of
// clearing and presenting the same window and nothing else. Also the
// start-up enlargement of the GUI graphics.
//
//   cmake --build build --target frame_bench && ./build/bench/frame_bench
//
// Each scene runs as an idle frame (nothing changes: neither drawn nor
// presented) and as a pointing frame (the pointer moves a base pixel every
// frame: the rows it changes drawn, compared, presented); the editor also
// as a drag painting its preview. A frame is timed until SDL has
// presented it, and the frames are a frame's time apart, as in the loop.
//
// Counters: ms_frame is the median time of one frame, floor_ms that of one
// bare frame (clear the whole window grey, present it) at the same zoom,
// timed in turn with the frames, and ratio the one over the other.
// Medians, because other work on the machine shows up as a few slow
// frames. The Time column is the mean frame.
#include "vorludit.h"
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

using steady = std::chrono::steady_clock;

static const std::string SOURCE = VORLUDIT_SOURCE_DIR;
static int windowzoom = 0; // zoom the open window was made for, 0 = none
static bool demosheet = false; // whether the demo sheet is in the work folder

static bool copyfile(const std::string& from, const std::string& to)
{
    FILE* in = fopen(from.c_str(), "rb");
    if (in == NULL)
        return false;
    FILE* out = fopen(to.c_str(), "wb");
    if (out == NULL) {
        fclose(in);
        return false;
    }
    char buf[65536];
    size_t n;
    bool ok = true;
    while ((n = fread(buf, 1, sizeof buf, in)) > 0)
        ok = ok && fwrite(buf, 1, n, out) == n;
    fclose(in);
    return fclose(out) == 0 && ok;
}

static char workdir[] = "/tmp/vorludit-bench-XXXXXX";

static void removework()
{
    unlink("vorlugfx.bmp");
    unlink("1TIL0000.bmp");
    if (chdir("/") == 0)
        rmdir(workdir);
}

// A scratch work folder with the GUI graphics and, when there is one, the
// demo sheet, as the program finds them beside itself; gone at exit.
static void workfolder()
{
    static bool made = false;
    if (made)
        return;
    if (mkdtemp(workdir) == NULL || chdir(workdir) != 0
        || !copyfile(SOURCE + "/data/vorlugfx.bmp", "vorlugfx.bmp")) {
        fprintf(stderr, "frame_bench: cannot set up a work folder with vorlugfx.bmp\n");
        exit(1);
    }
    demosheet = copyfile(SOURCE + "/data/demo/1TIL0000.bmp", "1TIL0000.bmp");
    made = true;
    atexit(removework);
}

// The window and GUI graphics at zoom z, as start-up makes them. SDL video
// is started once; a new zoom only sets a new video mode and enlarges the
// graphics again.
static void openwindow(int z)
{
    workfolder();
    zoom = z;
    if (windowzoom == z)
        return;
    if (windowzoom == 0) {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        startvideo();
    } else {
        screen
            = SDL_SetVideoMode(WINDOWW * z, WINDOWH * z, SCREENBITS, SDL_HWSURFACE | SDL_DOUBLEBUF);
        if (screen == NULL) {
            fprintf(stderr, "frame_bench: cannot set video mode: %s\n", SDL_GetError());
            exit(1);
        }
        SDL_FreeSurface(guigfx);
        guigfx = NULL;
    }
    loadgui();
    windowzoom = z;
}

// Something like a drawn sheet when the demo sheet is missing: runs of one
// colour with changes every few pixels, all 16 colours in use.
static void generatedsheet()
{
    for (int x = 0; x < SHEETW; x++)
        for (int y = 0; y < SHEETH; y++)
            sheetpixels[x * SHEETH + y]
                = (unsigned char)(((x / 3) * 5 + (y / 2) * 3 + (x * y) / 37) % 16);
    for (int i = 0; i < 16; i++) {
        palette[i][0] = (unsigned char)(i * 16);
        palette[i][1] = (unsigned char)(255 - i * 13);
        palette[i][2] = (unsigned char)((i * 71) % 256);
    }
    sheetheight = SHEETH;
    sheetrows = SHEETH / TILE;
}

// The program's state from start, the window at zoom z and the sheet.
static void startscene(int z)
{
    resetstate();
    openwindow(z);
    sheetnumber = 1;
    currentcolour = 5;
    if (demosheet)
        loadsheet();
    if (!demosheet || messageframes != 0)
        generatedsheet();
    messageframes = 0;
}

static void floorframe(Uint32 grey)
{
    SDL_FillRect(screen, NULL, grey);
    SDL_Flip(screen);
}

static double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

static double msbetween(steady::time_point from, steady::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

enum { IDLE, POINTING, PAINTING };

// One motion of the left button held, the i-th along a path of base
// pixels, painting in a colour that changes every 100 frames.
static void paintmotion(int i)
{
    SDL_Event e = {};
    e.type = SDL_MOUSEMOTION;
    e.motion.state = SDL_BUTTON_LMASK;
    e.motion.x = (Uint16)((100 + i % 200) * zoom);
    e.motion.y = (Uint16)((100 + i / 200 % 100) * zoom);
    currentcolour = i / 100 % 16;
    SDL_PushEvent(&e);
}

// Times whole frames of the scene already set up, with the message (if
// any) posted again each frame so it stays on show: idle, or the pointer
// stepping between two neighbouring base pixels, or a drag painting.
// After each frame a bare one is timed too, so the floor is measured on
// the same window under the same conditions. SDL presents rectangles in a
// pump a frame's time after its last present, as the loop's wait does: so
// the wait between frames is one that does not pump, and a frame ends
// with a pump.
static void runframes(benchmark::State& st, bool withmessage, int kind)
{
    Uint32 grey = SDL_MapRGB(screen->format, 215, 215, 215);
    std::vector<double> frames, floors;
    runframe();
    int i = 0;
    for (auto _ : st) {
        if (withmessage) {
            settext("tile image saved.");
            showmessage(MESSAGEFRAMES);
        }
        if (kind == POINTING)
            pointerx ^= 1;
        if (kind == PAINTING)
            paintmotion(i++);
        steady::time_point t0 = steady::now();
        runframe();
        SDL_PumpEvents();
        steady::time_point t1 = steady::now();
        floorframe(grey);
        steady::time_point t2 = steady::now();
        usleep(FRAMEMS * 1000);
        st.SetIterationTime(msbetween(t0, t1) / 1000.0);
        frames.push_back(msbetween(t0, t1));
        floors.push_back(msbetween(t1, t2));
    }
    double ms = median(frames), floor = median(floors);
    st.counters["ms_frame"] = ms;
    st.counters["floor_ms"] = floor;
    st.counters["ratio"] = ms / floor;
}

static void floorbench(benchmark::State& st, int z)
{
    startscene(z);
    Uint32 grey = SDL_MapRGB(screen->format, 215, 215, 215);
    std::vector<double> frames;
    for (auto _ : st) {
        steady::time_point t0 = steady::now();
        floorframe(grey);
        steady::time_point t1 = steady::now();
        st.SetIterationTime(msbetween(t0, t1) / 1000.0);
        frames.push_back(msbetween(t0, t1));
    }
    st.counters["ms_frame"] = median(frames);
}

// The browser: a 3 x 3 selection in view, the pointer over the sheet and
// a message on show.
static void browserbench(benchmark::State& st, int z, int kind)
{
    startscene(z);
    toprow = 5;
    selx = 4;
    sely = 8;
    selw = selh = 3;
    pointerx = 90;
    pointery = 150;
    runframes(st, true, kind);
}

// The editor on an 8 x 8 selection, in one layout and magnification.
static void editorbench(benchmark::State& st, int z, int which, int magnify, int kind)
{
    startscene(z);
    selx = 2;
    sely = 10;
    selw = selh = 8;
    magnification = magnify;
    layout = which;
    openeditor();
    pointerx = 200;
    pointery = 180;
    runframes(st, false, kind);
}

// A drag painting the editor's preview on an 8 x 8 selection.
static void paintbench(benchmark::State& st, int z)
{
    startscene(z);
    selx = 2, sely = 10, selw = selh = 8;
    openeditor();
    leftbuttondown = 1;
    runframes(st, false, PAINTING);
}

// The start-up enlargement of the GUI graphics into a new 32-bit surface.
static void zoombench(benchmark::State& st, int z)
{
    workfolder();
    SDL_Surface* from = SDL_LoadBMP("vorlugfx.bmp");
    if (from == NULL) {
        st.SkipWithError("cannot load vorlugfx.bmp");
        return;
    }
    zoom = z;
    for (auto _ : st) {
        SDL_Surface* to
            = SDL_CreateRGBSurface(SDL_SWSURFACE, from->w * z, from->h * z, 32, 0, 0, 0, 0);
        zoomgraphic(from, to, z);
        benchmark::DoNotOptimize(to->pixels);
        SDL_FreeSurface(to);
    }
    SDL_FreeSurface(from);
}

template <typename... Args>
static benchmark::internal::Benchmark* add(
    const std::string& name, void (*fn)(benchmark::State&, Args...), Args... args)
{
    return benchmark::RegisterBenchmark(name.c_str(), fn, args...)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

// Frames a frame's time apart: a fixed count, 3 s each.
static const int FRAMECOUNT = 100;

int main(int argc, char** argv)
{
    for (int z : { 1, 2, 4, 9 }) {
        std::string at = "/zoom:" + std::to_string(z);
        add("floor" + at, floorbench, z);
        for (int kind : { IDLE, POINTING }) {
            std::string name = kind == POINTING ? "pointing/" : "idle/";
            add(name + "browser" + at, browserbench, z, kind)->Iterations(FRAMECOUNT);
            add(name + "editor/layout:1/magnification:1" + at, editorbench, z, 1, 1, kind)
                ->Iterations(FRAMECOUNT);
            add(name + "editor/layout:1/magnification:8" + at, editorbench, z, 1, 8, kind)
                ->Iterations(FRAMECOUNT);
            add(name + "editor/layout:4/magnification:2" + at, editorbench, z, 4, 2, kind)
                ->Iterations(FRAMECOUNT);
        }
        add("painting/editor/layout:1/magnification:1" + at, paintbench, z)->Iterations(FRAMECOUNT);
    }
    for (int z : { 2, 9 })
        benchmark::RegisterBenchmark(
            ("zoomgraphic/zoom:" + std::to_string(z)).c_str(), zoombench, z)
            ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
