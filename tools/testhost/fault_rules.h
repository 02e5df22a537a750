#pragma once
// How each function the plugin imports fails when the injector fails it: the value it answers,
// the last error it leaves, or why it is never failed.
#include <windows.h>

#include <string>

namespace testhost {

enum class FailureMode {
    Answer,         // the real function is not called; the failure value is answered at once
    AfterTheCall,   // the real function runs, then the call answers failure (a close whose
                    // error is reported after the handle is gone)
    Never,          // never failed: see `why`
};

struct FailureRule {
    FailureMode mode = FailureMode::Answer;
    ULONG_PTR value = 0;   // what the failed call returns (in rax)
    DWORD lastError = ERROR_NOT_ENOUGH_MEMORY;
    const char* why = "";  // for Never
    // Run when the failure fires, for state the platform keeps beside the result or changes
    // before it fails: given the call's first four arguments and the last error it will answer.
    void (*effect)(const ULONG_PTR* registerArguments, DWORD lastError) = nullptr;
};

// The rule for an import by its name; unlisted names answer 0 with ERROR_NOT_ENOUGH_MEMORY.
FailureRule failureRuleFor(const std::string& name);

}  // namespace testhost
