// History viewer and note editor. They arrive with their own work; the
// half-second service and the value-box close already call these entries.
#include "firmware/firmware.h"

void HistoryRedraw() {}
void NoteEditBlink() {}
void NoteEditCommit() {}
void HistoryDataSelect(uint8_t) {}
void HistoryDataUp(uint8_t) {}
void HistoryDataDown(uint8_t) {}
void NoteEditOpen(uint8_t) {}
void NoteKeyBack(uint8_t) {}
void NoteKeyUp(uint8_t) {}
void NoteKeyDown(uint8_t) {}
void NoteKeySelect(uint8_t) {}
