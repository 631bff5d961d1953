#include "earth_client/automation_call.h"

namespace {

// Most arguments any call of the client passes.
const UINT kMaxArguments = 4;

bool IsNumber(VARTYPE type)
{
    switch (type) {
    case VT_R8: case VT_R4: case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_INT:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8: case VT_UINT: case VT_BOOL:
        return true;
    default:
        return false;
    }
}

// Reads a property and converts a numeric answer to type.
HRESULT ReadNumberProperty(IDispatch* object, const wchar_t* name, VARTYPE type, VARIANT* converted)
{
    VariantValue answer;
    HRESULT hr = InvokeByName(object, name, DISPATCH_PROPERTYGET, nullptr, 0, answer.Put());
    if (SUCCEEDED(hr) && !IsNumber(answer.Type()))
        hr = DISP_E_TYPEMISMATCH;
    if (SUCCEEDED(hr))
        hr = VariantChangeType(converted, &answer.Get(), 0, type);
    return hr;
}

}  // namespace

HRESULT GetDispatch(IUnknown* object, IDispatch** dispatch)
{
    if (!dispatch)
        return E_INVALIDARG;
    *dispatch = nullptr;
    if (!object)
        return E_INVALIDARG;
    return object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch));
}

HRESULT LookUpMember(IDispatch* object, const wchar_t* name, DISPID* id)
{
    if (!object || !name || !id)
        return E_INVALIDARG;
    *id = DISPID_UNKNOWN;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, id);
}

HRESULT InvokeMember(IDispatch* object, DISPID id, WORD kind, const VARIANT* arguments, UINT count,
                     VARIANT* result)
{
    if (!object || count > kMaxArguments || (count > 0 && !arguments))
        return E_INVALIDARG;
    // IDispatch takes the arguments last first. They are only read.
    VARIANT reversed[kMaxArguments];
    for (UINT i = 0; i < count; i++)
        reversed[i] = arguments[count - 1 - i];
    DISPPARAMS parameters = {count > 0 ? reversed : nullptr, nullptr, count, 0};
    EXCEPINFO exception = {};
    UINT argumentError = 0;
    HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, kind, &parameters, result, &exception,
                                &argumentError);
    if (hr == DISP_E_EXCEPTION) {
        if (exception.pfnDeferredFillIn)
            exception.pfnDeferredFillIn(&exception);
        if (FAILED(exception.scode))
            hr = exception.scode;
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
    }
    return hr;
}

HRESULT InvokeByName(IDispatch* object, const wchar_t* name, WORD kind, const VARIANT* arguments,
                     UINT count, VARIANT* result)
{
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = LookUpMember(object, name, &id);
    if (SUCCEEDED(hr))
        hr = InvokeMember(object, id, kind, arguments, count, result);
    return hr;
}

HRESULT ReadDoubleProperty(IDispatch* object, const wchar_t* name, double* value)
{
    if (!value)
        return E_INVALIDARG;
    VariantValue converted;
    HRESULT hr = ReadNumberProperty(object, name, VT_R8, converted.Put());
    if (SUCCEEDED(hr))
        *value = V_R8(&converted.Get());
    return hr;
}

HRESULT ReadIntProperty(IDispatch* object, const wchar_t* name, int* value)
{
    if (!value)
        return E_INVALIDARG;
    VariantValue converted;
    HRESULT hr = ReadNumberProperty(object, name, VT_I4, converted.Put());
    if (SUCCEEDED(hr))
        *value = V_I4(&converted.Get());
    return hr;
}

HRESULT DispatchFromAnswer(const VARIANT& answer, IDispatch** dispatch)
{
    if (!dispatch)
        return E_INVALIDARG;
    *dispatch = nullptr;
    if (V_VT(&answer) == VT_DISPATCH && V_DISPATCH(&answer)) {
        *dispatch = V_DISPATCH(&answer);
        (*dispatch)->AddRef();
        return S_OK;
    }
    if (V_VT(&answer) == VT_UNKNOWN && V_UNKNOWN(&answer))
        return GetDispatch(V_UNKNOWN(&answer), dispatch);
    return E_FAIL;
}
