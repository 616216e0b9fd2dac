#include "res/resource.h"
#include "text/ResourceText.h"

#include "TestStrings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>

namespace {

const std::map<UINT, std::wstring> &ProgramStrings() {
    static const std::map<UINT, std::wstring> strings = {
        {IDS_APP_NAME, L"Hushpad"},
        {IDS_VERSION_TEXT, L"%1 1.0\nWritten by the Hushpad developers.\nhttps://hushpad.example/"},
        {IDS_USAGE, L"Usage:\nHushpad PROGRAM [ARGUMENTS ...]\nHushpad --manual [PROGRAM [ARGUMENTS ...]]\n"
                    L"Hushpad --version\nHushpad --help\n"},
        {IDS_HELP_TEXT, L"%1: Temporarily disables the Windows key and the accessibility keyboard shortcuts.\n\n"
                        L"%2\nOptions:\n--manual \t\tShow a dialog box to re-enable keys manually.\n"
                        L"--version\t\tShow version information."},
        {IDS_UNKNOWN_ERROR, L"Unknown error."},
        {IDS_COMMAND_LINE_ERROR, L"Failed to retrieve command-line arguments.  %1"},
        {IDS_USAGE_ERROR, L"%1\n\n%2"},
        {IDS_MUTEX_ERROR, L"Unable to create mutex.  %1"},
        {IDS_THREAD_ERROR, L"Unable to create thread to watch process.  %1"},
        {IDS_CLASS_ERROR, L"Unable to register window class.  %1"},
        {IDS_WINDOW_ERROR, L"Unable to create window.  %1"},
        {IDS_HOOK_ERROR, L"Unable to intercept keyboard actions.  %1"},
        {IDS_LAUNCH_ERROR, L"Unable to start process \"%1\".  %2"},
        {IDS_NO_PROGRAM, L"No program specified."},
        {IDS_OPTION_WITH_VALUE, L"%1: %2"},
        {IDS_OPTION_UNKNOWN_ERROR, L"Unknown error handling option %1"},
        {IDS_OPTION_CONFIGURATION, L"Invalid option configuration"},
        {IDS_OPTION_NO_MEMORY, L"Insufficient memory"},
        {IDS_OPTION_INVALID, L"Invalid option: %1"},
        {IDS_OPTION_VALUE_REQUIRED, L"Value required after option %1"},
        {IDS_OPTION_INVALID_VALUE, L"Invalid value for option %1"},
        {IDS_OPTION_VALUE_TOO_LARGE, L"Value too large for option %1"},
        {IDS_OPTION_VALUE_TOO_SMALL, L"Value too small for option %1"},
    };
    return strings;
}

bool IsTestString(UINT id) {
    return id == IDS_TEST_254_UNITS || id == IDS_TEST_255_UNITS || id == IDS_TEST_600_UNITS;
}

// Every non-empty entry of the module's string table, read from the raw
// blocks of 16 counted strings, in English (United States) only.
BOOL CALLBACK CollectBlock(HMODULE module, LPCWSTR, LPWSTR name, LONG_PTR param) noexcept {
    auto &entries = *reinterpret_cast<std::map<UINT, std::wstring> *>(param);
    const UINT block = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name));
    const HRSRC resource = FindResourceExW(module, RT_STRING, name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (!resource) {
        entries[0xFFFFFFFF] = L"block " + std::to_wstring(block) + L" is not in English (United States)";
        return TRUE;
    }
    const auto *data = static_cast<const WCHAR *>(LockResource(LoadResource(module, resource)));
    for (UINT i = 0; i < 16; ++i) {
        const WORD length = *data++;
        if (length > 0) {
            entries[(block - 1) * 16 + i] = std::wstring(data, length);
        }
        data += length;
    }
    return TRUE;
}

TEST(StringTable, HoldsEveryEntryExactlyToTheCharacter) {
    for (const auto &[id, text] : ProgramStrings()) {
        EXPECT_EQ(LoadResourceString(nullptr, id), text) << "entry " << id;
    }
}

TEST(StringTable, HoldsNoOtherEntryAndNoCarriageReturn) {
    std::map<UINT, std::wstring> entries;
    EnumResourceNamesW(nullptr, RT_STRING, CollectBlock, reinterpret_cast<LONG_PTR>(&entries));
    std::map<UINT, std::wstring> programEntries;
    for (const auto &[id, text] : entries) {
        if (!IsTestString(id)) {
            programEntries[id] = text;
        }
    }
    EXPECT_EQ(programEntries, ProgramStrings());
    for (const auto &[id, text] : programEntries) {
        EXPECT_EQ(text.find(L'\r'), std::wstring::npos) << "entry " << id;
    }
}

} // namespace
