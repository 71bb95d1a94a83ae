// Reads a 32-bit PE image from its bytes, far enough to judge how it is hardened: header flags,
// sections, base relocations, and the DLLs (plain and delay-loaded) it imports from.
// Every read is bounds-checked; a malformed image gives an error text, never a crash.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qc::pe {

constexpr uint16_t kMachineI386 = 0x14c;
constexpr uint16_t kMagicPe32 = 0x10b;
constexpr uint16_t kFileRelocsStripped = 0x0001;
constexpr uint16_t kDllDynamicBase = 0x0040;
constexpr uint16_t kDllNxCompat = 0x0100;
constexpr uint32_t kSectionExecute = 0x20000000;
constexpr uint32_t kSectionWrite = 0x80000000;
constexpr int kDirImport = 1;
constexpr int kDirBaseReloc = 5;
constexpr int kDirDelayImport = 13;

struct Section {
  std::string name;
  uint32_t virtualAddress = 0;
  uint32_t virtualSize = 0;
  uint32_t rawOffset = 0;
  uint32_t rawSize = 0;
  uint32_t characteristics = 0;
};

struct Import {
  std::string dll;
  std::vector<std::string> functions;  // by name; "#N" for an import by ordinal
  bool delayLoaded = false;
};

struct Image {
  uint16_t machine = 0;
  uint16_t fileCharacteristics = 0;
  uint16_t magic = 0;
  uint16_t dllCharacteristics = 0;
  uint32_t imageBase = 0;
  uint32_t dirRva[16] = {};
  uint32_t dirSize[16] = {};
  std::vector<Section> sections;
  std::vector<Import> imports;
  uint32_t relocationEntries = 0;  // HIGHLOW entries in the base relocation table
};

// Parses `bytes`; on failure returns false with the reason in `error`.
bool Parse(const std::vector<uint8_t>& bytes, Image& image, std::string& error);

// Each check returns the empty text when it holds, else what is wrong.
std::string CheckAslrAndDep(const Image& image);
std::string CheckRelocationsKept(const Image& image);
std::string CheckNoWritableExecutableSection(const Image& image);
// Every DLL named in the plain and the delay-load import tables is one of the system's own.
std::string CheckImportsOnlySystemDlls(const Image& image);
bool IsSystemDll(const std::string& name);
// The image imports `function` from `dll` (case-insensitive DLL name).
bool ImportsFunction(const Image& image, const std::string& dll, const std::string& function);

}  // namespace qc::pe
