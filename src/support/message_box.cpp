#include "support/message_box.h"

#include "product_identity.h"

int ShowMessage(HWND owner, const wchar_t* text, UINT flags)
{
    return MessageBoxW(owner, text, VZ_PRODUCT_NAME_W, flags);
}

int ShowMessage(HWND owner, const char* text, UINT flags)
{
    return MessageBoxA(owner, text, VZ_PRODUCT_NAME_A, flags);
}
