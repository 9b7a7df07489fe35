// History viewer and note editor. They arrive with their own work; the
// half-second service and the value-box close already call these entries.
#include "firmware/firmware.h"

void HistoryRedraw() {}
void NoteEditBlink() {}
void NoteEditCommit() {}
