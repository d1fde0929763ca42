// Prints the PE checksum a file's header holds and the one Windows computes
// for it (imagehlp's MapFileAndCheckSumA):
//   checksum_probe FILE   ->   "header XXXXXXXX computed XXXXXXXX"
// Exit code 1 when the file cannot be read.
#include <windows.h>
#include <imagehlp.h>

#include <stdio.h>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    DWORD header = 0, computed = 0;
    if (MapFileAndCheckSumA(argv[1], &header, &computed) != CHECKSUM_SUCCESS) return 1;
    printf("header %08lx computed %08lx\n", header, computed);
    return 0;
}
