// The stand-in's answers and records as registry values under the settings
// key (standin_settings.h): read and written by the stand-in and by the tests.
#pragma once
#include <windows.h>
#include <string>

namespace standin {

// A missing or unreadable value gives the fallback (an empty text).
std::wstring ReadText(const wchar_t* name);
double ReadNumber(const wchar_t* name, double fallback);
DWORD ReadDword(const wchar_t* name, DWORD fallback);
void WriteText(const wchar_t* name, const std::wstring& text);
void WriteNumber(const wchar_t* name, double value);
void WriteDword(const wchar_t* name, DWORD value);

}  // namespace standin
