#include "WorkingAreas.h"

#include "frmSwitchboard.h"

namespace WorkingAreas {

void registerWindows() {}

} // namespace WorkingAreas
