#include "support.h"

#include <cstdio>
#include <sstream>

namespace qc::wintest {

ScratchKey::ScratchKey(HKEY r) : root(r) {
  static int counter = 0;
  sub = "Software\\QuorinCleanerTests\\t" + std::to_string(GetCurrentProcessId()) + "_" +
        std::to_string(++counter);
  Clean();
}

void ScratchKey::Clean() const {
  for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    HKEY tests = nullptr;
    RegOpenKeyExA(root, "Software\\QuorinCleanerTests", 0, KEY_ALL_ACCESS | view, &tests);
    RegDeleteTreeA(tests, sub.substr(sub.rfind('\\') + 1).c_str());
    RegCloseKey(tests);
  }
}

std::wstring ScratchKey::Path(const std::string& below) const {
  return (root == HKEY_LOCAL_MACHINE ? L"HKEY_LOCAL_MACHINE\\" : L"HKEY_CURRENT_USER\\") +
         win32::Wide(sub + (below.empty() ? "" : "\\" + below));
}

std::string ScratchKey::Reg(const std::string& below) const {
  return (root == HKEY_LOCAL_MACHINE ? "\"HKLM\\" : "\"HKCU\\") + sub +
         (below.empty() ? "" : "\\" + below) + "\"";
}

HKEY ScratchKey::Create(REGSAM access) const {
  HKEY key = nullptr;
  RegCreateKeyExA(root, sub.c_str(), 0, nullptr, 0, access, nullptr, &key, nullptr);
  return key;
}

int RunReg(const std::string& args, std::string* out) {
  FILE* pipe = _popen(("reg " + args + " 2>nul").c_str(), "r");
  for (char line[4096]; pipe && std::fgets(line, sizeof line, pipe);)
    if (out) *out += line;
  return pipe ? _pclose(pipe) : -1;
}

std::string RegQuery(const std::string& regKey, const std::string& name, const char* extra) {
  std::string out;
  RunReg("query " + regKey + (name.empty() ? " /ve " : " /v \"" + name + "\" ") + extra, &out);
  std::istringstream lines(out);
  for (std::string line, word; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string collapsed;
    while (words >> word) collapsed += (collapsed.empty() ? "" : " ") + word;
    if (collapsed.rfind((name.empty() ? "(Default)" : name) + " REG_", 0) == 0) return collapsed;
  }
  return {};
}

ScratchFolder::ScratchFolder(const std::string& name) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  path = temp + name + " " + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(path.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
  for (auto it = made.rbegin(); it != made.rend(); ++it) {
    SetFileAttributesA(it->c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(it->c_str()) || RemoveDirectoryA(it->c_str());
  }
  RemoveDirectoryA(path.c_str());
}

std::string ScratchFolder::Folder(const std::string& name) {
  made.push_back(path + "\\" + name);
  CreateDirectoryA(made.back().c_str(), nullptr);
  return made.back();
}

std::string ScratchFolder::File(const std::string& name, LONGLONG size) {
  made.push_back(path + "\\" + name);
  HANDLE h = CreateFileA(made.back().c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0);
  LARGE_INTEGER at{{static_cast<DWORD>(size), static_cast<LONG>(size >> 32)}};
  SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
  SetEndOfFile(h);
  CloseHandle(h);
  return made.back();
}

ListBox::ListBox()
    : hwnd(CreateWindowExA(0, "LISTBOX", "", WS_POPUP | LBS_HASSTRINGS, 0, 0, 200, 200, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr)),
      handle(win32::FromHandle(hwnd)) {}

std::vector<std::string> ListBox::Rows() const {
  std::vector<std::string> rows(SendMessageA(hwnd, LB_GETCOUNT, 0, 0));
  for (size_t i = 0; i < rows.size(); ++i) {
    rows[i].resize(SendMessageA(hwnd, LB_GETTEXTLEN, i, 0) + 1);
    rows[i].resize(SendMessageA(hwnd, LB_GETTEXT, i, reinterpret_cast<LPARAM>(rows[i].data())));
  }
  return rows;
}

void Settle() {
  MSG msg;
  for (int i = 0; i < 20; ++i) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
      if (msg.message != WM_QUIT) DispatchMessageA(&msg);
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT) == WAIT_TIMEOUT) return;
  }
}

}  // namespace qc::wintest
