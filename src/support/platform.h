// The few Windows types and result codes that the portable parts of the
// product (containers, photo engine, XML writer, coordinate notations) use.
// On Windows they come from <windows.h>; the native build (fuzzing on Linux)
// gets the same names and values from here.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdint>
#include <cwchar>

typedef int32_t HRESULT;
typedef uint32_t LCID;
typedef uint32_t DWORD;
typedef int32_t BOOL;

#define S_OK                      ((HRESULT)0)
#define S_FALSE                   ((HRESULT)1)
#define E_FAIL                    ((HRESULT)0x80004005L)
#define E_INVALIDARG              ((HRESULT)0x80070057L)
#define E_OUTOFMEMORY             ((HRESULT)0x8007000EL)
#define E_NOINTERFACE             ((HRESULT)0x80004002L)
#define SUCCEEDED(hr)             (((HRESULT)(hr)) >= 0)
#define FAILED(hr)                (((HRESULT)(hr)) < 0)
#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
#endif
