// The shipped file itself: what it imports, what it carries and what it must
// not contain.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "Harness.h"
#include "res/version.h"

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

  // Mapped as an image (its sections where they run), nothing of it run.
  const HMODULE module =
      LoadLibraryExW(HushpadExe().c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr);
  const auto* base = reinterpret_cast<const char*>(reinterpret_cast<ULONG_PTR>(module) & ~3u);
  const auto at = [&](DWORD rva) { return base + rva; };
  const DWORD imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
  for (auto* descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(at(imports));
       descriptor->Name != 0; ++descriptor) {
    std::string dll = at(descriptor->Name);
    std::transform(dll.begin(), dll.end(), dll.begin(), ::tolower);
    // msvcrt.dll is the system's own C runtime, part of every Windows.
    EXPECT_TRUE(dll == "kernel32.dll" || dll == "user32.dll" || dll == "shell32.dll" ||
                dll == "advapi32.dll" || dll == "ole32.dll" || dll == "wtsapi32.dll" ||
                dll == "msvcrt.dll")
        << dll;
  }
  FreeLibrary(module);

  // No fault injection: the test build carries the name, the shipped one
  // neither it nor the call that would read it.
  const auto contains = [](const std::string& file, const std::string& ascii) {
    std::string utf16;
    for (char c : ascii) utf16 += {c, '\0'};
    return file.find(ascii) != std::string::npos || file.find(utf16) != std::string::npos;
  };
  const std::string variable(std::begin(kFaultVariable), std::end(kFaultVariable) - 1);
  EXPECT_TRUE(contains(ReadWholeFile(FaultsExe()), variable));
  EXPECT_FALSE(contains(image, variable));
  EXPECT_FALSE(contains(image, "GetEnvironmentVariable"));
}

TEST(ShippedProgram, CarriesItsVersionRecordAndManifest) {
  const std::wstring path = HushpadExe();
  DWORD ignored = 0;
  std::vector<BYTE> info(GetFileVersionInfoSizeW(path.c_str(), &ignored));
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(HUSHPAD_VERSION_MINOR, HUSHPAD_VERSION_MAJOR));
  // English (United States), UTF-16: the one language, and the block the
  // texts below are read from.
  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(translation[0], 0x0409);
  EXPECT_EQ(translation[1], 1200);
  for (const auto& [name, text] : {std::pair{L"ProductName", L"Hushpad"},
                                   {L"FileVersion", L"" HUSHPAD_VERSION_TEXT},
                                   {L"Comments",
                                    L"Temporarily disables the Windows key and the "
                                    L"accessibility keyboard shortcuts."}}) {
    void* value = nullptr;
    EXPECT_TRUE(VerQueryValueW(info.data(),
                               (std::wstring(L"\\StringFileInfo\\040904B0\\") + name).c_str(),
                               &value, &length) &&
                std::wstring(static_cast<const wchar_t*>(value)) == text)
        << testing::PrintToString(std::wstring(name));
  }

  // The manifest (resource 1): common controls 6, no elevation, DPI-aware.
  const HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
  ASSERT_NE(resource, nullptr);
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(module, resource))),
                             SizeofResource(module, resource));
  for (const char* part :
       {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
        "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>", ">true</dpiAware>"}) {
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
  }
  FreeLibrary(module);
}
