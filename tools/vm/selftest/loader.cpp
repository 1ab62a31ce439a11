// Loads plugin.dll from its own folder and calls it: the exe-plus-DLL layout the product's tests use.
#include <windows.h>
#include <cstdio>

int main()
{
    HMODULE dll = LoadLibraryA("plugin.dll");
    if (!dll) {
        std::printf("LoadLibrary failed %lu\n", GetLastError());
        return 1;
    }
    auto answer = reinterpret_cast<int (*)(int)>(GetProcAddress(dll, "plugin_answer"));
    if (!answer) {
        std::printf("GetProcAddress failed %lu\n", GetLastError());
        return 1;
    }
    int got = answer(21);
    std::printf("plugin answered %d\n", got);
    FreeLibrary(dll);
    return got == 42 ? 0 : 1;
}
