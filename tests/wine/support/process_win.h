#pragma once
// Programs the tests start as a user would: a command line, its exit code and
// what it wrote to its standard output and error.
#include <windows.h>

#include <string>

namespace tarvex::test {

// Runs the command line, waits for it to end by itself (at most `timeout_ms`)
// and returns its standard output and error together. The exit code is left
// alone when the program cannot be started.
std::string run_captured(const std::wstring& command_line, DWORD* exit_code, DWORD timeout_ms = 60000);

// Registers or unregisters `dll` silently with `options` ("/u", "/n /i:user",
// ...) and returns the exit code; `program` is the regsvr32 to use (the
// system's by default, the 32-bit one beside it in a 64-bit Windows).
DWORD regsvr32(const std::wstring& options, const std::wstring& dll, const std::wstring& program = L"regsvr32.exe");

// Whether this machine runs 32-bit programs. The test scripts decide it once and
// say so in TARVEX_RUNS_32BIT (Wine passes the environment on); a suite started
// by hand is taken to run where 32-bit programs run.
bool runs_32bit_programs();

// The reason a test gives when it skipped its 32-bit part.
constexpr char no_32bit_programs[] = "this machine does not run 32-bit programs: the 32-bit part was not run";

}  // namespace tarvex::test
