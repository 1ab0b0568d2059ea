// Registration scripts: the keys and values a COM server adds to the registry, in the
// registrar's text form, applied in register or unregister mode.
//
//     HKCR
//     {
//         Some.ProgID = s 'Description'
//         {
//             CLSID = s '{...}'
//         }
//         NoRemove CLSID
//         {
//             ForceRemove {...} = s 'Description'
//             {
//                 InprocServer32 = s '%MODULE%'
//                 {
//                     val ThreadingModel = s 'Apartment'
//                 }
//             }
//         }
//     }
//
// Roots: HKCR, HKCU (or their long names). A key may carry a default value (`= s '...'`
// or `= d 'n'`), named values (`val Name = ...`) and subkeys. Tokens are separated by white
// space; texts are quoted with single quotes, a quote inside doubled. %NAME% is replaced by the
// bound variable of that name (names match without regard to case) before the text is read.
//
// Register: every key is created and its values written; a ForceRemove key is deleted
// with its subtree first. Unregister: a ForceRemove key goes with its subtree; a NoRemove
// key is never deleted but its subkeys are visited; any other key loses the script's
// values and subkeys and is deleted when nothing else is left in it.
#pragma once

#include "com/com.h"
#include "registry/registry.h"

#include <map>
#include <string>
#include <string_view>

namespace ostrel::registry {

class Registrar {
public:
    explicit Registrar(Registry& registry) : registry_(registry) {}

    void bind(const std::string& name, const std::string& value);

    // S_OK, DISP_E_EXCEPTION for a script that cannot be read, or the first failure
    // code of the registry (the remaining steps are skipped).
    HRESULT registerScript(std::string_view script);
    HRESULT unregisterScript(std::string_view script);

private:
    HRESULT apply(std::string_view script, bool registering);

    Registry& registry_;
    std::map<std::string, std::string> variables_; // keys in upper case
};

// Text for inside a script's quotes: single quotes doubled.
std::string escapeQuotes(std::string_view text);

} // namespace ostrel::registry
