#pragma once

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so that
// nothing the program opens later lands there and gets what is written to
// standard output or error. Called first thing at start-up.
void standardDescriptorsOpen();
