// Watches the COM task allocator (CoTaskMemAlloc, and so also BSTRs once the
// BSTR cache is off) while it lives: counts the blocks allocated and freed,
// and can make one chosen allocation fail, to test out-of-memory paths.
#pragma once
#include <windows.h>
#include <objidl.h>

namespace vztest {

class TaskAllocatorSpy {
public:
    // Registers the spy (CoRegisterMallocSpy) and turns the BSTR cache off,
    // so that every SysAllocString reaches the task allocator.
    TaskAllocatorSpy();
    // Revokes the spy (it stays alive until blocks it saw are freed).
    ~TaskAllocatorSpy();
    TaskAllocatorSpy(const TaskAllocatorSpy&) = delete;
    TaskAllocatorSpy& operator=(const TaskAllocatorSpy&) = delete;

    bool Registered() const { return m_registered; }
    // Makes the n-th allocation from now on fail (1 = the next one); 0 none.
    void FailAllocation(int n);
    // Allocations attempted since the last FailAllocation (or registration).
    int Allocations() const;
    // Blocks allocated under the spy and not yet freed.
    long LiveBlocks() const;

private:
    class Spy;
    Spy* m_spy;
    bool m_registered;
};

}  // namespace vztest
