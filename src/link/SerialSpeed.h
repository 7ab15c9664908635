#pragma once

// Rates without a Bnnn constant (56000, 128000, 256000 among them) are set and read through
// the kernel's own termios, which holds the rate as a number. It cannot share a translation
// unit with <termios.h>, so these calls live apart.

// Sets both directions of the terminal to rate bits per second, the other settings as they
// are. 0, or the errno of the call that failed.
int SetAnyBaudRate(int fd, unsigned rate);

// The output rate the terminal holds; 0 when it cannot be read.
unsigned ReadBaudRate(int fd);
