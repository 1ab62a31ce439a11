/* Prints a line and exits with code 3, so the harness must pass a non-zero exit code through. */
#include <stdio.h>

int main(void)
{
    printf("exiting with 3\n");
    fflush(stdout);
    return 3;
}
