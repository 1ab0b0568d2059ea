#include "registration.h"

#include "addin_module.h"
#include "registry/registrar.h"

#include <QString>

#include <string_view>

namespace kestrine {
namespace {

// The class, its program ids and the add-in key under which the word processor finds it
// and loads it at its start (LoadBehavior 3).
constexpr std::string_view kClassScript = R"(
HKCR
{
    Kestrine.WordAddin.1 = s 'WordAddin Class'
    {
        CLSID = s '{89636228-FA0F-4743-8AF8-8D7DA19B8344}'
    }
    Kestrine.WordAddin = s 'WordAddin Class'
    {
        CLSID = s '{89636228-FA0F-4743-8AF8-8D7DA19B8344}'
        CurVer = s 'Kestrine.WordAddin.1'
    }
    NoRemove CLSID
    {
        ForceRemove {89636228-FA0F-4743-8AF8-8D7DA19B8344} = s 'WordAddin Class'
        {
            ProgID = s 'Kestrine.WordAddin.1'
            VersionIndependentProgID = s 'Kestrine.WordAddin'
            ForceRemove 'Programmable'
            InprocServer32 = s '%MODULE%'
            {
                val ThreadingModel = s 'Apartment'
            }
            'TypeLib' = s '{487EA6D5-F160-4767-A66B-2C3E94EFBC9E}'
        }
    }
}
HKCU
{
    Software
    {
        Microsoft
        {
            Office
            {
                Word
                {
                    Addins
                    {
                        Kestrine.WordAddin
                        {
                            val FriendlyName = s 'WORD Custom Addin'
                            val Description = s 'Word Custom Addin'
                            val LoadBehavior = d '3'
                            val CommandLineSafe = d '1'
                        }
                    }
                }
            }
        }
    }
}
)";

// The type library KESTRINELib 1.0, served from this library's file.
constexpr std::string_view kTypeLibraryScript = R"(
HKCR
{
    NoRemove TypeLib
    {
        {487EA6D5-F160-4767-A66B-2C3E94EFBC9E}
        {
            ForceRemove 1.0 = s 'Kestrine 1.0 Type Library'
            {
                0
                {
                    win32 = s '%MODULE%'
                }
                FLAGS = s '0'
            }
        }
    }
}
)";

// A registrar with "Module" and "Module_Raw" bound to the library's path (single quotes
// doubled for the script's quoting), or the failure that prevents it.
HRESULT prepare(ostrel::registry::Registrar& registrar) {
    const auto path = AddinModule::modulePath();
    if (!path) {
        return E_UNEXPECTED;
    }
    const std::string text = path->string();
    // Registration takes paths of up to 259 characters (a 260-character buffer).
    constexpr qsizetype maxPath = 260;
    if (QString::fromStdString(text).size() >= maxPath) {
        return HRESULT_INSUFFICIENT_BUFFER;
    }
    registrar.bind("Module", ostrel::registry::escapeQuotes(text));
    registrar.bind("Module_Raw", ostrel::registry::escapeQuotes(text));
    return S_OK;
}

HRESULT applyScripts(bool registering) {
    ostrel::registry::Registry registry;
    ostrel::registry::Registrar registrar(registry);
    HRESULT h = prepare(registrar);
    for (const std::string_view script : {kClassScript, kTypeLibraryScript}) {
        if (SUCCEEDED(h)) {
            h = registering ? registrar.registerScript(script) : registrar.unregisterScript(script);
        }
    }
    return h;
}

} // namespace

HRESULT registerServer() {
    return applyScripts(true);
}

HRESULT unregisterServer() {
    return applyScripts(false);
}

} // namespace kestrine
