// The tool as a process of its own on Windows: started with CreateProcessW, its standard output
// and standard error on pipes read as descriptors of the C runtime, standard input from NUL.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <stdexcept>
#include <thread>

#include "Environment.h"
#include "ToolProcess.h"
#include "k7base/WideText.h"

namespace tooltest {

namespace {

// One argument as the C runtime of the started program splits its command line.
std::wstring quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring text = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        text.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        text += c;
    }
    text.append(backslashes * 2, L'\\');
    return text + L"\"";
}

// A pipe whose write end the program inherits; its read end as a descriptor.
int pipeTo(HANDLE& write) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE read = nullptr;
    if (CreatePipe(&read, &write, &inherited, 0) == 0) {
        throw std::runtime_error("no pipes");
    }
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    return ::_open_osfhandle(reinterpret_cast<intptr_t>(read), _O_RDONLY | _O_BINARY);
}

HANDLE handleOf(std::intptr_t process) {
    return reinterpret_cast<HANDLE>(process);
}

std::string readToEnd(int fd) {
    std::string text;
    char chunk[65536];
    for (int n = 0; (n = ::_read(fd, chunk, sizeof chunk)) > 0;) {
        text.append(chunk, static_cast<std::size_t>(n));
    }
    return text;
}

}  // namespace

ToolProcess::ToolProcess(const std::string& simConfigPath,
                         const std::vector<std::string>& arguments, std::size_t, std::size_t) {
    HANDLE outWrite = nullptr;
    HANDLE errWrite = nullptr;
    out_ = pipeTo(outWrite);
    err_ = pipeTo(errWrite);
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE nothing = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 &inherited, OPEN_EXISTING, 0, nullptr);
    if (simConfigPath.empty()) {
        k7test::unsetEnvironment("KARVO7_SIM");
    } else {
        k7test::setEnvironment("KARVO7_SIM", simConfigPath);
    }
    k7test::setEnvironment("KARVO7_SIM_STATE", "off");
    k7test::unsetEnvironment("KARVO7_DRIVER");
    std::wstring line = quoted(k7base::wideOf(KARVO7_TOOL));
    for (const std::string& argument : arguments) {
        line += L" " + quoted(k7base::wideOf(argument));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION started{};
    const bool ok = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                   nullptr, &startup, &started) != 0;
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    CloseHandle(nothing);
    if (!ok) {
        throw std::runtime_error("karvo7 did not start");
    }
    CloseHandle(started.hThread);
    process_ = reinterpret_cast<std::intptr_t>(started.hProcess);
}

ToolProcess::~ToolProcess() {
    if (process_ != -1) {
        TerminateProcess(handleOf(process_), 1);
        WaitForSingleObject(handleOf(process_), INFINITE);
        CloseHandle(handleOf(process_));
    }
    closeOut();
    if (err_ >= 0) {
        ::_close(err_);
    }
}

std::string ToolProcess::readOut(std::size_t bytes) {
    std::string got;
    char chunk[65536];
    while (got.size() < bytes && out_ >= 0) {
        const int n =
            ::_read(out_, chunk, static_cast<unsigned>(std::min(sizeof chunk, bytes - got.size())));
        if (n <= 0) {
            break;
        }
        got.append(chunk, static_cast<std::size_t>(n));
    }
    return got;
}

void ToolProcess::closeOut() {
    if (out_ >= 0) {
        ::_close(out_);
        out_ = -1;
    }
}

// Windows has no signals to send: the program ends as a signal would have ended it.
void ToolProcess::signal(int number) {
    TerminateProcess(handleOf(process_), static_cast<UINT>(128 + number));
}

Finished ToolProcess::finish() {
    Finished f;
    std::thread errors;
    if (err_ >= 0) {
        errors = std::thread([this, &f] { f.err = readToEnd(err_); });
    }
    if (out_ >= 0) {
        f.out += readToEnd(out_);
    }
    if (errors.joinable()) {
        errors.join();
    }
    closeOut();
    if (err_ >= 0) {
        ::_close(err_);
        err_ = -1;
    }
    WaitForSingleObject(handleOf(process_), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(handleOf(process_), &code);
    CloseHandle(handleOf(process_));
    process_ = -1;
    f.code = static_cast<int>(code);
    return f;
}

}  // namespace tooltest
