#include "Removal.h"

#include "Registry.h"

void RemoveSettings(TRegApi& Api, TConfirmation& Confirm) {
    if (Confirm.Ask(ConfirmText, ConfirmCaption, MB_OKCANCEL | MB_ICONINFORMATION) != IDOK) return;
    TRegistry Reg(Api);
    Reg.SetRootKey(HKEY_CURRENT_USER);
    // Opening with create first means a missing key is created, then deleted like any other.
    Reg.OpenKey(SettingsKey, true);
    Reg.CloseKey();
    Reg.DeleteKey(SettingsKey);
}
