// A small, strict interpreter for the registry script in the .rgs notation, for exactly
// what the module's own script uses:
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
// One HKCR block; keys plain, NoRemove or ForceRemove; string values only ("s"); single-
// quoted texts with '' for a quote and %NAME% replaced from the variables ("%%" gives "%").
// Braces stand alone between blanks. The whole script is parsed before anything is
// written, so a faulty script changes nothing.
#pragma once

#include <windows.h>

#include <map>
#include <string>

using RegistryVariables = std::map<std::wstring, std::wstring>;

enum class RegistryScriptAction { Register, Unregister };

// Returns S_OK, E_FAIL for a script the interpreter does not accept (nothing written), or
// the HRESULT of a failed registry call. rootOverride, when set, stands in for
// HKEY_CLASSES_ROOT (tests use a key of their own).
HRESULT ApplyRegistryScript(const std::wstring& script, const RegistryVariables& variables,
                            RegistryScriptAction action, HKEY rootOverride = nullptr);
