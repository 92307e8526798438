#pragma once

// Whether the process token is a member of the built-in Administrators group. With UAC this
// is false for an administrator whose process is not elevated. Throws WindowsError when the
// check itself fails.
bool isUserAdmin();
