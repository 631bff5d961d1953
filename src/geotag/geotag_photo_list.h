// The photo list of the geotagging dialog: a report list view with one row
// per photo of the plan, in its order: the file name, the camera's time and
// the position the photo will get, or why it gets none.
#pragma once
#include <windows.h>
#include <cstdint>

#include "geotag/geotag_plan.h"

enum PhotoListColumn {
    kColumnPhoto = 0,
    kColumnTaken = 1,
    kColumnPosition = 2,
};

// Adds the three columns, sharing the list's width.
void SetUpPhotoList(HWND list);
// Adds one row per photo, named by its file. S_OK, or E_OUTOFMEMORY when a
// row cannot be added.
HRESULT FillPhotoList(HWND list, const GeotagPlan& plan);
// Shows each photo's time and place as the plan holds them now.
void UpdatePhotoList(HWND list, const GeotagPlan& plan, uint32_t notation);
// Fits the name and time columns to their texts (each within a third of
// the list) and gives the rest to the position.
void FitPhotoListColumns(HWND list);
