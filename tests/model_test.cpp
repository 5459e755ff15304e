// Random sessions of mouse events and keys through the editor's own event and key handling, in
// windows of every scale, against a model of the editor written from its rules alone. After every
// frame the editor must agree with the model (mode, pointer, selection, edit grid, undo, sheet,
// messages, the file on disk), and the window must show the frame drawn whole from the state;
// now and then, also a frame drawn here pixel by pixel from the model.
#include "support.h"
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

enum Key { UP, DOWN, LCTRL, RETURN, K1, K2, K3, K4, A, S, Z, F4, F5, ESCAPE, RCTRL, KEYS };
const SDLKey SYMBOL[KEYS] = { SDLK_UP, SDLK_DOWN, SDLK_LCTRL, SDLK_RETURN, SDLK_1, SDLK_2, SDLK_3,
    SDLK_4, SDLK_a, SDLK_s, SDLK_z, SDLK_F4, SDLK_F5, SDLK_ESCAPE, SDLK_RCTRL };
// How often a key not held goes down in a frame, in thousandths; Return in the browser more
// often, so that sessions spend their time in both modes.
const int PRESSED[KEYS] = { 15, 15, 60, 20, 8, 8, 8, 8, 15, 15, 60, 40, 8, 5, 20 };

const char* const FILE = SHEETNAME;

struct Model {
    int zoom;
    bool editing = false;
    int x = 0, y = 0; // the pointer in base pixels
    bool leftdrag = false, rightdrag = false;
    int top = 0; // first tile row in view
    int selx = 0, sely = 0, selw = 0, selh = 0;
    int colour;
    int layout = 1, magnification = 1;
    Sheet sheet;
    unsigned char grid[128][128] = {};
    std::vector<std::array<int, 3>> undo; // x, y, colour before
    std::string message;
    int messageframes = 0;
    bool quit = false;
    bool messageshown = false; // in this frame
    int heldfor[KEYS] = {}; // frames each key has been held
    bool locked = false; // the file did not load: never saved over
    bool changedbyother = false; // since the editor last loaded or saved it
    bytes disk; // the file as it must be; empty: no file
    bool disksheet = false; // whether it is a sheet, and which
    Sheet ondisk;
};

// The preview area in base pixels, from the layout table: x, y, width, height.
std::array<int, 4> area(const Model& m)
{
    int copy = 16 * m.magnification;
    bool across = m.layout <= 2, down = m.layout % 2 == 1;
    int w = across ? 384 : std::min(m.selw * copy, 336);
    int h = down ? 320 : std::min(m.selh * copy, 288);
    return { 8 + (across ? 0 : 48), 24 + (down ? 0 : 32), w, h };
}

void post(Model& m, const char* text)
{
    m.message = text;
    m.messageframes = 30;
}

void browserclick(Model& m, int button)
{
    int column = m.x / 16, row = m.y / 16 + m.top;
    if (button == 0 && m.x >= 208) {
        m.selw = m.selh = 0;
    } else if (button == 0) {
        m.selx = column;
        m.sely = row;
        m.selw = m.selh = 1;
    } else if (m.selw > 0 && m.x < 208 && column >= m.selx && row >= m.sely && column < m.selx + 8
        && row < m.sely + 8) {
        m.selw = column - m.selx + 1;
        m.selh = row - m.sely + 1;
    }
}

void editorclick(Model& m, int button)
{
    if (m.y < 16) {
        if (m.x >= 8 && m.x < 8 + 16 * 24)
            m.colour = (m.x - 8) / 24;
        return;
    }
    auto [ax, ay, aw, ah] = area(m);
    if (m.x < ax || m.y < ay || m.x >= ax + aw || m.y >= ay + ah)
        return;
    int gx = (m.x - ax) / m.magnification % (m.selw * 16);
    int gy = (m.y - ay) / m.magnification % (m.selh * 16);
    int colour = (m.colour + 8 * button) % 16;
    if (m.grid[gx][gy] == colour)
        return;
    if (m.undo.size() < 10000)
        m.undo.push_back({ gx, gy, m.grid[gx][gy] });
    m.grid[gx][gy] = colour;
}

void click(Model& m, int button) { (m.editing ? editorclick : browserclick)(m, button); }

void event(Model& m, const SDL_Event& e)
{
    if (e.type == SDL_MOUSEMOTION) {
        bool left = e.motion.state & SDL_BUTTON_LMASK, right = e.motion.state & SDL_BUTTON_RMASK;
        if ((m.leftdrag && !left) || (m.rightdrag && !right))
            m.leftdrag = m.rightdrag = false; // a release lost from the queue
        m.x = std::min(e.motion.x / m.zoom, 399);
        m.y = std::min(e.motion.y / m.zoom, 351);
        if (m.leftdrag || m.rightdrag)
            click(m, m.leftdrag ? 0 : 1);
    } else if (e.type == SDL_MOUSEBUTTONDOWN && e.button.button == SDL_BUTTON_LEFT) {
        m.leftdrag = true;
        click(m, 0);
    } else if (e.type == SDL_MOUSEBUTTONDOWN && e.button.button == SDL_BUTTON_RIGHT) {
        m.rightdrag = true;
        click(m, 1);
    } else if (e.type == SDL_MOUSEBUTTONUP) {
        m.leftdrag = m.rightdrag = false;
    } else if (e.type == SDL_QUIT) {
        m.quit = true;
    }
}

// A sheet replaces the rows it has, and the palette; anything else loads nothing, and a file
// that is there but not a sheet is never saved over.
void load(Model& m)
{
    m.changedbyother = false;
    m.locked = !m.disk.empty() && !m.disksheet;
    if (!m.disksheet) {
        post(m, UNREAD);
        return;
    }
    for (int x = 0; x < 208; x++)
        std::copy_n(&m.ondisk.pix[x * 848], m.ondisk.h, &m.sheet.pix[x * 848]);
    memcpy(m.sheet.pal, m.ondisk.pal, sizeof m.sheet.pal);
    m.sheet.h = m.ondisk.h;
}

void save(Model& m)
{
    if (m.locked) {
        post(m, UNSAVED);
    } else if (!m.disk.empty() && m.changedbyother) {
        post(m, CHANGED);
    } else {
        m.disk = bmpfile(m.sheet);
        m.disksheet = true;
        m.ondisk = m.sheet;
        post(m, SAVED);
    }
    m.changedbyother = false;
}

void opengrid(Model& m, bool back)
{
    for (int x = 0; x < m.selw * 16; x++)
        for (int y = 0; y < m.selh * 16; y++) {
            unsigned char& pixel = m.sheet.pix[(m.selx * 16 + x) * 848 + m.sely * 16 + y];
            if (back)
                pixel = m.grid[x][y];
            else
                m.grid[x][y] = pixel;
        }
    if (!back)
        m.undo.clear();
    m.editing = !back;
}

// The first frame a key is seen held; Up and Down then every sixth frame while held.
bool fires(Model& m, const Uint8* keys, Key k)
{
    m.heldfor[k] = keys[SYMBOL[k]] ? m.heldfor[k] + 1 : 0;
    if (k == UP || k == DOWN)
        return m.heldfor[k] % 6 == 1;
    return m.heldfor[k] == 1;
}

void keys(Model& m, const Uint8* keys)
{
    bool ctrl = keys[SYMBOL[LCTRL]];
    bool browsing = !m.editing;
    if (fires(m, keys, UP) && browsing)
        m.top = std::max(m.top - 5, 0);
    if (fires(m, keys, DOWN) && browsing)
        m.top = std::max(std::min(m.top + 5, m.sheet.h / 16 - 22), 0);
    if (fires(m, keys, RETURN) && (m.editing || m.selw > 0))
        opengrid(m, m.editing);
    for (Key k : { K1, K2, K3, K4 })
        if (fires(m, keys, k) && m.editing)
            m.layout = k - K1 + 1;
    if (fires(m, keys, A) && m.editing)
        m.magnification = std::max(m.magnification - 1, 1);
    if (fires(m, keys, S) && m.editing)
        m.magnification = std::min(m.magnification + 1, 8);
    if (fires(m, keys, Z) && m.editing && ctrl && !m.undo.empty()) {
        auto [x, y, colour] = m.undo.back();
        m.grid[x][y] = colour;
        m.undo.pop_back();
    }
    if (fires(m, keys, F4) && !m.editing && ctrl)
        load(m);
    if (fires(m, keys, F5) && !m.editing)
        save(m);
    if (fires(m, keys, ESCAPE) && m.editing)
        m.editing = false;
    m.messageshown = m.messageframes > 0;
    m.messageframes -= m.messageshown;
}

// The state the editor and the model are compared on, each value named.
std::string describe(std::vector<int> values, const char* message)
{
    const char* names[] = { "editing", "x", "y", "leftdrag", "rightdrag", "top", "selx", "sely",
        "selw", "selh", "colour", "layout", "magnification", "areax", "areay", "areaw", "areah",
        "undo", "height", "messageframes", "quit" };
    std::string line = std::string("message '") + message + "'";
    for (size_t i = 0; i < values.size(); i++)
        line += std::string(" ") + names[i] + " " + std::to_string(values[i]);
    return line;
}

std::string describe(const Model& m)
{
    std::array<int, 4> a = m.editing ? area(m) : std::array<int, 4> {};
    return describe({ m.editing, m.x, m.y, m.leftdrag, m.rightdrag, m.top, m.selx, m.sely, m.selw,
                        m.selh, m.colour, m.layout, m.magnification, a[0], a[1], a[2], a[3],
                        (int)m.undo.size(), m.sheet.h, m.messageframes, m.quit },
        m.message.c_str());
}

std::string describeprogram()
{
    return describe(
        { mode, pointerx, pointery, leftbuttondown, rightbuttondown, tstop, tsselx, tssely, tsselw,
            tsselh, curcol, view, ezoom, mode ? viewx + 8 : 0, mode ? viewy + 24 : 0,
            mode ? vieww : 0, mode ? viewh : 0, pblen, imgh, messagetime, quitting },
        mesbuf);
}

// Where the editor's store, palette, grid or file first differ from the model's; "" if nowhere.
std::string contentdiffers(const Model& m)
{
    const unsigned char* sheet = m.sheet.pix.data();
    size_t at = std::mismatch(img, img + sizeof img, sheet).first - img;
    if (at < sizeof img)
        return "sheet pixel " + std::to_string(at / 848) + "," + std::to_string(at % 848);
    if (memcmp(pal, m.sheet.pal, sizeof pal) != 0)
        return "palette";
    at = std::mismatch(grid, grid + sizeof grid, &m.grid[0][0]).first - grid;
    if (at < sizeof grid)
        return "grid pixel " + std::to_string(at / 128) + "," + std::to_string(at % 128);
    if (readbytes(FILE) != m.disk)
        return "the file";
    return "";
}

// The frame drawn from the model by the rules, one fill per base pixel; glyphs, the selection
// marker and the pointer taken pixel by pixel from the artwork file.
SDL_Surface* art;

// Base pixels written into the screen's 16-bit pixels, cut at its edges.
void fill(int x, int y, int w, int h, const unsigned char* rgb)
{
    Uint16 v = SDL_MapRGB(screen->format, rgb[0], rgb[1], rgb[2]);
    int edge = screen->w;
    for (int r = y * zoom; r < (y + h) * zoom && r < screen->h; r++) {
        Uint16* row = (Uint16*)((Uint8*)screen->pixels + r * screen->pitch);
        std::fill(row + std::min(x * zoom, edge), row + std::min((x + w) * zoom, edge), v);
    }
}

void artcell(int cx, int cy, int size, int bx, int by)
{
    int bpp = art->format->BytesPerPixel;
    for (int i = 0; i < size * size; i++) {
        Uint32 v = 0;
        Uint8 rgb[3];
        memcpy(&v, (Uint8*)art->pixels + (cy + i / size) * art->pitch + (cx + i % size) * bpp, bpp);
        SDL_GetRGB(v, art->format, &rgb[0], &rgb[1], &rgb[2]);
        if (rgb[0] != 255 || rgb[1] != 0 || rgb[2] != 255) // magenta is transparent
            fill(bx + i % size, by + i / size, 1, 1, rgb);
    }
}

void text(int bx, int by, const std::string& s)
{
    for (size_t i = 0; i < s.size(); i++)
        artcell(8 * (s[i] % 16), 8 * (s[i] / 16), 8, bx + 8 * (int)i, by);
}

const char* const POINTER[8] = { "11110000", "12221100", "12222210", "12222221", "01222210",
    "01222221", "00121221", "00010110" }; // 1 black, 2 the current colour

void drawbrowser(const Model& m)
{
    for (int y = 0; y < 352; y++)
        for (int x = 0; x < 208; x++)
            fill(x, y, 1, 1, m.sheet.pal[m.sheet.pix[x * 848 + m.top * 16 + y]]);
    int column = m.x / 16, row = m.y / 16 + m.top;
    std::string where = "X:" + std::to_string(column) + ", Y:" + std::to_string(row)
        + ", tile:" + std::to_string(row * 13 + column);
    text(224, 16, m.x < 208 ? where : "X:-, Y:-, tile:-");
    if (m.selw == 0)
        return;
    text(224, 48, "tile area");
    text(224, 56, "X:" + std::to_string(m.selx) + ", Y:" + std::to_string(m.sely));
    text(224, 64, "width:" + std::to_string(m.selw) + ", height:" + std::to_string(m.selh));
    for (int i = 0; i < m.selw * m.selh; i++) {
        int row = m.sely + i / m.selw;
        if (row >= m.top && row < m.top + 22)
            artcell(0, 64, 16, (m.selx + i % m.selw) * 16, (row - m.top) * 16);
    }
}

void drawreference(const Model& m, bool withmessage)
{
    const unsigned char grey[3] = { 215, 215, 215 }, peach[3] = { 255, 222, 200 };
    fill(0, 0, 400, 352, grey);
    if (!m.editing)
        drawbrowser(m);
    for (int i = 0; i < 16 && m.editing; i++)
        fill(8 + 24 * i, 0, 24, 16, m.sheet.pal[i]);
    auto [ax, ay, aw, ah] = area(m);
    for (int r = 0; r < ah && m.editing; r++)
        for (int c = 0; c < aw; c++) {
            int gx = c / m.magnification % (m.selw * 16), gy = r / m.magnification % (m.selh * 16);
            fill(ax + c, ay + r, 1, 1, m.sheet.pal[m.grid[gx][gy]]);
        }
    if (withmessage) {
        fill(8, 4, (int)m.message.size() * 8 + 8, 16, peach);
        text(12, 8, m.message);
    }
    for (int i = 0; i < 64; i++) {
        char v = POINTER[i / 8][i % 8];
        if (v != '0')
            fill(m.x + i % 8, m.y + i / 8, 1, 1,
                v == '1' ? (const unsigned char*)"\0\0" : m.sheet.pal[m.colour]);
    }
}

// A place for the pointer in screen pixels: anywhere in the window, past its edges, or on
// either side of an edge that the rules draw a line at.
std::pair<int, int> somewhere(std::mt19937& rng, const Model& m)
{
    int z = m.zoom, kind = rng() % 10;
    if (kind < 3 && !m.editing && m.selw > 0) // a tile the selection can stretch to, or nearly
        return { (m.selx + (int)(rng() % 9)) * 16 * z + (int)(rng() % (16 * z)),
            (m.sely - m.top + (int)(rng() % 9)) * 16 * z + (int)(rng() % (16 * z)) };
    if (kind < 5)
        return { (int)(rng() % (400 * z)), (int)(rng() % (352 * z)) };
    if (kind == 5)
        return { rng() % 2 ? 65000 : (int)(rng() % (480 * z)), (int)(rng() % (420 * z)) };
    auto [ax, ay, aw, ah] = area(m);
    const int xs[] = { 0, 8, 208, 392, 400, ax, ax + aw, ax + 16 * m.magnification };
    const int ys[] = { 0, 16, 352, ay, ay + ah, ay + 16 * m.magnification, 48 };
    int x = xs[rng() % 8] - (int)(rng() % 2), y = ys[rng() % 7] - (int)(rng() % 2);
    return { std::max(x, 0) * z + (int)(rng() % z), std::max(y, 0) * z + (int)(rng() % z) };
}

struct Session {
    std::mt19937 rng;
    Model m;
    Uint8* keys = nullptr;
    Uint8 buttons = 0; // the buttons really held, whatever reached the queue
    std::string log; // the inputs of the last frames, for a failure's report
};

// Returns 0 when the queue was full and the event was lost.
bool push(SDL_Event e, std::vector<SDL_Event>& queued)
{
    if (SDL_PushEvent(&e) != 0)
        return false;
    queued.push_back(e);
    return true;
}

void pushmouse(Session& s, std::vector<SDL_Event>& queued)
{
    SDL_Event e = SDL_Event();
    int kind = s.rng() % 100;
    if (kind < 60) {
        auto [x, y] = somewhere(s.rng, s.m);
        e.type = SDL_MOUSEMOTION;
        e.motion.x = x;
        e.motion.y = y;
        e.motion.state = s.buttons;
        s.log += " move " + std::to_string(x) + "," + std::to_string(y);
    } else if (kind < 85) {
        const Uint8 which[] = { SDL_BUTTON_LEFT, SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT,
            SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE, SDL_BUTTON_WHEELDOWN };
        e.type = SDL_MOUSEBUTTONDOWN;
        bool stretching = !s.m.editing && s.m.selw > 0 && s.rng() % 2; // selections of every shape
        e.button.button = stretching ? SDL_BUTTON_RIGHT : which[s.rng() % 6];
        s.buttons |= SDL_BUTTON(e.button.button);
        s.log += " press " + std::to_string(e.button.button);
    } else if (kind < 97) {
        e.type = SDL_MOUSEBUTTONUP;
        e.button.button = s.rng() % 2 ? SDL_BUTTON_LEFT : SDL_BUTTON_RIGHT;
        s.buttons &= ~SDL_BUTTON(e.button.button);
        s.log += " release " + std::to_string(e.button.button);
    } else if (kind < 99) {
        s.buttons = 0; // released where the queue lost it
        s.log += " release lost";
        return;
    } else {
        e.type = SDL_VIDEOEXPOSE; // covered and uncovered: the window's pixels are lost
        std::fill(windowshows.begin(), windowshows.end(), 0x33);
        s.log += " expose";
    }
    push(e, queued);
}

// Another program writes the sheet file anew (a sheet, or something else) or removes it.
void otherprogram(Session& s)
{
    int kind = s.rng() % 10;
    s.log += " file " + std::to_string(kind);
    if (kind == 0) {
        unlink(FILE);
        s.m.disk.clear();
        s.m.disksheet = false;
        return;
    }
    Sheet repainted = s.m.sheet; // its colours changed, its pixels as the editor has them
    memcpy(repainted.pal, randomsheet(s.rng, 1).pal, sizeof repainted.pal);
    s.m.disksheet = kind > 1;
    s.m.ondisk = kind < 6 ? repainted : randomsheet(s.rng, 1 + s.rng() % 848);
    s.m.disk = s.m.disksheet ? bmpfile(s.m.ondisk) : bytes(300, 'x');
    writebytes("other.bmp", s.m.disk);
    rename("other.bmp", FILE); // a new file, as an editor's save makes it
    s.m.changedbyother = true;
}

// One frame's inputs: mouse events, now and then a flood of them or a window close, the keys
// held in this frame, and now and then a change to the file by another program.
void frame(Session& s, int number, bool last, bool& reference)
{
    std::vector<SDL_Event> queued;
    bool full = false;
    s.log = "frame " + std::to_string(number) + ":";
    int events = s.rng() % 3 ? 0 : 1 + s.rng() % 4;
    for (int i = 0; i < events; i++)
        pushmouse(s, queued);
    bool flood = s.rng() % 400 == 0;
    for (int i = 0; flood && i < 200; i++) {
        SDL_Event e = SDL_Event();
        e.type = SDL_MOUSEMOTION;
        e.motion.x = i;
        full |= !push(e, queued);
    }
    if (flood) {
        std::fill(windowshows.begin(), windowshows.end(), 0x44); // an expose may be among the lost
        s.log += " flood";
    }
    if (last && s.rng() % 2) {
        SDL_Event e = SDL_Event();
        e.type = SDL_QUIT;
        full |= !push(e, queued);
    }
    for (int k = 0; k < KEYS; k++) {
        int often = PRESSED[k] * (k == RETURN && !s.m.editing ? 5 : 1);
        bool change = s.keys[SYMBOL[k]] ? s.rng() % 100 < 30 : (int)(s.rng() % 1000) < often;
        s.keys[SYMBOL[k]] ^= change;
        if (s.keys[SYMBOL[k]])
            s.log += " key " + std::to_string(k);
    }
    if (s.rng() % 50 == 0 && s.rng() % 2) { // and now and then the user reloads it at once
        otherprogram(s);
        s.keys[SDLK_LCTRL] = s.keys[SDLK_F4] = 1;
    } else if (s.rng() % 100 == 0) {
        otherprogram(s);
    }
    reference = number % 6 == 0; // the pointer mostly stays put for some frames
    runframe();
    for (const SDL_Event& e : queued)
        event(s.m, e);
    if (full) { // events were lost: the pointer where SDL last saw it, and its buttons
        int x, y;
        Uint8 held = SDL_GetMouseState(&x, &y);
        if ((s.m.leftdrag && !(held & SDL_BUTTON_LMASK))
            || (s.m.rightdrag && !(held & SDL_BUTTON_RMASK)))
            s.m.leftdrag = s.m.rightdrag = false;
        s.m.x = std::min(std::max(x, 0) / s.m.zoom, 399);
        s.m.y = std::min(std::max(y, 0) / s.m.zoom, 351);
    }
    keys(s.m, s.keys);
}

void runsession(unsigned seed, int z, int frames)
{
    Session s;
    s.rng.seed(seed);
    startwindow(z);
    s.keys = SDL_GetKeyState(NULL);
    s.m.zoom = z;
    s.m.sheet = randomsheet(s.rng, s.rng() % 2 ? 848 : 16 + s.rng() % 832);
    s.m.disk = bmpfile(s.m.sheet);
    s.m.disksheet = true;
    s.m.ondisk = s.m.sheet;
    writebytes(FILE, s.m.disk);
    initeditor();
    loadtiles();
    ASSERT_GE(curcol, 1);
    ASSERT_LE(curcol, 15);
    s.m.colour = curcol;
    memset(s.keys, 0, SDLK_LAST);
    art = SDL_LoadBMP("vorlugfx.bmp");
    SDL_Surface* apart = SDL_ConvertSurface(screen, screen->format, 0);
    for (int n = 0; n < frames && !s.m.quit; n++) {
        bool reference;
        frame(s, n, n == frames - 1, reference);
        SCOPED_TRACE("seed " + std::to_string(seed) + ", " + s.log);
        ASSERT_EQ(describeprogram(), describe(s.m));
        ASSERT_EQ(contentdiffers(s.m), "");
        // Drawn apart: the screen as the editor left it is the next frame's starting point.
        SDL_Surface* editors = screen;
        screen = apart;
        int messageleft = messagetime; // counted down after the frame was drawn
        messagetime = s.m.messageshown;
        drawframe();
        messagetime = messageleft;
        std::string wholediffers = windowdiffers();
        if (reference)
            drawreference(s.m, s.m.messageshown);
        std::string referencediffers = reference ? windowdiffers() : "";
        screen = editors;
        ASSERT_EQ(wholediffers, "") << "against the frame drawn whole";
        ASSERT_EQ(referencediffers, "") << "against the frame drawn from the model";
    }
    SDL_FreeSurface(art);
    SDL_FreeSurface(apart);
    memset(s.keys, 0, SDLK_LAST);
}

// A fixed seed that always runs, and a fresh one each run, told on failure.
class Sessions : public testing::TestWithParam<int> { };

TEST_P(Sessions, EveryFrameAgreesWithTheModelAndTheWindowShowsIt)
{
    int z = GetParam();
    const int frames[10] = { 0, 2000, 1200, 600, 350, 250, 180, 140, 110, 90 }; // 1-2 s each
    const char* asked = getenv("VORLUDIT_SEED"); // to run a failed session again
    unsigned fresh = asked ? atoi(asked) : std::random_device()();
#ifdef VORLUDIT_SESSION_SHARE
    int share = VORLUDIT_SESSION_SHARE;
#else
    int share = 1;
#endif
    runsession(z, z, frames[z] / share);
    runsession(fresh, z, frames[z] / share);
}

INSTANTIATE_TEST_SUITE_P(Zoom, Sessions, testing::Range(1, 10));

} // namespace

// A full undo stack drops a change's entry, not the change: 10000 changes stay undoable, in
// reverse order, and the 10001st stays painted.
TEST(Undo, TenThousandChangesAndNoMore)
{
    freshstate();
    tsselw = tsselh = 8;
    openeditor();
    curcol = 5;
    for (int i = 0; i <= 10000; i++) // distinct pixels, each from 0 to 5
        editorpaint(8 + i % 128, 24 + i / 128, 0);
    EXPECT_EQ(pblen, 10000);
    for (int i = 0; i < 10001; i++)
        undopixbuf();
    int painted = std::count(grid, grid + sizeof grid, 5);
    EXPECT_EQ(painted, 1);
    EXPECT_EQ(grid[(10000 % 128) * 128 + 10000 / 128], 5);
}
