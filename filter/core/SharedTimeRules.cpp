#include "filter/core/SharedTimeRules.h"

// All zero, no rules: the image the first process to load the filter gets. constinit: a
// constructor run at load would wipe the rules of every other process.
__attribute__((section(".shr"), shared)) constinit SharedTimeRules gSharedTimeRules{};
