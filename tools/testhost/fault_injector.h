#pragma once
// Fails chosen calls of the functions the plugin imports, in the plugin's module only, and
// counts the calls each import gets. Every named import slot of the plugin is pointed at a stub
// of its own that asks the injector, call by call, whether to go on to the real function or
// to answer that function's failure (fault_rules.h) at once.
//
// Only calls on the script's thread are counted or failed; other threads (a library's worker
// starting up, which runs the runtime's thread attach in the plugin) always pass.
#include <windows.h>

#include <string>

#include "script_parse.h"

namespace testhost {

// Points the named import slots of a newly loaded plugin at the stubs, once the injector has
// been started by an `inject` command (until then the plugin's imports are left alone). A slot
// that already holds its stub (the same mapping loaded again) is kept.
void rerouteImports(HMODULE plugin);

// inject count | report | trace | fail NAME K [ERROR] | off   (see README.md)
std::string runInject(const std::vector<Token>& args);

}  // namespace testhost
