// Started by lib_paths_test: writes its current directory into the file named by its
// argument, so the test sees which working folder it was given.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr) return 3;
    std::fwrite(folder, 1, std::strlen(folder), file);
    std::fclose(file);
    return 0;
}
