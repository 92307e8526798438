#include "IsUserAdmin.h"

#include "WindowsError.h"

bool isUserAdmin()
{
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS,
                                  0, 0, 0, 0, 0, 0, &administrators))
        throw WindowsError{GetLastError()};

    BOOL member = FALSE;
    const BOOL checked = CheckTokenMembership(nullptr, administrators, &member);
    const DWORD error = GetLastError();
    FreeSid(administrators);
    if (!checked)
        throw WindowsError{error};
    return member != FALSE;
}
