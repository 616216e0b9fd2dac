// The shipped file itself: what it imports and what it must not contain.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "Harness.h"

TEST(ShippedProgram, IsAStripped32BitGuiProgramImportingOnlySystemDlls) {
  const std::string image = ReadWholeFile(HushpadExe());
  ASSERT_GT(image.size(), 0x200u);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
  ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image.data() + dos->e_lfanew);
  ASSERT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
  EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
  EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

  // No symbol table, and no debug sections: their long names (".debug_info")
  // live in that table, so a section name of the form "/4" gives them away.
  EXPECT_EQ(nt->FileHeader.PointerToSymbolTable, 0u);
  EXPECT_EQ(nt->FileHeader.NumberOfSymbols, 0u);
  const auto* sections = IMAGE_FIRST_SECTION(nt);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
    const std::string name(
        reinterpret_cast<const char*>(sections[i].Name),
        strnlen(reinterpret_cast<const char*>(sections[i].Name), IMAGE_SIZEOF_SHORT_NAME));
    EXPECT_TRUE(name[0] != '/' && name.rfind(".debug", 0) != 0) << name;
  }

  // Map the import directory's RVA to a file offset through the sections.
  auto at = [&](DWORD rva) -> const char* {
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
      const IMAGE_SECTION_HEADER& s = sections[i];
      if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.Misc.VirtualSize) {
        return image.data() + (rva - s.VirtualAddress + s.PointerToRawData);
      }
    }
    return image.data();
  };
  const DWORD imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
  for (auto* descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(at(imports));
       descriptor->Name != 0; ++descriptor) {
    std::string dll = at(descriptor->Name);
    std::transform(dll.begin(), dll.end(), dll.begin(), ::tolower);
    // msvcrt.dll is the system's own C runtime, part of every Windows.
    EXPECT_TRUE(dll == "kernel32.dll" || dll == "user32.dll" || dll == "shell32.dll" ||
                dll == "msvcrt.dll")
        << dll;
  }
}

TEST(ShippedProgram, CarriesNoFaultInjection) {
  const std::string shipped = ReadWholeFile(HushpadExe());
  const auto contains = [](const std::string& image, const std::string& ascii) {
    std::string utf16;
    for (char c : ascii) utf16 += {c, '\0'};
    return image.find(ascii) != std::string::npos || image.find(utf16) != std::string::npos;
  };
  // The check is meaningful only if the test build does carry the name.
  EXPECT_TRUE(contains(ReadWholeFile(FaultsExe()), "HUSHPAD_FAULT"));
  EXPECT_FALSE(contains(shipped, "HUSHPAD_FAULT"));
  EXPECT_FALSE(contains(shipped, "GetEnvironmentVariable"));
}
