/* Dies of an unhandled access violation: must end at once with Wine's crash report, not hang in a crash dialog. */
#include <stdio.h>

int main(void)
{
    printf("about to crash\n");
    fflush(stdout);
    *(volatile int *)0 = 1;
    return 0;
}
