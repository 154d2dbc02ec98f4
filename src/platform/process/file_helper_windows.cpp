#include "platform/process/file_helper_channel.h"

#ifdef _WIN32

#include <windows.h>

#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>

namespace platform {

namespace {

std::wstring helperProgram() {
    if (const wchar_t* named = _wgetenv(L"DEMO_FILE_HELPER"); named && *named) return named;
    wchar_t self[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, self, DWORD(std::size(self)));
    if (length == 0 || length >= std::size(self)) return {};
    std::wstring path(self, length);
    const std::size_t separator = path.find_last_of(L"\\/");
    return path.substr(0, separator == std::wstring::npos ? 0 : separator + 1) + L"demo-file-helper.exe";
}

// Every helper is in one job object that ends its processes when the program ends, a helper stuck in a job too.
// Each may commit at most half of the machine's memory: a file that asks a library for more makes the allocation
// fail in the helper, which answers with the file's failure.
HANDLE helperJobObject() {
    static const HANDLE job = [] {
        HANDLE made = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        MEMORYSTATUSEX memory{};
        memory.dwLength = sizeof memory;
        unsigned long long limit = GlobalMemoryStatusEx(&memory) ? memory.ullTotalPhys / 2 : 0;
        if (const wchar_t* named = _wgetenv(L"DEMO_FILE_MEMORY_LIMIT_MB"); named && _wtoi64(named) > 0)
            limit = static_cast<unsigned long long>(_wtoi64(named)) << 20;
        if (limit > 0) {
            limits.BasicLimitInformation.LimitFlags |= JOB_OBJECT_LIMIT_PROCESS_MEMORY;
            limits.ProcessMemoryLimit = static_cast<SIZE_T>(std::min<unsigned long long>(limit, SIZE_T(-1)));
        }
        if (made) SetInformationJobObject(made, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        return made;
    }();
    return job;
}

LONG WINAPI endOnException(EXCEPTION_POINTERS* exception) {
    TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

bool startHelper(HelperProcess* helper) {
    static const std::wstring program = helperProgram();
    if (program.empty() || GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE requestRead = nullptr, requestWrite = nullptr, answerRead = nullptr, answerWrite = nullptr;
    if (!CreatePipe(&requestRead, &requestWrite, &inherit, 0)) return false;
    if (!CreatePipe(&answerRead, &answerWrite, &inherit, 0)) {
        CloseHandle(requestRead);
        CloseHandle(requestWrite);
        return false;
    }
    // Only the helper's ends are inherited.
    SetHandleInformation(requestWrite, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(answerRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = requestRead;
    startup.hStdOutput = answerWrite;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started{};
    std::wstring commandLine = L"\"" + program + L"\"";
    const BOOL created = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &startup, &started);
    CloseHandle(requestRead);
    CloseHandle(answerWrite);
    if (!created) {
        CloseHandle(requestWrite);
        CloseHandle(answerRead);
        return false;
    }
    if (HANDLE job = helperJobObject()) AssignProcessToJobObject(job, started.hProcess);
    CloseHandle(started.hThread);
    helper->process = started.hProcess;
    helper->toHelper = requestWrite;
    helper->fromHelper = answerRead;
    return true;
}

bool sendToHelper(const HelperProcess& helper, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        DWORD n = 0;
        const DWORD chunk = DWORD(std::min<std::size_t>(bytes.size() - sent, 1 << 20));
        if (!WriteFile(HANDLE(helper.toHelper), bytes.data() + sent, chunk, &n, nullptr) || n == 0) return false;
        sent += n;
    }
    return true;
}

ReadResult readFromHelper(const HelperProcess& helper, char* bytes, std::size_t size,
                          std::chrono::steady_clock::time_point deadline) {
    // Anonymous pipes have no waits with a time limit: look for bytes, and sleep briefly while there are none.
    std::size_t got = 0;
    while (got < size) {
        DWORD available = 0;
        if (!PeekNamedPipe(HANDLE(helper.fromHelper), nullptr, 0, nullptr, &available, nullptr)) return ReadResult::Closed;
        if (available == 0) {
            if (std::chrono::steady_clock::now() >= deadline) return ReadResult::TimedOut;
            if (WaitForSingleObject(HANDLE(helper.process), 1) == WAIT_OBJECT_0) {
                // Ended: what it wrote before may still be in the pipe.
                if (PeekNamedPipe(HANDLE(helper.fromHelper), nullptr, 0, nullptr, &available, nullptr) && available)
                    continue;
                return ReadResult::Closed;
            }
            continue;
        }
        DWORD n = 0;
        const DWORD chunk = DWORD(std::min<std::size_t>({size - got, std::size_t(available), std::size_t(1) << 20}));
        if (!ReadFile(HANDLE(helper.fromHelper), bytes + got, chunk, &n, nullptr) || n == 0) return ReadResult::Closed;
        got += n;
    }
    return ReadResult::Ok;
}

std::string endHelper(const HelperProcess& helper) {
    CloseHandle(HANDLE(helper.toHelper));
    CloseHandle(HANDLE(helper.fromHelper));
    std::string how = "ended the process";
    if (WaitForSingleObject(HANDLE(helper.process), 100) != WAIT_OBJECT_0) {
        TerminateProcess(HANDLE(helper.process), 1);
        WaitForSingleObject(HANDLE(helper.process), INFINITE);
        how = "was stopped";
    } else {
        DWORD code = 0;
        GetExitCodeProcess(HANDLE(helper.process), &code);
        char text[64];
        std::snprintf(text, sizeof text, "crashed (exception 0x%08lX)", static_cast<unsigned long>(code));
        if (code >= 0xC0000000u) how = text;
    }
    CloseHandle(HANDLE(helper.process));
    return how;
}

bool HelperChannel::read(char* bytes, std::size_t size) const {
    std::size_t got = 0;
    while (got < size) {
        DWORD n = 0;
        const DWORD chunk = DWORD(std::min<std::size_t>(size - got, 1 << 20));
        if (!ReadFile(HANDLE(in), bytes + got, chunk, &n, nullptr) || n == 0) return false;
        got += n;
    }
    return true;
}

bool HelperChannel::write(const char* bytes, std::size_t size) const {
    std::size_t sent = 0;
    while (sent < size) {
        DWORD n = 0;
        const DWORD chunk = DWORD(std::min<std::size_t>(size - sent, 1 << 20));
        if (!WriteFile(HANDLE(out), bytes + sent, chunk, &n, nullptr) || n == 0) return false;
        sent += n;
    }
    return true;
}

HelperChannel openHelperChannel() {
    // No crash dialog, no error reporting and no debugger (Wine starts one): a crash ends the helper at once with
    // the exception's code, and the program reads it as the file's failure.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(endOnException);
    HelperChannel channel;
    channel.in = GetStdHandle(STD_INPUT_HANDLE);
    // A handle of its own for the answers: moving the C runtime's standard output below closes the handle that
    // standard output had, which is the answer pipe.
    HANDLE answers = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_OUTPUT_HANDLE), GetCurrentProcess(), &answers, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        answers = GetStdHandle(STD_OUTPUT_HANDLE);
    }
    channel.out = answers;
    SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE));
    _dup2(_fileno(stderr), _fileno(stdout));  // what libraries print goes to standard error
    return channel;
}

}  // namespace platform

#endif
