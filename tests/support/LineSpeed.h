#pragma once

// The output rate in bits per second the kernel holds for a terminal, any rate included (not
// only those with a Bnnn constant); 0 when it cannot be read.
unsigned LineOutputSpeed(int fd);
