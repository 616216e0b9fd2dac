// The shipped file itself: what it imports and what it must not contain.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "Harness.h"

namespace {

bool Contains(const std::string &haystack, const std::string &needle) {
  return haystack.find(needle) != std::string::npos;
}

std::string Utf16(const std::string &ascii) {
  std::string wide;
  for (char c : ascii) {
    wide += c;
    wide += '\0';
  }
  return wide;
}

}  // namespace

TEST(ShippedProgram, IsA32BitGuiProgramImportingOnlySystemDlls) {
  const std::string image = ReadWholeFile(HushpadExe());
  ASSERT_GT(image.size(), 0x200u);
  const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(image.data());
  ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
  const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS32 *>(image.data() + dos->e_lfanew);
  ASSERT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
  EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
  EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

  // Map the import directory's RVA to a file offset through the sections.
  const IMAGE_DATA_DIRECTORY &imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  const auto *sections = IMAGE_FIRST_SECTION(nt);
  auto toOffset = [&](DWORD rva) -> size_t {
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
      const IMAGE_SECTION_HEADER &s = sections[i];
      if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.Misc.VirtualSize) {
        return rva - s.VirtualAddress + s.PointerToRawData;
      }
    }
    return 0;
  };
  std::vector<std::string> dlls;
  for (auto *descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(
           image.data() + toOffset(imports.VirtualAddress));
       descriptor->Name != 0; ++descriptor) {
    std::string name = image.data() + toOffset(descriptor->Name);
    std::transform(name.begin(), name.end(), name.begin(), ::tolower);
    dlls.push_back(name);
  }
  std::sort(dlls.begin(), dlls.end());
  // msvcrt.dll is the system's own C runtime, part of every Windows.
  for (const std::string &dll : dlls) {
    EXPECT_TRUE(dll == "kernel32.dll" || dll == "user32.dll" || dll == "shell32.dll" ||
                dll == "msvcrt.dll")
        << dll;
  }
}

TEST(ShippedProgram, CarriesNoFaultInjection) {
  const std::string shipped = ReadWholeFile(HushpadExe());
  const std::string faults = ReadWholeFile(FaultsExe());
  // The check is meaningful only if the test build does carry the name.
  EXPECT_TRUE(Contains(faults, Utf16("HUSHPAD_FAULT")));
  EXPECT_FALSE(Contains(shipped, Utf16("HUSHPAD_FAULT")));
  EXPECT_FALSE(Contains(shipped, "HUSHPAD_FAULT"));
  EXPECT_FALSE(Contains(shipped, Utf16("GetEnvironmentVariable")));
  EXPECT_FALSE(Contains(shipped, "GetEnvironmentVariableW"));
}
