#include "pe/pe_image.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace qc::pe {
namespace {

class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

  bool U16(size_t at, uint16_t& v) const {
    if (at > bytes_.size() || bytes_.size() - at < 2) return false;
    v = static_cast<uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
    return true;
  }
  bool U32(size_t at, uint32_t& v) const {
    if (at > bytes_.size() || bytes_.size() - at < 4) return false;
    v = static_cast<uint32_t>(bytes_[at]) | static_cast<uint32_t>(bytes_[at + 1]) << 8 |
        static_cast<uint32_t>(bytes_[at + 2]) << 16 | static_cast<uint32_t>(bytes_[at + 3]) << 24;
    return true;
  }
  // A NUL-terminated text of at most `limit` characters.
  bool Text(size_t at, std::string& s, size_t limit = 512) const {
    s.clear();
    for (size_t i = at; i < bytes_.size() && s.size() <= limit; ++i) {
      if (bytes_[i] == 0) return true;
      s.push_back(static_cast<char>(bytes_[i]));
    }
    return false;
  }

 private:
  const std::vector<uint8_t>& bytes_;
};

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// File offset of an RVA, through the section that holds it.
bool Offset(const Image& image, uint32_t rva, size_t& offset) {
  for (const Section& s : image.sections) {
    const uint32_t span = std::max(s.virtualSize, s.rawSize);
    if (rva >= s.virtualAddress && rva - s.virtualAddress < span) {
      const uint32_t delta = rva - s.virtualAddress;
      if (delta >= s.rawSize) return false;  // in the zero-filled tail: nothing on disk
      offset = static_cast<size_t>(s.rawOffset) + delta;
      return true;
    }
  }
  return false;
}

bool TextAt(const Reader& r, const Image& image, uint32_t rva, std::string& s) {
  size_t off = 0;
  return Offset(image, rva, off) && r.Text(off, s);
}

// The names (or ordinals) listed by a thunk table of 32-bit entries ending in zero.
bool ReadThunks(const Reader& r, const Image& image, uint32_t rva, std::vector<std::string>& out) {
  for (int i = 0; i < 65536; ++i) {
    size_t off = 0;
    uint32_t thunk = 0;
    if (!Offset(image, rva + 4u * static_cast<uint32_t>(i), off) || !r.U32(off, thunk))
      return false;
    if (thunk == 0) return true;
    if (thunk & 0x80000000u) {
      out.push_back("#" + std::to_string(thunk & 0xFFFFu));
    } else {
      std::string name;
      if (!TextAt(r, image, thunk + 2, name)) return false;
      out.push_back(name);
    }
  }
  return false;
}

bool ReadImports(const Reader& r, Image& image, std::string& error) {
  const uint32_t rva = image.dirRva[kDirImport];
  if (rva == 0) return true;
  for (uint32_t i = 0; i < 4096; ++i) {
    size_t off = 0;
    uint32_t lookup = 0;
    uint32_t name = 0;
    uint32_t iat = 0;
    if (!Offset(image, rva + 20 * i, off) || !r.U32(off, lookup) || !r.U32(off + 12, name) ||
        !r.U32(off + 16, iat)) {
      error = "import directory out of the image";
      return false;
    }
    if (lookup == 0 && name == 0 && iat == 0) return true;
    Import imp;
    if (!TextAt(r, image, name, imp.dll) ||
        !ReadThunks(r, image, lookup != 0 ? lookup : iat, imp.functions)) {
      error = "import descriptor " + std::to_string(i) + " unreadable";
      return false;
    }
    image.imports.push_back(imp);
  }
  error = "import directory without its terminating entry";
  return false;
}

bool ReadDelayImports(const Reader& r, Image& image, std::string& error) {
  const uint32_t rva = image.dirRva[kDirDelayImport];
  if (rva == 0) return true;
  for (uint32_t i = 0; i < 4096; ++i) {
    size_t off = 0;
    uint32_t attributes = 0;
    uint32_t name = 0;
    uint32_t names = 0;
    if (!Offset(image, rva + 32 * i, off) || !r.U32(off, attributes) || !r.U32(off + 4, name) ||
        !r.U32(off + 16, names)) {
      error = "delay-import directory out of the image";
      return false;
    }
    if (name == 0) return true;
    // Old-style descriptors (attribute bit 0 clear) hold addresses, not RVAs.
    const uint32_t base = (attributes & 1u) ? 0 : image.imageBase;
    Import imp;
    imp.delayLoaded = true;
    if (!TextAt(r, image, name - base, imp.dll) ||
        (names != 0 && !ReadThunks(r, image, names - base, imp.functions))) {
      error = "delay-import descriptor " + std::to_string(i) + " unreadable";
      return false;
    }
    image.imports.push_back(imp);
  }
  error = "delay-import directory without its terminating entry";
  return false;
}

bool ReadRelocations(const Reader& r, Image& image, std::string& error) {
  const uint32_t rva = image.dirRva[kDirBaseReloc];
  const uint32_t size = image.dirSize[kDirBaseReloc];
  uint32_t pos = 0;
  while (pos + 8 <= size) {
    size_t off = 0;
    uint32_t page = 0;
    uint32_t blockSize = 0;
    if (!Offset(image, rva + pos, off) || !r.U32(off, page) || !r.U32(off + 4, blockSize) ||
        blockSize < 8 || blockSize % 2 != 0 || blockSize > size - pos) {
      error = "malformed base relocation block at +" + std::to_string(pos);
      return false;
    }
    for (uint32_t e = 8; e < blockSize; e += 2) {
      uint16_t entry = 0;
      if (!r.U16(off + e, entry)) {
        error = "base relocation entry out of the file";
        return false;
      }
      if (entry >> 12 == 3) ++image.relocationEntries;  // IMAGE_REL_BASED_HIGHLOW
    }
    pos += blockSize;
  }
  return true;
}

}  // namespace

bool Parse(const std::vector<uint8_t>& bytes, Image& image, std::string& error) {
  image = Image{};
  const Reader r(bytes);
  uint16_t mz = 0;
  uint32_t lfanew = 0;
  uint32_t signature = 0;
  if (!r.U16(0, mz) || mz != 0x5A4D || !r.U32(0x3C, lfanew) || !r.U32(lfanew, signature) ||
      signature != 0x00004550) {
    error = "not a PE image";
    return false;
  }
  const size_t coff = static_cast<size_t>(lfanew) + 4;
  uint16_t sectionCount = 0;
  uint16_t optionalSize = 0;
  if (!r.U16(coff, image.machine) || !r.U16(coff + 2, sectionCount) ||
      !r.U16(coff + 16, optionalSize) || !r.U16(coff + 18, image.fileCharacteristics)) {
    error = "truncated file header";
    return false;
  }
  const size_t opt = coff + 20;
  uint32_t dirCount = 0;
  if (!r.U16(opt, image.magic) || image.magic != kMagicPe32) {
    error = "not a 32-bit (PE32) optional header";
    return false;
  }
  if (optionalSize < 96 || !r.U32(opt + 28, image.imageBase) ||
      !r.U16(opt + 70, image.dllCharacteristics) || !r.U32(opt + 92, dirCount)) {
    error = "truncated optional header";
    return false;
  }
  dirCount = std::min<uint32_t>({dirCount, 16u, (optionalSize - 96u) / 8u});
  for (uint32_t d = 0; d < dirCount; ++d) {
    if (!r.U32(opt + 96 + 8 * d, image.dirRva[d]) || !r.U32(opt + 100 + 8 * d, image.dirSize[d])) {
      error = "truncated data directories";
      return false;
    }
  }
  const size_t table = opt + optionalSize;
  for (uint16_t i = 0; i < sectionCount; ++i) {
    const size_t at = table + 40u * i;
    Section s;
    r.Text(at, s.name, 7);  // eight bytes, NUL-padded when shorter
    s.name = s.name.substr(0, 8);
    if (!r.U32(at + 8, s.virtualSize) || !r.U32(at + 12, s.virtualAddress) ||
        !r.U32(at + 16, s.rawSize) || !r.U32(at + 20, s.rawOffset) ||
        !r.U32(at + 36, s.characteristics)) {
      error = "truncated section table";
      return false;
    }
    if (s.rawSize != 0 && (s.rawOffset > bytes.size() || bytes.size() - s.rawOffset < s.rawSize)) {
      error = "section " + s.name + " extends past the end of the file";
      return false;
    }
    image.sections.push_back(s);
  }
  return ReadImports(r, image, error) && ReadDelayImports(r, image, error) &&
         ReadRelocations(r, image, error);
}

std::string CheckAslrAndDep(const Image& image) {
  std::string problems;
  if (!(image.dllCharacteristics & kDllDynamicBase)) problems += "no DYNAMIC_BASE (ASLR); ";
  if (!(image.dllCharacteristics & kDllNxCompat)) problems += "no NX_COMPAT (DEP); ";
  return problems;
}

std::string CheckRelocationsKept(const Image& image) {
  if (image.fileCharacteristics & kFileRelocsStripped) return "relocations stripped";
  if (image.dirRva[kDirBaseReloc] == 0 || image.dirSize[kDirBaseReloc] == 0)
    return "no base relocation table";
  if (image.relocationEntries == 0) return "base relocation table holds no address fix-ups";
  return "";
}

std::string CheckNoWritableExecutableSection(const Image& image) {
  std::string problems;
  for (const Section& s : image.sections) {
    if ((s.characteristics & kSectionWrite) && (s.characteristics & kSectionExecute))
      problems += s.name + " is writable and executable; ";
  }
  return problems;
}

bool IsSystemDll(const std::string& name) {
  static const std::set<std::string> kSystem = {
      "kernel32.dll", "user32.dll",   "gdi32.dll",    "advapi32.dll", "shell32.dll",
      "comctl32.dll", "winmm.dll",    "version.dll",  "msvcrt.dll",   "ntdll.dll",
      "ole32.dll",    "oleaut32.dll", "comdlg32.dll", "shlwapi.dll",  "uxtheme.dll"};
  const std::string lower = Lower(name);
  // The API sets the system resolves to its own DLLs.
  return kSystem.count(lower) != 0 || lower.rfind("api-ms-win-", 0) == 0;
}

std::string CheckImportsOnlySystemDlls(const Image& image) {
  std::string problems;
  for (const Import& imp : image.imports) {
    if (!IsSystemDll(imp.dll))
      problems += imp.dll + (imp.delayLoaded ? " (delay-loaded)" : "") + " is not a system DLL; ";
  }
  return problems;
}

bool ImportsFunction(const Image& image, const std::string& dll, const std::string& function) {
  for (const Import& imp : image.imports) {
    if (Lower(imp.dll) != Lower(dll)) continue;
    if (std::find(imp.functions.begin(), imp.functions.end(), function) != imp.functions.end())
      return true;
  }
  return false;
}

}  // namespace qc::pe
