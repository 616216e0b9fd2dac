#include "ChildProcess.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

std::wstring ChildCommandLine(const std::wstring &tail) {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    path.resize(path.find_last_of(L'\\') + 1);
    return L"\"" + path + L"TextTestChild.exe\" " + tail;
}

} // namespace

std::vector<std::wstring> ChildArguments(const std::wstring &arguments) {
    std::vector<std::wstring> result;
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        ADD_FAILURE() << "CreatePipe failed: " << GetLastError();
        return result;
    }
    UniqueHandle reader(readEnd);
    UniqueHandle writer(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    std::wstring commandLine = ChildCommandLine(L"echo " + arguments);
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "CreateProcessW failed: " << GetLastError();
        return result;
    }
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
    writer.reset();  // so that the read ends when the child has exited

    std::wstring output;
    wchar_t buffer[4096];
    DWORD bytes = 0;
    while (ReadFile(readEnd, buffer, sizeof(buffer), &bytes, nullptr) && bytes > 0) {
        EXPECT_EQ(bytes % sizeof(wchar_t), 0u);
        output.append(buffer, bytes / sizeof(wchar_t));
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);

    for (std::size_t start = 0; start < output.size();) {
        const std::size_t end = output.find(L'\0', start);
        result.push_back(output.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

std::vector<std::wstring> ChildTraceLines() {
    std::vector<std::wstring> lines;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring commandLine = ChildCommandLine(L"trace");
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                        DEBUG_ONLY_THIS_PROCESS | CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process)) {
        ADD_FAILURE() << "CreateProcessW failed: " << GetLastError();
        return lines;
    }
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);

    for (;;) {
        DEBUG_EVENT event{};
        if (!WaitForDebugEvent(&event, 30000)) {
            ADD_FAILURE() << "WaitForDebugEvent failed: " << GetLastError();
            break;
        }
        if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT && event.u.CreateProcessInfo.hFile) {
            CloseHandle(event.u.CreateProcessInfo.hFile);
        } else if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT && event.u.LoadDll.hFile) {
            CloseHandle(event.u.LoadDll.hFile);
        } else if (event.dwDebugEventCode == OUTPUT_DEBUG_STRING_EVENT) {
            const OUTPUT_DEBUG_STRING_INFO &info = event.u.DebugString;
            const std::size_t unitSize = info.fUnicode ? sizeof(wchar_t) : 1;
            std::string bytes(info.nDebugStringLength * unitSize, '\0');
            SIZE_T read = 0;
            ReadProcessMemory(process.hProcess, info.lpDebugStringData, bytes.data(), bytes.size(), &read);
            bytes.resize(read);
            std::wstring line;
            if (info.fUnicode) {
                line.assign(reinterpret_cast<const wchar_t *>(bytes.data()), bytes.size() / sizeof(wchar_t));
            } else {
                for (const char c : bytes) {
                    line += static_cast<wchar_t>(static_cast<unsigned char>(c));
                }
            }
            if (!line.empty() && line.back() == L'\0') {
                line.pop_back();
            }
            lines.push_back(line);
        }
        const bool exited = event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT;
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
        if (exited) {
            break;
        }
    }
    return lines;
}
