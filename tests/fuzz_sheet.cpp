// The sheet decoder on arbitrary bytes: it must not read or write out of
// bounds, and a file it takes must give a sheet the store can hold.
#include "sheetfile.h"
#include <cstdint>
#include <cstdlib>
#include <cstring>

static sheetimage out;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    memset(out.pix, 0xff, sizeof out.pix); // a row left unwritten shows up below
    int rows = decodesheet(data, size, &out);
    if (rows < 0
        || (rows > 0
            && out.h != (rows < SHEETH ? rows : SHEETH))) // the file's rows, the store's share
        abort();
    for (int i = 0; rows > 0 && i < SHEETW * SHEETH; i++)
        if (i % SHEETH < out.h && out.pix[i] > 15)
            abort();
    return 0;
}
