/* Opens a visible top-level window and a low-level keyboard hook, injects a key with SendInput and
   checks that the hook saw it: the guest's X server and Wine's window and input paths work. */
#include <windows.h>
#include <stdio.h>

static HHOOK hook;
static volatile int hook_hits;

static LRESULT CALLBACK kb_hook(int code, WPARAM wp, LPARAM lp)
{
    if (code == HC_ACTION && ((KBDLLHOOKSTRUCT *)lp)->vkCode == VK_F7)
        hook_hits++;
    return CallNextHookEx(hook, code, wp, lp);
}

static LRESULT CALLBACK wnd_proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    return DefWindowProcA(w, m, wp, lp);
}

int main(void)
{
    WNDCLASSA wc = {0};
    HWND w;
    INPUT in[2] = {0};
    DWORD end, next_inject;
    int injections = 0;
    MSG msg;
    int visible;

    wc.lpfnWndProc = wnd_proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "vmselftest";
    if (!RegisterClassA(&wc)) {
        printf("RegisterClass failed %lu\n", GetLastError());
        return 1;
    }
    w = CreateWindowExA(0, "vmselftest", "vm self-test", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                        10, 10, 320, 200, NULL, NULL, wc.hInstance, NULL);
    if (!w) {
        printf("CreateWindow failed %lu\n", GetLastError());
        return 1;
    }
    hook = SetWindowsHookExA(WH_KEYBOARD_LL, kb_hook, wc.hInstance, 0);
    if (!hook) {
        printf("SetWindowsHookEx failed %lu\n", GetLastError());
        return 1;
    }
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = VK_F7;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    /* Wine skips low-level hooks of a thread that has not read its queue for 5 s and gives a hook 2 s
       to answer; under a slow, loaded emulator either can happen, so pump first and inject again
       every second until the hook has seen a key press and release (for up to 20 s). */
    end = GetTickCount() + 20000;
    next_inject = GetTickCount();
    while (hook_hits < 2 && (LONG)(end - GetTickCount()) > 0) {
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if ((LONG)(GetTickCount() - next_inject) >= 0) {
            if (SendInput(2, in, sizeof in[0]) != 2)
                printf("SendInput failed %lu\n", GetLastError());
            injections++;
            next_inject = GetTickCount() + 1000;
        }
        MsgWaitForMultipleObjects(0, NULL, FALSE, 50, QS_ALLINPUT);
    }
    visible = IsWindowVisible(w) ? 1 : 0;
    printf("visible %d, hook calls for F7 %d after %d injections\n", visible, hook_hits, injections);
    UnhookWindowsHookEx(hook);
    DestroyWindow(w);
    if (visible && hook_hits >= 2) {
        printf("window ok\n");
        return 0;
    }
    return 1;
}
