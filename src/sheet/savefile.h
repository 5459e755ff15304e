// The parts of the sheet file library its own files share, and the
// editor's load with them: vorludit-sheet needs only sheetfile.h.
#ifndef SAVEFILE_H
#define SAVEFILE_H

#include "sheetfile.h"

// ---- src/sheet/files.cpp -------------------------------------------------

// Larger than any 208-pixel-wide 4-bit sheet a paint program would write;
// a bigger file is not taken for a sheet.
const size_t FILEMAX = 4 << 20;
extern unsigned char filebuf[FILEMAX + 1]; // a whole sheet file as read last

fileid idof(const struct stat* st);
fileid idwith(const struct stat* st, const unsigned char* data, size_t len);
int sameid(const fileid* a, const fileid* b);
int isnamed(int dir, const char* name, int fd);
int opensheet(const char* name, int flags, int* dir, const char** base, struct stat* st);
long readall(int fd, unsigned char* buf, size_t max);
int writeall(int fd, const unsigned char* data, size_t len, off_t at);

// ---- src/sheet/save.cpp --------------------------------------------------

int savetest(const char* what);
void syncfolder(int dir);
int claimtemp(int dir, const char* base, int fd, mode_t mode, char* tmp);
fileid currentid(int dir, const char* base, const struct stat* st);
int changedmeanwhile(int dir, const char* base, int fd, const fileid* expect);

// ---- src/sheet/fileattrs.cpp ---------------------------------------------

int takeover(int old, const struct stat* st, int fd);

// ---- src/sheet/rescue.cpp ------------------------------------------------

extern unsigned char rescuebuf[]; // the sheet in a rescue copy, as read last

long readrescue(int dir, const char* base, const struct stat* sheet);
void droprescue(int dir, const char* base);
int writeinplace(int fd, int dir, const char* base, const struct stat* st,
    const unsigned char* data, size_t len, const fileid* before, const fileid* expect);

#endif
