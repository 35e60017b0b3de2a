// Storage of the program's shared buffers and flags.
#include "shared_state.h"

char reportFolder[REPORT_FOLDER_SIZE];
char scratchText[SCRATCH_TEXT_SIZE];
int downloadActive = 0;
int cancelRequested = 0;
