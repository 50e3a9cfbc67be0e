// A small Windows program for the end-to-end runs of the Windows stub under wine.
//   wine_probe record OUT FILE...   (started by the stub from its archive) writes its own
//                                   command line, then per FILE one line "attributes
//                                   last-write-time" (hex, local YYYY-MM-DD hh:mm:ss);
//                                   relative paths are taken from the probe's directory
//   wine_probe tempdir              prints GetTempPathA
//   wine_probe readbox CAPTION OUT  waits for a top-level window with that caption, writes
//                                   the texts of its static controls to OUT, presses its
//                                   default button, and exits 0 (1 if no such window came)
// Every file is written under a temporary name and then renamed, so a reader never sees
// half of it.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int BoxWaitSteps = 600;  // of 50 ms each
constexpr DWORD BoxWaitStep = 50;  // ms

void WriteAtomically(const std::string& path, const std::string& text) {
  const std::string part = path + ".part";
  FILE* file = std::fopen(part.c_str(), "wb");
  if (file == nullptr) return;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
  MoveFileExA(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

std::string DescribeFile(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return "missing";
  FILETIME local{};
  SYSTEMTIME time{};
  FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
  FileTimeToSystemTime(&local, &time);
  char line[96];
  std::snprintf(line, sizeof line, "%02lX %04u-%02u-%02u %02u:%02u:%02u", data.dwFileAttributes & 0xFF, time.wYear,
                time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
  return line;
}

int Record(int argc, char** argv) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string directory(self);
  SetCurrentDirectoryA(directory.substr(0, directory.rfind('\\') + 1).c_str());
  std::string text = std::string(GetCommandLineA()) + "\n";
  for (int i = 3; i < argc; ++i) text += DescribeFile(argv[i]) + "\n";
  WriteAtomically(argv[2], text);
  return 0;
}

BOOL CALLBACK CollectStaticText(HWND control, LPARAM collected) {
  char className[32] = {};
  GetClassNameA(control, className, sizeof className);
  if (lstrcmpiA(className, "Static") == 0) {
    char text[1024] = {};
    GetWindowTextA(control, text, sizeof text);
    if (text[0] != '\0') *reinterpret_cast<std::string*>(collected) += std::string(text) + "\n";
  }
  return TRUE;
}

int ReadBox(const char* caption, const char* out) {
  HWND box = nullptr;
  for (int step = 0; step < BoxWaitSteps && box == nullptr; ++step) {
    box = FindWindowA(nullptr, caption);
    if (box == nullptr) Sleep(BoxWaitStep);
  }
  if (box == nullptr) return 1;
  std::string text;
  EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&text));
  WriteAtomically(out, text);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "record" && argc >= 3) return Record(argc, argv);
  if (mode == "tempdir") {
    char directory[MAX_PATH + 1] = {};
    GetTempPathA(sizeof directory, directory);
    std::printf("%s\n", directory);
    return 0;
  }
  if (mode == "readbox" && argc == 4) return ReadBox(argv[2], argv[3]);
  std::fprintf(stderr, "usage: wine_probe record OUT FILE... | tempdir | readbox CAPTION OUT\n");
  return 2;
}
