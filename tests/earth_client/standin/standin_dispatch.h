// Base of the stand-in's automation objects: IUnknown and an IDispatch
// driven by the type library, as a dual interface of Google Earth is. The
// dispatch view of the type library (TKIND_DISPATCH) is what GetTypeInfo
// hands out; calls go through the interface view (TKIND_INTERFACE) with
// DispInvoke. A derived class may answer a member itself (AnswerInvoke).
#pragma once
#include <windows.h>
#include <oleauto.h>

#include "standin_state.h"

namespace standin {

template <class Interface>
class DualObject : public Interface {
public:
    // IUnknown
    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, m_iid)) {
            *ppv = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_cRef); }
    IFACEMETHODIMP_(ULONG) Release() override
    {
        LONG cRef = InterlockedDecrement(&m_cRef);
        if (cRef == 0)
            delete this;
        return cRef;
    }

    // IDispatch
    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 1;
        return S_OK;
    }
    IFACEMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override
    {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        if (index != 0)
            return DISP_E_BADINDEX;
        if (!m_dispatchInfo)
            return E_FAIL;
        *info = m_dispatchInfo;
        m_dispatchInfo->AddRef();
        return S_OK;
    }
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        if (!m_interfaceInfo)
            return E_FAIL;
        return DispGetIDsOfNames(m_interfaceInfo, names, count, ids);
    }
    IFACEMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* exception, UINT* argumentError) override
    {
        if (!m_interfaceInfo)
            return E_FAIL;
        HRESULT hr = AnswerInvoke(id, flags, params, result);
        if (hr == S_FALSE)
            hr = DispInvoke(static_cast<Interface*>(this), m_interfaceInfo, id, flags, params, result,
                            exception, argumentError);
        return hr;
    }

protected:
    explicit DualObject(REFIID iid) : m_iid(iid)
    {
        ObjectCreated();
        ITypeInfo* info = nullptr;
        if (TypeLib() && SUCCEEDED(TypeLib()->GetTypeInfoOfGuid(iid, &info))) {
            TYPEATTR* attributes = nullptr;
            TYPEKIND kind = TKIND_INTERFACE;
            if (SUCCEEDED(info->GetTypeAttr(&attributes))) {
                kind = attributes->typekind;
                info->ReleaseTypeAttr(attributes);
            }
            if (kind == TKIND_DISPATCH) {
                m_dispatchInfo = info;
                HREFTYPE interfaceRef = 0;
                if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &interfaceRef)))
                    info->GetRefTypeInfo(interfaceRef, &m_interfaceInfo);
            } else {
                m_interfaceInfo = info;
                m_dispatchInfo = info;
                info->AddRef();
            }
        }
    }
    virtual ~DualObject()
    {
        if (m_interfaceInfo)
            m_interfaceInfo->Release();
        if (m_dispatchInfo)
            m_dispatchInfo->Release();
        ObjectDestroyed();
    }

    // S_FALSE: the call goes on to the declared member. Anything else is
    // the answer of Invoke.
    virtual HRESULT AnswerInvoke(DISPID, WORD, DISPPARAMS*, VARIANT*) { return S_FALSE; }

private:
    LONG m_cRef = 1;
    IID m_iid;
    ITypeInfo* m_dispatchInfo = nullptr;
    ITypeInfo* m_interfaceInfo = nullptr;
};

}  // namespace standin
