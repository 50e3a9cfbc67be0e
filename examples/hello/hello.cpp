// The sample setup program of the demo installer: shows what it was given (its command
// line, its folder, the files it finds there) in a small window and writes the same text
// to hello-report.txt beside itself. "--close-after N" closes the window after N seconds,
// so that scripted runs end by themselves.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr UINT_PTR CloseTimer = 1;
constexpr int MaxListedFiles = 40;
std::string ReportText;

std::string ProgramDirectory() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory = path;
  return directory.substr(0, directory.find_last_of('\\') + 1);
}

// Files below directory, relative to root, depth first.
void ListFiles(const std::string& root, const std::string& relative, std::string& out, int& count) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((root + relative + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out += "  " + relative + name + "\\\r\n";
      ListFiles(root, relative + name + "\\", out, count);
    } else if (++count <= MaxListedFiles) {
      out += "  " + relative + name + "  (" + std::to_string(found.nFileSizeLow) + " bytes)\r\n";
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

std::string BuildReport() {
  const std::string directory = ProgramDirectory();
  std::string text = "Hello from the installed program.\r\n\r\nCommand line:\r\n  ";
  text += GetCommandLineA();
  text += "\r\n\r\nMy folder:\r\n  " + directory + "\r\n\r\nFiles I find there:\r\n";
  int count = 0;
  ListFiles(directory, "", text, count);
  if (count > MaxListedFiles) text += "  ... and " + std::to_string(count - MaxListedFiles) + " more\r\n";
  return text;
}

void WriteReport(const std::string& text) {
  const std::string path = ProgramDirectory() + "hello-report.txt";
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", ReportText.c_str(),
                                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 0, 0, 0, 0,
                                  window, nullptr, nullptr, nullptr);
      SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
      return 0;
    }
    case WM_SIZE: {
      RECT area;
      GetClientRect(window, &area);
      MoveWindow(GetWindow(window, GW_CHILD), 8, 8, area.right - 16, area.bottom - 16, TRUE);
      return 0;
    }
    case WM_TIMER:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int CloseAfterSeconds(const char* commandLine) {
  const char* option = std::strstr(commandLine, "--close-after ");
  return option ? std::atoi(option + std::strlen("--close-after ")) : 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
  ReportText = BuildReport();
  WriteReport(ReportText);

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = "LzsfxHelloWindow";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA(windowClass.lpszClassName, "Hello from the installer", WS_OVERLAPPEDWINDOW,
                              CW_USEDEFAULT, CW_USEDEFAULT, 560, 420, nullptr, nullptr, instance, nullptr);
  ShowWindow(window, show);
  if (const int seconds = CloseAfterSeconds(commandLine); seconds > 0) SetTimer(window, CloseTimer, seconds * 1000, nullptr);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
