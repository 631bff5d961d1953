// OrderedList: a growable array of (item, key, value) triples kept in
// insertion order, with a lookup by key under the locale's comparison rules.
// The list never owns its items or keys; whoever inserts them frees them.
#pragma once
#include "support/platform.h"

class OrderedList {
public:
    // Triples are added and removed in blocks of this many slots.
    static const int kGrowStep = 16;

    OrderedList() { Init(0); }
    explicit OrderedList(LCID locale) { Init(locale); }
    ~OrderedList() { Free(); }
    OrderedList(const OrderedList&) = delete;
    OrderedList& operator=(const OrderedList&) = delete;

    // Empty, case-insensitive list comparing keys under locale.
    void Init(LCID locale);
    // Frees the array only (not the items or keys); the list is then empty.
    void Free();

    // S_OK, or E_FAIL when the list is not empty.
    HRESULT SetCaseSensitive(bool caseSensitive);

    int Count() const { return m_count; }
    // Number of triples the array holds room for (a multiple of 16).
    int Capacity() const { return m_capacity; }
    // The item of triple index, or null outside 0 .. Count() - 1.
    void* ItemAt(int index) const;
    const wchar_t* KeyAt(int index) const;

    // Inserts before index; a negative index or one beyond Count() appends.
    // S_OK, or E_OUTOFMEMORY with the list unchanged.
    HRESULT Insert(void* item, int index, const wchar_t* key, DWORD value);
    // S_OK, E_INVALIDARG for an index outside the list, E_OUTOFMEMORY when
    // the array cannot shrink (the triple is then removed all the same).
    HRESULT RemoveAt(int index);
    // The item of the first triple whose key equals key, or null.
    void* FindByKey(const wchar_t* key) const;

private:
    struct Triple {
        void* item;
        const wchar_t* key;
        DWORD value;
    };

    // Reallocates the array to exactly capacity triples (none at 0).
    bool Reallocate(int capacity);
    // Result of CompareStringW: 1 less, 2 equal, 3 greater, 0 error.
    int CompareKeys(const wchar_t* a, const wchar_t* b) const;

    LCID m_locale = 0;
    bool m_caseSensitive = false;
    int m_count = 0;
    int m_capacity = 0;
    Triple* m_slots = nullptr;
};
