// The LCD hand-over: the firmware's only call into the host. The firmware
// calls ShowLcd when a screen is complete; the host installs what it does
// (the window copies the picture, the runner and the tests count calls).
#pragma once

using ShowLcdHandler = void (*)(void* context);

void ShowLcd();
void SetShowLcdHandler(ShowLcdHandler handler, void* context);
