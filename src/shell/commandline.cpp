// The command line and the settings file: where the editor works, and at
// what window scale.
#include "vorludit.h"
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

static const char* SETTINGSFILE = "vorludef.txt";
static const char* MENUFOLDER = "vorludit"; // in the home folder

static const char* const USAGE
    = "usage: vorludit [--menu] [FOLDER | SHEET]\n"
      "       vorludit --help | --version\n"
      "\n"
      "Edits the tile sheet of the working folder: the first of 1TIL0000.bmp,\n"
      "2TIL0000.bmp and 3TIL0000.bmp that exists (1TIL0000.bmp when none does).\n"
      "FOLDER: works in FOLDER as if started there. SHEET, a .bmp file: works in\n"
      "its folder and edits SHEET. --menu, with neither: works in ~/vorludit,\n"
      "made on the first such start with a new sheet in it.\n";

// Only the first byte counts: '1' to '9' is the window scale.
void readsettings()
{
    FILE* f = openregular(SETTINGSFILE);
    if (f == NULL)
        return;
    int c = fgetc(f);
    fclose(f);
    if (c > '0' && c <= '9')
        zoom = c - '0';
}

// A bad argument: one line, and no window.
static void badarg(const char* arg, const char* why)
{
    printf("vorludit: %s: %s (vorludit --help shows the usage)\n", arg, why);
    exit(2);
}

// A folder is worked in as if the editor were started there; a sheet's
// folder likewise, and the sheet itself is the one edited, made by the
// first F5 when it is not there yet.
static void workon(const char* path)
{
    struct stat st;
    if (stat(path, &st) == 0 && S_ISDIR(st.st_mode)) {
        if (chdir(path) != 0)
            badarg(path, strerror(errno));
        return;
    }
    const char* name = strrchr(path, '/');
    name = name != NULL ? name + 1 : path;
    size_t len = strlen(name);
    if (len <= 4 || strcasecmp(name + len - 4, ".bmp") != 0)
        badarg(path, "neither a folder nor a .bmp sheet");
    if (len >= sizeof namedsheet)
        badarg(path, strerror(ENAMETOOLONG));
    char dir[PATH_MAX];
    int dirlen = name == path ? 1 : (int)(name - path);
    if (dirlen >= (int)sizeof dir) // cut short, it would name an ancestor
        badarg(path, strerror(ENAMETOOLONG));
    snprintf(dir, sizeof dir, "%.*s", dirlen, name == path ? "." : path);
    if (chdir(dir) != 0)
        badarg(path, strerror(errno));
    strcpy(namedsheet, name);
}

// From the application menu there is no terminal and no folder of sheets
// to start in: the editor works in ~/vorludit. Returns 1 when this start
// made that folder, which then gets a new sheet.
static int workinmenufolder()
{
    const char* home = getenv("HOME");
    char dir[PATH_MAX];
    if (home == NULL || home[0] == 0
        || snprintf(dir, sizeof dir, "%s/%s", home, MENUFOLDER) >= (int)sizeof dir) {
        printf("vorludit: no home folder to make %s in\n", MENUFOLDER);
        exit(1);
    }
    int made = mkdir(dir, 0777) == 0;
    if ((!made && errno != EEXIST) || chdir(dir) != 0) {
        printf("vorludit: cannot work in %s: %s\n", dir, strerror(errno));
        exit(1);
    }
    return made;
}

// The command line: help and the version end the program; otherwise it
// moves to the folder to work in. Returns 1 when that folder was just made
// for a menu start and wants a new sheet.
int readargs(int argc, char* argv[])
{
    const char* arg = NULL;
    int menu = 0;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--help") == 0) {
            fputs(USAGE, stdout);
            exit(0);
        }
        if (strcmp(argv[i], "--version") == 0) {
            puts("vorludit " VORLUDIT_VERSION);
            exit(0);
        }
        if (strcmp(argv[i], "--menu") == 0)
            menu = 1;
        else if (argv[i][0] == '-')
            badarg(argv[i], "no such option");
        else if (arg != NULL)
            badarg(argv[i], "only one folder or sheet can be edited");
        else
            arg = argv[i];
    }
    if (arg != NULL)
        workon(arg);
    else if (menu)
        return workinmenufolder();
    return 0;
}
