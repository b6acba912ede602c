// show_args [ARGUMENT...]
// Opens a window that lists every argument it was started with, one to a line,
// under the title "show_args: N arguments", after the folder it was started in.
// The demo starts it from a program button to show which command line the
// button built and where.
#include <windows.h>

#include <string>

namespace {

constexpr char kClassName[] = "show_args window";
HWND listBox = nullptr;

LRESULT CALLBACK ShowArgsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (listBox) MoveWindow(listBox, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

void Fail(const char* what) { MessageBoxA(nullptr, what, "show_args", MB_OK | MB_ICONHAND); }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = ShowArgsProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassA(&windowClass)) {
    Fail("RegisterClass failed.");
    return 1;
  }
  const int count = __argc - 1;
  const std::string title =
      "show_args: " + std::to_string(count) + (count == 1 ? " argument" : " arguments");
  HWND window = CreateWindowExA(0, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW, 360, 420, 560,
                                200, nullptr, nullptr, instance, nullptr);
  if (!window) {
    Fail("CreateWindowEx failed.");
    return 1;
  }
  RECT client;
  GetClientRect(window, &client);
  listBox = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOSEL, 0, 0,
                            client.right, client.bottom, window, nullptr, instance, nullptr);
  if (!listBox) {
    Fail("CreateWindowEx (list) failed.");
    DestroyWindow(window);
    return 1;
  }
  SendMessageA(listBox, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               FALSE);
  char folder[MAX_PATH] = "";
  GetCurrentDirectoryA(MAX_PATH, folder);
  const std::string started = std::string("started in: ") + folder;
  SendMessageA(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(started.c_str()));
  for (int i = 1; i < __argc; ++i) {
    const std::string line = std::to_string(i) + ": " + __argv[i];
    SendMessageA(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  }
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
