// The program's one job: ask, and on OK remove the settings key with all its subkeys.
#pragma once

#include "Confirmation.h"
#include "RegApi.h"

// "かなの\r\n設定を削除しますか？" and "かな", Shift-JIS.
inline constexpr char ConfirmText[] = "\x82\xA9\x82\xC8\x82\xCC\r\n"
                                      "\x90\xDD\x92\xE8\x82\xF0\x8D\xED\x8F\x9C\x82\xB5\x82\xDC"
                                      "\x82\xB7\x82\xA9\x81\x48";
inline constexpr char ConfirmCaption[] = "\x82\xA9\x82\xC8";
// The same in English, for a terminal whose character set has no Japanese.
inline constexpr char ConfirmTextEnglish[] = "Delete the settings of kana?";
inline constexpr char ConfirmCaptionEnglish[] = "kana";
// HKEY_CURRENT_USER "\Software\Velbrook\かな".
inline constexpr char SettingsKey[] = "\\Software\\Velbrook\\\x82\xA9\x82\xC8";

// Runs the confirmation and, on OK, the removal. Failures change nothing but the registry
// calls they concern; nothing is reported.
void RemoveSettings(TRegApi& Api, TConfirmation& Confirm);
