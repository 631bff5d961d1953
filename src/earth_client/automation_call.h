// Calls into an automation server by member name, through IDispatch
// (GetIDsOfNames, then Invoke), and a tiny owner for the variants that such
// calls hand out; the COM pointers are held by ComRef (support/owners.h).
// The Google Earth client uses nothing else: it does not own Google Earth's
// interface definitions, so it never calls through a vtable of Google
// Earth's interfaces.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include "support/owners.h"

// Holds one VARIANT and clears it (freeing strings, arrays, objects) when it goes.
class VariantValue {
public:
    VariantValue() { VariantInit(&m_value); }
    ~VariantValue() { VariantClear(&m_value); }
    VariantValue(const VariantValue&) = delete;
    VariantValue& operator=(const VariantValue&) = delete;

    VARIANT* Put()
    {
        Clear();
        return &m_value;
    }
    void Clear() { VariantClear(&m_value); }
    const VARIANT& Get() const { return m_value; }
    VARIANT& Get() { return m_value; }
    VARTYPE Type() const { return V_VT(&m_value); }

private:
    VARIANT m_value;
};

// The object's IDispatch.
HRESULT GetDispatch(IUnknown* object, IDispatch** dispatch);

// The dispatch id of the member called name (IID_NULL, LOCALE_SYSTEM_DEFAULT).
HRESULT LookUpMember(IDispatch* object, const wchar_t* name, DISPID* id);

// Invokes a member: kind is DISPATCH_METHOD or DISPATCH_PROPERTYGET;
// arguments are given in the member's declaration order; result may be
// null. A failure that the server reports as an exception
// (DISP_E_EXCEPTION) comes back as the server's own HRESULT.
HRESULT InvokeMember(IDispatch* object, DISPID id, WORD kind, const VARIANT* arguments, UINT count,
                     VARIANT* result);
HRESULT InvokeByName(IDispatch* object, const wchar_t* name, WORD kind, const VARIANT* arguments,
                     UINT count, VARIANT* result);

// Reads a numeric property. A value that is not a number (empty, text,
// object) is DISP_E_TYPEMISMATCH and leaves the output unchanged.
HRESULT ReadDoubleProperty(IDispatch* object, const wchar_t* name, double* value);
HRESULT ReadIntProperty(IDispatch* object, const wchar_t* name, int* value);

// The object held by an answer of VT_DISPATCH or VT_UNKNOWN, as IDispatch;
// E_FAIL for any other answer, or one without an object.
HRESULT DispatchFromAnswer(const VARIANT& answer, IDispatch** dispatch);
