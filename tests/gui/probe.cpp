// qcprobe: reads what a running program holds, from outside, for the soak test.
//   qcprobe counts PID|CAPTION   prints "handles=N gdi=N user=N private=N" (private in bytes)
// The handle count comes from GetProcessHandleCount, or, where that reports none (Wine does),
// from the system's handle table (NtQuerySystemInformation class 16) counted for the pid. GDI and
// USER counts come from GetGuiResources, or where it reports none (Wine) from the process's GDI
// handle table and the windows it owns. A count that cannot be read is printed as -1.
// Exit status: 0 success, 1 the process cannot be found or opened, 2 bad usage.
#include <windows.h>
// After <windows.h>, which they need.
#include <psapi.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// The layout of the system handle table as ntdll returns it to a 32-bit process.
struct HandleEntry {
  USHORT processId;
  USHORT creatorBackTraceIndex;
  UCHAR objectTypeIndex;
  UCHAR handleAttributes;
  USHORT handleValue;
  PVOID object;
  ULONG grantedAccess;
};
struct HandleTable {
  ULONG count;
  HandleEntry entries[1];
};
using NtQuerySystemInformationFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
constexpr ULONG kSystemHandleInformation = 16;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);

// -1 when the table cannot be read.
long HandlesFromSystemTable(DWORD pid) {
  auto query = reinterpret_cast<NtQuerySystemInformationFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return -1;
  std::vector<unsigned char> buffer(1 << 16);
  for (int attempt = 0; attempt < 16; ++attempt) {
    ULONG needed = 0;
    const LONG status =
        query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == kStatusInfoLengthMismatch) {
      buffer.resize(needed > buffer.size() ? needed + 4096 : buffer.size() * 2);
      continue;
    }
    if (status < 0) return -1;
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    const size_t room = (buffer.size() - offsetof(HandleTable, entries)) / sizeof(HandleEntry);
    long n = 0;
    for (ULONG i = 0; i < table->count && i < room; ++i) {
      if (table->entries[i].processId == static_cast<USHORT>(pid)) ++n;
    }
    return n;
  }
  return -1;
}

// GDI objects where GetGuiResources reports none (Wine): Wine keeps each process's GDI handle
// table in one private read-write allocation of 64K entries of 24 bytes, which its PEB does not
// point to. Find that allocation in the target and count the live entries that are not stock
// objects. -1 when no allocation looks like the table.
struct GdiEntry {
  ULONGLONG object;
  ULONG owner;
  UCHAR extType;  // bit 7: a stock object
  UCHAR generation;
  UCHAR type;  // 0: a free entry
  UCHAR flags;
  ULONGLONG userPointer;
};
static_assert(sizeof(GdiEntry) == 24, "GDI handle entry layout");
constexpr size_t kGdiHandles = 0x10000;

long GdiFromHandleTable(HANDLE process) {
  std::vector<GdiEntry> entries(kGdiHandles);
  const SIZE_T tableBytes = entries.size() * sizeof(GdiEntry);
  MEMORY_BASIC_INFORMATION region{};
  const char* at = nullptr;
  while (VirtualQueryEx(process, at, &region, sizeof region) == sizeof region) {
    SIZE_T got = 0;
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE &&
        region.Protect == PAGE_READWRITE && region.RegionSize == tableBytes &&
        region.BaseAddress == region.AllocationBase &&
        ReadProcessMemory(process, region.BaseAddress, entries.data(), tableBytes, &got) &&
        got == tableBytes) {
      long live = 0;
      long stock = 0;
      bool plausible = true;
      for (const GdiEntry& e : entries) {
        if (e.type == 0) continue;
        plausible &= e.type < 0x80;
        ++live;
        stock += (e.extType & 0x80) != 0 ? 1 : 0;
      }
      // Every process has its stock pens, brushes and fonts in the table.
      if (plausible && stock >= 10) return live - stock;
    }
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return -1;
}

// USER objects where GetGuiResources reports none: the windows the process owns, every level.
struct WindowTally {
  DWORD pid;
  long count;
};
BOOL CALLBACK TallyChild(HWND w, LPARAM p) {
  auto* t = reinterpret_cast<WindowTally*>(p);
  DWORD owner = 0;
  GetWindowThreadProcessId(w, &owner);
  if (owner == t->pid) ++t->count;
  return TRUE;
}
BOOL CALLBACK TallyTop(HWND w, LPARAM p) {
  auto* t = reinterpret_cast<WindowTally*>(p);
  DWORD owner = 0;
  GetWindowThreadProcessId(w, &owner);
  if (owner == t->pid) ++t->count;
  EnumChildWindows(w, TallyChild, p);  // all descendants, not only direct children
  return TRUE;
}
long WindowsOf(DWORD pid) {
  WindowTally t{pid, 0};
  EnumWindows(TallyTop, reinterpret_cast<LPARAM>(&t));
  for (HWND w = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w != nullptr;
       w = FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr))
    TallyTop(w, reinterpret_cast<LPARAM>(&t));
  return t.count;
}

struct FindByCaption {
  const wchar_t* caption;
  DWORD pid;
};

BOOL CALLBACK MatchCaption(HWND w, LPARAM p) {
  auto* f = reinterpret_cast<FindByCaption*>(p);
  wchar_t text[256] = {};
  GetWindowTextW(w, text, 256);
  if (std::wcscmp(text, f->caption) != 0) return TRUE;
  GetWindowThreadProcessId(w, &f->pid);
  return FALSE;
}

DWORD PidOf(const wchar_t* arg) {
  wchar_t* end = nullptr;
  const unsigned long n = std::wcstoul(arg, &end, 10);
  if (end != arg && *end == L'\0') return static_cast<DWORD>(n);
  FindByCaption find{arg, 0};
  EnumWindows(MatchCaption, reinterpret_cast<LPARAM>(&find));
  return find.pid;
}

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc != 3 || std::wcscmp(argv[1], L"counts") != 0) {
    std::fprintf(stderr, "usage: qcprobe counts PID|CAPTION\n");
    return 2;
  }
  const DWORD pid = PidOf(argv[2]);
  if (pid == 0) {
    std::fprintf(stderr, "qcprobe: no such process or window\n");
    return 1;
  }
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (process == nullptr) {
    std::fprintf(stderr, "qcprobe: cannot open process %lu (%lu)\n", pid, GetLastError());
    return 1;
  }
  DWORD handles = 0;
  long count = GetProcessHandleCount(process, &handles) ? static_cast<long>(handles) : 0;
  if (count == 0) count = HandlesFromSystemTable(pid);
  long gdi = static_cast<long>(GetGuiResources(process, GR_GDIOBJECTS));
  if (gdi == 0) gdi = GdiFromHandleTable(process);
  long user = static_cast<long>(GetGuiResources(process, GR_USEROBJECTS));
  if (user == 0) user = WindowsOf(pid);
  // Private bytes: PrivateUsage, or the commit charge (PagefileUsage, the same figure on Windows)
  // where that is left at zero (Wine).
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  const bool haveMemory = GetProcessMemoryInfo(
      process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  CloseHandle(process);
  const SIZE_T privateBytes = !haveMemory                ? 0
                              : memory.PrivateUsage != 0 ? memory.PrivateUsage
                                                         : memory.PagefileUsage;
  std::printf("pid=%lu handles=%ld gdi=%ld user=%ld private=%lu\n", pid, count, gdi, user,
              static_cast<unsigned long>(privateBytes));
  return 0;
}
