#include "support.h"
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

static char scratch[] = "/tmp/vorludit-test-XXXXXX";
static pid_t owner; // the process that made it: a death test's child leaves it

void freshstate()
{
    resetstate();
    if (owner == 0) {
        ASSERT_NE(mkdtemp(scratch), nullptr);
        owner = getpid();
        atexit([] { getpid() == owner&& chdir("/") == 0 && std::filesystem::remove_all(scratch); });
    }
    for (const auto& entry : std::filesystem::directory_iterator(scratch))
        std::filesystem::remove_all(entry.path());
    ASSERT_EQ(chdir(scratch), 0);
    writebytes("vorlugfx.bmp", readbytes(std::string(VORLUDIT_SOURCE_DIR) + "/data/vorlugfx.bmp"));
}

void startwindow(int z)
{
    freshstate();
    setenv("SDL_VIDEODRIVER", "dummy", 1), zoom = z, startvideo(), loadgui();
}

int asymmetricpixel(int x, int y) { return (x * 3 + y * 7 + x * y / 5) % 16; }

void makeasymmetricsheet(int height)
{
    for (int x = 0; x < 208; x++)
        for (int y = 0; y < 848; y++)
            img[x * 848 + y] = (unsigned char)(y < height ? asymmetricpixel(x, y) : 0);
    for (int i = 0; i < 16; i++)
        pal[i][0] = (unsigned char)(i * 16 + 8), pal[i][1] = (unsigned char)(255 - i * 15),
        pal[i][2] = (i * 97 + 40) % 256;
    imgh = height, tsrows = height / 16;
}

std::vector<unsigned char> readbytes(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(f), {});
}

void writebytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    ASSERT_TRUE(
        std::ofstream(path, std::ios::binary).write((const char*)bytes.data(), bytes.size()).good())
        << path;
}
