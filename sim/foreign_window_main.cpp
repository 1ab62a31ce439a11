// Another program's window for the keyboard tests: counts the ESC presses it receives in its
// title ("esc=N") and ends when the process given on its command line ends.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

int escapePresses = 0;

LRESULT CALLBACK countEscape(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
    ++escapePresses;
    ::SetWindowTextW(window, (L"esc=" + std::to_wstring(escapePresses)).c_str());
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const HANDLE owner = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)));
  if (owner == nullptr) return 3;
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = countEscape;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"TembraForeignWindow";
  ::RegisterClassW(&windowClass);
  ::CreateWindowExW(0, windowClass.lpszClassName, L"esc=0", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 300, 320, 240,
                    nullptr, nullptr, windowClass.hInstance, nullptr);
  // Messages until the test process is gone, so no stray window outlives its test.
  while (::MsgWaitForMultipleObjects(1, &owner, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  return 0;
}
