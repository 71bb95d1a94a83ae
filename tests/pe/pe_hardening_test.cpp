// Reads the built program and checks how it is hardened: ASLR and DEP flags, relocations kept,
// no section both writable and executable, imports only from system DLLs, and the DLL search
// narrowed at start. The checker itself is first proven on small images built here, each with
// one weakness, so that a check that passes on the product is a check that could have failed.
//   pe_hardening_test [PATH.exe]   (without a path only the checker's own tests run)
#include <gtest/gtest.h>

#include <cctype>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pe/pe_image.h"

namespace {

std::string g_exePath;

// A minimal PE32 image: headers, then .text (code), .idata (imports), .reloc, each one file
// alignment unit (0x200) long and one page apart in memory.
struct Builder {
  uint16_t fileCharacteristics = 0x0102;      // executable, 32-bit machine
  uint16_t dllCharacteristics = 0x0140;       // dynamic base, NX compatible
  uint32_t textCharacteristics = 0x60000020;  // code, execute, read
  std::vector<std::string> dlls = {"KERNEL32.dll", "USER32.dll"};
  std::string delayDll;  // when set, a delay-load descriptor for it
  bool withRelocs = true;

  std::vector<uint8_t> bytes;
  void Put16(size_t at, uint32_t v) {
    bytes[at] = static_cast<uint8_t>(v);
    bytes[at + 1] = static_cast<uint8_t>(v >> 8);
  }
  void Put32(size_t at, uint32_t v) {
    Put16(at, v & 0xFFFF);
    Put16(at + 2, v >> 16);
  }
  void PutText(size_t at, const std::string& s) {
    std::memcpy(&bytes[at], s.c_str(), s.size() + 1);
  }

  std::vector<uint8_t> Build() {
    bytes.assign(0x800, 0);
    Put16(0, 0x5A4D);
    Put32(0x3C, 0x40);
    Put32(0x40, 0x00004550);
    const size_t coff = 0x44;
    Put16(coff, 0x14c);
    Put16(coff + 2, 3);
    Put16(coff + 16, 0xE0);
    Put16(coff + 18, fileCharacteristics);
    const size_t opt = coff + 20;
    Put16(opt, 0x10b);
    Put32(opt + 28, 0x400000);
    Put32(opt + 32, 0x1000);
    Put32(opt + 36, 0x200);
    Put16(opt + 70, dllCharacteristics);
    Put32(opt + 92, 16);
    const size_t table = opt + 0xE0;
    const struct {
      const char* name;
      uint32_t characteristics;
    } sections[] = {{".text", textCharacteristics},
                    {".idata", 0xC0000040},   // initialised data, read, write
                    {".reloc", 0x42000040}};  // initialised data, discardable, read
    for (uint32_t i = 0; i < 3; ++i) {
      const size_t at = table + 40 * i;
      std::memcpy(&bytes[at], sections[i].name, std::strlen(sections[i].name));
      Put32(at + 8, 0x200);
      Put32(at + 12, 0x1000 * (i + 1));
      Put32(at + 16, 0x200);
      Put32(at + 20, 0x200 * (i + 1));
      Put32(at + 36, sections[i].characteristics);
    }
    // .idata at RVA 0x2000, file 0x400: descriptors, then per DLL a lookup table, a hint/name and
    // the DLL's name.
    const uint32_t rvaBase = 0x2000;
    const size_t fileBase = 0x400;
    uint32_t cursor = 0x100;
    for (size_t d = 0; d < dlls.size(); ++d) {
      const uint32_t lookup = cursor;
      const uint32_t hint = cursor + 8;
      const uint32_t name = cursor + 32;
      Put32(fileBase + lookup, rvaBase + hint);
      PutText(fileBase + hint + 2, "ExitProcess");
      PutText(fileBase + name, dlls[d]);
      const size_t desc = fileBase + 20 * d;
      Put32(desc, rvaBase + lookup);
      Put32(desc + 12, rvaBase + name);
      Put32(desc + 16, rvaBase + lookup);
      cursor += 64;
    }
    Put32(opt + 96 + 8 * 1, rvaBase);
    Put32(opt + 100 + 8 * 1, static_cast<uint32_t>(20 * (dlls.size() + 1)));
    if (!delayDll.empty()) {
      const uint32_t desc = 0x180;  // after two DLLs' tables; a zero descriptor follows
      PutText(fileBase + 0x1C0, delayDll);
      Put32(fileBase + desc, 1);  // RVA-based
      Put32(fileBase + desc + 4, rvaBase + 0x1C0);
      Put32(opt + 96 + 8 * 13, rvaBase + desc);
      Put32(opt + 100 + 8 * 13, 64);
    }
    if (withRelocs) {
      // One block for the page at 0x1000 with two HIGHLOW entries.
      Put32(0x600, 0x1000);
      Put32(0x604, 12);
      Put16(0x608, 0x3000 | 0x010);
      Put16(0x60A, 0x3000 | 0x020);
      Put32(opt + 96 + 8 * 5, 0x3000);
      Put32(opt + 100 + 8 * 5, 12);
    }
    return bytes;
  }
};

qc::pe::Image ParseOk(Builder& b) {
  qc::pe::Image image;
  std::string error;
  EXPECT_TRUE(qc::pe::Parse(b.Build(), image, error)) << error;
  return image;
}

TEST(PeChecker, SoundImagePassesEveryCheck) {
  Builder b;
  const qc::pe::Image image = ParseOk(b);
  EXPECT_EQ(qc::pe::CheckAslrAndDep(image), "");
  EXPECT_EQ(qc::pe::CheckRelocationsKept(image), "");
  EXPECT_EQ(image.relocationEntries, 2u);
  EXPECT_EQ(qc::pe::CheckNoWritableExecutableSection(image), "");
  EXPECT_EQ(qc::pe::CheckImportsOnlySystemDlls(image), "");
  ASSERT_EQ(image.imports.size(), 2u);
  EXPECT_TRUE(qc::pe::ImportsFunction(image, "kernel32.DLL", "ExitProcess"));
  EXPECT_FALSE(qc::pe::ImportsFunction(image, "kernel32.dll", "LoadLibraryA"));
}

TEST(PeChecker, EachWeaknessIsReported) {
  Builder noAslr;
  noAslr.dllCharacteristics = 0x0100;
  EXPECT_NE(qc::pe::CheckAslrAndDep(ParseOk(noAslr)).find("DYNAMIC_BASE"), std::string::npos);

  Builder noDep;
  noDep.dllCharacteristics = 0x0040;
  EXPECT_NE(qc::pe::CheckAslrAndDep(ParseOk(noDep)).find("NX_COMPAT"), std::string::npos);

  Builder stripped;
  stripped.fileCharacteristics |= qc::pe::kFileRelocsStripped;
  EXPECT_EQ(qc::pe::CheckRelocationsKept(ParseOk(stripped)), "relocations stripped");

  Builder noTable;
  noTable.withRelocs = false;
  EXPECT_EQ(qc::pe::CheckRelocationsKept(ParseOk(noTable)), "no base relocation table");

  Builder writableCode;
  writableCode.textCharacteristics |= qc::pe::kSectionWrite;
  EXPECT_EQ(qc::pe::CheckNoWritableExecutableSection(ParseOk(writableCode)),
            ".text is writable and executable; ");

  Builder planted;
  planted.dlls.push_back("helper.dll");
  EXPECT_EQ(qc::pe::CheckImportsOnlySystemDlls(ParseOk(planted)),
            "helper.dll is not a system DLL; ");

  Builder delayed;
  delayed.delayDll = "extras.dll";
  EXPECT_EQ(qc::pe::CheckImportsOnlySystemDlls(ParseOk(delayed)),
            "extras.dll (delay-loaded) is not a system DLL; ");
}

TEST(PeChecker, MalformedImagesAreRefusedNotRead) {
  Builder b;
  const std::vector<uint8_t> good = b.Build();
  qc::pe::Image image;
  std::string error;
  for (size_t cut : {size_t{0}, size_t{0x3E}, size_t{0x50}, size_t{0x100}, size_t{0x500}}) {
    const std::vector<uint8_t> truncated(good.begin(), good.begin() + static_cast<long>(cut));
    EXPECT_FALSE(qc::pe::Parse(truncated, image, error)) << "cut at " << cut;
    EXPECT_FALSE(error.empty());
  }
  std::vector<uint8_t> wild = good;
  wild[0x44 + 20 + 96 + 8 + 2] = 0x10;  // the import directory's RVA points past every section
  EXPECT_FALSE(qc::pe::Parse(wild, image, error));
  std::vector<uint8_t> loop = good;
  loop[0x604] = 4;  // a relocation block shorter than its own header
  EXPECT_FALSE(qc::pe::Parse(loop, image, error));
}

TEST(PeChecker, SystemDllNames) {
  EXPECT_TRUE(qc::pe::IsSystemDll("ADVAPI32.dll"));
  EXPECT_TRUE(qc::pe::IsSystemDll("api-ms-win-crt-runtime-l1-1-0.dll"));
  EXPECT_FALSE(qc::pe::IsSystemDll("libstdc++-6.dll"));
  EXPECT_FALSE(qc::pe::IsSystemDll("libgcc_s_dw2-1.dll"));
  EXPECT_FALSE(qc::pe::IsSystemDll("kernel32.dll.evil"));
}

// The program's bytes, read once.
const std::vector<uint8_t>& ProgramBytes() {
  static const std::vector<uint8_t> bytes = [] {
    std::ifstream in(g_exePath, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  }();
  return bytes;
}

class Product : public ::testing::Test {
 protected:
  void SetUp() override {
    if (g_exePath.empty()) GTEST_SKIP() << "no program given";
    ASSERT_FALSE(ProgramBytes().empty()) << "cannot read " << g_exePath;
    std::string error;
    ASSERT_TRUE(qc::pe::Parse(ProgramBytes(), image_, error)) << error;
  }
  qc::pe::Image image_;
};

TEST_F(Product, Is32BitWithAslrAndDep) {
  EXPECT_EQ(image_.machine, qc::pe::kMachineI386);
  EXPECT_EQ(qc::pe::CheckAslrAndDep(image_), "");
}

TEST_F(Product, KeepsItsRelocations) {
  EXPECT_EQ(qc::pe::CheckRelocationsKept(image_), "");
  // A program of this size has thousands of absolute addresses to fix up when moved.
  EXPECT_GT(image_.relocationEntries, 1000u);
}

TEST_F(Product, HasNoSectionBothWritableAndExecutable) {
  EXPECT_EQ(qc::pe::CheckNoWritableExecutableSection(image_), "");
  bool code = false;
  for (const qc::pe::Section& s : image_.sections)
    code |= (s.characteristics & qc::pe::kSectionExecute) != 0;
  EXPECT_TRUE(code) << "no executable section at all: the section table was misread";
}

TEST_F(Product, ImportsOnlyFromSystemDlls) {
  EXPECT_EQ(qc::pe::CheckImportsOnlySystemDlls(image_), "");
  EXPECT_TRUE(qc::pe::ImportsFunction(image_, "kernel32.dll", "GetProcAddress"));
}

TEST_F(Product, NarrowsTheDllSearchAtStart) {
  // SetDllDirectoryW is imported; SetDefaultDllDirectories is looked up by name (Windows 7 may
  // lack it), so its name must be in the image. The Wine test of the backend shows the effect.
  EXPECT_TRUE(qc::pe::ImportsFunction(image_, "kernel32.dll", "SetDllDirectoryW"));
  const std::string all(ProgramBytes().begin(), ProgramBytes().end());
  EXPECT_NE(all.find(std::string("SetDefaultDllDirectories") + '\0'), std::string::npos);
  // The loader resolves imports before that runs, by the ordinary search; only DLLs it always
  // takes from the system folder may be imported. Common controls and multimedia are loaded
  // later, by name, once the search is narrowed.
  for (const qc::pe::Import& import : image_.imports) {
    std::string name = import.dll;
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(name, "comctl32.dll");
    EXPECT_NE(name, "winmm.dll");
  }
  EXPECT_NE(all.find(std::string("InitCommonControlsEx") + '\0'), std::string::npos);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc > 1) g_exePath = argv[1];
  return RUN_ALL_TESTS();
}
