// Status line and message boxes: every text the user reads comes through here from the string table.
#pragma once

#include "ui/resource_ids.h"
#include "ui/windowing.h"

inline constexpr int CAPTION_SIZE = 64;

void SetStatus(WindowHandle dialog, int controlId, int textId);
// The error box for a failed download, then "Status: CANCELLED". Closes nothing and ends nothing itself.
void ShowError(int textId);
void ShowHelp();
// 1 only when the user answers Yes to both erase questions.
int ConfirmErase();
