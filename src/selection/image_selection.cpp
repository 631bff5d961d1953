#include "selection/image_selection.h"

#include <oleauto.h>

ImageSelection::ImageSelection() : m_paths(GetUserDefaultLCID())
{
}

const wchar_t* ImageSelection::PathAt(int index) const
{
    return static_cast<const wchar_t*>(m_paths.ItemAt(index));
}

HRESULT ImageSelection::Append(const wchar_t* path)
{
    if (!path)
        return E_INVALIDARG;
    BSTR copy = SysAllocString(path);
    HRESULT hr = copy ? S_OK : E_OUTOFMEMORY;
    if (SUCCEEDED(hr))
        hr = m_paths.Insert(copy, -1, nullptr, 0);
    if (FAILED(hr))
        SysFreeString(copy);
    return hr;
}

void ImageSelection::Clear()
{
    for (int i = 0; i < m_paths.Count(); ++i)
        SysFreeString(static_cast<BSTR>(m_paths.ItemAt(i)));
    m_paths.Free();
    SetTrackPath(nullptr);
}

HRESULT ImageSelection::SetTrackPath(const wchar_t* path)
{
    SysFreeString(m_trackPath);
    m_trackPath = nullptr;
    if (!path)
        return S_OK;
    m_trackPath = SysAllocString(path);
    return m_trackPath ? S_OK : E_OUTOFMEMORY;
}
