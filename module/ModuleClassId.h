// The module's COM class, as its registration script and Dragon's configuration name it.
#pragma once

#include <windows.h>

// {BC946B16-79E7-49E7-8902-75C25B2182A9}
constexpr CLSID CLSID_Quillmoor = {0xBC946B16, 0x79E7, 0x49E7, {0x89, 0x02, 0x75, 0xC2, 0x5B, 0x21, 0x82, 0xA9}};
