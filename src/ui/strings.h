// The string table in the program itself, for the platforms without a resource string table.
#pragma once

#include "ui/resource_ids.h"

// The text of an id, or nullptr for an id outside the table (0 and 20 up).
const char* StringTableText(int textId);
// Copies the text of an id into a buffer as the platform's string loader does: at most capacity - 1
// characters and always the terminator; an id outside the table gives the empty text. Returns the characters
// copied.
int LoadTableText(int textId, char* buffer, int capacity);
