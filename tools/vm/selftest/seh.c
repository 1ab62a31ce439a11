/* Writes to address 0 inside a frame-based SEH handler registered by hand on fs:0, and recovers.
   This only works if a real 32-bit Wine dispatches the access violation through the fs:0 chain. */
#include <windows.h>
#include <stdio.h>

void recover_point(void); /* a label inside the asm block below */

static volatile DWORD seen_code, seen_addr, calls;

static EXCEPTION_DISPOSITION __cdecl handler(EXCEPTION_RECORD *rec, void *frame, CONTEXT *ctx, void *dispatcher)
{
    (void)frame;
    (void)dispatcher;
    if (rec->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
        return ExceptionContinueSearch;
    calls++;
    seen_code = rec->ExceptionCode;
    seen_addr = (DWORD)rec->ExceptionInformation[1];
    /* Resume after the faulting store; every other register is restored from the fault context. */
    ctx->Eip = (DWORD)recover_point;
    return ExceptionContinueExecution;
}

int main(void)
{
    DWORD before, after;

    __asm__ volatile("movl %%fs:0, %0" : "=r"(before));
    __asm__ volatile(
        "pushl %[h]\n\t"          /* EXCEPTION_REGISTRATION_RECORD.Handler */
        "pushl %%fs:0\n\t"        /* .Next */
        "movl %%esp, %%fs:0\n\t"  /* register the record */
        "xorl %%eax, %%eax\n\t"
        "movl $0x2a, (%%eax)\n\t" /* access violation: write to address 0 */
        ".globl _recover_point\n"
        "_recover_point:\n\t"
        "movl (%%esp), %%eax\n\t" /* unregister: fs:0 = .Next */
        "movl %%eax, %%fs:0\n\t"
        "addl $8, %%esp\n\t"
        :
        : [h] "r"(handler)
        : "eax", "memory", "cc");
    __asm__ volatile("movl %%fs:0, %0" : "=r"(after));

    printf("handler calls %lu, code 0x%08lx, address 0x%08lx\n", calls, seen_code, seen_addr);
    if (calls != 1 || seen_code != EXCEPTION_ACCESS_VIOLATION || seen_addr != 0 || after != before) {
        printf("SEH check failed\n");
        return 1;
    }
    printf("recovered\n");
    return 0;
}
