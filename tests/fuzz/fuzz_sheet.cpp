// The sheet decoder on arbitrary bytes: it must not read or write out of
// bounds, and a file it takes must give a sheet the store can hold.
#include "vorludit.h"
#include <cstdint>
#include <cstdlib>
#include <cstring>

static sheetimage out;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    memset(out.pix, 0xff, sizeof out.pix);  // a row left unwritten shows up below
    int rows = decodesheet(data, size, &out);
    if (rows == 0)
        return 0;
    if (rows < 0 || out.h != (rows < SHEETH ? rows : SHEETH))  // the file's own row count, the store's share of it
        abort();
    for (int x = 0; x < SHEETW; x++)
        for (int y = 0; y < out.h; y++)
            if (out.pix[x * SHEETH + y] > 15)
                abort();
    return 0;
}
