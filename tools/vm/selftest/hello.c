/* Prints its arguments, an environment variable and a file it reads, writes two files back (one with a
   name outside ASCII); exits 0 if it is 32-bit. */
#include <windows.h>
#include <stdio.h>

int main(int argc, char **argv)
{
    SYSTEM_INFO si;
    BOOL wow64 = FALSE;
    char cwd[MAX_PATH], path[MAX_PATH], line[128];
    wchar_t wpath[MAX_PATH];
    HANDLE h;
    FILE *f;
    int i;

    GetNativeSystemInfo(&si);
    IsWow64Process(GetCurrentProcess(), &wow64);
    GetCurrentDirectoryA(sizeof cwd, cwd);
    printf("hello from win32: pointer bits %u, wow64 %d\n", (unsigned)(sizeof(void *) * 8), (int)wow64);
    printf("cwd %s\n", cwd);
    for (i = 1; i < argc; i++)
        printf("arg%d=[%s]\n", i, argv[i]);
    printf("WINEDEBUG=[%s]\n", getenv("WINEDEBUG") ? getenv("WINEDEBUG") : "");
    printf("VM_SELFTEST=[%s]\n", getenv("VM_SELFTEST") ? getenv("VM_SELFTEST") : "");
    /* A file that came along in the working folder's subfolder. */
    f = fopen("data\\input.txt", "r");
    if (f && fgets(line, sizeof line, f))
        printf("data: %s", line);
    if (f)
        fclose(f);
    /* A file written to the folder that comes back to the host. */
    if (getenv("VM_ARTIFACTS")) {
        snprintf(path, sizeof path, "%s\\hello.txt", getenv("VM_ARTIFACTS"));
        f = fopen(path, "w");
        if (f) {
            fprintf(f, "written by hello.exe\n");
            fclose(f);
        }
        /* Wine must encode the name in UTF-8 on the Unix side, as game folders are often named. */
        _snwprintf(wpath, MAX_PATH, L"%hs\\Grand Theft Auto \u00C4 \u0418\u0433\u0440\u0430.txt", getenv("VM_ARTIFACTS"));
        h = CreateFileW(wpath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        printf("non-ASCII file name: %s\n", h == INVALID_HANDLE_VALUE ? "refused" : "created");
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
    return sizeof(void *) == 4 ? 0 : 1;
}
