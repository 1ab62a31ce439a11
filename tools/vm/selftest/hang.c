/* Never exits on its own: the harness must report it as timed out, not as a result. */
#include <windows.h>
#include <stdio.h>

int main(void)
{
    printf("hanging\n");
    fflush(stdout);
    for (;;)
        Sleep(1000);
}
