#!/usr/bin/env python3
"""Checks the built program as Windows will load it: ASLR and DEP, relocations kept, no section
both writable and executable, imports only from DLLs the loader always takes from the system
folder and only the functions in docs/imports.txt, the DLL search narrowed at start, the oldest
Windows as CMakeLists.txt states it, and the resources (version record, icon, manifest).
   check_exe.py PROGRAM.exe CMakeLists.txt      prints each failed check; exit 1 if any"""
import os
import re
import struct
import sys

import pefile

exe, cmakelists = sys.argv[1], sys.argv[2]
root = os.path.dirname(os.path.abspath(cmakelists))
project = open(cmakelists).read()
pe = pefile.PE(exe)
data = open(exe, "rb").read()
failures = []


def check(what, ok):
    if not ok:
        failures.append(what)


# Known DLLs: imported ones are resolved before the program can narrow the search, so only these.
SYSTEM = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "msvcrt.dll",
          "ntdll.dll", "ole32.dll", "oleaut32.dll", "comdlg32.dll", "shlwapi.dll"}

check("32-bit x86", pe.FILE_HEADER.Machine == 0x14C)
check("ASLR (dynamic base)", pe.OPTIONAL_HEADER.DllCharacteristics & 0x40)
check("DEP (NX compatible)", pe.OPTIONAL_HEADER.DllCharacteristics & 0x100)
check("relocations not stripped", not pe.FILE_HEADER.Characteristics & 0x1)
relocs = sum(len(b.entries) for b in getattr(pe, "DIRECTORY_ENTRY_BASERELOC", []))
check(f"base relocations kept ({relocs})", relocs > 1000)
for s in pe.sections:
    name = s.Name.rstrip(b"\0").decode()
    check(f"{name} not both writable and executable", s.Characteristics & 0xA0000000 != 0xA0000000)
imports = {}
for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []) + getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", []):
    imports.setdefault(entry.dll.decode().lower(), set()).update(
        i.name.decode() for i in entry.imports if i.name)
for dll in imports:
    check(f"{dll} is a known system DLL", dll in SYSTEM)
pinned = {tuple(line.split()) for line in open(os.path.join(root, "docs", "imports.txt"))
          if line.strip() and not line.startswith("#")}
imported = {(dll, name) for dll, names in imports.items() for name in names}
for dll, name in sorted(imported - pinned):
    check(f"{dll} {name} in docs/imports.txt (does the oldest supported Windows have it?)", False)

# The header, the manifest and the README say the oldest Windows that CMakeLists.txt states.
oldest = re.search(r"set\(QC_OLDEST_WINDOWS_VERSION ([\d.]+)\)", project).group(1)
oldest_name = re.search(r'set\(QC_OLDEST_WINDOWS_NAME "([^"]+)"\)', project).group(1)
oldest_version = tuple(int(p) for p in oldest.split("."))
o = pe.OPTIONAL_HEADER
os_version = (o.MajorOperatingSystemVersion, o.MinorOperatingSystemVersion)
check(f"OS version {oldest} (got {os_version})", os_version == oldest_version)
subsystem_version = (o.MajorSubsystemVersion, o.MinorSubsystemVersion)
check(f"subsystem version {oldest} (got {subsystem_version})", subsystem_version == oldest_version)
check("terminal-server aware", o.DllCharacteristics & 0x8000)
check(f"README.md says {oldest_name} or later",
      f"{oldest_name} or later" in open(os.path.join(root, "README.md")).read())
# Common controls and multimedia are loaded by name once the search is narrowed; the narrowing is
# linked in only if start-up calls it.
check("SetDllDirectoryW imported", "SetDllDirectoryW" in imports.get("kernel32.dll", ()))
for name in (b"SetDefaultDllDirectories", b"InitCommonControlsEx"):
    check(f"{name.decode()} looked up by name", name + b"\0" in data)

# The version record carries the project's version.
version = re.search(r"project\(\w+\s+VERSION\s+([\d.]+)", project).group(1)
parts = [int(p) for p in (version.split(".") + ["0"] * 4)[:4]]
want_ms, want_ls = parts[0] << 16 | parts[1], parts[2] << 16 | parts[3]
fixed = pe.VS_FIXEDFILEINFO[0] if hasattr(pe, "VS_FIXEDFILEINFO") else None
check("version record present", fixed)
if fixed:
    check(f"file version {version}", (fixed.FileVersionMS, fixed.FileVersionLS) == (want_ms, want_ls))
    check(f"product version {version}",
          (fixed.ProductVersionMS, fixed.ProductVersionLS) == (want_ms, want_ls))
    check("file type application", fixed.FileType == 1)
    strings, translation = {}, None
    for info in pe.FileInfo[0]:
        for table in getattr(info, "StringTable", []):
            check("strings in US English, Unicode", table.LangID.lower() == b"040904b0")
            strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
        for var in getattr(info, "Var", []):
            translation = var.entry.get(b"Translation")
    check("translation US English, Unicode", translation == "0x0409 0x04b0")
    for key, want in (("ProductName", "Quorin Cleaner"), ("InternalName", "Quorin Cleaner"),
                      ("OriginalFilename", "Quorin Cleaner.exe")):
        check(f"{key} is {want!r} (got {strings.get(key)!r})", strings.get(key) == want)


def resource(type_id):
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries if hasattr(pe, "DIRECTORY_ENTRY_RESOURCE") else []:
        if t.id == type_id:
            for item in t.directory.entries:
                if item.id == 1:
                    d = item.directory.entries[0].data.struct
                    return pe.get_data(d.OffsetToData, d.Size)
    return b""


group = resource(14)  # the icon group: six header bytes, then 14 bytes per image
count = struct.unpack_from("<H", group, 4)[0] if len(group) >= 6 else 0
icons = [struct.unpack_from("<BBBBHH", group, 6 + 14 * i) for i in range(count)]
check(f"icon sizes 16 to 128 (got {icons})",
      sorted(w for w, h, *_ in icons if w == h) == [16, 24, 32, 48, 64, 72, 96, 128])
check("icons of 32 bits per pixel", all(bits == 32 for *_, bits in icons))
manifest = resource(24).decode("utf-8", "replace")
for want in ("Microsoft.Windows.Common-Controls", 'version="6.0.0.0"', 'level="highestAvailable"',
             "<dpiAware"):
    check(f"manifest has {want}", want in manifest)
MANIFEST_OS = {  # each Windows' identifier in a manifest's supported-OS list, and its version
    "e2011457-1546-43c5-a5fe-008deee3d3f0": (6, 0), "35138b9a-5d96-4fbd-8e2d-a2440225f93a": (6, 1),
    "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38": (6, 2), "1f676c76-80e1-4239-95bb-83d0f6d0da78": (6, 3),
    "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a": (10, 0)}
ids = re.findall(r'supportedOS Id="\{([^}]+)\}"', manifest)
listed = sorted(MANIFEST_OS.get(i, (0, 0)) for i in ids)
check(f"manifest lists Windows {oldest} to 10 (got {listed})",
      listed == [v for v in sorted(MANIFEST_OS.values()) if v >= oldest_version])

for f in failures:
    print("FAIL:", f)
print(f"{exe}: {len(failures)} failed checks; imports {sorted(imports)}, {relocs} relocations")
sys.exit(1 if failures else 0)
