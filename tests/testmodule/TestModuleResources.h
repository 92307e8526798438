// Resource identifiers of qm-testmodule.dll.
#pragma once

#define IDD_TEST_EDITOR 100
#define IDC_SCOPE_GLOBAL 1001
#define IDC_SCOPE_SPECIFIC 1002
#define IDC_ALLOW_APPLY 1003
#define IDC_APPLY 1004
#define IDC_NAME 1005
#define IDC_STATUS 1006
