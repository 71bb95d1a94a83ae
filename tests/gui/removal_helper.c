/* qcplant: what the removal test needs done from inside Wine.
 *   qcplant attrib rhs PATH...   set read-only/hidden/system (letters r, h, s; "-" for none)
 *   qcplant getattr PATH...      print each path's attributes as hex, or "missing"
 *   qcplant hold PATH FLAGFILE   open PATH with no sharing, print "held", keep it open while
 *                                FLAGFILE exists (at most two minutes)
 * Built by tests/gui/removal_test.sh with the mingw compiler. Exit status 0 on success. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

static int Attrib(const char* flags, int n, char** paths) {
  DWORD a = 0;
  int i;
  if (strchr(flags, 'r')) a |= FILE_ATTRIBUTE_READONLY;
  if (strchr(flags, 'h')) a |= FILE_ATTRIBUTE_HIDDEN;
  if (strchr(flags, 's')) a |= FILE_ATTRIBUTE_SYSTEM;
  if (a == 0) a = FILE_ATTRIBUTE_NORMAL;
  for (i = 0; i < n; ++i) {
    if (!SetFileAttributesA(paths[i], a)) {
      fprintf(stderr, "qcplant: SetFileAttributes %s: error %lu\n", paths[i], GetLastError());
      return 1;
    }
  }
  return 0;
}

static int GetAttr(int n, char** paths) {
  int i;
  for (i = 0; i < n; ++i) {
    DWORD a = GetFileAttributesA(paths[i]);
    if (a == INVALID_FILE_ATTRIBUTES) {
      printf("missing\n");
    } else {
      printf("%lx\n", a);
    }
  }
  return 0;
}

static int Hold(const char* path, const char* flag) {
  int waited = 0;
  HANDLE h = CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (h == INVALID_HANDLE_VALUE) {
    fprintf(stderr, "qcplant: open %s: error %lu\n", path, GetLastError());
    return 1;
  }
  printf("held\n");
  fflush(stdout);
  while (GetFileAttributesA(flag) != INVALID_FILE_ATTRIBUTES && waited < 120000) {
    Sleep(50);
    waited += 50;
  }
  CloseHandle(h);
  return 0;
}

int main(int argc, char** argv) {
  if (argc >= 4 && strcmp(argv[1], "attrib") == 0) return Attrib(argv[2], argc - 3, argv + 3);
  if (argc >= 3 && strcmp(argv[1], "getattr") == 0) return GetAttr(argc - 2, argv + 2);
  if (argc == 4 && strcmp(argv[1], "hold") == 0) return Hold(argv[2], argv[3]);
  fprintf(stderr, "usage: qcplant attrib FLAGS PATH... | getattr PATH... | hold PATH FLAGFILE\n");
  return 2;
}
