#include "filter/core/portable/HookGuard.h"

#include "filter/core/portable/FilterLog.h"

void LogHookException() noexcept {
    try {
        FilterLog().Log("XXXXXX Exception XXXXXX\n", 1);
    } catch (...) {
    }
}
