// Resource identifiers of natspeak.exe.
#pragma once

#define IDD_FONT 100
#define IDC_FONT_NAME 1001
#define IDC_FONT_SIZE 1002
#define IDC_FONT_NAME_LABEL 1003
#define IDC_FONT_SIZE_LABEL 1004

#define IDM_DRAGONPAD_FONT 200
