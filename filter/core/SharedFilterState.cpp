#include "filter/core/SharedFilterState.h"

// Every byte zero but the profile name: the image the first process to load the filter gets.
// constinit: a constructor run at load would wipe the state of every other process.
__attribute__((section(".shr"), shared)) constinit SharedFilterState gSharedState;
__attribute__((section(".shr"), shared)) constinit SharedFilterSwitches gSharedSwitches;
