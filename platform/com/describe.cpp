#include "com/runtime.h"

#include <array>

namespace ostrel::com {

namespace {

struct Description {
    HRESULT code;
    const char* text;
};

constexpr std::array kDescriptions{
    Description{S_OK, "S_OK"},
    Description{S_FALSE, "S_FALSE"},
    Description{E_NOTIMPL, "E_NOTIMPL: Not implemented"},
    Description{E_NOINTERFACE, "E_NOINTERFACE: No such interface supported"},
    Description{E_POINTER, "E_POINTER: Invalid pointer"},
    Description{E_ABORT, "E_ABORT: Operation aborted"},
    Description{E_FAIL, "E_FAIL: Unspecified error"},
    Description{E_UNEXPECTED, "E_UNEXPECTED: Catastrophic failure"},
    Description{E_ACCESSDENIED, "E_ACCESSDENIED: Access denied"},
    Description{E_OUTOFMEMORY, "E_OUTOFMEMORY: Out of memory"},
    Description{E_INVALIDARG, "E_INVALIDARG: One or more arguments are invalid"},
    Description{RPC_E_CHANGED_MODE, "RPC_E_CHANGED_MODE: Cannot change thread mode"},
    Description{DISP_E_MEMBERNOTFOUND, "DISP_E_MEMBERNOTFOUND: Member not found"},
    Description{DISP_E_PARAMNOTFOUND, "DISP_E_PARAMNOTFOUND: Parameter not found"},
    Description{DISP_E_TYPEMISMATCH, "DISP_E_TYPEMISMATCH: Type mismatch"},
    Description{DISP_E_UNKNOWNNAME, "DISP_E_UNKNOWNNAME: Unknown name"},
    Description{DISP_E_BADVARTYPE, "DISP_E_BADVARTYPE: Bad variable type"},
    Description{DISP_E_EXCEPTION, "DISP_E_EXCEPTION: Exception occurred"},
    Description{DISP_E_BADPARAMCOUNT, "DISP_E_BADPARAMCOUNT: Invalid number of parameters"},
    Description{TYPE_E_LIBNOTREGISTERED, "TYPE_E_LIBNOTREGISTERED: Library not registered"},
    Description{TYPE_E_CANTLOADLIBRARY, "TYPE_E_CANTLOADLIBRARY: Error loading type library"},
    Description{CLASS_E_NOAGGREGATION, "CLASS_E_NOAGGREGATION: Class does not support aggregation"},
    Description{CLASS_E_CLASSNOTAVAILABLE,
                "CLASS_E_CLASSNOTAVAILABLE: Class not available from this library"},
    Description{REGDB_E_READREGDB, "REGDB_E_READREGDB: Could not read the registry"},
    Description{REGDB_E_WRITEREGDB, "REGDB_E_WRITEREGDB: Could not write the registry"},
    Description{REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG: Class not registered"},
    Description{CONNECT_E_NOCONNECTION, "CONNECT_E_NOCONNECTION: No such connection"},
    Description{CONNECT_E_ADVISELIMIT, "CONNECT_E_ADVISELIMIT: Connection limit reached"},
    Description{CONNECT_E_CANNOTCONNECT, "CONNECT_E_CANNOTCONNECT: Cannot connect"},
    Description{CO_E_NOTINITIALIZED, "CO_E_NOTINITIALIZED: CoInitialize has not been called"},
    Description{CO_E_CLASSSTRING, "CO_E_CLASSSTRING: Invalid class string"},
    Description{CO_E_DLLNOTFOUND, "CO_E_DLLNOTFOUND: Library not found"},
    Description{CO_E_ERRORINDLL, "CO_E_ERRORINDLL: Error in the library"},
    Description{CO_E_SERVER_EXEC_FAILURE, "CO_E_SERVER_EXEC_FAILURE: Server execution failed"},
    Description{HRESULT_INSUFFICIENT_BUFFER,
                "ERROR_INSUFFICIENT_BUFFER: The data area passed is too small"},
};

} // namespace

std::string describe(HRESULT code) {
    for (const auto& entry : kDescriptions) {
        if (entry.code == code) {
            return entry.text;
        }
    }
    return SUCCEEDED(code) ? "success" : "unknown status";
}

} // namespace ostrel::com
