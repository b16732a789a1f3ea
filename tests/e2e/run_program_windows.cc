// run_program for Windows: CreateProcess with standard output and error redirected to temporary
// files. Only Stdout::Capture exists here: the other modes are POSIX file-descriptor tricks.
#include <windows.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "run_program.h"

namespace {

// One argument quoted so that the C runtime's command-line parser gives it back unchanged.
std::string quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos)
    return arg;
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes are literal except right before a quote, where each must be doubled.
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

HANDLE temporary_file() {
  char folder[MAX_PATH], name[MAX_PATH];
  if (GetTempPathA(MAX_PATH, folder) == 0 || GetTempFileNameA(folder, "tvn", 0, name) == 0) {
    throw std::runtime_error("no temporary file (" + std::to_string(GetLastError()) + ")");
  }
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const HANDLE file = CreateFileA(name, GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                                  CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    throw std::runtime_error("no temporary file (" + std::to_string(GetLastError()) + ")");
  return file;
}

// What was written to file, each CR LF read as the LF the tests expect: text mode ends every
// line so. A line end without its CR stays visibly marked, so a program that lost text mode
// fails every comparison and every line's pattern.
std::string read_back(HANDLE file) {
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  std::string text;
  char block[65536];
  DWORD got = 0;
  while (ReadFile(file, block, sizeof block, &got, nullptr) && got > 0)
    text.append(block, got);
  std::string lf;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      lf.push_back('\n');
      ++i;
    } else if (text[i] == '\n') {
      lf.append("<LF without CR>\n");
    } else {
      lf.push_back(text[i]);
    }
  }
  return lf;
}

}  // namespace

RunResult run_program(const std::string& path, const std::vector<std::string>& args, Stdout mode,
                      const std::vector<std::string>& env) {
  if (mode != Stdout::Capture || !env.empty())
    std::abort();
  RunResult result;
  const HANDLE out = temporary_file();
  const HANDLE err = temporary_file();
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out;
  startup.hStdError = err;
  std::string command = quote(path);
  for (const std::string& arg : args)
    command.append(" ").append(quote(arg));
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &process)) {
    throw std::runtime_error("CreateProcess failed (" + std::to_string(GetLastError()) +
                             "): " + command.substr(0, 200));
  }
  if (WaitForSingleObject(process.hProcess, DWORD(RUN_DEADLINE) * 1000) == WAIT_TIMEOUT) {
    TerminateProcess(process.hProcess, 9);
    WaitForSingleObject(process.hProcess, INFINITE);
    throw std::runtime_error("no end within " + std::to_string(RUN_DEADLINE) + " s: " + path);
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  result.exit_status = static_cast<int>(code);  // the whole code: -2 stays -2
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  result.out = read_back(out);
  result.err = read_back(err);
  CloseHandle(out);
  CloseHandle(err);
  return result;
}
