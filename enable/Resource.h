// Resource and control identifiers of the enable utility, shared by the .rc file and the code.
#pragma once

#define IDD_MAIN 101
#define IDB_CHECK_MARK 103
#define IDB_CROSS 104
#define IDI_PROGRAM 105

#define IDC_ENABLED_TEXT 1002
#define IDC_ENABLED_BITMAP 1003
#define IDC_TOGGLE_ENABLED 1004
#define IDC_ELEVATED_TEXT 1005
#define IDC_ELEVATE 1006
#define IDC_ELEVATED_BITMAP 1007
#define IDC_INSTRUCTIONS 1013
