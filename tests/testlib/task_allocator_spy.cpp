#include "testlib/task_allocator_spy.h"

#include <oleauto.h>

// Exported by oleaut32 but not declared in the SDK headers: turns off the
// cache of freed BSTRs (taking no arguments, it has no stdcall decoration).
extern "C" void SetOaNoCache(void);

namespace vztest {

class TaskAllocatorSpy::Spy : public IMallocSpy {
public:
    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IMallocSpy)
            return E_NOINTERFACE;
        *ppv = static_cast<IMallocSpy*>(this);
        AddRef();
        return S_OK;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_cRef); }
    IFACEMETHODIMP_(ULONG) Release() override
    {
        LONG cRef = InterlockedDecrement(&m_cRef);
        if (cRef == 0)
            delete this;
        return cRef;
    }

    // Returning 0 for a non-empty request makes the allocation fail.
    IFACEMETHODIMP_(SIZE_T) PreAlloc(SIZE_T cbRequest) override
    {
        ++m_allocations;
        return (m_failAt != 0 && m_allocations == m_failAt) ? 0 : cbRequest;
    }
    IFACEMETHODIMP_(void*) PostAlloc(void* pActual) override
    {
        if (pActual)
            InterlockedIncrement(&m_live);
        return pActual;
    }
    IFACEMETHODIMP_(void*) PreFree(void* pRequest, BOOL fSpyed) override
    {
        if (pRequest && fSpyed)
            InterlockedDecrement(&m_live);
        return pRequest;
    }
    IFACEMETHODIMP_(void) PostFree(BOOL) override {}
    IFACEMETHODIMP_(SIZE_T) PreRealloc(void* pRequest, SIZE_T cbRequest, void** ppNewRequest, BOOL) override
    {
        *ppNewRequest = pRequest;
        return cbRequest;
    }
    IFACEMETHODIMP_(void*) PostRealloc(void* pActual, BOOL) override { return pActual; }
    IFACEMETHODIMP_(void*) PreGetSize(void* pRequest, BOOL) override { return pRequest; }
    IFACEMETHODIMP_(SIZE_T) PostGetSize(SIZE_T cbActual, BOOL) override { return cbActual; }
    IFACEMETHODIMP_(void*) PreDidAlloc(void* pRequest, BOOL) override { return pRequest; }
    IFACEMETHODIMP_(int) PostDidAlloc(void*, BOOL, int fActual) override { return fActual; }
    IFACEMETHODIMP_(void) PreHeapMinimize() override {}
    IFACEMETHODIMP_(void) PostHeapMinimize() override {}

    LONG m_cRef = 1;
    int m_allocations = 0;
    int m_failAt = 0;
    LONG m_live = 0;

private:
    virtual ~Spy() = default;
};

TaskAllocatorSpy::TaskAllocatorSpy() : m_spy(new Spy), m_registered(false)
{
    SetOaNoCache();
    m_registered = SUCCEEDED(CoRegisterMallocSpy(m_spy));
}

TaskAllocatorSpy::~TaskAllocatorSpy()
{
    if (m_registered)
        CoRevokeMallocSpy();
    m_spy->Release();
}

void TaskAllocatorSpy::FailAllocation(int n)
{
    m_spy->m_allocations = 0;
    m_spy->m_failAt = n;
}

int TaskAllocatorSpy::Allocations() const
{
    return m_spy->m_allocations;
}

long TaskAllocatorSpy::LiveBlocks() const
{
    return m_spy->m_live;
}

}  // namespace vztest
