// Rates without a termios constant (14400, 28800 ...), set through the
// kernel's arbitrary-rate interface. Kept apart because its header clashes
// with <termios.h>.
#pragma once

// True when the line now runs at rate bits per second.
bool SetCustomRate(int fd, int rate);
