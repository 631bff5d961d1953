// Texts of the support library that the user sees.
#pragma once

// Shown in a number field for a value that is infinite or not a number.
const char kNotFiniteText[] = "***";

// The button of the progress window.
const wchar_t kProgressCancelText[] = L"Cancel";
