#pragma once
// The order of the plugin's calls on the files it opens, as a log line per call with its result:
// whether a file's data is flushed before its name moves or its handle is closed is seen nowhere
// else. The injector routes the traced imports here while `inject trace` is on.
//
// Lines (handles are named f1, f2, ... in the order CreateFileW gave them, from `inject trace`;
// `?` is a handle it did not give; RESULT is `ok` or `failed ERROR`, ERROR in decimal):
//   file CreateFileW "PATH" 0xACCESS fN = ok        (failed: no fN)
//   file WriteFile fN BYTES = RESULT
//   file FlushFileBuffers fN = RESULT
//   file SetFileInformationByHandle fN CLASS = RESULT
//   file CloseHandle fN = RESULT                     (handles CreateFileW gave only)
//   file ReplaceFileW "REPLACED" "REPLACEMENT" "BACKUP" 0xFLAGS = RESULT
//   file MoveFileExW "FROM" "TO" 0xFLAGS = RESULT
//   file DeleteFileW "PATH" = RESULT
// Paths are logged as the plugin passed them (extended-length prefix included; null as "").
#include <windows.h>

#include <string>

namespace testhost {

// Which traced call the import name is (an index for the functions below), or -1 for none.
int tracedCallOf(const std::string& name);

// From now on (again, handle names from f1) / no longer: whether traced calls are logged.
void startFileTrace();
void stopFileTrace();
bool fileTraceOn();

// The stand-in for a traced call of that kind: it calls real with the caller's arguments as
// they came, logs the call with its result, and answers that result with its last error. Only
// for calls on the script's thread (the handle names are not guarded).
void* traceStandIn(int tracedCall, void* real) noexcept;

// Logs a traced call the injector answered with a failure instead (registerArguments: its
// first four arguments, as the stub saved them). A handle it closed is forgotten.
void logFailedCall(int tracedCall, const ULONG_PTR* registerArguments, DWORD lastError) noexcept;

}  // namespace testhost
