#pragma once

// Resource numbers of the Windows program file, shared by dimwarden.rc and the code that reads
// them back. The shell shows the icon group with the lowest number as the program's icon.
#define DIMWARDEN_ICON 1

// The windows' pictures, PNG files kept as they are (RCDATA) and decoded at start.
#define DIMWARDEN_PNG_MINI_NORMAL 101
#define DIMWARDEN_PNG_MINI_FOCUS 102
#define DIMWARDEN_PNG_CLOSE_NORMAL 103
#define DIMWARDEN_PNG_CLOSE_FOCUS 104
#define DIMWARDEN_PNG_SETTING_BADGE 105
#define DIMWARDEN_PNG_ADVANCED_BADGE 106
#define DIMWARDEN_PNG_LAMP_NIGHT 107
#define DIMWARDEN_PNG_LAMP_NORMAL 108
