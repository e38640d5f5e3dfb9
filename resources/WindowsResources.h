#pragma once

// Resource numbers of the Windows program file, shared by dimwarden.rc and the code that reads
// them back. The shell shows the icon group with the lowest number as the program's icon.
#define DIMWARDEN_ICON 1
