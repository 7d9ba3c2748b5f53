#include "gui/admin/ProfileEditState.h"

CProfileEditState gProfileEditState;
int listsChanged = 0;
int createInProgress = 0;
int nextWordKey = 1;
