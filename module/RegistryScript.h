// A small, strict interpreter for registry scripts in the .rgs notation, for the subset the
// module's own script uses:
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove {guid} = s 'text'
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Apartment'
//               }
//           }
//       }
//   }
//
// Roots HKCR, HKCU and HKLM (short or long names); key flags NoRemove, ForceRemove and
// Delete; string values only ("s"); single-quoted texts with '' for a quote; %NAME%
// replaced from the variables ("%%" gives "%"). Braces stand alone between blanks.
// The whole script is parsed before anything is written, so a faulty script changes nothing.
#pragma once

#include <windows.h>

#include <map>
#include <string>

using RegistryVariables = std::map<std::wstring, std::wstring>;

enum class RegistryScriptAction { Register, Unregister };

// Returns S_OK, E_FAIL for a script the interpreter does not accept (nothing written), or
// the HRESULT of a failed registry call. rootOverride, when set, stands in for every root
// key of the script (tests use a key of their own).
HRESULT ApplyRegistryScript(const std::wstring& script, const RegistryVariables& variables,
                            RegistryScriptAction action, HKEY rootOverride = nullptr);
