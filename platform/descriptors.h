#pragma once

// Closes a file descriptor owned by the runtime; negative values are ignored.
void closeDescriptor(int fd);
