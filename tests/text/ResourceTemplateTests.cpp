#include "res/resource.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const WORD kEnglishUnitedStates = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

std::string ResourceBytes(LPCWSTR type, LPCWSTR name) {
    const HRSRC resource = FindResourceExW(nullptr, type, name, kEnglishUnitedStates);
    if (!resource) {
        return std::string();
    }
    const auto *data = static_cast<const char *>(LockResource(LoadResource(nullptr, resource)));
    return std::string(data, SizeofResource(nullptr, resource));
}

// Reads a dialog template field by field, in the layout of DLGTEMPLATEEX.
class TemplateReader {
public:
    explicit TemplateReader(const std::string &bytes) : m_bytes(bytes) {}

    WORD Word() { return Read<WORD>(); }
    DWORD Dword() { return Read<DWORD>(); }
    short Short() { return Read<short>(); }
    BYTE Byte() { return Read<BYTE>(); }

    std::wstring String() {
        std::wstring text;
        for (WORD unit = Word(); unit != 0 && !Overrun(); unit = Word()) {
            text += static_cast<wchar_t>(unit);
        }
        return text;
    }

    // A name or an ordinal: "" for none, "#n" for an ordinal, else the text.
    std::wstring NameOrOrdinal() {
        const WORD first = Word();
        if (first == 0x0000) {
            return std::wstring();
        }
        if (first == 0xFFFF) {
            return L"#" + std::to_wstring(Word());
        }
        m_offset -= sizeof(WORD);
        return String();
    }

    void AlignToDword() { m_offset = (m_offset + 3) & ~std::size_t{3}; }
    bool Overrun() const { return m_offset > m_bytes.size(); }
    bool AtEnd() const { return m_offset >= m_bytes.size(); }

private:
    template <typename T> T Read() {
        T value{};
        if (m_offset + sizeof(T) <= m_bytes.size()) {
            std::memcpy(&value, m_bytes.data() + m_offset, sizeof(T));
        }
        m_offset += sizeof(T);
        return value;
    }

    const std::string &m_bytes;
    std::size_t m_offset = 0;
};

struct DialogItem {
    DWORD helpId, extendedStyle, style;
    short x, y, width, height;
    DWORD id;
    std::wstring windowClass, text;
    WORD extraBytes;
};

TEST(ManualDialogTemplate, IsTheExtendedTemplateWithItsStylesSizeAndFont) {
    const std::string bytes = ResourceBytes(RT_DIALOG, MAKEINTRESOURCEW(IDD_MANUAL));
    ASSERT_FALSE(bytes.empty()) << "no English (United States) dialog " << IDD_MANUAL;
    TemplateReader reader(bytes);
    EXPECT_EQ(reader.Word(), 1);       // version
    EXPECT_EQ(reader.Word(), 0xFFFF);  // signature
    EXPECT_EQ(reader.Dword(), 0u);     // help ID
    EXPECT_EQ(reader.Dword(), 0u);     // extended style
    EXPECT_EQ(reader.Dword(), 0x80C808C8u);
    EXPECT_EQ(reader.Word(), 3);       // controls
    EXPECT_EQ(reader.Short(), 0);
    EXPECT_EQ(reader.Short(), 0);
    EXPECT_EQ(reader.Short(), 159);
    EXPECT_EQ(reader.Short(), 58);
    EXPECT_EQ(reader.NameOrOrdinal(), L"");  // menu
    EXPECT_EQ(reader.NameOrOrdinal(), L"");  // class
    EXPECT_EQ(reader.String(), L"Hushpad");
    EXPECT_EQ(reader.Word(), 8);             // points
    EXPECT_EQ(reader.Word(), 0);             // weight
    EXPECT_EQ(reader.Byte(), 0);             // italic
    EXPECT_EQ(reader.Byte(), DEFAULT_CHARSET);
    EXPECT_EQ(reader.String(), L"MS Shell Dlg");

    std::vector<DialogItem> items;
    for (int i = 0; i < 3; ++i) {
        reader.AlignToDword();
        DialogItem item{};
        item.helpId = reader.Dword();
        item.extendedStyle = reader.Dword();
        item.style = reader.Dword();
        item.x = reader.Short();
        item.y = reader.Short();
        item.width = reader.Short();
        item.height = reader.Short();
        item.id = reader.Dword();
        item.windowClass = reader.NameOrOrdinal();
        item.text = reader.NameOrOrdinal();
        item.extraBytes = reader.Word();
        items.push_back(item);
    }
    EXPECT_FALSE(reader.Overrun());
    reader.AlignToDword();
    EXPECT_TRUE(reader.AtEnd());

    const DialogItem expected[] = {
        {0, 0, 0x50020000, 14, 10, 140, 16, 0xFFFFFFFF, L"#130",
         L"The Windows key and the accessibility keyboard shortcuts are disabled.", 0},
        {0, 0, 0x50010001, 81, 38, 70, 14, IDCANCEL, L"#128", L"&Hide", 0},
        {0, 0, 0x50010000, 7, 38, 70, 14, IDC_REENABLE, L"#128", L"&Re-enable Keys", 0},
    };
    for (std::size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "control " << i + 1);
        EXPECT_EQ(items[i].helpId, expected[i].helpId);
        EXPECT_EQ(items[i].extendedStyle, expected[i].extendedStyle);
        EXPECT_EQ(items[i].style, expected[i].style);
        EXPECT_EQ(items[i].x, expected[i].x);
        EXPECT_EQ(items[i].y, expected[i].y);
        EXPECT_EQ(items[i].width, expected[i].width);
        EXPECT_EQ(items[i].height, expected[i].height);
        EXPECT_EQ(items[i].id, expected[i].id);
        EXPECT_EQ(items[i].windowClass, expected[i].windowClass);
        EXPECT_EQ(items[i].text, expected[i].text);
        EXPECT_EQ(items[i].extraBytes, expected[i].extraBytes);
    }
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) noexcept { return FALSE; }

std::wstring WindowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, static_cast<int>(std::size(text)));
    return text;
}

TEST(ManualDialogTemplate, MakesAHiddenDialogWithItsThreeControls) {
    const HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MANUAL), nullptr,
                                           PlainDialogProc, 0);
    ASSERT_NE(dialog, nullptr) << GetLastError();
    EXPECT_EQ(WindowText(dialog), L"Hushpad");
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_EQ(GetWindowLongW(dialog, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);

    const HWND hide = GetDlgItem(dialog, IDCANCEL);
    const HWND reenable = GetDlgItem(dialog, IDC_REENABLE);
    ASSERT_NE(hide, nullptr);
    ASSERT_NE(reenable, nullptr);
    EXPECT_EQ(WindowText(hide), L"&Hide");
    EXPECT_EQ(WindowText(reenable), L"&Re-enable Keys");
    EXPECT_EQ(LOWORD(SendMessageW(dialog, DM_GETDEFID, 0, 0)), IDCANCEL);
    int controls = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        ++controls;
    }
    EXPECT_EQ(controls, 3);
    DestroyWindow(dialog);
}

std::wstring VersionString(const std::vector<BYTE> &info, const wchar_t *name) {
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    void *value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || !value) {
        return L"(missing)";
    }
    return static_cast<const wchar_t *>(value);
}

TEST(VersionRecord, SaysVersion1InEnglishUnitedStatesUtf16) {
    wchar_t path[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    ASSERT_NE(size, 0u) << GetLastError();
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, info.data()));

    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void **>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    WORD *translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void **>(&translation),
                               &length));
    ASSERT_EQ(length, 2 * sizeof(WORD));
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);

    EXPECT_EQ(VersionString(info, L"ProductName"), L"Hushpad");
    EXPECT_EQ(VersionString(info, L"ProductVersion"), L"1.0");
    EXPECT_EQ(VersionString(info, L"FileVersion"), L"1.0");
    EXPECT_EQ(VersionString(info, L"Comments"),
              L"Temporarily disables the Windows key and the accessibility keyboard shortcuts.");
    EXPECT_EQ(VersionString(info, L"OriginalFilename"), L"Hushpad.exe");
    EXPECT_EQ(VersionString(info, L"FileDescription"), L"Hushpad");
}

TEST(Manifest, IsResource1AndAsksForCommonControls6AsInvokerDpiAware) {
    const std::string manifest = ResourceBytes(RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID);
    ASSERT_FALSE(manifest.empty());
    for (const char *part : {
             "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
             "publicKeyToken=\"6595b64144ccf1df\"",
             "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
             "<supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>",  // Vista
             "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>",  // 7
             ">true</dpiAware>",
         }) {
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    }

    // The loader applied it: the process's activation context sends
    // comctl32.dll to the side-by-side version 6.
    ACTCTX_SECTION_KEYED_DATA redirection{};
    redirection.cbSize = sizeof(redirection);
    EXPECT_TRUE(FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll",
                                         &redirection))
        << GetLastError();
}

} // namespace
