// The fields of the coordinates dialog: which are shown for which notation,
// how the state is shown in them and read back from them.
#include "coords/coord_dialog.h"

#include <cmath>

#include "coords/coord_dialog_resources.h"
#include "notation/coord_notation.h"
#include "notation/settings.h"
#include "support/dialog_items.h"
#include "support/number_field.h"

namespace {

enum VisibilityGroup {
    ShownAlways,
    ShownForDecimalDegrees,     // notation 1
    ShownForDegreesMinutes,     // notation 2
    ShownForDegreesMinutesSeconds,  // notation 3
    ShownWithHemisphere,        // any notation but 1
};

VisibilityGroup GroupOf(int id)
{
    switch (id) {
    case IDC_COORD_LAT_DEGREES:
    case IDC_COORD_LON_DEGREES:
    case IDC_COORD_LAT_DEG_UNIT:
    case IDC_COORD_LON_DEG_UNIT:
        return ShownForDecimalDegrees;
    case IDC_COORD_LAT_DM_DEG:
    case IDC_COORD_LAT_DM_MIN:
    case IDC_COORD_LON_DM_DEG:
    case IDC_COORD_LON_DM_MIN:
    case IDC_COORD_LAT_DM_MIN_UNIT:
    case IDC_COORD_LON_DM_MIN_UNIT:
        return ShownForDegreesMinutes;
    case IDC_COORD_LAT_DMS_DEG:
    case IDC_COORD_LAT_DMS_MIN:
    case IDC_COORD_LAT_DMS_SEC:
    case IDC_COORD_LON_DMS_DEG:
    case IDC_COORD_LON_DMS_MIN:
    case IDC_COORD_LON_DMS_SEC:
    case IDC_COORD_LAT_DMS_MIN_UNIT:
    case IDC_COORD_LAT_DMS_SEC_UNIT:
    case IDC_COORD_LON_DMS_MIN_UNIT:
    case IDC_COORD_LON_DMS_SEC_UNIT:
        return ShownForDegreesMinutesSeconds;
    case IDC_COORD_NORTH:
    case IDC_COORD_SOUTH:
    case IDC_COORD_EAST:
    case IDC_COORD_WEST:
    case IDC_COORD_LAT_DM_UNIT:
    case IDC_COORD_LAT_FRAME:
    case IDC_COORD_LON_DM_UNIT:
    case IDC_COORD_LON_FRAME:
        return ShownWithHemisphere;
    default:
        return ShownAlways;
    }
}

bool IsShownFor(VisibilityGroup group, DWORD notation)
{
    switch (group) {
    case ShownForDecimalDegrees:
        return notation == DecimalDegrees;
    case ShownForDegreesMinutes:
        return notation == DegreesMinutes;
    case ShownForDegreesMinutesSeconds:
        return notation == DegreesMinutesSeconds;
    case ShownWithHemisphere:
        return notation != DecimalDegrees;
    case ShownAlways:
    default:
        return true;
    }
}

// Controls whose enabling does not follow "Position is known": the check box
// itself and the buttons.
bool FollowsKnown(int id)
{
    switch (id) {
    case IDOK:
    case IDCANCEL:
    case IDC_COORD_KNOWN:
    case IDC_COORD_FROM_EARTH:
    case IDC_COORD_FROM_CLIPBOARD:
    case IDC_COORD_ABOUT:
        return false;
    default:
        return true;
    }
}

DWORD ChosenNotation(HWND dialog)
{
    DWORD notation = 0;
    ComboGetSelectedData(GetDlgItem(dialog, IDC_COORD_NOTATION), &notation);
    return notation;
}

// The notation whose fields are shown.
DWORD ShownNotation(HWND dialog)
{
    if (IsDlgItemVisible(dialog, IDC_COORD_LAT_DEGREES))
        return DecimalDegrees;
    if (IsDlgItemVisible(dialog, IDC_COORD_LAT_DM_DEG))
        return DegreesMinutes;
    return DegreesMinutesSeconds;
}

void ShowHemispheres(HWND dialog, double latitude, double longitude)
{
    CheckRadioButton(dialog, IDC_COORD_NORTH, IDC_COORD_SOUTH,
                     LatitudeHemisphere(latitude) == 'N' ? IDC_COORD_NORTH : IDC_COORD_SOUTH);
    CheckRadioButton(dialog, IDC_COORD_EAST, IDC_COORD_WEST,
                     LongitudeHemisphere(longitude) == 'E' ? IDC_COORD_EAST : IDC_COORD_WEST);
}

void ShowDegreesMinutes(HWND dialog, int degreesId, int minutesId, const AngleParts& parts)
{
    SetDlgItemInt(dialog, degreesId, parts.degrees, FALSE);
    SetDlgItemDouble(dialog, minutesId, parts.decimalMinutes, 4);
}

void ShowDegreesMinutesSeconds(HWND dialog, int degreesId, int minutesId, int secondsId, const AngleParts& parts)
{
    SetDlgItemInt(dialog, degreesId, parts.degrees, FALSE);
    SetDlgItemInt(dialog, minutesId, parts.minutes, FALSE);
    SetDlgItemDouble(dialog, secondsId, parts.seconds, 2);
}

// Whole degrees typed into a field; text that is not a whole number reads 0.
uint32_t WholeNumberOf(HWND dialog, int id)
{
    BOOL translated = FALSE;
    UINT value = GetDlgItemInt(dialog, id, &translated, FALSE);
    return translated ? value : 0;
}

}  // namespace

void FillFields(CoordinatesDialogState* state)
{
    HWND dialog = state->dialog;
    state->busy = TRUE;
    const GeoPosition& position = state->position;
    CheckDlgButton(dialog, IDC_COORD_KNOWN, position.known ? BST_CHECKED : BST_UNCHECKED);

    DWORD notation = ChosenNotation(dialog);
    double latitude = RadiansToShownDegrees(position.latitude);
    double longitude = RadiansToShownDegrees(position.longitude);
    double heading = RadiansToDegrees(position.heading);

    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        int id = GetDlgCtrlID(child);
        bool shown = IsShownFor(GroupOf(id), notation);
        ShowWindow(child, shown ? SW_SHOWNA : SW_HIDE);
        if (FollowsKnown(id))
            EnableWindow(child, shown && position.known);
    }

    switch (notation) {
    case DecimalDegrees:
        SetDlgItemDouble(dialog, IDC_COORD_LAT_DEGREES, latitude, 6);
        SetDlgItemDouble(dialog, IDC_COORD_LON_DEGREES, longitude, 6);
        break;
    case DegreesMinutes:
        ShowHemispheres(dialog, latitude, longitude);
        ShowDegreesMinutes(dialog, IDC_COORD_LAT_DM_DEG, IDC_COORD_LAT_DM_MIN, SplitLatitude(latitude));
        ShowDegreesMinutes(dialog, IDC_COORD_LON_DM_DEG, IDC_COORD_LON_DM_MIN, SplitLongitude(longitude));
        break;
    case DegreesMinutesSeconds:
        ShowHemispheres(dialog, latitude, longitude);
        ShowDegreesMinutesSeconds(dialog, IDC_COORD_LAT_DMS_DEG, IDC_COORD_LAT_DMS_MIN, IDC_COORD_LAT_DMS_SEC,
                                  SplitLatitude(latitude));
        ShowDegreesMinutesSeconds(dialog, IDC_COORD_LON_DMS_DEG, IDC_COORD_LON_DMS_MIN, IDC_COORD_LON_DMS_SEC,
                                  SplitLongitude(longitude));
        break;
    default:
        break;
    }
    SetDlgItemInt(dialog, IDC_COORD_ALTITUDE, static_cast<UINT>(TruncateToInt32(position.altitude)), TRUE);
    SetDlgItemInt(dialog, IDC_COORD_HEADING, TruncateToUInt32(heading), FALSE);
    state->busy = FALSE;
}

void ReadFields(CoordinatesDialogState* state)
{
    HWND dialog = state->dialog;
    DWORD notation = ShownNotation(dialog);
    StoreNotation(notation);

    GeoPosition position;
    if (IsDlgButtonChecked(dialog, IDC_COORD_KNOWN) != BST_CHECKED) {
        state->position = position;
        return;
    }

    double latitude = 0.0;
    double longitude = 0.0;
    BOOL south = IsDlgButtonChecked(dialog, IDC_COORD_SOUTH) == BST_CHECKED;
    BOOL west = IsDlgButtonChecked(dialog, IDC_COORD_WEST) == BST_CHECKED;
    switch (notation) {
    case DecimalDegrees:
        latitude = GetDlgItemDouble(dialog, IDC_COORD_LAT_DEGREES);
        longitude = GetDlgItemDouble(dialog, IDC_COORD_LON_DEGREES);
        break;
    case DegreesMinutes:
        latitude = CombineDegreesMinutes(WholeNumberOf(dialog, IDC_COORD_LAT_DM_DEG),
                                         GetDlgItemDouble(dialog, IDC_COORD_LAT_DM_MIN), south);
        longitude = CombineDegreesMinutes(WholeNumberOf(dialog, IDC_COORD_LON_DM_DEG),
                                          GetDlgItemDouble(dialog, IDC_COORD_LON_DM_MIN), west);
        break;
    default:
        latitude = CombineDegreesMinutesSeconds(WholeNumberOf(dialog, IDC_COORD_LAT_DMS_DEG),
                                                WholeNumberOf(dialog, IDC_COORD_LAT_DMS_MIN),
                                                GetDlgItemDouble(dialog, IDC_COORD_LAT_DMS_SEC), south);
        longitude = CombineDegreesMinutesSeconds(WholeNumberOf(dialog, IDC_COORD_LON_DMS_DEG),
                                                 WholeNumberOf(dialog, IDC_COORD_LON_DMS_MIN),
                                                 GetDlgItemDouble(dialog, IDC_COORD_LON_DMS_SEC), west);
        break;
    }
    position.known = TRUE;
    position.latitude = LatitudeToRadians(latitude);
    position.longitude = LongitudeToRadians(longitude);
    position.altitude = std::trunc(GetDlgItemDouble(dialog, IDC_COORD_ALTITUDE));
    position.heading = HeadingToRadians(GetDlgItemDouble(dialog, IDC_COORD_HEADING));
    state->position = position;
}

void UpdateEnabling(CoordinatesDialogState* state)
{
    HWND dialog = state->dialog;
    BOOL known = IsDlgButtonChecked(dialog, IDC_COORD_KNOWN) == BST_CHECKED;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (FollowsKnown(GetDlgCtrlID(child)))
            EnableWindow(child, known);
    }
    EnableDlgItem(dialog, IDC_COORD_FROM_CLIPBOARD, IsClipboardFormatAvailable(CF_TEXT));
}

void EnableSave(CoordinatesDialogState* state)
{
    EnableDlgItem(state->dialog, IDOK, TRUE);
    // The fields no longer show what was read from the raw file or its sidecar.
    SetDlgItemTextW(state->dialog, IDC_COORD_SOURCE, L"");
}
