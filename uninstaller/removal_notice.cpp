#include "uninstaller/uninstall_steps.h"

void SendRemovalNotice() {}
